#include "host/import.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "host/host_names.h"
#include "host/inf_file.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/hex.h"

namespace marlin::host {

using namespace marlin::image;
namespace fs = std::filesystem;

namespace {

struct ImportRun {
    Disc& disc;
    MessageSink& sink;
    const Progress& progress;
    // Folders being imported, outermost first: a link back to one of them
    // would otherwise nest the same folder until the disc is full.
    std::vector<fs::path> openFolders;
};

Status ImportFile(ImportRun& run, SectorAddress dir, const fs::path& path);

Status CannotRead(ImportRun& run, const fs::path& path)
{
    run.sink.Report({RefusalCode::CannotReadHostFile, path.string(), {}});
    return Status::Refused;
}

// The path without a trailing separator, so that its last component is the
// item's own name ("games/" and "games/." both name "games").
fs::path ItemPath(const fs::path& path)
{
    fs::path p = path.lexically_normal();
    if (!p.has_filename() && p.has_parent_path() && p != p.root_path())
        p = p.parent_path();
    return p;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const fs::path& path, std::uint64_t size)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    if (static_cast<std::uint64_t>(in.gcount()) != size)
        return std::nullopt;
    // A file that grew since its size was taken would not fit its sectors.
    if (in.peek() != std::ifstream::traits_type::eof())
        return std::nullopt;
    return bytes;
}

// A sidecar's name keeps its characters, except those that would set an
// attribute bit or end the directory's list.
std::string StorableName(std::string name)
{
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u == 0 || u >= 128)
            c = '_';
    }
    return name;
}

Status ImportFolder(ImportRun& run, SectorAddress dir, const fs::path& given)
{
    const fs::path path = ItemPath(given);
    std::error_code ec;
    fs::path real = fs::canonical(path, ec);
    if (ec)
        return CannotRead(run, path);
    if (std::find(run.openFolders.begin(), run.openFolders.end(), real) != run.openFolders.end())
        return Status::Done;

    // "." or ".." as given still names a folder with a name of its own.
    const std::string own =
        path.filename() == "." || path.filename() == ".." ? real.filename().string() : path.filename().string();
    std::string name = PrintableHostName(own);
    if (const auto fromInf = ParseFolderInf(InfPath(path)); fromInf && !fromInf->empty())
        name = StorableName(*fromInf);
    if (name.empty())
        name = "_";
    // A directory block outside the image cannot take an entry.
    if (!run.disc.Contains(dir.ByteOffset(), dir::kBlockSize)) {
        run.sink.Report({RefusalCode::DirectoryFull, {}, {}});
        return Status::Refused;
    }
    const auto newDir = CreateDirectory(run.disc, dir, name, run.sink);
    if (newDir.Refused())
        return Status::Refused;

    std::vector<fs::path> items;
    fs::directory_iterator it(path, ec);
    if (ec)
        return CannotRead(run, path);
    for (; it != fs::directory_iterator() && items.size() < kMaxListedItems; it.increment(ec)) {
        const fs::path item = it->path();
        const std::string itemName = item.filename().string();
        std::error_code statusError;
        const auto status = fs::status(item, statusError);
        // Hidden items, and items that are neither files nor folders (pipes,
        // devices, dangling links), are not listed.
        if (!itemName.starts_with('.') && (fs::is_regular_file(status) || fs::is_directory(status)))
            items.push_back(item);
        Tick(run.progress);
    }
    if (ec)
        return CannotRead(run, path);
    // The host lists in no particular order; sorting makes the result, and
    // which item meets a full directory first, the same on every run.
    std::sort(items.begin(), items.end());

    run.openFolders.push_back(real);
    for (const fs::path& item : items) {
        if (ImportFile(run, *newDir, item) == Status::Refused) {
            run.openFolders.pop_back();
            return Status::Refused;
        }
    }
    run.openFolders.pop_back();
    return Status::Done;
}

Status ImportFile(ImportRun& run, SectorAddress dir, const fs::path& given)
{
    if (IsInfPath(given))
        return Status::Done;
    const fs::path path = ItemPath(given);
    std::error_code ec;
    if (fs::is_directory(path, ec))
        return ImportFolder(run, dir, path);
    if (!fs::is_regular_file(path, ec))
        return CannotRead(run, path);
    const std::uint64_t size = fs::file_size(path, ec);
    if (ec)
        return CannotRead(run, path);

    Disc& disc = run.disc;
    // Space and room are tested before the host file is read, as the
    // storing itself tests them.
    if (FindUsableRun(disc, size) < 0) {
        run.sink.Report({RefusalCode::NotEnoughSpace, {}, {}});
        return Status::Refused;
    }
    if (DirectoryIsFull(disc, dir)) {
        run.sink.Report({RefusalCode::DirectoryFull, {}, {}});
        return Status::Refused;
    }
    // Read everything before the directory changes: a failure leaves the image as it was.
    const auto bytes = ReadWholeFile(path, size);
    if (!bytes)
        return CannotRead(run, path);

    const std::string hostName = TrimBlanks(PrintableHostName(path.filename().string())).substr(0, dir::kNameLength);
    InfFields fields;
    fields.name = hostName;
    fields.length = FixedHex(size, 8);
    fields.attributes = "RW";
    std::uint32_t length = static_cast<std::uint32_t>(size);
    if (auto inf = ParseFileInf(InfPath(path))) {
        if (inf->name.empty())
            inf->name = hostName;
        fields = *inf;
        // The entry must not reach past the sectors claimed for it.
        length = std::min(FieldValue(fields.length), static_cast<std::uint32_t>(size));
    }
    std::string name = ImageNameFromHost(fields.name);
    if (name.empty())
        name = ImageNameFromHost(hostName);
    if (name.empty())
        name = "_";

    DirEntry entry;
    entry.name = name;
    const AttributeBits bits = BitsFromAttributes(fields.attributes);
    entry.R = bits.R;
    entry.W = bits.W;
    entry.L = bits.L;
    entry.load = FieldValue(fields.load);
    entry.exec = FieldValue(fields.exec);
    entry.length = length;
    // Space and room were tested above, so only a name already there is
    // refused here, and the batch goes on after it.
    const auto stored = CreateFile(disc, dir, entry, *bytes, run.sink);
    if (stored.Refused() && stored.Reason() != RefusalCode::FileAlreadyExists)
        return Status::Refused;
    return Status::Done;
}

} // namespace

Status ImportHostFile(Disc& disc, SectorAddress dir, const fs::path& path, MessageSink& sink, const Progress& progress)
{
    ImportRun run{disc, sink, progress, {}};
    return ImportFile(run, dir, path);
}

Status ImportHostFolder(Disc& disc, SectorAddress dir, const fs::path& path, MessageSink& sink,
                        const Progress& progress)
{
    ImportRun run{disc, sink, progress, {}};
    return ImportFolder(run, dir, path);
}

DropResult DropHostFiles(Disc& disc, SectorAddress dir, std::span<const fs::path> paths, MessageSink& sink,
                         const Progress& progress)
{
    DropResult result;
    for (const fs::path& p : paths) {
        std::error_code ec;
        if (fs::is_directory(p, ec))
            result.sawFolder = true;
        result.status = ImportHostFile(disc, dir, p, sink, progress);
        if (result.status == Status::Refused)
            break;
    }
    return result;
}

} // namespace marlin::host
