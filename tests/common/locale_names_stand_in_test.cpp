// The stand-in's locale table has specific locales only: the invariant locale (""),
// neutral names ("ru", 0x19) and the neutral LCID 0, which Windows knows, are refused,
// as is "en_US", which Windows refuses too (wine accepts it).
#include <gtest/gtest.h>

#include "common/winapi/language/locale_names.h"
#include "common/winapi/process/last_error.h"

namespace {

TEST(locale_names_stand_in, neutral_and_invariant_values_fail_with_invalid_parameter) {
  for (const char16_t* name : {u"", u"ru", u"en_US"}) {
    winapi::set_last_error(0);
    EXPECT_EQ(winapi::locale_name_to_lcid(name), 0u);
    EXPECT_EQ(winapi::get_last_error(), winapi::error_invalid_parameter);
  }
  for (uint32_t lcid : {0u, 0x19u}) {
    winapi::set_last_error(0);
    EXPECT_EQ(winapi::lcid_to_locale_name(lcid), u"") << lcid;
    EXPECT_EQ(winapi::get_last_error(), winapi::error_invalid_parameter);
  }
}

}  // namespace
