#include "updater_lib/details/run/update_run.h"

#include <chrono>

#include "common/fs_utils.h"
#include "common/on_exit.h"
#include "common/path_helpers.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "error_lib/application_exception.h"
#include "error_lib/categories.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "updater_lib/details/package/package.h"
#include "updater_lib/details/run/cancellation_token.h"
#include "updater_lib/details/run/file_sources.h"
#include "updater_lib/details/update_information/update_information.h"
#include "updater_lib/details/update_information/update_information_release_date.h"
#include "updater_lib/details/update_information/update_information_versions.h"

namespace updater {

namespace {

constexpr uint32_t error_file_not_found = 2;

constexpr char16_t info2_txt[] = u"info2.txt";
constexpr char16_t info_txt[] = u"info.txt";
constexpr char16_t part_suffix[] = u".part";
constexpr char16_t installed_product[] = u"antivirus";
constexpr char16_t installed_product_version[] = u"8.2";
constexpr std::chrono::seconds description_timeout{120};

bool is_missing_file(const common::application_exception& error) {
  return error.code() == win32::make_win32_error(error_file_not_found) ||
         error.code() == common::make_application_error(common::error_file_not_on_server);
}

std::u16string part_name(const std::u16string& file_name) { return file_name + part_suffix; }

// The delivered file, or an empty path when the source does not have the file.
fs_utils::temp_file_with_handle pull_if_present(const pull_file_function& pull, const std::u16string& file_name,
                                                cancellation_token& token) {
  try {
    return pull(file_name, part_name(file_name), token, description_timeout);
  } catch (const common::application_exception& error) {
    if (!is_missing_file(error)) throw;
    FW_LOG(cpplogger::level_trace) << "File " << file_name << " is not on the update source";
    return {};
  }
}

void check_product(const update_information& information) {
  if (!information.product.empty() && information.product != installed_product) {
    FW_THROW(common::application_exception(common::error_other_component), "Installed product: ", installed_product,
             ". Update package designed for ", information.product);
  }
}

// Opening verifies the structure and both signatures of every section, read through the
// handle that is then renamed into place: no other writer can come in between.
void verify_package(const fs_utils::temp_file_with_handle& file, const std::vector<public_key_t>& keys,
                    uint32_t requested_version) {
  // A mismatch names only the key's position; this says which key that is.
  FW_LOG(cpplogger::level_debug) << "Checking the package with public key 1 (the public_key_txt parameter) and public "
                                    "key 2 (the key built into this worker)";
  const package opened(file.handle.get(), file.path, keys);
  const uint32_t version = opened.get_package_info().version_of_update_compatibility;
  if (version != requested_version) {
    FW_THROW(
        common::application_exception(common::error_unexpected_compatibility_version),
        "Downloaded package compatibility version: ", version_of_update_compatibility_to_wstring(version),
        "; requested package compatibility version: ", version_of_update_compatibility_to_wstring(requested_version));
  }
}

// Fetches the utility package into its destination; the path placed, or empty when none.
std::u16string place_utility_package(const updater_parameters& parameters, const update_information& information,
                                     cancellation_token& token) {
  if (information.update_util_file_name.empty() || parameters.destination_directory_for_utils.empty()) return {};
  const pull_file_function pull =
      get_pull_file_function(parameters.source, utility_files, parameters.destination_directory_for_utils);
  fs_utils::temp_file_with_handle temporary =
      pull(information.update_util_file_name, part_name(information.update_util_file_name), token,
           std::chrono::seconds(parameters.source.https.file_download_timeout_sec));
  common::on_exit delete_temporary([&] { fs_utils::discard_held_file(temporary); });
  const std::u16string placed =
      path_helpers::join_path(parameters.destination_directory_for_utils, information.update_util_file_name);
  fs_utils::place_held_file(temporary, placed);
  delete_temporary.dismiss();
  return placed;
}

update_result update(const updater_parameters& parameters, const std::function<public_key_t()>& get_public_key) {
  const pull_file_function pull =
      get_pull_file_function(parameters.source, main_files, parameters.destination_directory);
  cancellation_token token(parameters.stop_event_name);
  const std::vector<public_key_t> keys{parameters.public_key, get_public_key()};

  fs_utils::temp_file_with_handle info2 = pull_if_present(pull, info2_txt, token);
  fs_utils::temp_file_with_handle info;
  common::on_exit delete_descriptions([&] {
    fs_utils::discard_held_file(info2);
    fs_utils::discard_held_file(info);
  });
  if (info2.path.empty()) {
    info = pull(info_txt, part_name(info_txt), token, description_timeout);
    FW_THROW(common::application_exception(common::error_server_too_old, {installed_product_version}));
  }

  const update_information information =
      deserialize_update_information(fs_utils::read_file(info2.handle.get(), info2.path));
  check_product(information);
  if (is_up_to_date(information.release_date, parameters.previous_updates_release_date)) {
    FW_LOG(cpplogger::level_trace) << "Everything is up to date";
    delete_descriptions.run();
    return {{}, update_result_up_to_date};
  }
  info = pull_if_present(pull, info_txt, token);

  fs_utils::temp_file_with_handle package_file =
      pull(information.update_file_name, part_name(information.update_file_name), token,
           std::chrono::seconds(parameters.source.https.file_download_timeout_sec));
  common::on_exit delete_package([&] { fs_utils::discard_held_file(package_file); });
  verify_package(package_file, keys, parameters.version_of_update_compatibility);

  const std::u16string placed_utility = place_utility_package(parameters, information, token);
  const std::u16string placed_package =
      path_helpers::join_path(parameters.destination_directory, information.update_file_name);
  fs_utils::place_held_file(package_file, placed_package);

  if (parameters.copy_info_txt) {
    fs_utils::place_held_file(info2, path_helpers::join_path(parameters.destination_directory, info2_txt));
    if (!info.path.empty()) {
      fs_utils::place_held_file(info, path_helpers::join_path(parameters.destination_directory, info_txt));
    }
  } else {
    delete_descriptions.run();
  }
  delete_descriptions.dismiss();
  delete_package.dismiss();
  return {{information.release_date, placed_package, placed_utility, information.update_file_name_part},
          update_result_placed};
}

}  // namespace

update_result run_update(const updater_parameters& parameters, const std::function<public_key_t()>& get_public_key) {
  FW_LOG_SCOPE();
  try {
    return update(parameters, get_public_key);
  } catch (const common::application_exception& error) {
    if (error.code() != common::make_application_error(common::error_operation_canceled)) throw;
    return {{}, update_result_canceled};
  }
}

}  // namespace updater
