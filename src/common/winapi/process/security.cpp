#include "common/security.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <vector>

#include "common/text.h"
#include "common/winapi/process/last_error.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/win32_exception.h"

namespace security {

namespace {

constexpr size_t max_path_length = 32767;

// The main program's link-map entry has an empty name; its path comes from /proc.
std::u16string executable_path() {
  std::vector<char> buffer(max_path_length);
  const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length < 0) {
    winapi::set_last_error_from_errno();
    FW_THROW(win32::exception("GetModuleFileNameW"));
  }
  if (static_cast<size_t>(length) == buffer.size()) {
    winapi::set_last_error(winapi::error_insufficient_buffer);
    FW_THROW(win32::exception("GetModuleFileNameW"));
  }
  return common::utf8_to_utf16(std::string_view(buffer.data(), static_cast<size_t>(length)));
}

std::u16string file_name_of(const link_map& map) {
  if (map.l_name == nullptr || map.l_name[0] == '\0') return executable_path();
  return common::utf8_to_utf16(map.l_name);
}

}  // namespace

std::u16string get_module_file_name(common::dll::module_handle module) {
  link_map* map = nullptr;
  if (module == nullptr || ::dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr) {
    winapi::set_last_error(winapi::error_mod_not_found);
    FW_THROW(win32::exception("GetModuleFileNameW"));
  }
  return file_name_of(*map);
}

std::u16string get_module_file_name() {
  Dl_info info{};
  link_map* map = nullptr;
  const auto own_address = reinterpret_cast<void*>(static_cast<std::u16string (*)()>(&get_module_file_name));
  if (::dladdr1(own_address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 || map == nullptr) {
    winapi::set_last_error(winapi::error_mod_not_found);
    FW_THROW(win32::exception("GetModuleHandleExW"));
  }
  return file_name_of(*map);
}

}  // namespace security
