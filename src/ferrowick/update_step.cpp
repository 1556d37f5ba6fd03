#include "ferrowick/update_step.h"

#include <functional>
#include <iostream>

#include "cpplogger/log_stream.h"
#include "ferrowick/result_output.h"
#include "ferrowick/run_step.h"
#include "updater_lib/details/package/built_in_key.h"
#include "updater_lib/details/run/update_run.h"

int32_t run_update_step(const updater::updater_parameters& parameters) {
  const std::function<updater::public_key_t()> get_public_key = [] { return updater::get_binary_public_key(); };
  updater::update_result result;
  try {
    result = updater::run_update(parameters, get_public_key);
  } catch (const common::application_exception& error) {
    write_application_error(std::cerr, error);
    throw break_working_process_t{-1, step_error_message(update_step_name, error)};
  }
  if (!write_result_lines(std::cout, result.lines)) {
    // The files are in place whether or not anyone reads the lines: the code still says so.
    FW_LOG(cpplogger::level_warn) << "Could not write the result lines to standard output";
  }
  return result.code;
}
