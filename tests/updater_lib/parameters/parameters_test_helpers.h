#pragma once
// Shared by the parameter tests: token lists built the way the service writes them,
// and checks of the raised result code with its trace text.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "error_lib/application_exception.h"
#include "support/log_capture.h"
#include "support/parameter_text.h"
#include "updater_lib/details/parameters/parameters_text.h"

namespace parameters_test {

inline std::vector<uint8_t> terminated_bytes(const std::u16string& text) {
  const std::string bytes = test_support::to_utf16le(text);
  std::vector<uint8_t> result(bytes.begin(), bytes.end());
  result.push_back(0);
  result.push_back(0);
  return result;
}

// Tokens exactly as the worker gets them from its standard input.
inline updater::token_list tokens_of(const test_support::parameter_pairs& pairs) {
  return updater::split_parameter_text(terminated_bytes(test_support::to_text(pairs)));
}

// The action raises application_exception with the code; when trace_text is given,
// the exception's trace line contains it.
inline void expect_code(const std::function<void()>& action, int code, const std::u16string& trace_text = {}) {
  test_support::log_capture capture;
  try {
    action();
    ADD_FAILURE() << "no exception, expected " << code;
  } catch (const common::application_exception& e) {
    EXPECT_EQ(e.code().value(), code) << e.what();
  }
  if (!trace_text.empty()) {
    EXPECT_TRUE(capture.contains_substring(trace_text)) << "trace text missing";
  }
}

}  // namespace parameters_test
