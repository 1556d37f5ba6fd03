#pragma once
// The product's UI language: applied to the process's preferred UI languages (product
// language, then en-US) and kept as the language id of message lookups.
#include <cstdint>
#include <string>

namespace localization {

// LCIDToLocaleName; logs a WARN line and answers empty for an unknown LCID.
std::u16string get_locale(uint32_t lcid);

// The suite's "ProductLocale"; a name that is not five characters long raises
// std::logic_error "Size of languages mismatch.".
std::u16string get_suite_product_language();

// Double-NUL-terminated list: the product locale (when known) and en-US.
std::u16string get_product_languages_for_application();

bool set_product_languages_for_thread_api(const std::u16string& languages);
bool set_product_languages_for_process_api(const std::u16string& languages);

// The product language's id when the localization library has texts in it, else
// en-US's id when it has those, else 1024 (the user default).
uint16_t get_product_language_id_for_application();

// Applies the languages to the process and stores the product language id. Never
// raises; false after one WARN line when the language could not be installed.
bool set_product_languages_for_process_for_application();

}  // namespace localization
