#include "localization/localization_library.h"

#include "common/text.h"
#include "common/winapi/language/format_message.h"
#include "common/winapi/language/library_as_data.h"
#include "common/winapi/process/last_error.h"
#include "cpplogger/log_stream.h"
#include "error_lib/categories.h"
#include "error_lib/exception_thrower.h"
#include "localization/product_registry_settings.h"

namespace localization {

namespace {

[[noreturn]] void throw_not_loaded() { FW_THROW(localization_exception("Failed to load localization library")); }

library_handle load_from_product_settings() {
  std::u16string path;
  try {
    path = product_registry_settings::get_localization_dll_path();
  } catch (const std::exception& error) {
    FW_LOG(cpplogger::level_warn) << "The localization library's path is unknown: " << error.what();
    return nullptr;
  }
  const library_handle module = winapi::load_library_as_datafile(path);
  if (module == nullptr) {
    const uint32_t error = winapi::get_last_error();
    FW_LOG(cpplogger::level_warn) << "LoadLibraryExW failed for '" << path
                                  << "' : " << win32::category().message(static_cast<int>(error));
  }
  return module;
}

void free_library(library_handle module) { winapi::free_data_library(module); }

}  // namespace

instance_hmodule::instance_hmodule(loader load, unloader unload) : load_(std::move(load)), unload_(std::move(unload)) {}

void instance_hmodule::set_functions(loader load, unloader unload) {
  const std::lock_guard lock(mutex_);
  load_ = std::move(load);
  unload_ = std::move(unload);
}

library_handle instance_hmodule::get() {
  const std::lock_guard lock(mutex_);
  if (!loaded_ && !loading_) {
    loading_ = true;
    library_handle module = nullptr;
    try {
      module = load_();
    } catch (...) {
      loading_ = false;
      throw;
    }
    loading_ = false;
    loaded_ = true;
    if (module != nullptr) module_ = std::shared_ptr<const winapi::data_module>(module, unload_);
  }
  if (!module_) throw_not_loaded();
  return module_.get();
}

instance_hmodule& localization_library() {
  static instance_hmodule instance(load_from_product_settings, free_library);
  return instance;
}

bool check_lang_id(uint16_t language_id) { return details::check_lang_id(localization_library().get(), language_id); }

bool details::check_lang_id(library_handle module, uint16_t language_id) {
  std::u16string text;
  const uint32_t flags = winapi::format_message_from_hmodule | winapi::format_message_ignore_inserts |
                         winapi::format_message_allocate_buffer;
  if (winapi::format_message(flags, module, test_message_id, language_id, &text, {}) != 0) return true;
  FW_LOG(cpplogger::level_warn) << "Get the test message for language '0x" << common::to_hex(language_id) << "' failed";
  return false;
}

}  // namespace localization
