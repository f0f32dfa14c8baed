#pragma once

#include <string>
#include <string_view>

// Text taken from the command line or the environment, made fit to quote in a
// one-line message: control characters and the backslash are shown escaped
// (\n, \t, \r, \x1b, \\), so that a message always stays on one line and shows
// unambiguously what was given. Other bytes, UTF-8 included, pass unchanged.
std::string printable(std::string_view text);
