#include "updater_lib/details/package/built_in_key.h"

#include "common/base64.h"
#include "cpplogger/log_scope.h"

namespace updater {

public_key_t get_binary_public_key() {
  FW_LOG_SCOPE();
  return base64::base64_decode(FERROWICK_BUILT_IN_PUBLIC_KEY);
}

}  // namespace updater
