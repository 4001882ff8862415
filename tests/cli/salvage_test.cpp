// export --salvage of each damaged image: the host paths written (sorted; a file's size, a folder's "/"), a blank
// line and the log match NAME.salvage.txt; the log is also stderr, and nothing lands beside DEST.
#include <numeric>
#include <set>

#include "cli_fixture.h"

namespace marlin::test {
namespace {

namespace fs = std::filesystem;

std::string Listing(const fs::path& dest)
{
    std::set<std::string> paths;
    for (const auto& e : fs::recursive_directory_iterator(dest))
        paths.insert(fs::relative(e.path(), dest).generic_string() +
                     (e.is_directory() ? "/" : " " + std::to_string(e.file_size())) + "\n");
    return std::accumulate(paths.begin(), paths.end(), std::string());
}

TEST_F(CliTest, SalvageWritesWhatEachListSays)
{
    for (const auto& image : fs::directory_iterator(MARLIN_DAMAGED_DATA)) {
        if (image.path().extension() != ".dat")
            continue;
        SCOPED_TRACE(image.path());
        const fs::path box = Path(image.path().stem().string()), dest = box / "out";
        fs::create_directory(box);
        const Result r = Run({"export", "--salvage", image.path().string(), "$", dest.string()});
        std::string log = ReadHostFile(dest / "salvage.log");
        std::erase(log, '\r');
        EXPECT_EQ(Listing(dest) + "\n" + log, ReadHostFile(fs::path(image.path()).replace_extension(".salvage.txt")));
        EXPECT_EQ(r, (Result{("\n" + log).find("\nS") == std::string::npos ? 0 : 1, "", log})); // Skipped, Shortened
        EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(box), {}), std::vector<fs::path>{dest});
    }
}

} // namespace
} // namespace marlin::test
