// Service-side helper for named events: creates, sets or deletes the event that a
// worker waits on, as the service does with CreateEventW, SetEvent and CloseHandle.
//
//   ferrowick-event create|set|delete NAME
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "common/handle_holder.h"
#include "common/program_arguments.h"
#include "common/text.h"
#include "common/winapi/sync/events.h"
#include "error_lib/win32_exception.h"

namespace {

constexpr int exit_failure = 1;
constexpr int exit_usage = 2;

constexpr const char* usage_text = "usage: ferrowick-event create|set|delete NAME\n";

[[noreturn]] void fail(const char* call) { throw win32::exception(call); }

void create(const std::u16string& name) {
  const common::handle_holder event(winapi::create_named_event(name, false));
  if (!event) fail("CreateEventW");
}

void set(const std::u16string& name) {
  const common::handle_holder event(winapi::open_event(winapi::event_modify_state | winapi::synchronize, name));
  if (!event) fail("OpenEventW");
  if (!winapi::set_event(event.get())) fail("SetEvent");
}

void remove(const std::u16string& name) {
  if (!winapi::delete_named_event(name)) fail("DeleteEvent");
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = common::program_arguments(argc, argv);
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    std::cout << usage_text;
    return 0;
  }
  if (arguments.size() != 2) {
    std::cerr << usage_text;
    return exit_usage;
  }
  const std::string& command = arguments[0];
  try {
    const std::u16string name = common::utf8_to_utf16(arguments[1]);
    if (command == "create") {
      create(name);
    } else if (command == "set") {
      set(name);
    } else if (command == "delete") {
      remove(name);
    } else {
      std::cerr << "unknown command '" << command << "'; " << usage_text;
      return exit_usage;
    }
  } catch (const common::application_exception& error) {
    std::cerr << "error " << error.code().value() << ": " << error.what() << "\n";
    return exit_failure;
  } catch (const std::exception& error) {
    std::cerr << "error: " << error.what() << "\n";
    return exit_failure;
  }
  return 0;
}
