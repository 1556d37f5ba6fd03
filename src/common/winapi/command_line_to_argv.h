#pragma once
// Stand-in for CommandLineToArgvW: splits a command line into arguments by the same
// rules.
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
//   - inside a quoted part, '""' gives a literal '"' and the part stays open;
//   - blanks and tabs inside a quoted part belong to the token; '""' outside gives an
//     empty quoted part (so a token of just '""' is an empty token).
// The line ends at its first NUL. An empty line gives one token: the path of the
// program's executable.
#include <string>
#include <string_view>
#include <vector>

namespace winapi {

std::vector<std::u16string> command_line_to_argv(std::u16string_view command_line);

}  // namespace winapi
