#pragma once
// Runs a program the same way on every host: no shell between, each argument
// as it is, the standard streams from and into files.

#include <filesystem>
#include <string>
#include <vector>

namespace marlin::test {

// Runs argv[0] with the other arguments, standard input read from in (empty:
// none) and output and error written into out and err. The exit status, or
// -1 when the program did not start or did not exit.
int RunProcess(const std::vector<std::string>& argv, const std::filesystem::path& in, const std::filesystem::path& out,
               const std::filesystem::path& err);

} // namespace marlin::test
