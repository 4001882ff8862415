// windows.h first: the other system headers take their types from it.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <shlobj.h>

#include "host/platform.h"
#include "identity.h"

namespace marlin::host {

namespace fs = std::filesystem;

std::optional<fs::path> UserCacheLocation()
{
    PWSTR folder = nullptr;
    std::optional<fs::path> location;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &folder)))
        location = fs::path(folder) / kProgramTitle;
    ::CoTaskMemFree(folder);
    return location;
}

void MakePrivate(const fs::path&)
{
    // The local application data folder is the user's own; what is made in
    // it inherits that.
}

std::error_code RenameOver(const fs::path& from, const fs::path& to)
{
    // Write-through: the call returns once the new file is on the disc.
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    // argv is in the ANSI code page, which cannot hold every file name.
    int count = 0;
    LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide)
        return {argv, argv + argc};
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        const std::u8string utf8 = fs::path(wide[i]).u8string();
        arguments.emplace_back(utf8.begin(), utf8.end());
    }
    ::LocalFree(wide);
    return arguments;
}

void UseBinaryStandardStreams()
{
    // A stream the program was started without has no descriptor to change.
    for (std::FILE* stream : {stdin, stdout, stderr})
        if (const int fd = ::_fileno(stream); fd >= 0)
            ::_setmode(fd, _O_BINARY);
}

std::FILE* OpenForReading(const fs::path& path)
{
    return ::_wfopen(path.c_str(), L"rb");
}

} // namespace marlin::host
