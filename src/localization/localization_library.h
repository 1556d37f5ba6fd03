#pragma once
// The localization library of the process: loaded once, on first use, as data from the
// path the product's registry settings name, and freed at process exit.
#include <functional>
#include <memory>
#include <mutex>

#include "localization/message_formatter.h"

namespace localization {

class instance_hmodule {
 public:
  using loader = std::function<library_handle()>;
  using unloader = std::function<void(library_handle)>;

  instance_hmodule(loader load, unloader unload);

  // Replaces the functions; a library already loaded stays.
  void set_functions(loader load, unloader unload);

  // The module, loaded by the first call. Throws localization_exception "Failed to load
  // localization library" when the load gave no module; a failed load is not retried.
  // A loader that throws leaves the load to the next call.
  library_handle get();

 private:
  // Recursive: a load that fails with an application error resolves that error's text,
  // which asks for the library again on the same thread and must not deadlock.
  std::recursive_mutex mutex_;
  loader load_;
  unloader unload_;
  bool loaded_ = false;
  bool loading_ = false;
  std::shared_ptr<const winapi::data_module> module_;
};

// The process-wide holder; its loader reads product_registry_settings::get_localization_dll_path().
instance_hmodule& localization_library();

namespace details {
// check_lang_id against a given library.
bool check_lang_id(library_handle module, uint16_t language_id);
}  // namespace details

}  // namespace localization
