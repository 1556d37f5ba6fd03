#include "cpplogger/details/settings_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cpplogger/levels.h"
#include "logger_test_support.h"
#include "support/temp_directory.h"

namespace {

using namespace logger_tests;
using cpplogger::logger_settings;
using cpplogger::details::force_into_range;
using cpplogger::details::internal_logger_exception;
using cpplogger::details::read_settings;

class settings_reader_test : public ::testing::Test {
 protected:
  logger_settings read(std::string_view xml) {
    write_bytes(path(), xml);
    return read_settings(u16(path()));
  }
  std::filesystem::path path() const { return directory.path() / "logger.xml"; }
  // The text of the exception read_settings throws for the file.
  std::string failure_of(std::string_view xml) {
    try {
      read(xml);
    } catch (const internal_logger_exception& failure) {
      return failure.what();
    }
    return "no exception";
  }

  test_support::temp_directory directory;
};

TEST_F(settings_reader_test, reads_all_five_values) {
  const logger_settings settings = read(settings_xml("true", "WARN", "7", "600000", "0x90000"));
  EXPECT_TRUE(settings.use_developer_log);
  EXPECT_EQ(settings.level, cpplogger::level_warn);
  EXPECT_EQ(settings.max_backup_index, 7);
  EXPECT_EQ(settings.max_file_size, 600000);
  EXPECT_EQ(settings.max_buffer_size, 0x90000);
}

TEST_F(settings_reader_test, use_developer_log_is_true_only_for_1_t_or_y_first) {
  for (const char* yes : {"1", "true", "Yes", "y"})
    EXPECT_TRUE(read(settings_xml(yes, "INFO")).use_developer_log) << yes;
  for (const char* no : {"0", "false", "no", "", "on"})
    EXPECT_FALSE(read(settings_xml(no, "INFO")).use_developer_log) << no;
}

TEST_F(settings_reader_test, a_file_of_exactly_one_mebibyte_is_parsed_and_one_byte_more_is_not) {
  std::string xml = settings_xml("true", "ERROR");
  xml += "<!--" + std::string(0x100000 - xml.size() - 7, 'x') + "-->";
  xml.resize(0x100000, '\n');
  ASSERT_EQ(xml.size(), 0x100000u);
  EXPECT_EQ(read(xml).level, cpplogger::level_error);

  const debug_output output;
  xml += '\n';
  EXPECT_EQ(read(xml), logger_settings{});
  EXPECT_TRUE(output.contains("Very big config file: " + path().string() + ", apply default logger settings.\n"));
}

TEST_F(settings_reader_test, level_names_are_trimmed_but_case_sensitive) {
  EXPECT_EQ(read(settings_xml("true", " DEBUG ")).level, cpplogger::level_debug);
  EXPECT_EQ(read(settings_xml("true", "\tFATAL\n")).level, cpplogger::level_fatal);
  EXPECT_EQ(failure_of(settings_xml("true", "debug")), "Incorrect log level config value.");
  EXPECT_EQ(failure_of(settings_xml("true", "UNKNOWN")), "Incorrect log level config value.");
  EXPECT_EQ(failure_of(settings_xml("true", "DEBUG2")), "Incorrect log level config value.");
  EXPECT_EQ(failure_of(settings_xml("true", "")), "Empty log level config value.");
  EXPECT_EQ(failure_of(settings_xml("true", "   ")), "Empty log level config value.");
}

TEST_F(settings_reader_test, any_missing_element_or_attribute_gives_all_defaults_silently) {
  const debug_output output;
  EXPECT_EQ(read("<log_settings><developer_log use_developer_log='true' level='INFO' max_backup_index='9' "
                 "max_file_size='600000'/></log_settings>"),
            logger_settings{});
  EXPECT_EQ(read("<log_settings><developer_log use_developer_log='true' level='INFO' max_backup_index='9'/>"
                 "<history_log max_buffer_size='600000'/></log_settings>"),
            logger_settings{});
  EXPECT_EQ(read("<settings><developer_log use_developer_log='true' level='INFO' max_backup_index='9' "
                 "max_file_size='600000'/><history_log max_buffer_size='600000'/></settings>"),
            logger_settings{});
  EXPECT_EQ(output.text(), "");
}

TEST_F(settings_reader_test, a_malformed_or_missing_file_gives_defaults_with_the_parser_status) {
  const debug_output output;
  EXPECT_EQ(read("<log_settings><developer_log"), logger_settings{});
  // The offset is the parser's own.
  EXPECT_TRUE(output.contains("Error parsing start element tag,status: 11,offset: ")) << output.text();
  EXPECT_TRUE(output.contains(", apply default logger settings.\n"));

  std::filesystem::remove(path());
  EXPECT_EQ(read_settings(u16(path())), logger_settings{});
  EXPECT_TRUE(output.contains("GetFileAttributesExW failed with error:2\n"));
  EXPECT_TRUE(output.contains("File was not found,status: 1,offset: 0, apply default logger settings.\n"));
}

// Characters outside the basic multilingual plane are surrogate pairs inside the program
// and take the system's own form in the path it is given (one 4-byte UTF-8 sequence on Linux).
TEST_F(settings_reader_test, a_file_in_a_folder_named_outside_the_basic_plane_is_found) {
  const auto folder = directory.path() / u"configs \U0001F600";
  std::filesystem::create_directory(folder);
  write_bytes(folder / "logger.xml", settings_xml("true", "ERROR"));
  const std::u16string path = u16(directory.path()) + u"/configs \U0001F600/logger.xml";
  const logger_settings settings = read_settings(path);
  EXPECT_TRUE(settings.use_developer_log);
  EXPECT_EQ(settings.level, cpplogger::level_error);
}

TEST_F(settings_reader_test, a_path_with_an_unpaired_surrogate_names_no_file) {
  const debug_output output;
  EXPECT_EQ(read_settings(u16(directory.path()) + u"/\xD83D.xml"), logger_settings{});
  EXPECT_TRUE(output.contains("File was not found,status: 1,offset: 0, apply default logger settings.\n"));
}

TEST_F(settings_reader_test, negative_sizes_read_as_huge_unsigned_numbers) {
  const logger_settings settings = read(settings_xml("true", "INFO", "-1", "-1", "-2"));
  EXPECT_EQ(static_cast<uint32_t>(settings.max_backup_index), 0xFFFFFFFFu);
  EXPECT_EQ(static_cast<uint64_t>(settings.max_file_size), 0xFFFFFFFFFFFFFFFFu);
  EXPECT_EQ(static_cast<uint64_t>(settings.max_buffer_size), 0xFFFFFFFFFFFFFFFEu);
}

struct forced_value {
  std::u16string attribute;
  std::u16string old_value;
  std::u16string new_value;
  bool operator==(const forced_value&) const = default;
};

std::vector<forced_value> forced_values(logger_settings& settings) {
  std::vector<forced_value> reported;
  settings = force_into_range(
      settings, [&](std::u16string_view attribute, std::u16string_view old_value, std::u16string_view new_value) {
        reported.push_back({std::u16string(attribute), std::u16string(old_value), std::u16string(new_value)});
      });
  return reported;
}

TEST(force_into_range_test, values_below_the_ranges_are_raised_in_field_order) {
  logger_settings settings{cpplogger::level_info, true, 0x10, 0, 0};
  EXPECT_EQ(forced_values(settings), (std::vector<forced_value>{{u"max_backup_index", u"0", u"1"},
                                                                {u"max_buffer_size", u"16", u"524288"},
                                                                {u"max_file_size", u"0", u"524288"}}));
  EXPECT_EQ(settings, (logger_settings{cpplogger::level_info, true, 0x80000, 0x80000, 1}));
}

TEST(force_into_range_test, values_above_the_ranges_and_negative_values_are_lowered) {
  logger_settings settings{cpplogger::level_info, true, 0x200001, -1, 250};
  EXPECT_EQ(forced_values(settings),
            (std::vector<forced_value>{{u"max_backup_index", u"250", u"100"},
                                       {u"max_buffer_size", u"2097153", u"2097152"},
                                       {u"max_file_size", u"18446744073709551615", u"104857600"}}));
  EXPECT_EQ(settings, (logger_settings{cpplogger::level_info, true, 0x200000, 104857600, 100}));

  logger_settings negative_index{cpplogger::level_info, true, 0x100000, 0x100000, -1};
  EXPECT_EQ(forced_values(negative_index), (std::vector<forced_value>{{u"max_backup_index", u"4294967295", u"100"}}));
}

TEST(force_into_range_test, values_at_the_limits_stay) {
  for (logger_settings settings :
       {logger_settings{0, true, 0x80000, 0x80000, 1}, logger_settings{5, false, 0x200000, 0x6400000, 100}}) {
    const logger_settings original = settings;
    EXPECT_TRUE(forced_values(settings).empty());
    EXPECT_EQ(settings, original);
  }
}

}  // namespace
