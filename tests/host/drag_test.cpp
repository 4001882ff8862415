#include "host/drag.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/scratch.h"
#include "support/test_disc.h"

namespace marlin::host {
namespace {

using namespace marlin::image;
using test::ReadHostFile;
using test::Scratch;
using test::WriteHostFile;
namespace fs = std::filesystem;

// Sets an environment variable for one scope.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvVar()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(UserCacheLocation, FollowsTheUsersOwnCache)
{
    {
        EnvVar xdg("XDG_CACHE_HOME", "/somewhere/cache");
        EXPECT_EQ(UserCacheLocation(), fs::path("/somewhere/cache"));
        EXPECT_EQ(NewDragState().tempBase, fs::path("/somewhere/cache/marlin_temp"));
        EXPECT_EQ(NewDragState().logPath, fs::path("/somewhere/cache/drag.log"));
    }
    EnvVar relative("XDG_CACHE_HOME", "relative/cache");
    EnvVar home("HOME", "/home/someone");
    EXPECT_EQ(UserCacheLocation(), fs::path("/home/someone/.cache"));
}

class Drag : public ::testing::Test {
protected:
    Drag()
    {
        state.tempBase = scratch.path() / "cache" / "marlin_temp";
        state.logPath = scratch.path() / "cache" / "drag.log";
        EXPECT_GE(test::AddFile(disc, kRoot, "A", {1, 2, 3}, 0x1900), 0);
        EXPECT_GE(test::AddFile(disc, kRoot, "B", {4}), 0);
        games = *CreateDirectory(disc, kRoot, "GAMES", sink);
        EXPECT_GE(test::AddFile(disc, games, "ELITE", {5, 6}), 0);
    }
    DirEntry Item(const std::string& name) const { return ReadEntry(disc, kRoot, FindEntry(disc, kRoot, name)); }
    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        const std::string log = ReadHostFile(state.logPath);
        for (std::size_t at = 0, end; (end = log.find("\r\n", at)) != std::string::npos; at = end + 2)
            lines.push_back(log.substr(at, end - at));
        return lines;
    }

    Scratch scratch;
    DragState state;
    Disc disc = NewDisc(16);
    CollectingSink sink;
    SectorAddress games;
};

TEST_F(Drag, ListItemsHandOutDataThenSidecarInOrder)
{
    const std::vector<DirEntry> items{Item("A"), Item("B")};
    const auto paths = StageListDrag(disc, state, items, sink);
    ASSERT_TRUE(paths.Done());
    const fs::path t = state.tempBase / "temp_0";
    EXPECT_EQ(*paths, (std::vector<fs::path>{t / "A", t / "A.INF", t / "B", t / "B.INF"}));
    EXPECT_EQ(LogLines(), (std::vector<std::string>{(t / "A").string(), (t / "A.INF").string(), (t / "B").string(),
                                                    (t / "B.INF").string()}));
    EXPECT_EQ(ReadHostFile(t / "A"), std::string("\1\2\3"));
    EXPECT_EQ(ReadHostFile(t / "A.INF"), "A          00001900 00000000 00000003 WR \r\n");
    EXPECT_EQ(fs::status(state.tempBase).permissions() & fs::perms::all, fs::perms::owner_all);

    // The next drag takes the next number; nothing selected leaves an empty log.
    const auto none = StageListDrag(disc, state, {}, sink);
    ASSERT_TRUE(none.Done());
    EXPECT_TRUE(none->empty());
    EXPECT_TRUE(fs::is_directory(state.tempBase / "temp_1"));
    EXPECT_EQ(ReadHostFile(state.logPath), "");
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(Drag, TreeDragOfASubdirectoryIsOneFolder)
{
    fs::create_directories(state.tempBase / "temp_0"); // left over: skipped
    const auto paths = StageTreeDrag(disc, state, games, "GAMES", sink);
    ASSERT_TRUE(paths.Done());
    const fs::path folder = state.tempBase / "temp_1" / "GAMES";
    EXPECT_EQ(*paths, std::vector<fs::path>{folder});
    EXPECT_EQ(LogLines(), std::vector<std::string>{folder.string()});
    EXPECT_EQ(ReadHostFile(folder / "ELITE"), std::string("\5\6"));
    EXPECT_EQ(ReadHostFile(folder / "ELITE.INF"), "ELITE      00000000 00000000 00000002 WR\r\n");
    EXPECT_FALSE(fs::exists(state.tempBase / "temp_1" / "GAMES.INF"));
}

TEST_F(Drag, TreeDragOfTheRootHandsOutEveryRootEntry)
{
    const auto paths = StageTreeDrag(disc, state, kRoot, "$", sink);
    ASSERT_TRUE(paths.Done());
    const fs::path t = state.tempBase / "temp_0";
    EXPECT_EQ(*paths,
              (std::vector<fs::path>{t / "A", t / "A.INF", t / "B", t / "B.INF", t / "GAMES", t / "GAMES.INF"}));
    EXPECT_EQ(ReadHostFile(t / "GAMES.INF"), "GAMES      DWR \r\n");
    EXPECT_TRUE(fs::exists(t / "GAMES" / "ELITE.INF"));
}

TEST_F(Drag, HostRefusalIsReportedAndHandsOutNothing)
{
    WriteHostFile(scratch.path() / "cache", "a file where the cache folder should be");
    EXPECT_TRUE(StageListDrag(disc, state, std::vector<DirEntry>{Item("A")}, sink).Refused());
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_TRUE(sink.messages[0].starts_with("Cannot Export : " + state.tempBase.string()));
}

TEST(DeleteHostTree, RemovesLinksWithoutFollowingThem)
{
    Scratch scratch;
    const fs::path outside = scratch.path() / "outside";
    fs::create_directories(outside / "deep");
    WriteHostFile(outside / "deep" / "precious", "p");
    const fs::path root = scratch.path() / "marlin_temp";
    fs::create_directories(root / "temp_0" / "GAMES");
    WriteHostFile(root / "temp_0" / "GAMES" / "ELITE", "e");
    fs::create_directory_symlink(outside, root / "temp_0" / "link");
    fs::create_symlink(outside / "deep" / "precious", root / "temp_0" / "filelink");
    fs::create_directories(root / "temp_1");
    WriteHostFile(root / "temp_1" / ".hidden", "h");

    DragState state;
    state.tempBase = root;
    state.TempCounter = 7;
    ClearDragFolder(state);
    EXPECT_EQ(state.TempCounter, 0);
    EXPECT_EQ(ReadHostFile(outside / "deep" / "precious"), "p");
    EXPECT_FALSE(fs::exists(root / "temp_0"));
    // A hidden item keeps its folder (and the root) in place.
    EXPECT_TRUE(fs::exists(root / "temp_1" / ".hidden"));

    // A link given as the tree itself goes; its target stays.
    const fs::path top = scratch.path() / "toplink";
    fs::create_directory_symlink(outside, top);
    DeleteHostTree(top);
    EXPECT_FALSE(fs::exists(fs::symlink_status(top)));
    EXPECT_EQ(ReadHostFile(outside / "deep" / "precious"), "p");
}

} // namespace
} // namespace marlin::host
