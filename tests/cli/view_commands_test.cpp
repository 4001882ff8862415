// marlin hex|text|basic|dis: stdout is the view's text with LF line ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/test_disc.h"
#include "views/basic_lister.h"
#include "views/disassembler.h"
#include "views/dumps.h"

namespace marlin::cli {
namespace {

namespace fs = std::filesystem;
using namespace marlin::image;

struct Result {
    int status;
    std::string out, err;
};

std::string ReadAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Lf(std::string text)
{
    for (char& c : text)
        if (c == '\r')
            c = '\n';
    return text;
}

class ViewCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
                ("marlin_view_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        m_disc = NewDisc(16);
        SilentSink sink;
        const std::vector<std::uint8_t> program{13, 0, 10, 7, 0xF1, ' ', '1', 13, 0, 20, 5, 0xE0, 13, 255};
        ASSERT_GE(test::AddFile(m_disc, kRoot, "Prog", program, 0x1900), 0);
        ASSERT_GE(test::AddFile(m_disc, kRoot, "Code", {0x20, 0xEE, 0xFF, 0x60}, 0xFFFF2000), 0);
        ASSERT_GE(test::AddFile(m_disc, kRoot, "Notes", test::Bytes("one\r\ntwo\r"), 0), 0);
        ASSERT_GE(test::AddFile(m_disc, kRoot, "Raw", {'A', 0, 'B', 0xFF, 13, 'C'}, 0), 0);
        ASSERT_TRUE(CreateDirectory(m_disc, kRoot, "Games", sink).has_value());
        m_image = m_dir / "disc.dat";
        ASSERT_TRUE(SaveImage(m_disc, m_image, sink));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    Result Marlin(const std::string& args)
    {
        const fs::path out = m_dir / "out", err = m_dir / "err";
        const std::string cmd = std::string(MARLIN_BINARY) + " " + args + " >" + out.string() + " 2>" + err.string();
        const int raw = std::system(cmd.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadAll(out), ReadAll(err)};
    }
    std::string Image() const { return m_image.string(); }
    views::ListColumns Item(std::string_view name) const
    {
        return views::EntryColumns(m_disc, kRoot, FindEntry(m_disc, kRoot, name));
    }

    fs::path m_dir;
    fs::path m_image;
    Disc m_disc;
};

TEST_F(ViewCommands, FilesAsTheWindowShowsThem)
{
    struct Case {
        const char* command;
        const char* path;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"basic", "$.Prog", "   10 PRINT 1\n   20 END\n"},
        {"dis", "code", "2000  20 EE FF    JSR  oswrch       n.\n2003  60          RTS              `\n\n"},
        {"text", "Notes", "one\ntwo\n"},
        // Byte 0 and the top half pass through without cutting the rest.
        {"text", "Raw", std::string("A\0B\xFF\nC", 6)},
        {"hex", "Prog", Lf(views::ShowHex(m_disc, Item("Prog")).text)},
        {"hex", "Notes", "000000 : 6F 6E 65 0D 0A 74 77 6F 0D" + std::string(23, ' ') + "one..two.\n"},
        {"dis", "Prog", "This appears to be a BASIC program"},
        {"basic", "Code", "This does not appear to be a BASIC program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.path);
        const Result r = Marlin(std::string(c.command) + " " + Image() + " '" + c.path + "'");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.expected);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(ViewCommands, Directories)
{
    const Result hex = Marlin("hex " + Image() + " Games");
    EXPECT_EQ(hex.status, 0);
    EXPECT_EQ(std::count(hex.out.begin(), hex.out.end(), '\n'), 80);
    EXPECT_EQ(hex.out.substr(0, 9), "000000 : ");
    EXPECT_NE(hex.out.find("Hugo"), std::string::npos);
    EXPECT_EQ(Marlin("hex " + Image() + " '$'").out.substr(0, 74).substr(58, 8), ".HugoCod");

    // A directory item has no length: nothing, or the refusal for BASIC.
    EXPECT_EQ(Marlin("text " + Image() + " Games").out, "");
    EXPECT_EQ(Marlin("dis " + Image() + " Games").out, "");
    EXPECT_EQ(Marlin("basic " + Image() + " Games").out, "This does not appear to be a BASIC program");
}

TEST_F(ViewCommands, MissingPathOrImage)
{
    const Result r = Marlin("hex " + Image() + " NoSuch");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "File Not Found : NoSuch\n");
    EXPECT_EQ(r.out, "");
    const Result noImage = Marlin("text " + (m_dir / "none.dat").string() + " Notes");
    EXPECT_EQ(noImage.status, 2);
    EXPECT_EQ(noImage.err, "File Not Found : " + (m_dir / "none.dat").string() + "\n");
    EXPECT_EQ(Marlin("dis " + Image()).status, 2);
}

} // namespace
} // namespace marlin::cli
