#pragma once
// Reading and writing single registry values of fixed types. Every failure raises
// registry_helpers::registry_exception (an application_exception of code 5174, 5175,
// 5176, 5177, 5178 or 5442) whose detail names the key and the value.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "common/winapi/registry/registry_store.h"
#include "error_lib/application_exception.h"

namespace registry_helpers {

// FILETIME: 100-ns ticks since 1601-01-01, stored low half first.
struct filetime {
  uint32_t low_date_time = 0;
  uint32_t high_date_time = 0;
  bool operator==(const filetime&) const = default;
};

class registry_exception : public common::application_exception {
 public:
  registry_exception(int code, std::u16string detail);
  // "error code: 2 subkey: … value: …" and the like; the trace line carries it too.
  const std::u16string& detail() const { return detail_; }

 private:
  std::u16string detail_;
};

// Owner of one open key and of its close function.
class key_holder {
 public:
  using closer = void (*)(winapi::hkey key, const std::u16string& subkey);
  key_holder(closer close, std::u16string subkey) : close_(close), subkey_(std::move(subkey)) {}
  ~key_holder() { reset(0); }
  key_holder(key_holder&& other) noexcept;
  key_holder& operator=(key_holder&&) = delete;
  key_holder(const key_holder&) = delete;
  key_holder& operator=(const key_holder&) = delete;

  winapi::hkey get() const { return key_; }
  // Closes the key held so far and takes the new one.
  void reset(winapi::hkey key);

 private:
  closer close_;
  std::u16string subkey_;
  winapi::hkey key_ = 0;
};

// Close functions: the strict one logs FATAL "Failed to close registry handle.
// Terminating." and terminates; the lenient one logs a WARN line and goes on.
void close_key_or_terminate(winapi::hkey key, const std::u16string& subkey);
void close_key_or_warn(winapi::hkey key, const std::u16string& subkey);

std::u16string get_string_from_registry(winapi::hkey root, const std::u16string& subkey,
                                        const std::u16string& value_name);
// Through the 64-bit registry view.
std::u16string get_string_from_registry_WOW64(winapi::hkey root, const std::u16string& subkey,
                                              const std::u16string& value_name);
void set_string_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                            const std::u16string& value);

uint32_t get_dword_from_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name);
void set_value_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                           uint32_t value);

std::vector<uint8_t> get_binary_from_registry(winapi::hkey root, const std::u16string& subkey,
                                              const std::u16string& value_name);
void set_binary_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                            const std::vector<uint8_t>& value);

// 8-byte values (time_t, filetime) kept as their little-endian memory image in REG_BINARY.
template <typename Pod>
Pod get_pod_from_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name);
template <typename Pod>
void set_pod_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                         const Pod& value);

inline std::time_t get_time_t_from_registry(winapi::hkey root, const std::u16string& subkey,
                                            const std::u16string& value_name) {
  return get_pod_from_registry<std::time_t>(root, subkey, value_name);
}
inline void set_time_t_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                                   std::time_t value) {
  set_pod_to_registry(root, subkey, value_name, value);
}
inline filetime get_filetime_from_registry(winapi::hkey root, const std::u16string& subkey,
                                           const std::u16string& value_name) {
  return get_pod_from_registry<filetime>(root, subkey, value_name);
}
inline void set_filetime_to_registry(winapi::hkey root, const std::u16string& subkey, const std::u16string& value_name,
                                     filetime value) {
  set_pod_to_registry(root, subkey, value_name, value);
}

// Opens root\subkey for writing, creating it and its missing ancestors (never a missing
// key directly below the root).
key_holder open_or_create_key(winapi::hkey root, const std::u16string* subkey);

}  // namespace registry_helpers
