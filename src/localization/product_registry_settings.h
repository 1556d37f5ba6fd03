#pragma once
// The suite's registry settings the worker reads: the component's install folder and
// localization library name, and the suite's product language.
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/registry_helpers.h"
#include "common/winapi/registry/registry_store.h"

namespace product_registry_settings {

// Registry access the settings go through; one process-wide object.
class registry {
 public:
  virtual ~registry() = default;
  virtual std::u16string get_string_from_registry(winapi::hkey root, const std::u16string& subkey,
                                                  const std::u16string& value_name) = 0;
  virtual std::u16string get_string_from_registry_WOW64(winapi::hkey root, const std::u16string& subkey,
                                                        const std::u16string& value_name) = 0;
  virtual void set_string_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                                      const std::u16string& value) = 0;
  virtual uint32_t get_dword_from_registry(winapi::hkey root, const std::u16string& subkey,
                                           const std::u16string& value_name) = 0;
  virtual void set_dword_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                                     uint32_t value) = 0;
  virtual std::vector<uint8_t> get_binary_from_registry(winapi::hkey root, const std::u16string& subkey,
                                                        const std::u16string& value_name) = 0;
  virtual void set_binary_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                                      const std::vector<uint8_t>& value) = 0;
  virtual std::time_t get_time_t_from_registry(winapi::hkey root, const std::u16string& subkey,
                                               const std::u16string& value_name) = 0;
  virtual void set_time_t_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                                      std::time_t value) = 0;
  virtual registry_helpers::filetime get_filetime_from_registry(winapi::hkey root, const std::u16string& subkey,
                                                                const std::u16string& value_name) = 0;
  virtual void set_filetime_to_registry(winapi::hkey root, const std::u16string& subkey,
                                        const std::u16string& value_name, registry_helpers::filetime value) = 0;
};

namespace details {

// Forwards every operation to the registry helper of the same name.
class registry_impl : public registry {
 public:
  std::u16string get_string_from_registry(winapi::hkey root, const std::u16string& subkey,
                                          const std::u16string& value_name) override;
  std::u16string get_string_from_registry_WOW64(winapi::hkey root, const std::u16string& subkey,
                                                const std::u16string& value_name) override;
  void set_string_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                              const std::u16string& value) override;
  uint32_t get_dword_from_registry(winapi::hkey root, const std::u16string& subkey,
                                   const std::u16string& value_name) override;
  void set_dword_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                             uint32_t value) override;
  std::vector<uint8_t> get_binary_from_registry(winapi::hkey root, const std::u16string& subkey,
                                                const std::u16string& value_name) override;
  void set_binary_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                              const std::vector<uint8_t>& value) override;
  std::time_t get_time_t_from_registry(winapi::hkey root, const std::u16string& subkey,
                                       const std::u16string& value_name) override;
  void set_time_t_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                              std::time_t value) override;
  registry_helpers::filetime get_filetime_from_registry(winapi::hkey root, const std::u16string& subkey,
                                                        const std::u16string& value_name) override;
  void set_filetime_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                                registry_helpers::filetime value) override;
};

}  // namespace details

// Installs the component root provider once per process; the first installer wins (the
// first read of a component setting installs product_names::client_component_root),
// later calls do nothing. The worker installs product_names::server_component_root.
void set_component_root(const std::function<std::u16string()>& root_provider);

// The component root in use; installs the client root when none is installed yet.
std::u16string get_component_root();

// The process-wide registry object, created on first use.
std::shared_ptr<registry> get_registry();

// Values of the component root ("TextResources", "InstallDir" without trailing
// separators) and of the suite root ("ProductLocale", 64-bit view). Registry failures
// raise the registry helpers' application_exception.
std::u16string get_localization_dll_name_from_registry();
std::u16string get_install_path();
std::u16string get_localization_dll_path();
std::u16string get_product_language();

}  // namespace product_registry_settings
