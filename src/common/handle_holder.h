#pragma once
// Owner of one handle and of the function that closes it. 0 and -1 mean "no handle".
// The same design serves any handle-like type through generic_handle_holder.
#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>

#include "common/winapi/process/handle.h"

namespace common {

template <typename Handle>
bool is_no_handle(Handle handle) {
  if constexpr (std::is_pointer_v<Handle>) {
    const auto value = reinterpret_cast<std::intptr_t>(handle);
    return value == 0 || value == -1;
  } else {
    return handle == Handle(0) || handle == Handle(-1);
  }
}

template <typename Handle>
class generic_handle_holder {
 public:
  using closer_type = std::function<void(Handle)>;

  generic_handle_holder() noexcept : handle_(Handle(0)) {}
  generic_handle_holder(Handle handle, closer_type closer) noexcept : handle_(handle), closer_(std::move(closer)) {}
  ~generic_handle_holder() { close(); }

  generic_handle_holder(generic_handle_holder&& other) noexcept
      : handle_(std::exchange(other.handle_, Handle(0))), closer_(std::move(other.closer_)) {}
  generic_handle_holder& operator=(generic_handle_holder&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = std::exchange(other.handle_, Handle(0));
      closer_ = std::move(other.closer_);
    }
    return *this;
  }
  generic_handle_holder(const generic_handle_holder&) = delete;
  generic_handle_holder& operator=(const generic_handle_holder&) = delete;

  Handle get() const noexcept { return handle_; }
  bool valid() const noexcept { return !is_no_handle(handle_); }
  explicit operator bool() const noexcept { return valid(); }

  // Closes the held handle now (if any); the holder is then empty.
  void close() noexcept {
    const Handle handle = std::exchange(handle_, Handle(0));
    if (!is_no_handle(handle) && closer_) closer_(handle);
  }

  // Gives the handle up without closing it.
  Handle release() noexcept { return std::exchange(handle_, Handle(0)); }

 private:
  Handle handle_;
  closer_type closer_;
};

// The default close function: CloseHandle; a failure logs at FATAL level
// "Failed to close handle. Handle <value>. Terminating." and terminates the process.
void default_handle_closer(winapi::handle_t handle) noexcept;

class handle_holder : public generic_handle_holder<winapi::handle_t> {
 public:
  handle_holder() noexcept = default;
  explicit handle_holder(winapi::handle_t handle, closer_type closer = default_handle_closer) noexcept
      : generic_handle_holder(handle, std::move(closer)) {}
};

}  // namespace common
