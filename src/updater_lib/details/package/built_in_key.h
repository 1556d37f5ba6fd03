#pragma once
// The public key compiled into the worker; packages must also be signed with its
// private half. The build option FERROWICK_BUILT_IN_PUBLIC_KEY sets it.
#include "updater_lib/details/parameters/updater_parameters.h"

namespace updater {

// A new copy of the 33-byte compressed point.
public_key_t get_binary_public_key();

}  // namespace updater
