#include "localization/product_settings.h"

#include <mutex>
#include <optional>

#include "common/u16_stream.h"
#include "cpplogger/levels.h"
#include "cpplogger/log_scope.h"
#include "cpplogger/logger.h"

namespace product_registry_settings {

namespace {

// A 64-bit process: the registry is not redirected below Wow6432Node.
constexpr std::u16string_view software_key = u"SOFTWARE\\";
constexpr std::u16string_view maker_key = u"Kestrane";
constexpr std::u16string_view client_component_path = u"Marvenholt\\Client\\Calvessa";
constexpr std::u16string_view server_component_path = u"Marvenholt\\Server\\Brindlemar";

struct once_root {
  std::mutex lock;
  std::optional<std::u16string> root;
};

once_root& component_root() {
  static once_root instance;
  return instance;
}

std::u16string component_root_of(std::u16string_view component_path) {
  return common::concat(software_key, maker_key, u"\\", component_path);
}

}  // namespace

std::u16string client_component_root() { return component_root_of(client_component_path); }

std::u16string server_component_root() { return component_root_of(server_component_path); }

bool set_component_root(const std::u16string& root) {
  FW_LOG_SCOPE();
  once_root& state = component_root();
  std::lock_guard lock(state.lock);
  if (state.root) return false;
  state.root = root;
  return true;
}

std::u16string get_component_root() {
  once_root& state = component_root();
  std::lock_guard lock(state.lock);
  if (!state.root) state.root = client_component_root();
  return *state.root;
}

}  // namespace product_registry_settings

namespace localization {

namespace {

// en-US alone, NUL-separated and double-NUL-terminated.
constexpr std::u16string_view fallback_languages{u"en-US\0\0", 7};

struct process_languages {
  std::mutex lock;
  std::u16string languages;
};

process_languages& applied_languages() {
  static process_languages instance;
  return instance;
}

}  // namespace

bool set_product_languages_for_process_for_application() {
  FW_LOG_SCOPE();
  // The product locale lives in the registry, which this platform does not have.
  cpplogger::log(cpplogger::level_warn,
                 u"suite_product_languages faled, error : the product language is not available on this platform");
  {
    process_languages& state = applied_languages();
    std::lock_guard lock(state.lock);
    state.languages = fallback_languages;
  }
  cpplogger::log(cpplogger::level_trace, common::concat(u"Set 1 language(s) by SetProcessPreferredUILanguages for '",
                                                        fallback_languages, u"'."));
  return true;
}

std::u16string get_process_preferred_ui_languages() {
  process_languages& state = applied_languages();
  std::lock_guard lock(state.lock);
  return state.languages;
}

}  // namespace localization
