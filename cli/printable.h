#pragma once

#include <string>
#include <string_view>

// Longest value, in characters, that printable() shows whole.
constexpr std::size_t kPrintableMaxCharacters = 200;

// Text taken from the command line, the environment or the file system, made
// fit to quote in a one-line message on any terminal. What a terminal could
// act on or that would make the line lie about its bytes is shown escaped:
//   - the backslash as \\, line feed, tab and carriage return as \n \t \r,
//     the other C0 controls and DEL as \xHH;
//   - C1 controls (U+0080 to U+009F), which some terminals obey as escape
//     sequences, the bidirectional controls (U+061C, U+200E, U+200F, U+202A to
//     U+202E, U+2066 to U+2069), which reorder what follows them on the line,
//     and the Unicode line and paragraph separators as \u{HEX};
//   - every byte that is not part of well-formed UTF-8 (stray continuation
//     bytes, overlong forms, surrogates, beyond U+10FFFF, cut sequences) as
//     \xHH.
// Everything else, other UTF-8 included, passes unchanged. A value of more
// than kPrintableMaxCharacters characters (a character is a code point, or
// one escaped byte) keeps its first and last 100 and shows the cut as
// \[N characters cut]: it cannot come from the text, whose backslashes are
// all doubled.
std::string printable(std::string_view text);

// The same escapes for a whole message made of text of the program's own and
// values already made printable: backslashes are kept as they are, so that
// escapes already made stay intact, and nothing is cut. Anything unsafe that
// slipped into the message is escaped all the same.
std::string printableMessage(std::string_view message);
