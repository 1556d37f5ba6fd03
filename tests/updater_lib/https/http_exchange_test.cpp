#include "updater_lib/details/https/http_exchange.h"

#include <Poco/Exception.h>
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "error_lib/categories.h"
#include "support/error_of.h"
#include "updater_lib/details/https/https_session.h"
#include "updater_lib/details/https/internal_downloader_exception.h"

namespace {

using updater::details::internal_downloader_exception;

std::string head_of(const Poco::Net::HTTPRequest& request) {
  std::ostringstream text;
  request.write(text);
  return text.str();
}

TEST(http_exchange, request_is_a_closing_get_with_cookie_and_range_when_resuming) {
  updater::https_parameters parameters;
  const auto no_user = updater::details::get_cookies_for_request(parameters);
  const auto fresh = updater::details::create_http_request(u"https://10.0.0.1:443/update/0/info2.txt", no_user, 0);
  EXPECT_EQ(head_of(*fresh),
            "GET /update/0/info2.txt HTTP/1.1\r\nCookie: viro_user_name=\r\nConnection: Close\r\n\r\n");

  parameters.viro_user_name = u"user-1";
  const auto resumed = updater::details::create_http_request(
      u"https://10.0.0.1:443/update/0/p.upd?x=1", updater::details::get_cookies_for_request(parameters), 1048576);
  EXPECT_EQ(head_of(*resumed),
            "GET /update/0/p.upd?x=1 HTTP/1.1\r\nCookie: viro_user_name=user-1\r\nConnection: Close\r\n"
            "RANGE: bytes=1048576-\r\n\r\n");
}

TEST(http_exchange, statuses) {
  Poco::Net::HTTPResponse response;
  for (const auto status : {Poco::Net::HTTPResponse::HTTP_OK, Poco::Net::HTTPResponse::HTTP_PARTIAL_CONTENT}) {
    response.setStatus(status);
    EXPECT_NO_THROW(updater::details::check_http_response(response, u"u"));
  }
  response.setStatus(Poco::Net::HTTPResponse::HTTP_NOT_FOUND);
  try {
    updater::details::check_http_response(response, u"https://h.example:1/update/0/x");
    FAIL() << "404 passed";
  } catch (const internal_downloader_exception& e) {
    EXPECT_TRUE(e.is_final());
    EXPECT_STREQ(e.what(), "File on update server is not available. URL: https://h.example:1/update/0/x");
  }
  response.setStatusAndReason(Poco::Net::HTTPResponse::HTTP_REQUESTED_RANGE_NOT_SATISFIABLE, "Server's own words");
  try {
    updater::details::check_http_response(response, u"u");
    FAIL() << "416 passed";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code(), common::make_application_error(common::error_unexpected_http_status));
    EXPECT_STREQ(e.what(), "Unexpected HTTP status: Requested Range Not Satisfiable");
  }
}

// Headers are given in the order a server would send them.
Poco::Net::HTTPResponse response_with(const std::vector<std::pair<std::string, std::string>>& headers) {
  Poco::Net::HTTPResponse response;
  for (const auto& [name, value] : headers) response.add(name, value);
  return response;
}

TEST(http_exchange, headers_steer_resuming) {
  struct row {
    const char* name;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string reference_before;
    uint64_t length;
    bool ranges;
    std::string reference_after;
  };
  const std::string date = "Wed, 09 Dec 2026 10:00:00 GMT";
  const row rows[] = {
      {"nothing", {}, "", 0, false, ""},
      {"length", {{"Content-Length", "10"}}, "", 10, false, ""},
      {"zero length", {{"Content-Length", "0"}}, "", 0, false, ""},
      {"ranges none", {{"Accept-Ranges", "none"}, {"Last-Modified", date}}, "", 0, false, date},
      {"ranges end the walk", {{"Accept-Ranges", "bytes"}, {"Last-Modified", "other"}}, date, 0, true, date},
      {"same date", {{"Last-Modified", date}, {"Accept-Ranges", "bytes"}}, date, 0, true, date},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    bool ranges = false;
    std::string reference = r.reference_before;
    EXPECT_EQ(updater::details::update_session_properties(response_with(r.headers), ranges, reference), r.length);
    EXPECT_EQ(ranges, r.ranges);
    EXPECT_EQ(reference, r.reference_after);
  }

  bool ranges = false;
  std::string reference = date;
  try {
    updater::details::update_session_properties(response_with({{"Last-Modified", "later"}}), ranges, reference);
    FAIL() << "a changed date passed";
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code(), common::make_application_error(common::error_file_modification_date_changed));
  }
  // Taken as unknown, it made the library deliver nothing and the attempt count as done.
  for (const char* length : {"-5", "five"}) {
    EXPECT_THROW(
        updater::details::update_session_properties(response_with({{"Content-Length", length}}), ranges, reference),
        Poco::SyntaxException)
        << length;
  }
}

TEST(http_exchange, a_partial_answer_must_start_at_the_offset_asked_for) {
  const std::tuple<const char*, uint64_t, bool> rows[] = {
      {"bytes 100-199/200", 100, true},
      {"bytes 0-199/200", 100, false},
      {"bytes 1000-1999/2000", 100, false},
      {"bytes 10-19/20", 1, false},
      {"", 0, false},
      {"bytes */200", 100, false},
  };
  for (const auto& [range, offset, accepted] : rows) {
    Poco::Net::HTTPResponse response(Poco::Net::HTTPResponse::HTTP_PARTIAL_CONTENT);
    if (*range != '\0') response.set("Content-Range", range);
    EXPECT_EQ(updater::details::range_starts_at(response, offset), accepted) << range << " at " << offset;
  }
}

TEST(https_session, timeout_grows_with_the_block_size_within_bounds) {
  const std::pair<uint32_t, int32_t> rows[] = {{4096, 30},      {31 * 4575 - 1, 30}, {200000, 43},
                                               {60 * 4575, 60}, {1048576, 60},       {0x80000000u, 30}};
  for (const auto& [block_size, seconds] : rows) {
    EXPECT_EQ(updater::details::session_timeout_seconds(block_size), seconds) << block_size;
  }
}

TEST(https_session, common_name_rule_and_proxy_settings) {
  EXPECT_TRUE(updater::details::check_certificate_common_name("KOVA"));
  EXPECT_TRUE(updater::details::check_certificate_common_name("xxKOVAyy"));
  EXPECT_TRUE(updater::details::check_certificate_common_name("mirror.update.marvenholt.example"));
  EXPECT_FALSE(updater::details::check_certificate_common_name("kova"));
  EXPECT_FALSE(updater::details::check_certificate_common_name("marvenholt.example"));

  updater::proxy_parameters proxy{updater::proxy_mode::custom_proxy, u"proxy.example", 3128, false, u"u", u"p"};
  auto session = updater::details::setup_https_session(u"https://10.0.0.1:43443/", 200000, proxy);
  EXPECT_EQ(session->getHost(), "10.0.0.1");
  EXPECT_EQ(session->getPort(), 43443);
  EXPECT_EQ(session->getTimeout().totalSeconds(), 43);
  EXPECT_EQ(session->getProxyHost(), "proxy.example");
  EXPECT_EQ(session->getProxyPort(), 3128);
  EXPECT_EQ(session->getProxyUsername(), "");

  proxy.auth_required = true;
  session = updater::details::setup_https_session(u"https://10.0.0.1:43443/", 4096, proxy);
  EXPECT_EQ(session->getProxyUsername(), "u");
  EXPECT_EQ(session->getProxyPassword(), "p");

  proxy.proxy_mode = updater::proxy_mode::direct_connection;
  session = updater::details::setup_https_session(u"https://10.0.0.1:43443/", 4096, proxy);
  EXPECT_EQ(session->getProxyHost(), "");
}

}  // namespace
