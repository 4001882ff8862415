// `marlin check` over the damaged-image corpus: each image's report must match
// the expected text beside it, byte for byte, and the image must stay as it was.
#include <algorithm>

#include "cli_fixture.h"

namespace marlin::test {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = MARLIN_DAMAGED_DATA;

std::vector<std::string> CorpusImages()
{
    std::vector<std::string> names;
    for (const auto& item : fs::directory_iterator(kCorpus))
        if (item.path().extension() == ".dat")
            names.push_back(item.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class DamagedImage : public CliTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(DamagedImage, ReportMatchesAndImageIsUnchanged)
{
    const fs::path image = kCorpus / (GetParam() + ".dat");
    const fs::path expected = kCorpus / (GetParam() + ".txt");
    ASSERT_TRUE(fs::exists(expected)) << expected;
    const std::string before = ReadHostFile(image);
    const Result r = Run({"check", image.string()});
    EXPECT_EQ(r.out, ReadHostFile(expected));
    const bool sound = GetParam().starts_with("sound_");
    EXPECT_EQ(r.status, sound ? 0 : 1);
    EXPECT_EQ(r.out == "No problems found\n", sound);
    EXPECT_EQ(ReadHostFile(image), before);
}

INSTANTIATE_TEST_SUITE_P(Corpus, DamagedImage, ::testing::ValuesIn(CorpusImages()),
                         [](const auto& info) { return info.param; });

using CheckCommand = CliTest;

TEST_F(CheckCommand, MissingImageIsAUsageError)
{
    const Result r = Run({"check", Path("no_such_image.dat")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
}

} // namespace
} // namespace marlin::test
