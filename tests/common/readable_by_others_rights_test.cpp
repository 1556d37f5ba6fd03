// Who may read a file, by its mode bits.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/winapi/files/file_attributes.h"
#include "support/temp_directory.h"

namespace {

using std::filesystem::perms;

struct mode_case {
  const char* name;
  perms mode;
  bool readable_by_others;
};
void PrintTo(const mode_case& c, std::ostream* out) { *out << c.name; }

class readable_by_others_mode : public ::testing::TestWithParam<mode_case> {};

TEST_P(readable_by_others_mode, follows_the_group_and_others_read_bits) {
  const test_support::temp_directory dir;
  const std::filesystem::path file = dir.path() / "secret";
  std::ofstream(file) << "secret\n";
  std::filesystem::permissions(file, GetParam().mode);
  EXPECT_EQ(winapi::readable_by_others(file.u16string()), GetParam().readable_by_others);
}

INSTANTIATE_TEST_SUITE_P(all, readable_by_others_mode,
                         ::testing::Values(mode_case{"owner_read_write", perms::owner_read | perms::owner_write, false},
                                           mode_case{"group_write_others_execute",
                                                     perms::owner_all | perms::group_write | perms::others_exec, false},
                                           mode_case{"group_read", perms::owner_read | perms::group_read, true},
                                           mode_case{"others_read", perms::owner_read | perms::others_read, true},
                                           mode_case{"others_read_only", perms::others_read, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
