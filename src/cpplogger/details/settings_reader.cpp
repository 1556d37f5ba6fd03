#include "cpplogger/details/settings_reader.h"

#include <charconv>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <pugixml.hpp>

#include "common/u16_stream.h"
#include "common/winapi/files/file_path.h"
#include "common/winapi/process/debug_output.h"
#include "cpplogger/details/file_functions.h"
#include "cpplogger/details/log_text.h"
#include "cpplogger/levels.h"

namespace cpplogger::details {

namespace {

constexpr int64_t largest_settings_file = 0x100000;

constexpr uint32_t min_backup_index = 1;
constexpr uint32_t max_backup_index = 100;
constexpr uint64_t min_buffer_size = 0x80000;
constexpr uint64_t max_buffer_size = 0x200000;
constexpr uint64_t min_file_size = 0x80000;
constexpr uint64_t max_file_size = 0x6400000;

constexpr std::string_view white_space = " \t\n\v\f\r";

void report_to_debugger(const std::u16string& text) { winapi::output_debug_string(text + u"\n"); }

// Unsigned numbers as the C runtime reads them: decimal or 0x hexadecimal, saturated
// at the largest value, and a leading minus wraps around, so "-1" is the largest value
// and lands above any range.
uint64_t read_unsigned(const pugi::xml_attribute& attribute, uint64_t largest) {
  std::string_view text = attribute.value();
  text.remove_prefix(std::min(text.find_first_not_of(white_space), text.size()));
  const bool negative = text.starts_with('-');
  if (negative || text.starts_with('+')) text.remove_prefix(1);
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  }
  uint64_t magnitude = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), magnitude, base).ec == std::errc::result_out_of_range)
    magnitude = std::numeric_limits<uint64_t>::max();
  magnitude = std::min(magnitude, largest);
  return negative ? (0 - magnitude) & largest : magnitude;
}

int32_t read_level(const pugi::xml_attribute& attribute) {
  std::string_view text = attribute.value();
  const size_t first = text.find_first_not_of(white_space);
  if (first == std::string_view::npos) throw internal_logger_exception(u"Empty log level config value.");
  text = text.substr(first, text.find_last_not_of(white_space) - first + 1);
  // Level names are ASCII, so other bytes can never match.
  const auto level = find_level(common::ascii_to_utf16(text));
  if (!level || *level == level_unknown) throw internal_logger_exception(u"Incorrect log level config value.");
  return *level;
}

std::u16string number_text(uint64_t value) { return common::concat(value); }

// The parser opens the file itself: by its wide path, which it hands to the system as the
// system takes it (UTF-16 on Windows, UTF-8 bytes on Linux). A path that names no file
// (an unpaired surrogate) is refused first.
pugi::xml_parse_result load_document(pugi::xml_document& document, const std::u16string& path) {
  const auto native = winapi::to_utf8_path(path);
  if (native) return document.load_file(pugi::as_wide(*native).c_str());
  pugi::xml_parse_result missing;
  missing.status = pugi::status_file_not_found;
  return missing;
}

}  // namespace

internal_logger_exception::internal_logger_exception(std::u16string_view message) : text_(to_log_utf8(message)) {}

namespace {

// Where each setting stands in the file, in the order the attributes are read.
struct setting_place {
  const char* element;
  const char* attribute;
};
constexpr setting_place setting_places[] = {{"developer_log", "use_developer_log"},
                                            {"developer_log", "level"},
                                            {"developer_log", "max_backup_index"},
                                            {"developer_log", "max_file_size"},
                                            {"history_log", "max_buffer_size"}};

// The settings of the file, or nothing after telling unused why the file gives none and
// whether the debugger output hears of it.
std::optional<logger_settings> parse_settings_file(
    const std::u16string& path, const std::function<void(const std::u16string& why, bool to_debugger)>& unused) {
  if (get_file_size(path) > largest_settings_file) {
    unused(common::concat("Very big config file: ", path, ", apply default logger settings."), true);
    return std::nullopt;
  }

  pugi::xml_document document;
  const pugi::xml_parse_result parsed = load_document(document, path);
  if (!parsed) {
    unused(common::concat(parsed.description(), ",status: ", static_cast<int>(parsed.status),
                          ",offset: ", static_cast<int64_t>(parsed.offset), ", apply default logger settings."),
           true);
    return std::nullopt;
  }

  const pugi::xml_node root = document.child("log_settings");
  pugi::xml_attribute attributes[std::size(setting_places)];
  std::u16string missing;
  for (size_t i = 0; i < std::size(setting_places); ++i) {
    attributes[i] = root.child(setting_places[i].element).attribute(setting_places[i].attribute);
    if (attributes[i]) continue;
    if (!missing.empty()) missing += u", ";
    missing += common::concat("log_settings/", setting_places[i].element, "/@", setting_places[i].attribute);
  }
  if (!missing.empty()) {
    unused(u"missing " + missing, false);
    return std::nullopt;
  }

  logger_settings settings;
  settings.use_developer_log = attributes[0].as_bool();
  settings.level = read_level(attributes[1]);
  settings.max_backup_index = static_cast<int32_t>(read_unsigned(attributes[2], std::numeric_limits<uint32_t>::max()));
  settings.max_file_size = static_cast<int64_t>(read_unsigned(attributes[3], std::numeric_limits<uint64_t>::max()));
  settings.max_buffer_size = static_cast<int64_t>(read_unsigned(attributes[4], std::numeric_limits<uint64_t>::max()));
  return settings;
}

}  // namespace

logger_settings read_settings(const std::u16string& path) {
  const auto report = [](const std::u16string& why, bool to_debugger) {
    if (to_debugger) report_to_debugger(why);
  };
  return parse_settings_file(path, report).value_or(logger_settings{});
}

std::u16string settings_file_problem(const std::u16string& path) {
  std::u16string problem;
  try {
    parse_settings_file(path, [&](const std::u16string& why, bool) { problem = why; });
  } catch (const internal_logger_exception& error) {
    problem = common::concat("level: ", error.what());
  }
  return problem;
}

logger_settings force_into_range(logger_settings settings, const range_report& report) {
  const auto force_backup_index = [&](uint32_t forced) {
    report(u"max_backup_index", number_text(static_cast<uint32_t>(settings.max_backup_index)), number_text(forced));
    settings.max_backup_index = static_cast<int32_t>(forced);
  };
  const uint32_t backup_index = static_cast<uint32_t>(settings.max_backup_index);
  if (backup_index < min_backup_index) force_backup_index(min_backup_index);
  if (backup_index > max_backup_index) force_backup_index(max_backup_index);

  // Sizes are unsigned: negative values are huge and forced down to the maximum.
  const auto force_size = [&](std::u16string_view attribute, int64_t& field, uint64_t low, uint64_t high) {
    const uint64_t value = static_cast<uint64_t>(field);
    const uint64_t forced = std::clamp(value, low, high);
    if (forced == value) return;
    report(attribute, number_text(value), number_text(forced));
    field = static_cast<int64_t>(forced);
  };
  force_size(u"max_buffer_size", settings.max_buffer_size, min_buffer_size, max_buffer_size);
  force_size(u"max_file_size", settings.max_file_size, min_file_size, max_file_size);
  return settings;
}

}  // namespace cpplogger::details
