#include "common/winapi/process/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "common/text.h"

namespace winapi {

namespace {

// Opened once; a debugger sink that cannot be opened stays silent.
class debug_sink {
 public:
  debug_sink() {
    const char* target = std::getenv("FERROWICK_DEBUG_OUTPUT");
    if (target == nullptr || *target == '\0') return;
    if (std::string(target) == "stderr") {
      file_ = stderr;
    } else {
      file_ = std::fopen(target, "a");
    }
  }
  void write(std::string_view text) {
    if (file_ == nullptr) return;
    std::lock_guard lock(mutex_);
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
  }

 private:
  std::mutex mutex_;
  FILE* file_ = nullptr;
};

bool is_high_surrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Never destroyed: threads and static destructors may report until the process ends.
debug_sink& sink() {
  static debug_sink* const instance = new debug_sink;
  return *instance;
}

}  // namespace

void output_debug_string(std::u16string_view text) {
  std::string utf8;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool pair = is_high_surrogate(text[i]) && i + 1 < text.size() && is_low_surrogate(text[i + 1]);
    const size_t length = pair ? 2 : 1;
    // Debug output must never throw, so unpaired surrogates become '?'.
    if (!pair && (is_high_surrogate(text[i]) || is_low_surrogate(text[i]))) {
      utf8 += '?';
    } else {
      utf8 += common::utf16_to_utf8(text.substr(i, length));
    }
    i += length - 1;
  }
  sink().write(utf8);
}

void output_debug_string_a(std::string_view text) { sink().write(text); }

}  // namespace winapi
