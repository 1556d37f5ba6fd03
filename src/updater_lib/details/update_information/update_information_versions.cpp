#include "updater_lib/details/update_information/update_information_versions.h"

#include "common/text.h"
#include "cpplogger/log_scope.h"

namespace updater {

uint32_t get_current_version_of_update_compatibility() {
  FW_LOG_SCOPE();
  return 0;
}

std::u16string version_of_update_compatibility_to_wstring(uint32_t version) {
  FW_LOG_SCOPE();
  return common::ascii_to_utf16(std::to_string(version));
}

}  // namespace updater
