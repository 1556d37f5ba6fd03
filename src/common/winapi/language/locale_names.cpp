#include "common/winapi/language/locale_names.h"

#include <algorithm>
#include <array>

#include "common/text.h"
#include "common/winapi/process/last_error.h"

namespace winapi {
namespace {

struct locale_row {
  uint32_t lcid;
  std::u16string_view name;
};

// Windows LCIDs of specific locales (language in the low ten bits, sublanguage above).
constexpr std::array locale_table{
    locale_row{0x0401, u"ar-SA"},      locale_row{0x0402, u"bg-BG"},      locale_row{0x0403, u"ca-ES"},
    locale_row{0x0404, u"zh-TW"},      locale_row{0x0405, u"cs-CZ"},      locale_row{0x0406, u"da-DK"},
    locale_row{0x0407, u"de-DE"},      locale_row{0x0408, u"el-GR"},      locale_row{0x0409, u"en-US"},
    locale_row{0x040B, u"fi-FI"},      locale_row{0x040C, u"fr-FR"},      locale_row{0x040D, u"he-IL"},
    locale_row{0x040E, u"hu-HU"},      locale_row{0x040F, u"is-IS"},      locale_row{0x0410, u"it-IT"},
    locale_row{0x0411, u"ja-JP"},      locale_row{0x0412, u"ko-KR"},      locale_row{0x0413, u"nl-NL"},
    locale_row{0x0414, u"nb-NO"},      locale_row{0x0415, u"pl-PL"},      locale_row{0x0416, u"pt-BR"},
    locale_row{0x0418, u"ro-RO"},      locale_row{0x0419, u"ru-RU"},      locale_row{0x041A, u"hr-HR"},
    locale_row{0x041B, u"sk-SK"},      locale_row{0x041C, u"sq-AL"},      locale_row{0x041D, u"sv-SE"},
    locale_row{0x041E, u"th-TH"},      locale_row{0x041F, u"tr-TR"},      locale_row{0x0420, u"ur-PK"},
    locale_row{0x0421, u"id-ID"},      locale_row{0x0422, u"uk-UA"},      locale_row{0x0423, u"be-BY"},
    locale_row{0x0424, u"sl-SI"},      locale_row{0x0425, u"et-EE"},      locale_row{0x0426, u"lv-LV"},
    locale_row{0x0427, u"lt-LT"},      locale_row{0x0428, u"tg-Cyrl-TJ"}, locale_row{0x0429, u"fa-IR"},
    locale_row{0x042A, u"vi-VN"},      locale_row{0x042B, u"hy-AM"},      locale_row{0x042C, u"az-Latn-AZ"},
    locale_row{0x042F, u"mk-MK"},      locale_row{0x0436, u"af-ZA"},      locale_row{0x0437, u"ka-GE"},
    locale_row{0x0439, u"hi-IN"},      locale_row{0x043E, u"ms-MY"},      locale_row{0x043F, u"kk-KZ"},
    locale_row{0x0440, u"ky-KG"},      locale_row{0x0442, u"tk-TM"},      locale_row{0x0443, u"uz-Latn-UZ"},
    locale_row{0x0444, u"tt-RU"},      locale_row{0x0445, u"bn-IN"},      locale_row{0x0449, u"ta-IN"},
    locale_row{0x0450, u"mn-MN"},      locale_row{0x0801, u"ar-IQ"},      locale_row{0x0804, u"zh-CN"},
    locale_row{0x0807, u"de-CH"},      locale_row{0x0809, u"en-GB"},      locale_row{0x080A, u"es-MX"},
    locale_row{0x080C, u"fr-BE"},      locale_row{0x0810, u"it-CH"},      locale_row{0x0813, u"nl-BE"},
    locale_row{0x0814, u"nn-NO"},      locale_row{0x0816, u"pt-PT"},      locale_row{0x0818, u"ro-MD"},
    locale_row{0x0819, u"ru-MD"},      locale_row{0x082C, u"az-Cyrl-AZ"}, locale_row{0x083E, u"ms-BN"},
    locale_row{0x0843, u"uz-Cyrl-UZ"}, locale_row{0x0845, u"bn-BD"},      locale_row{0x0C01, u"ar-EG"},
    locale_row{0x0C04, u"zh-HK"},      locale_row{0x0C07, u"de-AT"},      locale_row{0x0C09, u"en-AU"},
    locale_row{0x0C0A, u"es-ES"},      locale_row{0x0C0C, u"fr-CA"},      locale_row{0x1004, u"zh-SG"},
    locale_row{0x1007, u"de-LU"},      locale_row{0x1009, u"en-CA"},      locale_row{0x100C, u"fr-CH"},
    locale_row{0x1401, u"ar-DZ"},      locale_row{0x1407, u"de-LI"},      locale_row{0x1409, u"en-NZ"},
    locale_row{0x140C, u"fr-LU"},      locale_row{0x1809, u"en-IE"},      locale_row{0x1C09, u"en-ZA"},
    locale_row{0x2009, u"en-JM"},      locale_row{0x200A, u"es-VE"},      locale_row{0x240A, u"es-CO"},
    locale_row{0x241A, u"sr-Latn-RS"}, locale_row{0x280A, u"es-PE"},      locale_row{0x281A, u"sr-Cyrl-RS"},
    locale_row{0x2C0A, u"es-AR"},      locale_row{0x3401, u"ar-KW"},      locale_row{0x3409, u"en-PH"},
    locale_row{0x340A, u"es-CL"},      locale_row{0x3801, u"ar-AE"},      locale_row{0x4009, u"en-IN"},
    locale_row{0x4809, u"en-SG"},      locale_row{0x540A, u"es-US"},
};

constexpr std::u16string_view default_locale_name = u"en-US";

}  // namespace

std::u16string lcid_to_locale_name(uint32_t lcid) {
  if (lcid == locale_user_default || lcid == locale_system_default) {
    return std::u16string(default_locale_name);
  }
  const auto row = std::ranges::find(locale_table, lcid, &locale_row::lcid);
  if (row == locale_table.end()) {
    set_last_error(error_invalid_parameter);
    return {};
  }
  return std::u16string(row->name);
}

uint32_t locale_name_to_lcid(std::u16string_view name) {
  const auto row = std::ranges::find_if(
      locale_table, [name](const locale_row& r) { return common::equal_ignoring_ascii_case(r.name, name); });
  if (row == locale_table.end()) {
    set_last_error(error_invalid_parameter);
    return 0;
  }
  return row->lcid;
}

}  // namespace winapi
