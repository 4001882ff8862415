#include <windows.h>

#include "host/platform.h"
#include "support/process.h"

namespace marlin::test {

namespace {

// One argument as the program's CommandLineToArgvW reads it back: quoted
// when it holds blanks or quotes, a backslash doubled only before a quote.
std::wstring Quoted(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return arg;
    std::wstring q = L"\"";
    std::size_t slashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        q.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
        q += c;
        slashes = 0;
    }
    return q.append(2 * slashes, L'\\') + L"\"";
}

HANDLE Open(const std::filesystem::path& path, bool write)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return ::CreateFileW(path.empty() ? L"NUL" : path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

int RunProcess(const std::vector<std::string>& argv, const std::filesystem::path& in, const std::filesystem::path& out,
               const std::filesystem::path& err)
{
    std::wstring line;
    for (const std::string& a : argv)
        line += (line.empty() ? L"" : L" ") + Quoted(host::PathFromText(a).wstring());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Open(in, false);
    startup.hStdOutput = Open(out, true);
    startup.hStdError = Open(err, true);
    PROCESS_INFORMATION process{};
    const bool started = ::CreateProcessW(host::PathFromText(argv[0]).c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                          nullptr, nullptr, &startup, &process);
    for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        ::CloseHandle(h);
    DWORD status = 0;
    if (started) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &status);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
    }
    return started ? static_cast<int>(status) : -1;
}

} // namespace marlin::test
