#include "common/dll.h"

#include <cstdio>

#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/process/modules.h"
#include "cpplogger/log_stream.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/win32_exception.h"

namespace common::dll {

namespace {

std::string pointer_text(const void* pointer) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", pointer);
  return text;
}

// The loader's own account of a failure, where the system has one beside the last error.
std::string with_loader_text(std::string detail) {
  const std::string loader_text = winapi::loader_failure_text();
  return loader_text.empty() ? detail : detail + "; " + loader_text;
}

}  // namespace

void free_library(module_handle module) {
  if (module == nullptr) {
    FW_LOG(cpplogger::level_trace) << "hmodule is nullptr";
    return;
  }
  if (!winapi::free_library(module)) {
    FW_THROW(win32::exception("FreeLibrary"), with_loader_text("hmodule = " + pointer_text(module)));
  }
}

module::~module() {
  try {
    free_library(handle_);
  } catch (const std::exception& e) {
    FW_LOG(cpplogger::level_error) << "Failed to free a library module: " << e.what();
  }
}

module_holder load_library(const std::u16string& path) {
  if (path.empty()) {
    throw std::invalid_argument("An invalid argument 'path' was passed to the function load_library");
  }
  FW_LOG(cpplogger::level_trace) << "Loading library: " << path;
  module_handle handle = winapi::load_library(path);
  if (handle == nullptr) {
    FW_THROW(win32::exception("LoadLibrary"), with_loader_text("path = " + common::utf16_to_utf8(path)));
  }
  return std::make_shared<module>(handle);
}

namespace details {

void* find_export(const module_holder& module, const std::string& function_name, const char* caller) {
  if (function_name.empty()) {
    throw std::invalid_argument(std::string("An invalid argument 'function_name' was passed to the function ") +
                                caller);
  }
  if (!module) throw function_resolving_exception(function_name);
  return winapi::get_proc_address(module->get(), function_name.c_str());
}

}  // namespace details

}  // namespace common::dll
