// Reads and writes values of the registry store for installers, administrators and
// tests, through the same registry helpers the worker reads with.
//
//   ferrowick-reg get KEY VALUE
//   ferrowick-reg set KEY VALUE --string TEXT | --dword NUMBER | --binary HEX
//   ferrowick-reg delete KEY [VALUE]
//
// KEY is HKLM\SOFTWARE\... (also HKEY_LOCAL_MACHINE\...) or SOFTWARE\... below it.
#include <charconv>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "common/program_arguments.h"
#include "common/registry_helpers.h"
#include "common/text.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/registry/registry_store.h"

namespace {

constexpr int exit_failure = 1;
constexpr int exit_usage = 2;
constexpr int exit_not_found = 3;

constexpr const char* usage_text =
    "usage: ferrowick-reg get KEY VALUE\n"
    "       ferrowick-reg set KEY VALUE --string TEXT | --dword NUMBER | --binary HEX\n"
    "       ferrowick-reg delete KEY [VALUE]\n"
    "KEY: HKLM\\SOFTWARE\\... or SOFTWARE\\...; store: FERROWICK_REGISTRY_ROOT\n";

struct usage_error {
  std::string text;
};

struct not_found {};

std::u16string subkey_of(const std::string& key) {
  for (const std::string_view hive : {"HKLM\\", "HKEY_LOCAL_MACHINE\\"}) {
    if (common::equal_ignoring_ascii_case(std::string_view(key).substr(0, hive.size()), hive)) {
      return common::utf8_to_utf16(key.substr(hive.size()));
    }
  }
  return common::utf8_to_utf16(key);
}

uint32_t parse_dword(const std::string& text) {
  const bool hex = text.starts_with("0x") || text.starts_with("0X");
  const char* first = text.data() + (hex ? 2 : 0);
  const char* last = text.data() + text.size();
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(first, last, value, hex ? 16 : 10);
  if (first == last || error != std::errc() || end != last) {
    throw usage_error{"--dword takes a number from 0 to 4294967295 (decimal or 0x hexadecimal): '" + text + "'"};
  }
  return value;
}

std::vector<uint8_t> parse_binary(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    uint8_t byte = 0;
    const char* first = text.data() + i;
    const auto [end, error] = std::from_chars(first, first + std::min<std::size_t>(2, text.size() - i), byte, 16);
    if (error != std::errc() || end != first + 2) {
      throw usage_error{"--binary takes pairs of hexadecimal digits: '" + text + "'"};
    }
    bytes.push_back(byte);
  }
  return bytes;
}

std::string hex_text(const std::vector<uint8_t>& bytes) {
  std::string text;
  for (const uint8_t byte : bytes) {
    text += common::to_hex(byte, 2);
  }
  return text;
}

void get(const std::u16string& subkey, const std::u16string& value_name) {
  uint32_t type = 0;
  const winapi::reg_result result =
      winapi::sh_get_value(winapi::hkey_local_machine, subkey, value_name, &type, nullptr, nullptr);
  if (result == winapi::error_file_not_found) throw not_found{};
  const winapi::hkey root = winapi::hkey_local_machine;
  if (type == winapi::reg_dword) {
    std::cout << registry_helpers::get_dword_from_registry(root, subkey, value_name) << "\n";
  } else if (type == winapi::reg_binary) {
    std::cout << hex_text(registry_helpers::get_binary_from_registry(root, subkey, value_name)) << "\n";
  } else {
    // Also reports a damaged key file.
    std::cout << common::utf16_to_utf8(registry_helpers::get_string_from_registry(root, subkey, value_name)) << "\n";
  }
}

void set(const std::u16string& subkey, const std::u16string& value_name, const std::string& kind,
         const std::string& data) {
  const winapi::hkey root = winapi::hkey_local_machine;
  if (kind == "--string") {
    registry_helpers::set_string_to_registry(root, subkey, value_name, common::utf8_to_utf16(data));
  } else if (kind == "--dword") {
    registry_helpers::set_value_to_registry(root, subkey, value_name, parse_dword(data));
  } else if (kind == "--binary") {
    registry_helpers::set_binary_to_registry(root, subkey, value_name, parse_binary(data));
  } else {
    throw usage_error{"unknown value kind '" + kind + "'"};
  }
}

void check(winapi::reg_result result, const char* call) {
  if (result == winapi::error_file_not_found) throw not_found{};
  if (result != winapi::error_success) {
    throw std::runtime_error(std::string(call) + " failed with " + std::to_string(result));
  }
}

void remove(const std::u16string& subkey, const std::optional<std::u16string>& value_name) {
  if (!value_name) {
    check(winapi::reg_delete_tree(winapi::hkey_local_machine, subkey), "RegDeleteTreeW");
    return;
  }
  winapi::hkey key = 0;
  check(winapi::reg_open_key_ex(winapi::hkey_local_machine, subkey, 0, winapi::key_set_value, &key), "RegOpenKeyExW");
  const winapi::reg_result result = winapi::reg_delete_value(key, *value_name);
  winapi::reg_close_key(key);
  check(result, "RegDeleteValueW");
}

void run(const std::vector<std::string>& arguments) {
  if (arguments.empty()) throw usage_error{"no command"};
  const std::string& command = arguments[0];
  const auto argument = [&](std::size_t i) { return common::utf8_to_utf16(arguments[i]); };
  if (command == "get" && arguments.size() == 3) {
    get(subkey_of(arguments[1]), argument(2));
  } else if (command == "set" && arguments.size() == 5) {
    set(subkey_of(arguments[1]), argument(2), arguments[3], arguments[4]);
  } else if (command == "delete" && (arguments.size() == 2 || arguments.size() == 3)) {
    remove(subkey_of(arguments[1]), arguments.size() == 3 ? std::optional(argument(2)) : std::nullopt);
  } else {
    throw usage_error{"unknown command or wrong number of arguments"};
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = common::program_arguments(argc, argv);
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    std::cout << usage_text;
    return 0;
  }
  try {
    run(arguments);
  } catch (const usage_error& error) {
    std::cerr << "ferrowick-reg: " << error.text << "\n" << usage_text;
    return exit_usage;
  } catch (const not_found&) {
    std::cerr << "ferrowick-reg: no such key or value\n";
    return exit_not_found;
  } catch (const registry_helpers::registry_exception& error) {
    std::cerr << "error " << error.code().value() << ": " << error.what() << " ("
              << common::utf16_to_utf8(error.detail()) << ")\n";
    return exit_failure;
  } catch (const std::exception& error) {
    std::cerr << "error: " << error.what() << "\n";
    return exit_failure;
  }
  return 0;
}
