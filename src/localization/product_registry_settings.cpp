#include "localization/product_registry_settings.h"

#include "common/path_helpers.h"
#include "common/sync_helpers.h"
#include "cpplogger/log_scope.h"
#include "localization/product_names.h"

namespace product_registry_settings {
namespace {

// Runs an initialiser once per process; one that raises leaves the flag clear, so the
// next caller tries again.
class once_flag {
 public:
  template <typename Initialiser>
  void call_once(Initialiser&& initialise) {
    std::lock_guard lock(section_);
    if (done_) return;
    initialise();
    done_ = true;
  }

 private:
  sync_helpers::critical_section section_;
  bool done_ = false;
};

template <typename Value>
struct once_value {
  once_flag flag;
  Value value{};
};

once_value<std::function<std::u16string()>>& component_root_provider() {
  static once_value<std::function<std::u16string()>> provider;
  return provider;
}

once_value<std::function<std::u16string()>>& suite_root_provider() {
  static once_value<std::function<std::u16string()>> provider;
  return provider;
}

once_value<std::shared_ptr<registry>>& registry_object() {
  static once_value<std::shared_ptr<registry>> object;
  return object;
}

struct cached_name {
  sync_helpers::critical_section section;
  std::shared_ptr<const std::u16string> name;
};

cached_name& localization_library_name() {
  static cached_name cache;
  return cache;
}

std::u16string suite_root() {
  auto& provider = suite_root_provider();
  provider.flag.call_once([&] { provider.value = product_names::suite_root; });
  return provider.value();
}

std::u16string component_value(std::u16string_view value_name) {
  return get_registry()->get_string_from_registry(winapi::hkey_local_machine, get_component_root(),
                                                  std::u16string(value_name));
}

}  // namespace

void set_component_root(const std::function<std::u16string()>& root_provider) {
  FW_LOG_SCOPE();
  auto& provider = component_root_provider();
  provider.flag.call_once([&] { provider.value = root_provider; });
}

std::u16string get_component_root() {
  auto& provider = component_root_provider();
  provider.flag.call_once([&] { provider.value = product_names::client_component_root; });
  return provider.value();
}

std::shared_ptr<registry> get_registry() {
  auto& object = registry_object();
  object.flag.call_once([&] { object.value = std::make_shared<details::registry_impl>(); });
  return object.value;
}

std::u16string get_localization_dll_name_from_registry() {
  FW_LOG_SCOPE();
  return component_value(product_names::localization_library_value);
}

std::u16string get_install_path() {
  FW_LOG_SCOPE();
  return path_helpers::trim_last_slash(component_value(product_names::install_folder_value));
}

std::u16string get_localization_dll_path() {
  FW_LOG_SCOPE();
  const std::u16string install_path = get_install_path();
  cached_name& cache = localization_library_name();
  std::shared_ptr<const std::u16string> name;
  {
    std::lock_guard lock(cache.section);
    if (!cache.name) cache.name = std::make_shared<const std::u16string>(get_localization_dll_name_from_registry());
    name = cache.name;
  }
  return path_helpers::join_path(install_path, *name);
}

std::u16string get_product_language() {
  FW_LOG_SCOPE();
  return path_helpers::trim_last_slash(get_registry()->get_string_from_registry_WOW64(
      winapi::hkey_local_machine, suite_root(), std::u16string(product_names::product_language_value)));
}

}  // namespace product_registry_settings
