#pragma once
// The trace record of the received parameters: one "- key: value" line per pair,
// with secret values masked.
#include <string>

#include "updater_lib/details/parameters/parameters_text.h"

namespace updater {

// "Start params: - key: value", each further pair on its own line indented under the
// first. A non-empty proxy_password shows as "******", an empty one as nothing.
std::u16string make_start_params_record(const token_list& tokens);

// Logs the record at TRACE level.
void log_start_params(const token_list& tokens);

}  // namespace updater
