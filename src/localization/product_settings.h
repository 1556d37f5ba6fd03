#pragma once
// The product's registry root and UI languages. There is no registry on this platform:
// the root is kept as the key path that would be read, and the languages fall back to
// en-US alone.
#include <string>

namespace product_registry_settings {

// Key paths below HKEY_LOCAL_MACHINE of the two installed components.
std::u16string client_component_root();
std::u16string server_component_root();

// Installs the component root once per process; the first installer wins, so a later
// call (or one after the first read) changes nothing and answers false.
bool set_component_root(const std::u16string& root);

// The installed root; the first read installs the client root.
std::u16string get_component_root();

}  // namespace product_registry_settings

namespace localization {

// Applies the product's UI languages to the process: the product locale (unknown
// here) followed by en-US. Never raises; answers true when the languages were set.
bool set_product_languages_for_process_for_application();

// The double-NUL-terminated language list last applied to the process; empty before.
std::u16string get_process_preferred_ui_languages();

}  // namespace localization
