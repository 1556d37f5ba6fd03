#pragma once
#include <cstdint>

#include "updater_lib/details/parameters/updater_parameters.h"

// Runs the update once, publishes its result lines and answers its code (also when the
// lines cannot be written: the update has happened). A failed run
// that raises application_exception is written to standard error and ends the step
// with a break that carries no message (the exception was logged where it was thrown).
int32_t run_update_step(const updater::updater_parameters& parameters);
