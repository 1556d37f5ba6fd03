#include "localization/product_names.h"

#include "common/u16_stream.h"
#include "common/winapi/registry/registry_store.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/win32_exception.h"

namespace product_names {
namespace {

std::u16string software_key_of_this_process() {
  bool wow64 = false;
  if (!winapi::is_wow64_process(&wow64)) FW_THROW(win32::exception("IsWow64Process"));
  return wow64 ? u"SOFTWARE\\Wow6432Node\\" : u"SOFTWARE\\";
}

std::u16string component_root(std::u16string_view component_path) {
  return common::concat(software_key_of_this_process(), maker_key, u"\\", component_path);
}

}  // namespace

std::u16string client_component_root() { return component_root(client_component_path); }

std::u16string server_component_root() { return component_root(server_component_path); }

std::u16string suite_root() { return common::concat(u"SOFTWARE\\", suite_path); }

}  // namespace product_names
