#include "updater_lib/details/update_information/update_information.h"

#include <algorithm>
#include <string_view>

#include "common/text.h"
#include "cpplogger/log_scope.h"
#include "error_lib/application_exception.h"
#include "error_lib/categories.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "updater_lib/details/update_information/date_time.h"
#include "updater_lib/details/update_information/update_information_release_date.h"
#include "updater_lib/details/update_information/update_information_text.h"

namespace updater {

namespace {

constexpr size_t max_field_length = 1024;

// Lines between line feeds, empty ones skipped; carriage returns are then dropped
// anywhere in a line (a line of carriage returns only stays, as an empty line).
std::vector<std::u16string> split_lines(const std::u16string& text) {
  std::vector<std::u16string> lines = details::split_skipping_empty(text, u'\n');
  for (std::u16string& line : lines) std::erase(line, u'\r');
  return lines;
}

bool parses_as_release_date(const std::u16string& text) {
  try {
    date_time_t_from_updates_release_date(text);
    return true;
  } catch (const common::application_exception& e) {
    if (e.code() != common::make_application_error(common::error_cannot_parse_release_date)) throw;
    return false;
  }
}

update_information assign_lines(const std::vector<std::u16string>& lines) {
  update_information result;
  if (lines.size() == 2 || (lines.size() == 3 && !parses_as_release_date(lines[1]))) {
    result.release_date = lines[0];
    result.update_file_name = lines[1];
    return result;
  }
  result.product = lines[0];
  result.release_date = lines[1];
  result.update_file_name = lines[2];
  if (lines.size() >= 4) result.update_util_file_name = lines[3];
  return result;
}

void check_length(const std::u16string& value, const char* what) {
  if (value.size() > max_field_length)
    FW_THROW(common::application_exception(common::error_update_information_deserialization), what, value);
}

// The second of the "_"-separated parts when there are at least three.
std::u16string second_name_part(const std::u16string& name) {
  const std::vector<std::u16string> parts = details::split_skipping_empty(name, u'_');
  return parts.size() >= 3 ? parts[1] : std::u16string();
}

// A name that is not a single entry of its directory ("/", "\\", "." or "..") would place
// the file elsewhere.
void check_plain_file_name(const std::u16string& name) {
  if (name.find_first_of(u"\\/") != std::u16string::npos || name == u"." || name == u"..") {
    FW_THROW(common::application_exception(common::error_relative_paths_not_allowed), "path = ", name);
  }
}

// The system cuts a path at its first NUL, so such a name would reach another file.
void check_no_nul(const std::u16string& name, const char* what) {
  if (name.find(u'\0') != std::u16string::npos) {
    FW_THROW(common::application_exception(common::error_update_information_deserialization), what, name);
  }
}

}  // namespace

update_information deserialize_update_information(const std::vector<uint8_t>& file_bytes) {
  FW_LOG_SCOPE();
  const std::u16string text =
      common::utf8_to_utf16(std::string_view(reinterpret_cast<const char*>(file_bytes.data()), file_bytes.size()));
  const std::vector<std::u16string> lines = split_lines(text);
  if (lines.size() < 2)
    FW_THROW(common::application_exception(common::error_update_information_deserialization),
             "Invalid info file: ", text);

  update_information result = assign_lines(lines);
  check_length(result.release_date, "Invalid update release date: ");
  check_length(result.update_file_name, "Invalid update file name: ");
  check_length(result.update_util_file_name, "Invalid update util file name: ");
  result.update_file_name_part = second_name_part(result.update_file_name);
  check_date_time(date_time_t_from_updates_release_date(result.release_date));
  check_plain_file_name(result.update_file_name);
  check_plain_file_name(result.update_util_file_name);
  check_no_nul(result.update_file_name, "Invalid update file name: ");
  check_no_nul(result.update_util_file_name, "Invalid update util file name: ");
  return result;
}

}  // namespace updater
