// `marlin check` over the damaged-image corpus: each image's report must match
// the expected text beside it, byte for byte, and the image must stay as it was.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = MARLIN_DAMAGED_DATA;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Outcome {
    int status = -1;
    std::string out;
};

Outcome RunMarlin(const std::string& args)
{
    Outcome r;
    const std::string command = std::string("'") + MARLIN_BINARY + "' " + args + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return r;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.out.append(buffer, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

std::vector<std::string> CorpusImages()
{
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(kCorpus))
        if (item.path().extension() == ".dat")
            names.push_back(item.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class DamagedImage : public ::testing::TestWithParam<std::string> {};

TEST_P(DamagedImage, ReportMatchesAndImageIsUnchanged)
{
    const fs::path image = kCorpus / (GetParam() + ".dat");
    const fs::path expected = kCorpus / (GetParam() + ".txt");
    ASSERT_TRUE(fs::exists(expected)) << expected;
    const std::string before = ReadFile(image);
    const Outcome r = RunMarlin("check '" + image.string() + "'");
    EXPECT_EQ(r.out, ReadFile(expected));
    const bool sound = GetParam().rfind("sound_", 0) == 0;
    EXPECT_EQ(r.status, sound ? 0 : 1);
    EXPECT_EQ(r.out == "No problems found\n", sound);
    EXPECT_EQ(ReadFile(image), before);
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedImage, ::testing::ValuesIn(CorpusImages()),
                         [](const auto& info) { return info.param; });

TEST(CheckCommand, MissingImageIsAUsageError)
{
    const Outcome r = RunMarlin("check '" + (kCorpus / "no_such_image.dat").string() + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
}

} // namespace
