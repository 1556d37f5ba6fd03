#include "ferrowick/worker.h"

#include <optional>
#include <string>

#include "common/crash_handler.h"
#include "common/path_helpers.h"
#include "common/process_management.h"
#include "common/security.h"
#include "common/text.h"
#include "common/winapi/process/process_info.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/log_stream.h"
#include "cpplogger/logger.h"
#include "ferrowick/run_step.h"
#ifdef FERROWICK_CRASH_TEST_HOOK
#include "ferrowick/crash_test/crash_test_hook.h"
#endif
#include "ferrowick/update_step.h"
#include "localization/message_language.h"
#include "localization/product_names.h"
#include "localization/product_registry_settings.h"
#include "updater_lib/details/parameters/parameters_deserialization.h"
#include "updater_lib/details/parameters/start_params_record.h"

namespace {

void log_start_facts(const updater::updater_parameters& parameters, const std::u16string& module_path,
                     const std::u16string& process_id) {
  FW_LOG(cpplogger::level_info) << u"Starting up";
  FW_LOG(cpplogger::level_info) << u"Started from: " << module_path;
  FW_LOG(cpplogger::level_info) << u"PID: " << process_id;
  FW_LOG(cpplogger::level_info) << u"update mode: " << updater::update_mode_text(parameters.update_mode);
  FW_LOG(cpplogger::level_info) << u"Copy info txt: " << parameters.copy_info_txt;
  FW_LOG(cpplogger::level_info) << u"Destination directory: " << parameters.destination_directory;
  FW_LOG(cpplogger::level_info) << u"Previous update release string: " << parameters.previous_updates_release_date;
  FW_LOG(cpplogger::level_info) << u"Task alias: " << parameters.update_task_alias;
  FW_LOG(cpplogger::level_info) << u"Version of update compability: " << parameters.version_of_update_compatibility;
}

void set_update_mode_for_product(updater::update_mode mode) {
  if (mode != updater::update_mode::update_mode_server) return;
  product_registry_settings::set_component_root(product_names::server_component_root);
}

}  // namespace

int32_t wmain() {
  bool log_ready = false;
  try {
    const std::u16string module_path = security::get_module_file_name();
    const std::u16string process_id = common::ascii_to_utf16(std::to_string(winapi::current_process_id()));
    updater::updater_parameters parameters;
    updater::token_list tokens;
    std::optional<updater::logging_parameters> logging;

    run_step(u" parse start parameters", [&] {
      // The standard input is closed when the step ends.
      const common::handle_holder input = process_management::get_standard_input();
      tokens = updater::split_parameter_text(process_management::read_from_redirected_input(input.get()));
      logging = updater::take_logging_parameters(tokens);
    });
    log_ready = true;
    if (!cpplogger::init_logger(logging->configs_path, logging->main_config_name, logging->logs_path,
                                path_helpers::get_base_name(module_path), true, {})) {
      // Records of whatever ran before belong to no dump of this run.
      cpplogger::clear_history();
    }
    updater::log_start_params(tokens);
    crash_handler::install_crash_handlers(
        logging->logs_path, [](const std::u16string& report) { cpplogger::log(cpplogger::level_fatal, report); });
#ifdef FERROWICK_CRASH_TEST_HOOK
    crash_test::fault_if_requested(logging->logs_path);
#endif

    run_step(u" deserialize start parameters", [&] { parameters = updater::deserialize_parameters(tokens, logging); });
    run_step(u" check start parameters", [&] { updater::check_parameters(parameters); });
    tokens.clear();
    logging.reset();

    FW_LOG_SCOPE();
    log_start_facts(parameters, module_path, process_id);
    run_step(u" set update_mode for product", [&] { set_update_mode_for_product(parameters.update_mode); });
    localization::set_product_languages_for_process_for_application();

    int32_t result = -1;
    run_step(update_step_name, [&] { result = run_update_step(parameters); });
    return result;
  } catch (const break_working_process_t& stop) {
    if (!stop.message.empty() && log_ready) cpplogger::log(cpplogger::level_fatal, stop.message);
    return stop.code;
  }
}
