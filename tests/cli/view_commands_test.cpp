// marlin hex|text|basic|dis: stdout is the view's text with LF line ends.
#include <algorithm>

#include "cli_fixture.h"
#include "image/entry_ops.h"
#include "support/test_disc.h"

namespace marlin::test {
namespace {

using namespace marlin::image;

class ViewCommands : public CliTest {
protected:
    void SetUp() override
    {
        Disc disc = NewDisc(16);
        SilentSink sink;
        const std::vector<std::uint8_t> program{13, 0, 10, 7, 0xF1, ' ', '1', 13, 0, 20, 5, 0xE0, 13, 255};
        ASSERT_GE(AddFile(disc, kRoot, "Prog", program, 0x1900), 0);
        ASSERT_GE(AddFile(disc, kRoot, "Code", {0x20, 0xEE, 0xFF, 0x60}, 0xFFFF2000), 0);
        ASSERT_GE(AddFile(disc, kRoot, "Notes", Bytes("one\r\ntwo\r"), 0), 0);
        ASSERT_GE(AddFile(disc, kRoot, "Raw", {'A', 0, 'B', 0xFF, 13, 'C'}, 0), 0);
        ASSERT_TRUE(CreateDirectory(disc, kRoot, "Games", sink).Done());
        m_image = Save(disc);
    }
    std::string m_image;
};

TEST_F(ViewCommands, FilesAndDirectoriesAsTheWindowShowsThem)
{
    struct Case {
        const char* command;
        const char* path;
        std::string expected;
    };
    const Case cases[] = {
        {"basic", "$.Prog", "   10 PRINT 1\n   20 END\n"},
        {"dis", "code", "2000  20 EE FF    JSR  oswrch       n.\n2003  60          RTS              `\n\n"},
        {"text", "Notes", "one\ntwo\n"},
        // Byte 0 and the top half pass through without cutting the rest.
        {"text", "Raw", std::string("A\0B\xFF\nC", 6)},
        {"hex", "Notes", "000000 : 6F 6E 65 0D 0A 74 77 6F 0D" + std::string(23, ' ') + "one..two.\n"},
        {"dis", "Prog", "This appears to be a BASIC program"},
        {"basic", "Code", "This does not appear to be a BASIC program"},
        // A directory item has no length: nothing, or the refusal for BASIC.
        {"text", "Games", ""},
        {"dis", "Games", ""},
        {"basic", "Games", "This does not appear to be a BASIC program"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.path);
        const Result r = Run({c.command, m_image, c.path});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.expected);
        EXPECT_EQ(r.err, "");
    }
    // hex of a directory dumps its block: 80 lines, the root's with its signature.
    const Result games = Run({"hex", m_image, "Games"});
    EXPECT_EQ(std::count(games.out.begin(), games.out.end(), '\n'), 80);
    EXPECT_EQ(Run({"hex", m_image, "$"}).out.substr(58, 8), ".HugoCod");
}

TEST_F(ViewCommands, MissingPathOrImage)
{
    const Result r = Run({"hex", m_image, "NoSuch"});
    EXPECT_EQ(std::make_tuple(r.status, r.out, r.err),
              std::make_tuple(2, std::string(), std::string("File Not Found : NoSuch\n")));
    const Result noImage = Run({"text", Path("none.dat"), "Notes"});
    EXPECT_EQ(noImage.status, 2);
    EXPECT_EQ(noImage.err, "File Not Found : " + Path("none.dat") + "\n");
    EXPECT_EQ(Run({"dis", m_image}).status, 2);
}

} // namespace
} // namespace marlin::test
