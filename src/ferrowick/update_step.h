#pragma once
#include <cstdint>

#include "updater_lib/details/parameters/updater_parameters.h"

inline constexpr char16_t update_step_name[] = u" update";

// Runs the update once, publishes its result lines and answers its code (also when the
// lines cannot be written: the update has happened). A failed run that raises
// application_exception is written to standard error and ends the step with a break
// whose message the entry logs at FATAL, so that the failure reaches the history
// archive even with the developer log off.
int32_t run_update_step(const updater::updater_parameters& parameters);
