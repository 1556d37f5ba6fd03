#include "updater_lib/details/https/error_list.h"

#include <Poco/Net/NetException.h>
#include <gtest/gtest.h>

namespace {

using updater::details::error_list;

TEST(error_list, joined_newest_first_with_growing_dots) {
  EXPECT_EQ(updater::details::join_error_list({}), u"");
  EXPECT_EQ(updater::details::join_error_list({u"E1"}), u". E1");
  EXPECT_EQ(updater::details::join_error_list({u"E1", u"E2", u"E3"}), u"\n\\-> E3\n.\\-> E2\n..\\-> E1");
}

TEST(error_list, nested_exceptions_innermost_first) {
  const Poco::Net::ConnectionRefusedException inner("127.0.0.1:9");
  const Poco::Net::NetException outer("proxy", inner);
  error_list errors{u"earlier"};
  updater::details::append_exception_chain(errors, outer);
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0], u"earlier");
  EXPECT_EQ(errors[1], u"Connection refused: 127.0.0.1:9");
  EXPECT_EQ(errors[2], u"Net Exception: proxy");
}

}  // namespace
