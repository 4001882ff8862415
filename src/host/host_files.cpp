#include "host/host_files.h"

#include <string>
#include <system_error>

#include "host/platform.h"
#include "image/image_file.h"

namespace marlin::host {

using namespace marlin::image;
namespace fs = std::filesystem;

std::ofstream CreateHostFile(const fs::path& path)
{
    std::error_code ec;
    // Replacing an existing file; a failure shows when the stream opens.
    fs::remove(path, ec);
    return std::ofstream(path, std::ios::binary | std::ios::trunc);
}

Status SaveImage(const Disc& disc, const fs::path& path, MessageSink& sink)
{
    auto refuse = [&](const std::string& reason) {
        sink.Report({RefusalCode::CannotSaveImage, path.string(), reason});
        return Status::Refused;
    };
    std::error_code ec;
    // Saving through a symbolic link replaces the file it points to, not the link.
    fs::path target = path;
    if (fs::is_symlink(path, ec)) {
        target = fs::weakly_canonical(path, ec);
        if (ec)
            return refuse(ec.message());
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    fs::path temp = folder / ".";
    temp += target.filename();
    temp += ".marlin-save";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return refuse(DetailText(Detail::CannotCreateIn, folder.string()));
        out.write(reinterpret_cast<const char*>(disc.Bytes().data()), static_cast<std::streamsize>(SavedLength(disc)));
        out.close();
        if (!out) {
            fs::remove(temp, ec); // best effort: the old file is what matters
            return refuse(DetailText(Detail::CannotWrite));
        }
    }
    // The new file keeps the permissions of the one it replaces.
    const auto old = fs::status(target, ec);
    if (!ec && fs::exists(old))
        fs::permissions(temp, old.permissions(), ec); // best effort: the data is what matters
    ec = RenameOver(temp, target);
    if (ec) {
        const std::string reason = ec.message();
        fs::remove(temp, ec); // best effort
        return refuse(reason);
    }
    return Status::Done;
}

} // namespace marlin::host
