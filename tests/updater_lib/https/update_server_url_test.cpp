#include "updater_lib/details/https/update_server_url.h"

#include <gtest/gtest.h>

#include "error_lib/categories.h"
#include "support/error_of.h"

namespace {

TEST(update_server_url, host_names_and_addresses_are_checked_as_a_whole) {
  const std::u16string label63(63, u'a');
  struct row {
    std::u16string host;
    bool accepted;
  };
  const row rows[] = {
      {u"a.bc", true},
      {u"a.b", false},
      {u"update.example.com", true},
      {u"localhost", false},
      {u"host.example.", false},
      {u"-bad.example", false},
      {u"bad-.example", false},
      {u"host.123", false},
      {label63 + u".com", true},
      {label63 + u"a.com", false},
      {u"10.0.0.1", true},
      {u"255.255.255.255", true},
      {u"256.1.1.1", false},
      {u"01.2.3.4", false},
      {u"::1", false},
      {u"h\u00e9st.example", false},
      {u"", false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(std::string(r.host.begin(), r.host.end()));
    if (r.accepted) {
      EXPECT_NO_THROW(updater::check_full_qualified_domain_name(r.host));
    } else {
      EXPECT_EQ(test_support::error_of([&] { updater::check_full_qualified_domain_name(r.host); }),
                common::make_application_error(common::error_invalid_fqdn));
    }
  }
}

TEST(update_server_url, joins_with_exactly_one_slash) {
  EXPECT_EQ(updater::concatenate_url_paths(u"https://H:1/", u"update"), u"https://H:1/update");
  EXPECT_EQ(updater::concatenate_url_paths(u"https://H:1/update", u"/7"), u"https://H:1/update/7");
  EXPECT_EQ(updater::concatenate_url_paths(u"https://H:1/", u"/x"), u"https://H:1/x");
  EXPECT_EQ(updater::concatenate_url_paths(u"a", u"b"), u"a/b");
  EXPECT_EQ(updater::concatenate_url_paths(u"", u"x"), u"/x");
}

TEST(update_server_url, root_and_folders) {
  using urls = std::pair<std::u16string, std::u16string>;
  EXPECT_EQ(updater::get_update_server_url(u"upd.example.com", 43443, 7, 0),
            urls(u"https://upd.example.com:43443/", u"https://upd.example.com:43443/update/7"));
  EXPECT_EQ(updater::get_update_server_url(u"upd.example.com", 43443, 7, 1),
            urls(u"https://upd.example.com:43443/", u"https://upd.example.com:43443/update/7/utils"));
  EXPECT_EQ(updater::get_update_server_url(u"10.1.2.3", 0, 4294967295u, 2),
            urls(u"https://10.1.2.3:0/", u"https://10.1.2.3:0/update/4294967295"));
  EXPECT_EQ(test_support::error_of([] { updater::get_update_server_url(u"localhost", 443, 0, 0); }),
            common::make_application_error(common::error_invalid_fqdn));
}

}  // namespace
