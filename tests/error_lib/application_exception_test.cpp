#include "error_lib/application_exception.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/text.h"
#include "error_lib/categories.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/win32_exception.h"
#include "support/log_capture.h"

namespace {

using common::application_exception;

TEST(ApplicationException, ResolvesTableTextAndTracesMessageId) {
  test_support::log_capture capture;
  const application_exception error(5366);
  EXPECT_STREQ(error.what(), "An invalid argument update_source was passed to the function.");
  EXPECT_EQ(error.code().category().name(), std::string("application"));
  EXPECT_TRUE(capture.contains(u"make message_id: 0x030014F6 [code: 5366] [facility: 0x0300]"));
}

TEST(ApplicationException, FormatsInsertsAndLineBreaks) {
  EXPECT_STREQ(application_exception(5656, {u"8.2"}).what(),
               "The product version more then version of the update server.\r\n");
  EXPECT_STREQ(application_exception(5654, {u"srv", u"443", u"proxy", u"3128"}).what(),
               "Update server (address: srv, port: 443) is unreachable through proxy server (address: proxy, port: "
               "3128)");
}

TEST(ApplicationException, UnknownCodeRaisesInvalidResultCode) {
  test_support::log_capture capture;
  try {
    application_exception error(4999);
    FAIL() << "constructed an exception for an unknown code";
  } catch (const application_exception& error) {
    EXPECT_EQ(error.code().value(), 5003);
  }
  EXPECT_TRUE(
      capture.contains(u"EXCEPTION Invalid result code: 4999; Invalid result code.; "
                       u"class common::application_exception; file: "
                       u"error_lib/generated/generated_error_codes(674)"));
}

TEST(ApplicationException, LowSixteenBitsNameTheMessageOfLargeCodes) {
  test_support::log_capture capture;
  EXPECT_THROW(application_exception{70000}, application_exception);
  EXPECT_TRUE(capture.contains_prefix(u"make message_id: 0x03001170 [code: 4464]"));
  EXPECT_TRUE(capture.contains_prefix(u"EXCEPTION Invalid result code: 4464;"));
}

// The quoted text is the system's own for the code: the stand-in's table on Linux (which
// adds the code), the system table on Windows (whose texts wine words otherwise).
std::string system_text(uint32_t code) { return application_exception(win32::make_win32_error(code)).what(); }

TEST(Win32Exception, NamesTheFailedFunction) {
  const win32::exception error(109, u"PeekNamedPipe");
  EXPECT_EQ(error.what(), "The function 'PeekNamedPipe' failed: '" + system_text(109) + "'");
  EXPECT_EQ(error.code().category().name(), std::string("win32"));
  EXPECT_EQ(error.wide_what(), common::utf8_to_utf16(error.what()));
  const win32::exception unnamed(2, u"");
  EXPECT_EQ(unnamed.what(), "Error with function execution: '" + system_text(2) + "'");
  for (const uint32_t code : {109u, 2u}) {
    const std::string text = system_text(code);
    EXPECT_FALSE(text.empty() || text.back() == '\n' || text.back() == ' ') << code << ": '" << text << "'";
  }
}

TEST(Win32Category, FallsBackToCodeTextWithoutTableRow) {
  EXPECT_EQ(win32::category().message(static_cast<int>(0x80070005u)), "Code: 2147942405(0x80070005)");
  EXPECT_EQ(win32::category().message(20000), "Code: 20000(0x4e20)");
}

TEST(Categories, EquivalenceRules) {
  const auto& win32_category = win32::category();
  EXPECT_TRUE(win32_category.equivalent(win32::make_win32_error(2), 1));
  EXPECT_TRUE(win32_category.equivalent(win32::make_win32_error(3), 1));
  EXPECT_FALSE(win32_category.equivalent(win32::make_win32_error(5), 1));
  EXPECT_FALSE(win32_category.equivalent(common::make_application_error(2), 1));
  EXPECT_TRUE(win32_category.equivalent(win32::make_win32_error(0), 0));
  EXPECT_TRUE(win32_category.equivalent(common::make_application_error(5000), 0));
  EXPECT_FALSE(win32_category.equivalent(common::make_application_error(5001), 0));
  const auto& application = common::application_category();
  EXPECT_TRUE(application.equivalent(win32::make_win32_error(0), 5000));
  EXPECT_FALSE(application.equivalent(common::make_application_error(5000), 5000));
}

TEST(ExceptionThrower, TraceLineLayout) {
  test_support::log_capture capture;
  EXPECT_THROW(FW_THROW(application_exception(5384), "Directory name = ", u"/x", " ", 7), application_exception);
  EXPECT_TRUE(
      capture.contains_prefix(u"EXCEPTION Directory name = /x 7; Destination directory for updates does not "
                              u"exist.; class common::application_exception; file: tests/error_lib/"));
}

// The extra text and the message each come with their "; " only when there, and every
// exception type is named as its own.
TEST(ExceptionThrower, TraceLineWithOnlyOneOfExtraAndMessage) {
  const struct {
    std::function<void()> throw_it;
    std::u16string_view line_start;
  } cases[] = {
      {[] { FW_THROW(std::runtime_error("broken")); }, u"EXCEPTION broken; class std::runtime_error; file: tests/"},
      {[] { FW_THROW(std::logic_error(""), "id = ", 7); }, u"EXCEPTION id = 7; class std::logic_error; file: tests/"},
      {[] { FW_THROW(std::runtime_error("again"), u"x", -1); },
       u"EXCEPTION x-1; again; class std::runtime_error; file: tests/"},
  };
  for (const auto& each : cases) {
    test_support::log_capture capture;
    EXPECT_ANY_THROW(each.throw_it());
    EXPECT_TRUE(capture.contains_prefix(each.line_start)) << common::utf16_to_utf8(each.line_start);
  }
}

TEST(ExceptionThrower, EmptyExtraAndEmptyWhat) {
  struct silent : std::exception {
    const char* what() const noexcept override { return ""; }
  };
  test_support::log_capture capture;
  EXPECT_THROW(FW_THROW(silent()), silent);
  EXPECT_TRUE(capture.contains_prefix(u"EXCEPTION class "));
  EXPECT_TRUE(capture.contains_substring(u"silent; file: tests/error_lib/application_exception_test.cpp("));
}

}  // namespace

namespace {

TEST(ExceptionThrower, ForeignTextInTheExtraTextDoesNotReplaceTheException) {
  test_support::log_capture capture;
  EXPECT_THROW(FW_THROW(application_exception(5384), "server said: ", std::string("\xC3(\xFF")), application_exception);
  EXPECT_TRUE(capture.contains_prefix(u"EXCEPTION server said: \u00C3(\u00FF; "));
}

}  // namespace
