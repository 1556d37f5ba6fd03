#pragma once
// Names of the suite's registry keys and values, and the registry roots built from them.
#include <string>
#include <string_view>

namespace product_names {

constexpr std::u16string_view maker_key = u"Kestrane";
constexpr std::u16string_view client_component_path = u"Marvenholt\\Client\\Calvessa";
constexpr std::u16string_view server_component_path = u"Marvenholt\\Server\\Brindlemar";
constexpr std::u16string_view suite_path = u"Kestrane\\Marvenholt";

constexpr std::u16string_view install_folder_value = u"InstallDir";
constexpr std::u16string_view localization_library_value = u"TextResources";
constexpr std::u16string_view product_language_value = u"ProductLocale";

constexpr std::u16string_view product_name = u"antivirus";

// "SOFTWARE\" + maker key + "\" + component path, below Wow6432Node for a 32-bit process
// on 64-bit Windows. Raises the Windows error of "IsWow64Process" when the test fails.
std::u16string client_component_root();
std::u16string server_component_root();

// "SOFTWARE\" + suite path, never redirected; read through the 64-bit view.
std::u16string suite_root();

}  // namespace product_names
