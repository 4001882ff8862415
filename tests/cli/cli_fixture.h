#pragma once
// A folder of its own per test, and the built `marlin` run with its output and status captured.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <sstream>
#include <tuple>

#include "host/host_files.h"
#include "image/image_file.h"
#include "support/process.h"
#include "support/scratch.h"

namespace marlin::test {

struct Result {
    int status = -1;
    std::string out, err;
    bool operator==(const Result&) const = default;
    friend void PrintTo(const Result& r, std::ostream* os)
    {
        *os << "{status " << r.status << ", out \"" << r.out << "\", err \"" << r.err << "\"}";
    }
};

#ifndef _WIN32
// For the few tests that need a POSIX shell (pipes, /dev/full, ulimit).
inline std::string Quote(const std::string& arg)
{
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// `marlin` with each argument as it is (quoted for the shell).
inline std::string Command(const std::vector<std::string>& args)
{
    std::string command = Quote(MARLIN_BINARY);
    for (const auto& a : args)
        command += " " + Quote(a);
    return command;
}
#endif

class CliTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    std::string Expand(std::string text) const
    {
        for (auto at = text.find('@'); at != std::string::npos; at = text.find('@', at + 1)) {
            const auto end = std::min(text.find_first_of(" \n", at), text.size());
            text.replace(at, end - at, Path(text.substr(at + 1, end - at - 1)));
        }
        return text;
    }
    // A command line of blank-separated arguments, "@name" standing for Path(name).
    Result Run(const std::string& line) const
    {
        std::vector<std::string> args;
        std::istringstream words(Expand(line));
        for (std::string word; words >> word;)
            args.push_back(word);
        return Run(args);
    }
    // Standard input from the file in, or none.
    Result Run(std::vector<std::string> args, const std::string& in = {}) const
    {
        const std::string out = Path(".stdout"), err = Path(".stderr");
        args.insert(args.begin(), MARLIN_BINARY);
        return {RunProcess(args, in, out, err), ReadHostFile(out), ReadHostFile(err)};
    }
    // Each command line exits with its status, prints nothing on standard output, says its
    // text on standard error ("*": whatever the argument parser says) and leaves image's
    // bytes as before.
    using Refusals = std::vector<std::tuple<std::string, int, std::string>>;
    void ExpectRefusals(const Refusals& cases, const std::string& image, const std::string& before) const
    {
        for (const auto& [command, status, err] : cases) {
            const Result r = Run(command);
            EXPECT_EQ(std::make_tuple(r.status, r.out), std::make_tuple(status, "")) << command;
            EXPECT_EQ(r.err, err == "*" ? r.err : Expand(err) + "\n") << command;
            EXPECT_TRUE(ReadHostFile(image) == before) << command;
        }
    }
    std::string Save(const image::Disc& disc, const std::string& name = "d.dat") const
    {
        image::SilentSink sink;
        EXPECT_EQ(host::SaveImage(disc, Path(name), sink), image::Status::Done);
        return Path(name);
    }
    image::Disc Load(const std::string& path) const
    {
        image::SilentSink sink;
        return *image::OpenImage(path, sink); // a file that does not open ends the test
    }

    Scratch m_dir;
};

} // namespace marlin::test
