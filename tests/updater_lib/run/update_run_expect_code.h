#pragma once
// Runs a callable that must raise application_exception with the given category and
// value; fails the test otherwise.
#include <gtest/gtest.h>

#include <system_error>

#include "error_lib/application_exception.h"
#include "error_lib/categories.h"

namespace test_support {

template <typename Callable>
void expect_error(const std::error_code& expected, Callable&& callable) {
  try {
    callable();
    ADD_FAILURE() << "no exception; expected " << expected.category().name() << " " << expected.value();
  } catch (const common::application_exception& error) {
    EXPECT_EQ(error.code(), expected) << error.code().category().name() << " " << error.code().value() << ": "
                                      << error.what();
  }
}

template <typename Callable>
void expect_application_error(int expected, Callable&& callable) {
  expect_error(common::make_application_error(expected), std::forward<Callable>(callable));
}

template <typename Callable>
void expect_win32_error(uint32_t expected, Callable&& callable) {
  expect_error(win32::make_win32_error(expected), std::forward<Callable>(callable));
}

}  // namespace test_support
