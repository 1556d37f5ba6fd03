#pragma once
// CommandLineToArgvW: splits a command line into arguments. On Windows the call itself
// (it fails only for want of memory: std::bad_alloc); on Linux a re-implementation of
// its rules.
//
// First token (the program name):
//   - if the line begins with '"', it runs to the next '"' (no escapes; a missing
//     closing quote takes the rest of the line); characters right after that quote
//     begin the next token;
//   - otherwise it runs to the first blank or tab, quotes and backslashes included;
//     so a line beginning with a blank has an empty first token.
// Every further token (blanks and tabs separate tokens outside quotes):
//   - 2n backslashes before '"' give n backslashes, and the '"' opens or closes a
//     quoted part; 2n+1 backslashes before '"' give n backslashes and a literal '"';
//   - backslashes not followed by '"' are literal;
//   - blanks and tabs inside a quoted part belong to the token;
//   - a run of unescaped quotes is counted together with the quote state (1 inside a
//     quoted part, 0 outside): each third quote gives a literal '"' and leaves the
//     quoted part, and a remainder of 2 also leaves it. So inside quotes '""' gives a
//     literal '"' and ends the quoted part ("a""b c" -> a"b, c), outside '""' is an
//     empty quoted part (a token of just '""' is empty) and '"""' a literal '"'.
// The line ends at its first NUL. An empty line gives one token: the path of the
// program's executable.
#include <string>
#include <string_view>
#include <vector>

namespace winapi {

std::vector<std::u16string> command_line_to_argv(std::u16string_view command_line);

}  // namespace winapi
