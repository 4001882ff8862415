#pragma once
// The measuring side of the benchmarks: each target times an operation of the
// program against its reference on the same data, alternating the two and
// keeping the fastest run of each, so that other work on a loaded machine
// inflates both sides alike or neither.

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace marlin::bench {

struct Timing {
    double op = 0;  // seconds, fastest run of the program's operation
    double ref = 0; // seconds, fastest run of the reference
};

// Runs `rounds` times: prepareOp, op (timed), prepareRef, ref (timed).
// The prepare steps (removing last round's output and the like) are not timed.
Timing MinOfPairs(int rounds, const std::function<void()>& prepareOp, const std::function<void()>& op,
                  const std::function<void()>& prepareRef, const std::function<void()>& ref);

// Seconds taken by fn.
double TimeOnce(const std::function<void()>& fn);

// Rounds scaled by MARLIN_BENCH_ROUNDS (a factor, default 1), at least 1.
int Rounds(int base);

// Runs a program with its output sent to /dev/null (or to stdoutPath) and
// returns its exit status; peakKiB, when given, receives its peak resident set.
int RunProcess(const std::vector<std::string>& argv, const std::string& stdoutPath = "/dev/null",
               long* peakKiB = nullptr);

// A scratch folder for the run, removed when the program ends.
const std::filesystem::path& WorkFolder();
// Removes path and everything under it (no error when it is missing).
void RemoveTree(const std::filesystem::path& path);

} // namespace marlin::bench
