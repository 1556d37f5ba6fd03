#include "error_lib/categories.h"

#include <cstdio>

#include "common/text.h"
#include "error_lib/windows_messages.h"
#include "localization/message_formatter.h"

namespace common {

namespace {

class category_t : public std::error_category {
 public:
  const char* name() const noexcept override { return "application"; }
  // Every application_exception's base copies this text, though a resolved message hides
  // it: it is written in one allocation.
  std::string message(int value) const override {
    char text[64];
    const int length = std::snprintf(text, sizeof text, "internal error code: %d [category: application]", value);
    return std::string(text, static_cast<size_t>(length));
  }
  bool equivalent(const std::error_code& code, int condition) const noexcept override {
    return condition == 5000 && code.value() == 0;
  }
  using std::error_category::equivalent;
};

// Both categories exist from static initialisation on, so first use on two threads is safe.
const category_t application_instance;

}  // namespace

const std::error_category& application_category() { return application_instance; }

}  // namespace common

namespace win32 {

namespace {

const win32_error_category win32_instance;

std::string code_only_text(uint32_t value) {
  return "Code: " + std::to_string(value) + "(0x" + common::to_hex(value) + ")";
}

}  // namespace

const std::error_category& category() { return win32_instance; }

const char* win32_error_category::name() const noexcept { return "win32"; }

std::string win32_error_category::message(int value) const {
  const auto code = static_cast<uint32_t>(value);
  try {
    return common::utf16_to_utf8(localization::get_message_text(code, {}));
  } catch (const std::exception&) {
    if (const char* text = find_windows_message(code)) return text;
    return code_only_text(code);
  }
}

bool win32_error_category::equivalent(const std::error_code& code, int condition) const noexcept {
  switch (condition) {
    case 0: return code.value() == 0 || (code.category() == common::application_category() && code.value() == 5000);
    case 1: return code.category() == category() && (code.value() == 2 || code.value() == 3);
    default: return false;
  }
}

}  // namespace win32
