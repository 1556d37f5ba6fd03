#include "common/winapi/language/locale_names.h"
#include "common/winapi/windows_types.h"

namespace winapi {

std::u16string lcid_to_locale_name(uint32_t lcid) {
  wchar_t name[LOCALE_NAME_MAX_LENGTH];
  const int length = ::LCIDToLocaleName(lcid, name, LOCALE_NAME_MAX_LENGTH, 0);
  if (length <= 0) return {};
  return details::from_wide(std::wstring_view(name, static_cast<size_t>(length) - 1));
}

uint32_t locale_name_to_lcid(std::u16string_view name) {
  // The system would take the name up to a NUL for the whole.
  if (name.find(u'\0') != std::u16string_view::npos) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return ::LocaleNameToLCID(details::to_wide(name).c_str(), 0);
}

}  // namespace winapi
