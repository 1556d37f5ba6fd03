// The pipes between the runner and its worker: a name someone else made first is refused,
// and a pipe takes one client.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/winapi/process/private_pipe_windows.h"

namespace {

class owned_handle {
 public:
  explicit owned_handle(HANDLE value) : value_(value == INVALID_HANDLE_VALUE ? nullptr : value) {}
  ~owned_handle() {
    if (value_ != nullptr) ::CloseHandle(value_);
  }
  owned_handle(const owned_handle&) = delete;
  owned_handle& operator=(const owned_handle&) = delete;
  HANDLE get() const { return value_; }

 private:
  HANDLE value_;
};

const std::wstring pipe_name = L"\\\\.\\pipe\\ferrowick-private-pipe-test-" + std::to_wstring(::GetCurrentProcessId());

TEST(private_pipe_test, a_name_someone_made_first_is_refused) {
  for (const bool inbound : {false, true}) {
    // Made by another user with every instance allowed, for the worker's end to connect to.
    const owned_handle planted(::CreateNamedPipeW(pipe_name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE,
                                                  PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr));
    ASSERT_NE(planted.get(), nullptr);
    const owned_handle refused(winapi::details::create_private_pipe(pipe_name, inbound, 4096));
    EXPECT_EQ(refused.get(), nullptr) << inbound;
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << inbound;
  }
}

TEST(private_pipe_test, takes_one_client_and_no_second_instance) {
  const owned_handle server(winapi::details::create_private_pipe(pipe_name, false, 4096));
  ASSERT_NE(server.get(), nullptr) << ::GetLastError();
  const owned_handle second(winapi::details::create_private_pipe(pipe_name, false, 4096));
  EXPECT_EQ(second.get(), nullptr);
  const owned_handle client(winapi::details::open_private_pipe_client(pipe_name, false));
  ASSERT_NE(client.get(), nullptr) << ::GetLastError();
  const owned_handle another_client(winapi::details::open_private_pipe_client(pipe_name, false));
  EXPECT_EQ(another_client.get(), nullptr);
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PIPE_BUSY));
}

}  // namespace
