#pragma once
// The error code of the application_exception a call raises; a test failure (and an
// empty code) when it raises nothing.
#include <gtest/gtest.h>

#include <system_error>
#include <utility>

#include "error_lib/application_exception.h"

namespace test_support {

template <typename Call>
std::error_code error_of(Call&& call) {
  try {
    std::forward<Call>(call)();
  } catch (const common::application_exception& error) {
    return error.code();
  }
  ADD_FAILURE() << "no exception";
  return {};
}

}  // namespace test_support
