#include "logger_settings_file.h"

#include <stdexcept>

#include "common/fs_utils.h"
#include "common/handle_holder.h"
#include "common/text.h"
#include "common/unguessable_name.h"
#include "common/winapi/files/file_api.h"
#include "common/winapi/files/private_folder.h"
#include "common/winapi/process/last_error.h"
#include "cpplogger/details/settings_reader.h"

namespace ferrowick_run {

namespace {

[[noreturn]] void cannot_write(const std::string& what, const std::filesystem::path& path) {
  throw std::runtime_error("cannot " + what + " " + common::utf16_to_utf8(path.u16string()) + " (Windows error " +
                           std::to_string(winapi::get_last_error()) + ")");
}

std::string settings_text(const std::string& level) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<log_settings>\n"
         "  <developer_log use_developer_log=\"true\" level=\"" +
         level +
         "\" max_backup_index=\"4\" max_file_size=\"1048576\"/>\n"
         "  <history_log max_buffer_size=\"1048576\"/>\n</log_settings>\n";
}

}  // namespace

// Other users may create folders in the temporary folder: the name is one nobody can
// take beforehand, and a folder that exists under it is never used.
one_run_settings::one_run_settings(const std::string& level, const std::filesystem::path& file_name)
    : folder_(common::unguessable_name(fs_utils::get_temp_path() + u"ferrowick-run-")) {
  if (!winapi::create_private_folder(folder_.u16string())) cannot_write("make the folder", folder_);
  const std::filesystem::path file = folder_ / file_name;
  const common::handle_holder handle(
      winapi::create_file(file.u16string(), winapi::generic_write, winapi::creation_disposition::create_new));
  if (!handle) cannot_write("create the logger settings file", file);
  const std::string text = settings_text(level);
  uint32_t written = 0;
  if (!winapi::write_file(handle.get(), text.data(), static_cast<uint32_t>(text.size()), &written) ||
      written != text.size()) {
    cannot_write("write the logger settings file", file);
  }
}

one_run_settings::~one_run_settings() { winapi::remove_tree_without_following_links(folder_.u16string()); }

std::string unused_settings_warning(const std::filesystem::path& file) {
  const std::string what = "ferrowick-run: the logger settings file " + file.string();
  const std::string outcome = "; the worker runs with the default settings, without a developer log\n";
  if (!fs_utils::file_exists(file.u16string())) return what + " does not exist" + outcome;
  const std::u16string problem = cpplogger::details::settings_file_problem(file.u16string());
  if (problem.empty()) return {};
  return what + " is not used (" + common::utf16_to_utf8(problem) + ")" + outcome;
}

}  // namespace ferrowick_run
