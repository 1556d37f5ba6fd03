#include "common/registry_helpers.h"
#include "cpplogger/log_scope.h"
#include "localization/product_registry_settings.h"

namespace product_registry_settings::details {

using winapi::hkey;

std::u16string registry_impl::get_string_from_registry(hkey root, const std::u16string& subkey,
                                                       const std::u16string& value_name) {
  return registry_helpers::get_string_from_registry(root, subkey, value_name);
}

std::u16string registry_impl::get_string_from_registry_WOW64(hkey root, const std::u16string& subkey,
                                                             const std::u16string& value_name) {
  return registry_helpers::get_string_from_registry_WOW64(root, subkey, value_name);
}

void registry_impl::set_string_to_registry(hkey root, const std::u16string& subkey, const std::u16string& value_name,
                                           const std::u16string& value) {
  registry_helpers::set_string_to_registry(root, subkey, value_name, value);
}

uint32_t registry_impl::get_dword_from_registry(hkey root, const std::u16string& subkey,
                                                const std::u16string& value_name) {
  return registry_helpers::get_dword_from_registry(root, subkey, value_name);
}

void registry_impl::set_dword_to_registry(hkey root, const std::u16string& subkey, const std::u16string& value_name,
                                          uint32_t value) {
  FW_LOG_SCOPE();
  registry_helpers::set_value_to_registry(root, subkey, value_name, value);
}

std::vector<uint8_t> registry_impl::get_binary_from_registry(hkey root, const std::u16string& subkey,
                                                             const std::u16string& value_name) {
  return registry_helpers::get_binary_from_registry(root, subkey, value_name);
}

void registry_impl::set_binary_to_registry(hkey root, const std::u16string& subkey, const std::u16string& value_name,
                                           const std::vector<uint8_t>& value) {
  registry_helpers::set_binary_to_registry(root, subkey, value_name, value);
}

std::time_t registry_impl::get_time_t_from_registry(hkey root, const std::u16string& subkey,
                                                    const std::u16string& value_name) {
  return registry_helpers::get_time_t_from_registry(root, subkey, value_name);
}

void registry_impl::set_time_t_to_registry(hkey root, const std::u16string& subkey, const std::u16string& value_name,
                                           std::time_t value) {
  FW_LOG_SCOPE();
  registry_helpers::set_time_t_to_registry(root, subkey, value_name, value);
}

registry_helpers::filetime registry_impl::get_filetime_from_registry(hkey root, const std::u16string& subkey,
                                                                     const std::u16string& value_name) {
  FW_LOG_SCOPE();
  return registry_helpers::get_filetime_from_registry(root, subkey, value_name);
}

void registry_impl::set_filetime_to_registry(hkey root, const std::u16string& subkey, const std::u16string& value_name,
                                             registry_helpers::filetime value) {
  FW_LOG_SCOPE();
  registry_helpers::set_filetime_to_registry(root, subkey, value_name, value);
}

}  // namespace product_registry_settings::details
