#include "support/wine.h"

namespace test_support {

bool running_under_wine() { return false; }

}  // namespace test_support
