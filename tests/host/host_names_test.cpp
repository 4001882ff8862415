#include "host/host_names.h"

#include <gtest/gtest.h>

#include "image/directory.h"
#include "image/image_file.h"
#include "support/test_disc.h"

namespace marlin::host {
namespace {

struct NameCase {
    const char* input;
    const char* expected;
};

TEST(SafeHostName, DeviceNamesAndSlashes)
{
    const NameCase cases[] = {
        {"A/B", "A_B"},   {"prn", "prn_"}, {"COM1", "COM1"},       {"CON_", "CON_"}, {"con", "con_"},
        {"LPT", "LPT_"},  {"AUX", "AUX"},  {"NUL", "NUL"},         {"LPT1", "LPT1"}, {"a/b/c", "a_b_c"},
        {"GAME", "GAME"}, {"$", "$"},      {"my file", "my file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(SafeHostName(c.input), c.expected);
    }
}

// Names from a damaged image that would name another place or hold bytes the
// host cannot keep in a file name.
TEST(SafeHostName, UnsafeNamesStayInsideTheFolder)
{
    const NameCase cases[] = {
        {".", "_."},
        {"..", "_.."},
        {"", "_"},
        {"...", "_..."},
        {"..A", "..A"},
        {"A\x01"
         "B",
         "A_B"},
        {"\x7F", "_"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(SafeHostName(c.input), c.expected);
    }
    EXPECT_EQ(SafeHostName(std::string("A\0B", 3)), "A_B");
}

TEST(ImageNameFromHost, Examples)
{
    const NameCase cases[] = {
        {"readme.txt", "readme"},
        {"My File.txt", "My_File"},
        {"a.b", "a_b"},
        {"x.y.z", "x_y.z"},
        {"$.GAME", "GAME"},
        {"VERYLONGNAME.TXT", "VERYLONGNA"},
        {".profile", ".profile"},
        {"GAME", "GAME"},
        {"ab.c", "ab"},
        {"ABCDEFGHIJ.K", "ABCDEFGHIJ"},
        {"A.", "A_"},
        {"$.", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(ImageNameFromHost(c.input), c.expected);
    }
}

// Bit 7 of a name byte is an attribute and a leading NUL empties the slot.
TEST(ImageNameFromHost, BytesThatWouldCorruptAnEntryBecomeUnderscores)
{
    EXPECT_EQ(ImageNameFromHost(std::string("\0AB", 3)), "_AB");
    EXPECT_EQ(ImageNameFromHost("\xC3\xA9t\xC3\xA9"), "__t__");
    EXPECT_EQ(PrintableHostName("a\tb\x7F\xFF~ "), "a_b__~ ");
}

} // namespace
} // namespace marlin::host
