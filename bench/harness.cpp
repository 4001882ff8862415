#include "harness.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <limits>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace marlin::bench {

namespace fs = std::filesystem;

namespace {

volatile std::uint8_t benchmark_sink = 0;

// CPU seconds used so far by this process and by the children it has waited
// for. Unlike the wall clock, this does not grow while other programs on a
// loaded machine hold the processor, so a ratio keeps its meaning.
double CpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9 + seconds(children.ru_utime) +
           seconds(children.ru_stime);
}

} // namespace

void EvictCaches()
{
    static std::vector<std::uint8_t> buffer(std::size_t{64} << 20);
    static std::uint8_t value = 0;
    std::fill(buffer.begin(), buffer.end(), ++value);
    benchmark_sink = buffer[buffer.size() / 2];
}

double TimeOnce(const std::function<void()>& fn)
{
    const double start = CpuSeconds();
    fn();
    return CpuSeconds() - start;
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
constexpr const char* kPeakFlag = "--marlin-peak-rss";
} // namespace

long PeakResidentKiB(const std::vector<std::string>& argv, const std::string& stdoutPath)
{
    std::vector<std::string> helper = {fs::read_symlink("/proc/self/exe").string(), kPeakFlag, stdoutPath};
    helper.insert(helper.end(), argv.begin(), argv.end());
    const fs::path report = WorkFolder() / "peak.txt";
    if (RunProcess(helper, report.string()) != 0)
        return -1;
    std::FILE* f = std::fopen(report.c_str(), "r");
    long peak = -1;
    if (f) {
        if (std::fscanf(f, "%ld", &peak) != 1)
            peak = -1;
        std::fclose(f);
    }
    return peak;
}

int PeakResidentHelper(int argc, char** argv)
{
    if (argc < 4 || std::string(argv[1]) != kPeakFlag)
        return -1;
    long peak = 0;
    const int status = RunProcess(std::vector<std::string>(argv + 3, argv + argc), argv[2], &peak);
    std::printf("%ld\n", peak);
    return status;
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
