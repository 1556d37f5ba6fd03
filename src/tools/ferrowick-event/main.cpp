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

// A name without a namespace is looked up in the caller's session only; the runner's
// default names, and the event of a task run as SYSTEM, are seen from other sessions
// under "Global\".
void hint_at_the_global_namespace(const std::string& name) {
  if (name.rfind("Global\\", 0) != 0 && name.rfind("Local\\", 0) != 0) {
    std::cerr << "(an event made in another session, such as that of a task run as SYSTEM, is named Global\\" << name
              << " here)\n";
  }
}

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
    if (command == "set" && error.code().value() == 2) hint_at_the_global_namespace(arguments[1]);
    return exit_failure;
  } catch (const std::exception& error) {
    std::cerr << "error: " << error.what() << "\n";
    return exit_failure;
  }
  return 0;
}
