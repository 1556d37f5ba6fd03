// The worker over HTTPS under wine, started by the Windows runner through a real pipe:
// directly and through proxies, a failure, and the stop event during a stalled transfer.
#include <string>

#include "wine_e2e_fixture.h"

namespace {

using wine_e2e::set_option;
using wine_e2e::windows_result;

using https_update_under_wine = wine_e2e_fixture;

TEST_F(https_update_under_wine, placed_from_the_server_then_up_to_date_as_minus_two) {
  task_options options = https_task(wine_e2e::update_server_port());
  expect_placed(run_task(options));

  set_option(options, "previous-release", wine_e2e::release);
  const windows_result again = run_task(options);
  EXPECT_EQ(again.exit_code, -2) << again.stderr_text;
  EXPECT_EQ(again.stdout_text, "");
  EXPECT_EQ(test_support::list_names(destination()), std::vector<std::string>{wine_e2e::package});
}

}  // namespace
