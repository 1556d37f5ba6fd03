#include "common/dll.h"

#include <dlfcn.h>

#include <cstdio>

#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/last_error.h"
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

std::string last_loader_error() {
  const char* text = ::dlerror();
  return text != nullptr ? text : "";
}

}  // namespace

void free_library(module_handle module) {
  if (module == nullptr) {
    FW_LOG(cpplogger::level_trace) << "hmodule is nullptr";
    return;
  }
  if (::dlclose(module) != 0) {
    // The loader keeps no errno; a failing close means the handle was not a module.
    winapi::set_last_error(winapi::error_invalid_handle);
    FW_THROW(win32::exception("FreeLibrary"), "hmodule = ", pointer_text(module), "; ", last_loader_error());
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
  module_handle handle = ::dlopen(utf16_to_utf8(path).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    winapi::set_last_error(winapi::error_mod_not_found);
    FW_THROW(win32::exception("LoadLibrary"), "path = ", path, "; ", last_loader_error());
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
  return ::dlsym(module->get(), function_name.c_str());
}

}  // namespace details

}  // namespace common::dll
