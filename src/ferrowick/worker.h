#pragma once
#include <cstdint>

// The worker: reads its start parameters from the standard-input pipe, runs one update
// and answers 0 (placed), -2 (up to date), -3 (cancelled) or -1 (any failure).
int32_t wmain();
