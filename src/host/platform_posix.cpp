#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "host/platform.h"

namespace marlin::host {

namespace fs = std::filesystem;

std::optional<fs::path> UserCacheLocation()
{
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && fs::path(xdg).is_absolute())
        return fs::path(xdg);
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        if (const passwd* pw = ::getpwuid(::getuid()))
            home = pw->pw_dir;
    }
    if (!home || !fs::path(home).is_absolute())
        return std::nullopt;
    return fs::path(home) / ".cache";
}

void MakePrivate(const fs::path& folder)
{
    std::error_code ec;
    fs::permissions(folder, fs::perms::owner_all, ec); // best effort: the cache is private already
}

std::error_code RenameOver(const fs::path& from, const fs::path& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return {errno, std::generic_category()};
    return {};
}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return {argv, argv + argc};
}

void UseBinaryStandardStreams()
{
    // POSIX streams never translate line ends.
}

std::FILE* OpenForReading(const fs::path& path)
{
    return std::fopen(path.c_str(), "rb");
}

} // namespace marlin::host
