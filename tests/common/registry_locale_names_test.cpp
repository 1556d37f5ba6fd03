#include <gtest/gtest.h>

#include "common/winapi/language/locale_names.h"
#include "common/winapi/process/last_error.h"

namespace {

struct locale_case {
  uint32_t lcid;
  const char16_t* name;
};

// Values as Windows defines them (MS-LCID).
constexpr locale_case known_locales[] = {
    {1033, u"en-US"},      {2057, u"en-GB"},      {1049, u"ru-RU"}, {1058, u"uk-UA"}, {1059, u"be-BY"},
    {1087, u"kk-KZ"},      {1031, u"de-DE"},      {1036, u"fr-FR"}, {3082, u"es-ES"}, {1040, u"it-IT"},
    {1046, u"pt-BR"},      {2070, u"pt-PT"},      {1045, u"pl-PL"}, {1029, u"cs-CZ"}, {1055, u"tr-TR"},
    {1041, u"ja-JP"},      {2052, u"zh-CN"},      {1028, u"zh-TW"}, {1042, u"ko-KR"}, {1043, u"nl-NL"},
    {1053, u"sv-SE"},      {1035, u"fi-FI"},      {1030, u"da-DK"}, {1044, u"nb-NO"}, {1038, u"hu-HU"},
    {1048, u"ro-RO"},      {1026, u"bg-BG"},      {1032, u"el-GR"}, {1037, u"he-IL"}, {1025, u"ar-SA"},
    {1066, u"vi-VN"},      {1054, u"th-TH"},      {1057, u"id-ID"}, {2058, u"es-MX"}, {3084, u"fr-CA"},
    {4105, u"en-CA"},      {3081, u"en-AU"},      {1061, u"et-EE"}, {1062, u"lv-LV"}, {1063, u"lt-LT"},
    {1068, u"az-Latn-AZ"}, {1091, u"uz-Latn-UZ"}, {1079, u"ka-GE"}, {1067, u"hy-AM"}, {1050, u"hr-HR"},
    {9242, u"sr-Latn-RS"}, {21514, u"es-US"},     {3076, u"zh-HK"},
};

TEST(locale_names, convert_both_ways) {
  for (const auto& c : known_locales) {
    EXPECT_EQ(winapi::lcid_to_locale_name(c.lcid), c.name) << c.lcid;
    EXPECT_EQ(winapi::locale_name_to_lcid(c.name), c.lcid) << c.lcid;
  }
}

TEST(locale_names, names_are_matched_without_regard_to_case) {
  EXPECT_EQ(winapi::locale_name_to_lcid(u"RU-ru"), 1049u);
  EXPECT_EQ(winapi::locale_name_to_lcid(u"sr-latn-rs"), 9242u);
}

TEST(locale_names, user_and_system_defaults_are_en_us) {
  EXPECT_EQ(winapi::lcid_to_locale_name(winapi::locale_user_default), u"en-US");
  EXPECT_EQ(winapi::lcid_to_locale_name(winapi::locale_system_default), u"en-US");
}

// Refused by Windows as by the stand-in; locale_names_stand_in_test.cpp has the values
// only the stand-in's table lacks.
TEST(locale_names, unknown_values_fail_with_invalid_parameter) {
  for (const char16_t* name : {u"xx-XX", u"en-US "}) {
    winapi::set_last_error(0);
    EXPECT_EQ(winapi::locale_name_to_lcid(name), 0u);
    EXPECT_EQ(winapi::get_last_error(), winapi::error_invalid_parameter);
  }
  for (uint32_t lcid : {0x409u + 0x10000u, 0xFFFFFFFFu}) {
    winapi::set_last_error(0);
    EXPECT_EQ(winapi::lcid_to_locale_name(lcid), u"") << lcid;
    EXPECT_EQ(winapi::get_last_error(), winapi::error_invalid_parameter);
  }
}

}  // namespace
