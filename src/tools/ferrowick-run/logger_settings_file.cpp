#include "logger_settings_file.h"

#include <fstream>
#include <system_error>

#include "common/fs_utils.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/process/process_info.h"
#include "cpplogger/details/settings_reader.h"

namespace ferrowick_run {

one_run_settings::one_run_settings(const std::string& level, const std::filesystem::path& file_name)
    : folder_(common::concat(fs_utils::get_temp_path(), "ferrowick-run-", winapi::current_process_id(), "-settings")) {
  std::filesystem::create_directories(folder_);
  std::ofstream file(folder_ / file_name, std::ios::binary | std::ios::trunc);
  file << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<log_settings>\n"
       << "  <developer_log use_developer_log=\"true\" level=\"" << level
       << "\" max_backup_index=\"4\" max_file_size=\"1048576\"/>\n"
       << "  <history_log max_buffer_size=\"1048576\"/>\n</log_settings>\n";
  if (!file.flush())
    throw std::runtime_error("cannot write the logger settings file " +
                             common::utf16_to_utf8((folder_ / file_name).u16string()));
}

one_run_settings::~one_run_settings() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

std::string unused_settings_warning(const std::filesystem::path& file) {
  const std::string what = "ferrowick-run: the logger settings file " + file.string();
  const std::string outcome = "; the worker runs with the default settings, without a developer log\n";
  if (!fs_utils::file_exists(file.u16string())) return what + " does not exist" + outcome;
  const std::u16string problem = cpplogger::details::settings_file_problem(file.u16string());
  if (problem.empty()) return {};
  return what + " is not used (" + common::utf16_to_utf8(problem) + ")" + outcome;
}

}  // namespace ferrowick_run
