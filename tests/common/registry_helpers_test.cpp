// Typed registry values through the helpers, against store files written by hand.
#include "common/registry_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "common/registry_test_store.h"
#include "common/u16_stream.h"
#include "common/winapi/registry/registry_store.h"
#include "common/winapi/registry/registry_store_file.h"
#include "support/log_capture.h"

namespace {

using winapi::hkey_local_machine;
namespace rh = registry_helpers;

struct failure {
  int code = 0;
  std::u16string detail;
};

template <typename Call>
failure failure_of(Call&& call) {
  try {
    call();
  } catch (const rh::registry_exception& error) {
    return {error.code().value(), error.detail()};
  }
  ADD_FAILURE() << "no registry_exception";
  return {};
}

constexpr const char* header = "ferrowick registry key 1\n";

class registry_helpers_test : public ::testing::Test {
 protected:
  test_support::registry_test_store store_;
};

TEST_F(registry_helpers_test, reads_each_type_from_a_hand_written_file) {
  store_.write_values_file("software/kestrane", std::string(header) +
                                                    "\"InstallDir\"=\"/opt/k\\\\x\\\"y\\u000a\xc3\xa9\"\n"
                                                    "\"Count\"=dword:0000002A\n"
                                                    "\"Blob\"=hex:01,ff,00\n"
                                                    "\"Empty\"=hex:\n"
                                                    "\"Stamp\"=hex:00,e1,f5,05,00,00,00,00\n"
                                                    "end\n");
  const std::u16string key = u"SOFTWARE\\Kestrane";
  EXPECT_EQ(rh::get_string_from_registry(hkey_local_machine, key, u"InstallDir"), u"/opt/k\\x\"y\n\u00e9");
  EXPECT_EQ(rh::get_string_from_registry_WOW64(hkey_local_machine, key, u"InstallDir"), u"/opt/k\\x\"y\n\u00e9");
  EXPECT_EQ(rh::get_dword_from_registry(hkey_local_machine, key, u"Count"), 42u);
  EXPECT_EQ(rh::get_binary_from_registry(hkey_local_machine, key, u"Blob"), (std::vector<uint8_t>{1, 0xFF, 0}));
  EXPECT_TRUE(rh::get_binary_from_registry(hkey_local_machine, key, u"Empty").empty());
  EXPECT_EQ(rh::get_time_t_from_registry(hkey_local_machine, key, u"Stamp"), 100000000);
  // Keys and value names do not depend on case.
  EXPECT_EQ(rh::get_dword_from_registry(hkey_local_machine, u"software\\KESTRANE", u"count"), 42u);
}

TEST_F(registry_helpers_test, values_written_read_back_and_the_file_is_readable) {
  const std::u16string key = u"SOFTWARE\\Kestrane\\Suite";
  rh::set_string_to_registry(hkey_local_machine, key, u"Path", u"C:\\d\\\"q\"");
  rh::set_value_to_registry(hkey_local_machine, key, u"Count", 0xDEADBEEF);
  rh::set_binary_to_registry(hkey_local_machine, key, u"Blob", {0, 1, 0xAB});
  rh::set_time_t_to_registry(hkey_local_machine, key, u"When", 1700000000);
  rh::set_filetime_to_registry(hkey_local_machine, key, u"FileTime", {0x89ABCDEF, 0x01234567});
  rh::set_value_to_registry(hkey_local_machine, key, u"COUNT", 7);  // replaces, keeps its place

  EXPECT_EQ(rh::get_string_from_registry(hkey_local_machine, key, u"Path"), u"C:\\d\\\"q\"");
  EXPECT_EQ(rh::get_dword_from_registry(hkey_local_machine, key, u"Count"), 7u);
  EXPECT_EQ(rh::get_binary_from_registry(hkey_local_machine, key, u"Blob"), (std::vector<uint8_t>{0, 1, 0xAB}));
  EXPECT_EQ(rh::get_time_t_from_registry(hkey_local_machine, key, u"When"), 1700000000);
  EXPECT_EQ(rh::get_filetime_from_registry(hkey_local_machine, key, u"FileTime"),
            (rh::filetime{0x89ABCDEF, 0x01234567}));
  EXPECT_EQ(store_.read_values_file("software/kestrane/suite"), std::string(header) +
                                                                    "\"Path\"=\"C:\\\\d\\\\\\\"q\\\"\"\n"
                                                                    "\"Count\"=dword:00000007\n"
                                                                    "\"Blob\"=hex:00,01,ab\n"
                                                                    "\"When\"=hex:00,f1,53,65,00,00,00,00\n"
                                                                    "\"FileTime\"=hex:ef,cd,ab,89,67,45,23,01\n"
                                                                    "end\n");
}

TEST_F(registry_helpers_test, any_utf16_text_survives_the_file_unchanged) {
  const std::u16string texts[] = {
      u"",
      u"plain",
      u"\\\"\\u0041\"",
      std::u16string(u"nul\0inside", 10),
      u"\x01\x1f\x7f\r\n\t",
      std::u16string{char16_t{0xD800}, u' ', char16_t{0xDC00}},  // lone surrogates
      u"\U0001F600 pair, \u00e9, \u4e2d",
  };
  for (const std::u16string& text : texts) {
    rh::set_string_to_registry(hkey_local_machine, u"SOFTWARE\\K", text, text);
    uint32_t size = 0;
    ASSERT_EQ(winapi::sh_get_value(hkey_local_machine, u"SOFTWARE\\K", text, nullptr, nullptr, &size), 0);
    std::u16string data(size / 2, u'x');
    ASSERT_EQ(winapi::sh_get_value(hkey_local_machine, u"SOFTWARE\\K", text, nullptr, data.data(), &size), 0);
    EXPECT_EQ(data, text + u'\0');
  }
  EXPECT_NE(store_.read_values_file("software/k").find("\"\\u0001\\u001f\\u007f\\u000d\\u000a\\u0009\""),
            std::string::npos);
}

TEST_F(registry_helpers_test, a_string_of_n_characters_is_stored_as_2n_plus_2_bytes_of_reg_sz) {
  rh::set_string_to_registry(hkey_local_machine, u"SOFTWARE\\K", u"V", u"abcde");
  uint32_t type = 0;
  uint32_t size = 0;
  ASSERT_EQ(winapi::sh_get_value(hkey_local_machine, u"SOFTWARE\\K", u"V", &type, nullptr, &size), 0);
  EXPECT_EQ(type, winapi::reg_sz);
  EXPECT_EQ(size, 12u);
  std::u16string data(6, u'x');
  ASSERT_EQ(winapi::sh_get_value(hkey_local_machine, u"SOFTWARE\\K", u"V", &type, data.data(), &size), 0);
  EXPECT_EQ(data, std::u16string(u"abcde\0", 6));
}

TEST_F(registry_helpers_test, a_missing_key_or_value_fails_with_5174_naming_both) {
  store_.write_values_file("software/k", std::string(header) + "end\n");
  const std::u16string expected_missing_value = u"error code: 2 subkey: SOFTWARE\\K value: V";
  for (const auto& read : std::vector<std::function<void()>>{
           [] { rh::get_string_from_registry(hkey_local_machine, u"SOFTWARE\\K", u"V"); },
           [] { rh::get_string_from_registry_WOW64(hkey_local_machine, u"SOFTWARE\\K", u"V"); },
           [] { rh::get_dword_from_registry(hkey_local_machine, u"SOFTWARE\\K", u"V"); },
           [] { rh::get_binary_from_registry(hkey_local_machine, u"SOFTWARE\\K", u"V"); },
           [] { rh::get_time_t_from_registry(hkey_local_machine, u"SOFTWARE\\K", u"V"); },
       }) {
    const failure f = failure_of(read);
    EXPECT_EQ(f.code, 5174);
    EXPECT_EQ(f.detail, expected_missing_value);
  }
  const failure missing_key =
      failure_of([] { rh::get_string_from_registry(hkey_local_machine, u"SOFTWARE\\No", u"V"); });
  EXPECT_EQ(missing_key.code, 5174);
  EXPECT_EQ(missing_key.detail, u"error code: 2 subkey: SOFTWARE\\No value: V");
}

TEST_F(registry_helpers_test, a_value_of_another_type_fails_with_5175_or_5442) {
  store_.write_values_file("software/k", std::string(header) +
                                             "\"Text\"=\"12\"\n"
                                             "\"Number\"=dword:00000001\n"
                                             "\"Short\"=hex:01,02,03,04\n"
                                             "end\n");
  const std::u16string key = u"SOFTWARE\\K";
  struct type_case {
    std::function<void()> read;
    int code;
    std::u16string detail;
  };
  const type_case cases[] = {
      {[&] { rh::get_dword_from_registry(hkey_local_machine, key, u"Text"); }, 5175,
       u"Invalid value type 1 of the key SOFTWARE\\K'Text. Expected type: 4"},
      {[&] { rh::get_binary_from_registry(hkey_local_machine, key, u"Number"); }, 5175,
       u"Invalid value type 4 of the key SOFTWARE\\K'Number. Expected type: 3"},
      {[&] { rh::get_string_from_registry(hkey_local_machine, key, u"Number"); }, 5175,
       u"Invalid value type 4 of the key SOFTWARE\\K'Number. Expected type: 1"},
      {[&] { rh::get_string_from_registry_WOW64(hkey_local_machine, key, u"Short"); }, 5175,
       u"Invalid value type 3 of the key SOFTWARE\\K'Short. Expected type: 1"},
      {[&] { rh::get_time_t_from_registry(hkey_local_machine, key, u"Short"); }, 5442,
       u"Invalid size of value of the key SOFTWARE\\K'Short. Expected size: 8"},
      {[&] { rh::get_filetime_from_registry(hkey_local_machine, key, u"Text"); }, 5175,
       u"Invalid value type 1 of the key SOFTWARE\\K'Text. Expected type: 3"},
  };
  for (const auto& c : cases) {
    const failure f = failure_of(c.read);
    EXPECT_EQ(f.code, c.code);
    EXPECT_EQ(f.detail, c.detail);
  }
}

TEST_F(registry_helpers_test, a_damaged_values_file_is_never_read_as_values) {
  const std::string good_value = "\"V\"=\"x\"\n";
  const std::string damaged[] = {
      "",
      std::string(header),                                  // cut before "end"
      std::string(header) + good_value,                     // cut before "end"
      std::string(header) + good_value + "en",              // cut inside "end"
      std::string(header) + good_value + "end",             // no final line end
      std::string(header) + "\"V\"=\"x\"\r\nend\r\n",       // CR LF
      "ferrowick registry key 2\n" + good_value + "end\n",  // unknown version
      std::string(header) + good_value + "end\n\"W\"=\"y\"\n",
      std::string(header) + "\"V\"=\"x\n" + "end\n",
      std::string(header) + "\"V\"=\"x\\q\"\n" + "end\n",
      std::string(header) + "\"V\"=\"x\\u12\"\n" + "end\n",
      std::string(header) + "\"V\"=\"a\tb\"\n" + "end\n",
      std::string(header) + "\"V\"=\"\xc3\"\n" + "end\n",
      std::string(header) + "\"V\"=\"\xed\xa0\x80\"\n" + "end\n",  // encoded surrogate
      std::string(header) + "\"V\"=\"x\" \n" + "end\n",
      std::string(header) + "V=\"x\"\n" + "end\n",
      std::string(header) + "\"V\"=dword:0000001\n" + "end\n",
      std::string(header) + "\"V\"=dword:000000001\n" + "end\n",
      std::string(header) + "\"V\"=dword:0000000g\n" + "end\n",
      std::string(header) + "\"V\"=hex:0\n" + "end\n",
      std::string(header) + "\"V\"=hex:01,\n" + "end\n",
      std::string(header) + "\"V\"=hex:01,,02\n" + "end\n",
      std::string(header) + "\"V\"=hex(2):01\n" + "end\n",
      std::string(header) + "\"V\"=qword:0000000000000001\n" + "end\n",
      std::string(header) + good_value + "\"v\"=\"y\"\n" + "end\n",  // same name twice
  };
  for (const std::string& bytes : damaged) {
    store_.write_values_file("software/k", bytes);
    const failure f = failure_of([] { rh::get_string_from_registry(hkey_local_machine, u"SOFTWARE\\K", u"V"); });
    EXPECT_EQ(f.code, 5174) << bytes;
    EXPECT_EQ(f.detail, u"error code: 1015 subkey: SOFTWARE\\K value: V") << bytes;
  }
}

TEST_F(registry_helpers_test, a_values_file_over_the_limit_is_refused_whole) {
  const std::string line_start = "\"V\"=\"";
  const std::string line_end = "\"\nend\n";
  const std::size_t filler = winapi::registry_store_file::max_values_file_size - std::string(header).size() -
                             line_start.size() - line_end.size();
  uint32_t size = 0;
  store_.write_values_file("software/k", header + line_start + std::string(filler, 'a') + line_end);
  ASSERT_EQ(winapi::sh_get_value(hkey_local_machine, u"SOFTWARE\\K", u"V", nullptr, nullptr, &size), 0);
  EXPECT_EQ(size, 2 * (filler + 1));
  store_.write_values_file("software/k", header + line_start + std::string(filler + 1, 'a') + line_end);
  EXPECT_EQ(winapi::sh_get_value(hkey_local_machine, u"SOFTWARE\\K", u"V", nullptr, nullptr, &size),
            winapi::error_registry_corrupt);
  // A string too long for the read buffer is a read failure, not a cut string.
  const failure f = failure_of([] { rh::get_string_from_registry(hkey_local_machine, u"SOFTWARE\\K", u"V"); });
  EXPECT_EQ(f.code, 5174);
}

TEST_F(registry_helpers_test, a_write_replaces_the_file_and_leaves_no_temporary) {
  rh::set_string_to_registry(hkey_local_machine, u"SOFTWARE\\K", u"A", u"1");
  rh::set_string_to_registry(hkey_local_machine, u"SOFTWARE\\K", u"B", u"2");
  rh::set_string_to_registry(hkey_local_machine, u"SOFTWARE\\K", u"A", u"3");
  EXPECT_EQ(store_.entries("software/k"), std::vector<std::string>{".values.reg"});
  EXPECT_EQ(store_.read_values_file("software/k"), std::string(header) + "\"A\"=\"3\"\n\"B\"=\"2\"\nend\n");
}

TEST_F(registry_helpers_test, writers_on_two_threads_keep_each_others_values) {
  constexpr int per_thread = 20;
  auto writer = [](std::u16string prefix) {
    for (int i = 0; i < per_thread; ++i) {
      rh::set_value_to_registry(hkey_local_machine, u"SOFTWARE\\K", prefix + common::concat(i), i);
    }
  };
  std::thread first(writer, u"a");
  std::thread second(writer, u"b");
  first.join();
  second.join();
  for (int i = 0; i < per_thread; ++i) {
    EXPECT_EQ(rh::get_dword_from_registry(hkey_local_machine, u"SOFTWARE\\K", u"a" + common::concat(i)), i);
    EXPECT_EQ(rh::get_dword_from_registry(hkey_local_machine, u"SOFTWARE\\K", u"b" + common::concat(i)), i);
  }
}

TEST_F(registry_helpers_test, a_write_creates_the_missing_ancestors_in_order) {
  // The store creates one level per call, so a wrong order fails the write.
  rh::set_value_to_registry(hkey_local_machine, u"A\\B\\C", u"V", 5);
  EXPECT_EQ(rh::get_dword_from_registry(hkey_local_machine, u"A\\B\\C", u"V"), 5u);
  EXPECT_EQ(store_.entries("a"), std::vector<std::string>{"b"});
  EXPECT_EQ(store_.entries("a/b"), std::vector<std::string>{"c"});
  // An existing single-component key is opened; a missing one is refused.
  rh::set_value_to_registry(hkey_local_machine, u"A", u"V", 6);
  EXPECT_EQ(rh::get_dword_from_registry(hkey_local_machine, u"A", u"V"), 6u);
  const failure single = failure_of([] { rh::set_value_to_registry(hkey_local_machine, u"Lonely", u"V", 1); });
  EXPECT_EQ(single.code, 5176);
  EXPECT_EQ(failure_of([] { rh::open_or_create_key(hkey_local_machine, nullptr); }).code, 5176);
  EXPECT_FALSE(std::filesystem::exists(store_.key_folder("lonely")));
}

TEST_F(registry_helpers_test, a_key_that_cannot_be_created_fails_with_5177_naming_the_level) {
  store_.write_values_file("software", std::string(header) + "end\n");
  std::ofstream(store_.key_folder("software/blocked")) << "a file where a key folder belongs";
  const failure f =
      failure_of([] { rh::set_value_to_registry(hkey_local_machine, u"SOFTWARE\\Blocked\\Deeper", u"V", 1); });
  EXPECT_EQ(f.code, 5177);
  EXPECT_EQ(f.detail, u"key: SOFTWARE\\Blocked");
}

TEST_F(registry_helpers_test, a_write_over_a_damaged_file_fails_with_5178_and_keeps_the_file) {
  const std::string damaged = std::string(header) + "\"V\"=\"cut";
  store_.write_values_file("software/k", damaged);
  const failure f = failure_of([] { rh::set_string_to_registry(hkey_local_machine, u"SOFTWARE\\K", u"V", u"x"); });
  EXPECT_EQ(f.code, 5178);
  EXPECT_EQ(f.detail, u"value: V call result: 1015");
  EXPECT_EQ(store_.read_values_file("software/k"), damaged);
}

TEST_F(registry_helpers_test, key_names_cannot_leave_the_store) {
  rh::set_value_to_registry(hkey_local_machine, u"SOFTWARE\\..\\%2F\\a/b", u"V", 9);
  EXPECT_EQ(rh::get_dword_from_registry(hkey_local_machine, u"software\\..\\%2f\\A/B", u"V"), 9u);
  EXPECT_TRUE(std::filesystem::exists(store_.key_folder("software/%2E./%252f/a%2Fb/.values.reg")));
}

struct planted_link_case {
  const char* link;     // below the hive
  bool to_values_file;  // the link points at a values file, else at a key folder
};

class registry_store_link : public registry_helpers_test, public testing::WithParamInterface<planted_link_case> {};

// A link inside the store, to a folder or values file outside it, is neither read nor written through.
TEST_P(registry_store_link, is_refused_for_reading_and_writing) {
  test_support::temp_directory outside;
  const std::string outside_values = std::string(header) + "\"V\"=dword:00000001\nend\n";
  std::ofstream(outside.path() / ".values.reg", std::ios::binary) << outside_values;
  const std::filesystem::path link = store_.key_folder(GetParam().link);
  std::filesystem::create_directories(link.parent_path());
  std::filesystem::create_symlink(GetParam().to_values_file ? outside.path() / ".values.reg" : outside.path(), link);

  const failure read = failure_of([] { rh::get_dword_from_registry(hkey_local_machine, u"SOFTWARE\\K", u"V"); });
  EXPECT_EQ(read.code, 5174);
  EXPECT_EQ(read.detail, u"error code: 5 subkey: SOFTWARE\\K value: V");
  const failure write = failure_of([] { rh::set_value_to_registry(hkey_local_machine, u"SOFTWARE\\K", u"V", 2); });
  EXPECT_TRUE(write.code == 5177 || write.code == 5178) << write.code;
  std::ifstream kept(outside.path() / ".values.reg", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), outside_values);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outside.path()), {}), 1);
}

INSTANTIATE_TEST_SUITE_P(links, registry_store_link,
                         testing::Values(planted_link_case{"software/k", false}, planted_link_case{"software", false},
                                         planted_link_case{"software/k/.values.reg", true}));

TEST_F(registry_helpers_test, the_lenient_close_warns_and_the_strict_close_terminates) {
  test_support::log_capture log;
  rh::close_key_or_warn(0x7777, u"SOFTWARE\\K");
  EXPECT_TRUE(log.contains(u"subkey SOFTWARE\\K can not be closed"));
  EXPECT_DEATH(rh::close_key_or_terminate(0x7777, u"SOFTWARE\\K"), "");
}

}  // namespace
