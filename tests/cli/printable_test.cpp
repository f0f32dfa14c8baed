#include "printable.h"
#include "terminal_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string times(int n, const std::string& piece)
{
    std::string text;
    for (int i = 0; i < n; ++i) {
        text += piece;
    }
    return text;
}

} // namespace

TEST(Printable, EscapesWhatATerminalWouldObeyAndPassesOtherText)
{
    const struct {
        std::string given;
        std::string shown;
    } rows[] = {
        {"frames-1.png", "frames-1.png"},
        {"", ""},
        // The escape character itself, so that every escape is unambiguous.
        {"a\\x41", "a\\\\x41"},
        {"1\n2\t3\r", "1\\n2\\t3\\r"},
        {"\x1b[2J\x07", "\\x1b[2J\\x07"},
        {std::string("nul\0x", 5), "nul\\x00x"},
        {"\x7f", "\\x7f"},
        // C1 controls, CSI among them, at both ends of their range; the
        // no-break space after them is ordinary text.
        {"\xc2\x80|\xc2\x9b" "2J|\xc2\x9f|\xc2\xa0", "\\u{80}|\\u{9b}2J|\\u{9f}|\xc2\xa0"},
        // Every bidirectional control; the zero-width joiner between them
        // is not one.
        {"\xd8\x9c\xe2\x80\x8e\xe2\x80\x8f\xe2\x80\x8d", "\\u{61c}\\u{200e}\\u{200f}\xe2\x80\x8d"},
        {"\xe2\x80\xaa\xe2\x80\xab\xe2\x80\xac\xe2\x80\xad\xe2\x80\xae",
         "\\u{202a}\\u{202b}\\u{202c}\\u{202d}\\u{202e}"},
        {"\xe2\x81\xa6\xe2\x81\xa7\xe2\x81\xa8\xe2\x81\xa9\xe2\x81\xaa",
         "\\u{2066}\\u{2067}\\u{2068}\\u{2069}\xe2\x81\xaa"},
        {"\xe2\x80\xa8\xe2\x80\xa9", "\\u{2028}\\u{2029}"},
        // Well-formed UTF-8 of every length, up to the last code point.
        {"\xc3\xa9 \xe2\x82\xac \xef\xbf\xbd \xf0\x9f\x94\xa5 \xf4\x8f\xbf\xbf",
         "\xc3\xa9 \xe2\x82\xac \xef\xbf\xbd \xf0\x9f\x94\xa5 \xf4\x8f\xbf\xbf"},
        // Not UTF-8: every byte of it escaped, and what follows read afresh.
        {"\x80", "\\x80"},
        {"\xff\xfe", "\\xff\\xfe"},
        {"\xc0\xaf", "\\xc0\\xaf"},                  // overlong '/'
        {"\xe0\x80\xaf", "\\xe0\\x80\\xaf"},         // overlong '/'
        {"\xf0\x82\x82\xac", "\\xf0\\x82\\x82\\xac"}, // overlong euro sign
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"},         // a surrogate
        {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"}, // beyond U+10FFFF
        {"\xf5\x80\x80\x80", "\\xf5\\x80\\x80\\x80"},
        {"\xe2\x82", "\\xe2\\x82"},                  // cut short at the end
        {"\xe2\x82x\xc3\xa9", "\\xe2\\x82x\xc3\xa9"},
        {"\xc2\xc2\x9b", "\\xc2\\u{9b}"},
    };
    for (const auto& row : rows) {
        const std::string shown = printable(row.given);
        EXPECT_EQ(shown, row.shown) << ::testing::PrintToString(row.given);
        EXPECT_TRUE(row.given.empty() || isTerminalSafeLine(shown)) << shown;
    }
}

TEST(Printable, ShortensALongValueInTheMiddleWithTheCutMarked)
{
    const struct {
        std::string given;
        std::string shown;
    } rows[] = {
        {times(200, "a"), times(200, "a")},
        {times(201, "a"), times(100, "a") + "\\[1 character cut]" + times(100, "a")},
        {times(150, "a") + times(150, "z"), times(100, "a") + "\\[100 characters cut]" + times(100, "z")},
        // Characters, not bytes: a code point or an escaped byte counts one.
        {times(300, "\xc3\xa9"), times(100, "\xc3\xa9") + "\\[100 characters cut]" + times(100, "\xc3\xa9")},
        {times(300, "\x01"), times(100, "\\x01") + "\\[100 characters cut]" + times(100, "\\x01")},
        {times(300, "\\"), times(100, "\\\\") + "\\[100 characters cut]" + times(100, "\\\\")},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(printable(row.given), row.shown) << row.given.size() << " bytes";
    }
}

TEST(Printable, AWholeMessageKeepsItsEscapesAndIsNotCut)
{
    const std::string made = "--size '" + printable("\x1b\\") + "' is not WIDTHxHEIGHT";
    EXPECT_EQ(printableMessage(made), made);
    EXPECT_EQ(printableMessage("X error: \x1b[31mBadWindow\xc2\x9b"), "X error: \\x1b[31mBadWindow\\u{9b}");
    const std::string longMessage = times(500, "m");
    EXPECT_EQ(printableMessage(longMessage), longMessage);
}
