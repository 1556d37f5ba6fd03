#pragma once
// The program's command-line arguments as UTF-8 texts.
#include <string>
#include <vector>

namespace common {

// Every argument after the program name. On Linux main's own; on Windows taken from the
// UTF-16 command line (GetCommandLineW split by CommandLineToArgvW), since main's argv
// holds them in the ANSI code page and loses every character it cannot show.
std::vector<std::string> program_arguments(int argc, char** argv);

}  // namespace common
