#pragma once
// Whether the test program runs under wine (never on Linux), for the checks where wine
// answers otherwise than Windows does (each such check names the difference).

namespace test_support {

bool running_under_wine();

}  // namespace test_support
