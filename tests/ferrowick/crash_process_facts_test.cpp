// The process facts a crash report is made of: memory map lines, loaded modules and
// memory counters of the running test program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "common/winapi/crash/memory_map.h"
#include "common/winapi/crash/module_snapshot.h"
#include "common/winapi/crash/process_memory_counters.h"

namespace {

struct map_line_case {
  std::string_view line;
  bool parses;
  winapi::memory_region expected;
};

class memory_map_line : public testing::TestWithParam<map_line_case> {};

TEST_P(memory_map_line, is_parsed_into_its_region) {
  winapi::memory_region region;
  ASSERT_EQ(winapi::parse_memory_region(GetParam().line, region), GetParam().parses);
  if (!GetParam().parses) return;
  const winapi::memory_region& expected = GetParam().expected;
  EXPECT_EQ(region.start, expected.start);
  EXPECT_EQ(region.end, expected.end);
  EXPECT_EQ(region.file_offset, expected.file_offset);
  EXPECT_EQ(region.inode, expected.inode);
  EXPECT_EQ(region.readable, expected.readable);
  EXPECT_EQ(region.writable, expected.writable);
  EXPECT_EQ(region.executable, expected.executable);
  EXPECT_EQ(region.path, expected.path);
}

INSTANTIATE_TEST_SUITE_P(
    lines, memory_map_line,
    testing::Values(
        map_line_case{"55d0c0a00000-55d0c0a2f000 r-xp 00002000 fd:01 1314 /usr/bin/a b (deleted)",
                      true,
                      {0x55d0c0a00000, 0x55d0c0a2f000, 0x2000, 1314, true, false, true, "/usr/bin/a b (deleted)"}},
        map_line_case{"7ffd1000-7ffd3000 rw-p 00000000 00:00 0                          [stack]",
                      true,
                      {0x7ffd1000, 0x7ffd3000, 0, 0, true, true, false, "[stack]"}},
        map_line_case{"7f0000000000-7f0000001000 ---p 00000000 00:00 0",
                      true,
                      {0x7f0000000000, 0x7f0000001000, 0, 0, false, false, false, ""}},
        map_line_case{"ffffffffff600000-ffffffffff601000 --xp 00000000 00:00 0  [vsyscall]",
                      true,
                      {0xffffffffff600000, 0xffffffffff601000, 0, 0, false, false, true, "[vsyscall]"}},
        map_line_case{"2000-1000 rw-p 00000000 00:00 0", false, {}}, map_line_case{"1000-2000 rw-p", false, {}},
        map_line_case{"", false, {}}, map_line_case{"1000 2000 rw-p 00000000 00:00 0", false, {}}));

TEST(module_snapshot, lists_the_running_program_around_its_own_code) {
  const auto modules = winapi::snapshot_modules();
  ASSERT_TRUE(modules.has_value());
  const std::u16string program = common::utf8_to_utf16(std::filesystem::canonical("/proc/self/exe").string());
  const auto code = reinterpret_cast<uintptr_t>(&winapi::snapshot_modules);
  int found = 0;
  for (const winapi::module_entry& module : *modules) {
    if (module.path != program) continue;
    ++found;
    EXPECT_EQ(module.name, u"ferrowick_tests");
    EXPECT_LE(module.base_address, code);
    EXPECT_LT(code, module.base_address + module.base_size);
  }
  EXPECT_EQ(found, 1);
  for (const winapi::module_entry& module : *modules) {
    EXPECT_EQ(module.path.find(u"locale-archive"), std::u16string::npos) << "data files are no modules";
  }
}

TEST(process_memory_counters, give_resident_and_virtual_sizes_in_bytes_and_no_pool_quotas) {
  winapi::process_memory_counters counters;
  ASSERT_TRUE(winapi::get_process_memory_info(counters));
  // A page that this test touches counts in the resident size.
  std::vector<char> touched(64 << 20, 1);
  winapi::process_memory_counters after;
  ASSERT_TRUE(winapi::get_process_memory_info(after));
  EXPECT_GE(after.working_set_size, counters.working_set_size + (60 << 20)) << touched[touched.size() - 1];
  EXPECT_GE(after.peak_working_set_size, after.working_set_size);
  EXPECT_GE(after.pagefile_usage, after.working_set_size);
  EXPECT_GE(after.peak_pagefile_usage, after.pagefile_usage);
  EXPECT_EQ(after.quota_peak_paged_pool_usage + after.quota_paged_pool_usage + after.quota_peak_non_paged_pool_usage +
                after.quota_non_paged_pool_usage,
            0u);
}

}  // namespace
