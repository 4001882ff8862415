#pragma once
// What every CLI test shares: a folder of its own per test, and the built
// `marlin` run with its stdout, stderr and exit status captured.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/image_file.h"
#include "support/scratch.h"

namespace marlin::test {

struct Result {
    int status = -1;
    std::string out, err;
};

// A listing as `marlin` prints it: LF for CR.
inline std::string Lf(std::string text)
{
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    return text;
}

inline std::string Quote(const std::string& arg)
{
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class CliTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    // Each argument reaches `marlin` as it is (quoted for the shell).
    Result Run(const std::vector<std::string>& args) const
    {
        std::string command = Quote(MARLIN_BINARY);
        for (const auto& a : args)
            command += " " + Quote(a);
        const std::string out = Path(".stdout"), err = Path(".stderr");
        command += " >" + Quote(out) + " 2>" + Quote(err);
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadHostFile(out), ReadHostFile(err)};
    }

    std::string Save(const image::Disc& disc, const std::string& name = "d.dat") const
    {
        image::SilentSink sink;
        EXPECT_EQ(image::SaveImage(disc, Path(name), sink), image::Status::Done);
        return Path(name);
    }

    image::Disc Load(const std::string& path) const
    {
        image::SilentSink sink;
        auto disc = image::OpenImage(path, sink);
        EXPECT_TRUE(disc.Done()) << path;
        return disc.Done() ? std::move(*disc) : image::Disc{};
    }

    Scratch m_dir;
};

} // namespace marlin::test
