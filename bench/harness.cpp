#include "harness.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <limits>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace marlin::bench {

namespace fs = std::filesystem;

double TimeOnce(const std::function<void()>& fn)
{
    const auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

Timing MinOfPairs(int rounds, const std::function<void()>& prepareOp, const std::function<void()>& op,
                  const std::function<void()>& prepareRef, const std::function<void()>& ref)
{
    Timing best{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    for (int i = 0; i < rounds; ++i) {
        // Alternate which side goes first, so neither always runs on a cache
        // the other has just warmed or cooled.
        const bool opFirst = i % 2 == 0;
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == opFirst) {
                if (prepareOp)
                    prepareOp();
                best.op = std::min(best.op, TimeOnce(op));
            } else {
                if (prepareRef)
                    prepareRef();
                best.ref = std::min(best.ref, TimeOnce(ref));
            }
        }
    }
    return best;
}

int Rounds(int base)
{
    double factor = 1;
    if (const char* text = std::getenv("MARLIN_BENCH_ROUNDS"))
        factor = std::atof(text);
    return std::max(1, static_cast<int>(base * factor + 0.5));
}

int RunProcess(const std::vector<std::string>& argv, const std::string& stdoutPath, long* peakKiB)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int fd = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            close(fd);
        }
        // The host tools sort and print in the plain C locale, their fastest.
        setenv("LC_ALL", "C", 1);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        throw std::runtime_error("wait failed");
    if (peakKiB)
        *peakKiB = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

namespace {

struct Work {
    fs::path folder;
    Work()
    {
        const char* base = std::getenv("MARLIN_BENCH_DIR");
        const fs::path root = base ? fs::path(base) : fs::temp_directory_path();
        folder = root / ("marlin-bench-" + std::to_string(getpid()));
        fs::create_directories(folder);
    }
    ~Work() { RemoveTree(folder); }
};

} // namespace

const fs::path& WorkFolder()
{
    static Work work;
    return work.folder;
}

void RemoveTree(const fs::path& path)
{
    std::error_code ec;
    fs::remove_all(path, ec); // best effort: a leftover only costs disc space
}

} // namespace marlin::bench
