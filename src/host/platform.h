#pragma once
// The few host calls that differ between POSIX systems and Windows. Exactly
// one of platform_posix.cpp and platform_windows.cpp is built.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace marlin::host {

// Windows refuses file names that POSIX hosts take; host names avoid them there.
#ifdef _WIN32
inline constexpr bool kWindowsHost = true;
#else
inline constexpr bool kWindowsHost = false;
#endif

// The user's own folder for cached files. POSIX: XDG_CACHE_HOME when it is
// an absolute path, else the home folder's .cache. Windows: "Marlin Explorer"
// in the user's local application data folder. Nothing when neither is known.
[[nodiscard]] std::optional<std::filesystem::path> UserCacheLocation();

// Leaves a folder readable and writable by its owner alone, where the host
// has such bits (best effort; Windows folders inherit the user's own rights).
void MakePrivate(const std::filesystem::path& folder);

// Puts from in the place of to in one step, replacing a file already there.
[[nodiscard]] std::error_code RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);

// The program's arguments as UTF-8, the program's own name first.
[[nodiscard]] std::vector<std::string> ProgramArguments(int argc, char** argv);

// Standard input, output and error carry bytes as they are: no CR LF on Windows.
void UseBinaryStandardStreams();

// A host file opened to read bytes; null when it cannot be opened.
[[nodiscard]] std::FILE* OpenForReading(const std::filesystem::path& path);

// A host path given as UTF-8 text (an argument). A plain string would be read
// in the ANSI code page on Windows.
[[nodiscard]] inline std::filesystem::path PathFromText(std::string_view text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

} // namespace marlin::host
