#include "common/program_arguments.h"

namespace common {

std::vector<std::string> program_arguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

}  // namespace common
