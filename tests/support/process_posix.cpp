#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include "support/process.h"

extern char** environ;

namespace marlin::test {

int RunProcess(const std::vector<std::string>& argv, const std::filesystem::path& in, const std::filesystem::path& out,
               const std::filesystem::path& err)
{
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, in.empty() ? "/dev/null" : in.c_str(), O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int started = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    int raw = 0;
    if (started != 0 || ::waitpid(pid, &raw, 0) != pid)
        return -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

} // namespace marlin::test
