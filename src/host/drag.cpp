#include "host/drag.h"

#include <fstream>
#include <string>
#include <system_error>

#include "host/host_files.h"
#include "host/host_names.h"
#include "image/directory.h"

namespace marlin::host {

using namespace marlin::image;
namespace fs = std::filesystem;

namespace {

constexpr int kMaxDeletedItems = 1000;

// Makes tempBase (private to the user) and a new numbered folder below it.
std::optional<fs::path> NewDragFolder(DragState& state, MessageSink& sink)
{
    auto refuse = [&](const fs::path& path, const std::string& detail) {
        sink.Report({RefusalCode::CannotExport, path.string(), detail});
        return std::nullopt;
    };
    if (state.tempBase.empty())
        return refuse("marlin_temp", DetailText(Detail::NoCacheFolder));
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(state.tempBase, ec))) {
        fs::create_directories(state.tempBase.parent_path(), ec);
        if (!fs::create_directory(state.tempBase, ec) && ec)
            return refuse(state.tempBase, ec.message());
        MakePrivate(state.tempBase);
    }
    const auto t = TempRoot(state);
    if (!t)
        return refuse(state.tempBase / "temp_", DetailText(Detail::NoFolderNumber));
    if (!fs::create_directory(*t, ec))
        return refuse(*t, ec ? ec.message() : DetailText(Detail::FolderExists));
    return t;
}

void WriteDragLog(const DragState& state)
{
    if (state.logPath.empty())
        return;
    // The log only records what was handed out; a failure to write it does not
    // stop the drag.
    std::ofstream log = CreateHostFile(state.logPath);
    for (const fs::path& p : state.DragList)
        log << p.string() << "\r\n";
}

Result<std::vector<fs::path>> Finish(DragState& state, Status status)
{
    WriteDragLog(state);
    if (status == Status::Refused)
        return {Status::Refused};
    return state.DragList;
}

} // namespace

DragState NewDragState()
{
    DragState state;
    if (const auto cache = UserCacheLocation()) {
        state.tempBase = *cache / "marlin_temp";
        state.logPath = *cache / "drag.log";
    }
    return state;
}

std::optional<fs::path> TempRoot(DragState& state)
{
    for (int tries = 0; tries <= 0xFFFF; ++tries) {
        const fs::path r = state.tempBase / ("temp_" + std::to_string(state.TempCounter));
        ++state.TempCounter;
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(r, ec)))
            return r;
    }
    return std::nullopt;
}

void DeleteHostTree(const fs::path& path, const Progress& progress)
{
    std::error_code ec;
    const auto st = fs::symlink_status(path, ec);
    if (fs::is_directory(st)) {
        std::vector<fs::path> items;
        fs::directory_iterator it(path, ec);
        for (; !ec && it != fs::directory_iterator() && items.size() < kMaxDeletedItems; it.increment(ec)) {
            if (!it->path().filename().string().starts_with('.'))
                items.push_back(it->path());
            Tick(progress);
        }
        for (const fs::path& item : items) {
            std::error_code itemError;
            if (fs::is_directory(fs::symlink_status(item, itemError)))
                DeleteHostTree(item, progress);
            else
                fs::remove(item, itemError); // ignored: what stays is found again next time
        }
    }
    // A folder that still holds something stays; a link goes, its target stays.
    if (fs::exists(st) || fs::is_symlink(st))
        fs::remove(path, ec);
}

void ClearDragFolder(DragState& state)
{
    if (!state.tempBase.empty())
        DeleteHostTree(state.tempBase);
    state.TempCounter = 0;
}

Result<std::vector<fs::path>> StageListDrag(const Disc& disc, DragState& state, std::span<const DirEntry> selected,
                                            MessageSink& sink, const Progress& progress)
{
    state.DragList.clear();
    const auto t = NewDragFolder(state, sink);
    if (!t)
        return Finish(state, Status::Refused);
    return Finish(state, ExportListItems(disc, *t, selected, sink, progress, &state.DragList));
}

Result<std::vector<fs::path>> StageTreeDrag(const Disc& disc, DragState& state, SectorAddress dir,
                                            std::string_view nodeText, MessageSink& sink, const Progress& progress)
{
    if (dir == kRoot) {
        std::vector<DirEntry> all;
        for (int i = 0; i < EntryCount(disc, kRoot); ++i)
            all.push_back(ReadEntry(disc, kRoot, i));
        return StageListDrag(disc, state, all, sink, progress);
    }
    state.DragList.clear();
    const auto t = NewDragFolder(state, sink);
    if (!t)
        return Finish(state, Status::Refused);
    const fs::path folder = *t / SafeHostName(nodeText);
    state.DragList.push_back(folder);
    return Finish(state, ExportFiles(disc, folder, dir, sink, progress));
}

} // namespace marlin::host
