#pragma once
// The measuring side of the benchmarks: each target times an operation of the
// program against its reference on the same data, alternating the two and
// keeping the fastest run of each, so that other work on a loaded machine
// inflates both sides alike or neither.

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

// Pushes the data of earlier runs out of the processor caches, so that a
// small disc does not run from cache while a large one cannot.
void EvictCaches();

// CPU seconds (user and system, this process and the processes it waited
// for) taken by fn.
double TimeOnce(const std::function<void()>& fn);

// Rounds scaled by MARLIN_BENCH_ROUNDS (a factor, default 1), at least 1.
int Rounds(int base);

// Runs a program with its output sent to /dev/null (or to stdoutPath) and
// returns its exit status; peakKiB, when given, receives its peak resident
// set, which on Linux includes what the caller held when it forked.
int RunProcess(const std::vector<std::string>& argv, const std::string& stdoutPath = "/dev/null",
               long* peakKiB = nullptr);

// The peak resident set of a program, measured by a fresh small helper (this
// executable started anew) so that none of the benchmark's own memory counts.
// Returns -1 when the program failed.
long PeakResidentKiB(const std::vector<std::string>& argv, const std::string& stdoutPath);

// The helper's side: when argv asks for it, runs the program and prints its
// peak; returns the exit status to end with, or -1 when not asked.
int PeakResidentHelper(int argc, char** argv);

// A scratch folder for the run, removed when the program ends.
const std::filesystem::path& WorkFolder();
// Removes path and everything under it (no error when it is missing).
void RemoveTree(const std::filesystem::path& path);

} // namespace marlin::bench
