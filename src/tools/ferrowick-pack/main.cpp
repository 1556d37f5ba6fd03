// ferrowick-pack: makes key pairs and signed update packages, and checks packages the
// way the worker does.
#include <exception>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <system_error>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "common/program_arguments.h"

namespace {

constexpr int exit_failure = 1;
constexpr int exit_usage = 2;

constexpr const char* usage_text =
    "usage:\n"
    "  ferrowick-pack keygen PREFIX\n"
    "  ferrowick-pack create OUT --key A.key --key B.key FILE...\n"
    "  ferrowick-pack publish --out DIR --release-date now|YYYY-MM-DDThh:mm:ssZ [--product NAME]\n"
    "                         [--name PACKAGE] [--info-txt FILE] --key A.key --key B.key FILE...\n"
    "  ferrowick-pack verify PKG --pub A.pub --pub B.pub\n"
    "  ferrowick-pack list PKG\n"
    "  ferrowick-pack built-in-key\n"
    "  ferrowick-pack --help\n";

// Each command with the options it takes; any other option is a usage error.
struct command {
  std::function<int(const pack_tool::command_line&)> run;
  std::vector<std::string> options;
};

int run(const std::vector<std::string>& command_line) {
  static const std::map<std::string, command> commands = {
      {"keygen", {pack_tool::run_keygen, {}}},
      {"create", {pack_tool::run_create, {"--key"}}},
      {"publish", {pack_tool::run_publish, {"--out", "--release-date", "--product", "--name", "--info-txt", "--key"}}},
      {"verify", {pack_tool::run_verify, {"--pub"}}},
      {"list", {pack_tool::run_list, {}}},
      {"built-in-key", {pack_tool::run_built_in_key, {}}}};
  const auto found = command_line.empty() ? commands.end() : commands.find(command_line.front());
  const auto arguments = pack_tool::parse_command_line(
      command_line, found == commands.end() ? std::vector<std::string>{} : found->second.options);
  if (arguments.help) {
    std::cout << usage_text;
    return 0;
  }
  if (found == commands.end()) throw pack_tool::usage_error("unknown command " + arguments.command);
  return found->second.run(arguments);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(common::program_arguments(argc, argv));
  } catch (const pack_tool::usage_error& error) {
    std::cerr << "ferrowick-pack: " << error.what() << '\n' << usage_text;
    return exit_usage;
  } catch (const std::system_error& error) {
    std::cerr << "ferrowick-pack: error " << error.code().value() << " (" << error.code().category().name()
              << "): " << error.what() << '\n';
  } catch (const std::exception& error) {
    std::cerr << "ferrowick-pack: error: " << error.what() << '\n';
  }
  return exit_failure;
}
