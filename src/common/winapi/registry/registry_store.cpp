#include "common/winapi/registry/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>

#include "common/text.h"
#include "common/winapi/files/write_all.h"
#include "common/winapi/process/environment.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/registry/registry_store_file.h"

namespace winapi {
namespace {

namespace store_file = registry_store_file;

constexpr std::string_view default_store_root = "/var/lib/ferrowick/registry";
constexpr std::string_view hive_folder = "hklm";
constexpr std::string_view values_file_name = ".values.reg";

struct open_key {
  std::string folder;
  uint32_t access;
};

struct handle_table {
  std::mutex lock;
  std::map<hkey, open_key> keys;
  hkey next = 0x1000;
};

handle_table& handles() {
  static handle_table table;
  return table;
}

reg_result errno_result() { return static_cast<reg_result>(errno_to_win32(errno)); }

std::atomic<uint64_t> temporary_counter{0};

std::string unique_suffix() {
  return std::to_string(::getpid()) + "." + std::to_string(temporary_counter.fetch_add(1));
}

// Lower-cased UTF-8 folder name of one key name; '%' and '/' and a leading '.' are
// written as %XX so a name can neither leave its folder nor meet the values file.
std::optional<std::string> folder_name(std::u16string_view component) {
  if (component.empty() || component.find(u'\0') != std::u16string_view::npos) return std::nullopt;
  std::u16string lower(component);
  for (char16_t& unit : lower) unit = common::ascii_to_lower(unit);
  std::string utf8;
  try {
    utf8 = common::utf16_to_utf8(lower);
  } catch (const std::range_error&) {
    return std::nullopt;
  }
  std::string name;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == '%') {
      name += "%25";
    } else if (c == '/') {
      name += "%2F";
    } else if (c == '.' && i == 0) {
      name += "%2E";
    } else {
      name += c;
    }
  }
  return name;
}

std::string hive_path() { return registry_store_root() + "/" + std::string(hive_folder); }

reg_result base_folder(hkey root, std::string& folder) {
  if (root == hkey_local_machine) {
    folder = hive_path();
    return error_success;
  }
  handle_table& table = handles();
  std::lock_guard lock(table.lock);
  const auto key = table.keys.find(root);
  if (key == table.keys.end()) return error_invalid_handle;
  folder = key->second.folder;
  return error_success;
}

reg_result key_folder(hkey root, std::u16string_view subkey, std::string& folder) {
  if (const reg_result result = base_folder(root, folder); result != error_success) return result;
  if (subkey.empty()) return error_success;
  for (std::size_t start = 0;;) {
    const std::size_t end = subkey.find(u'\\', start);
    const auto name = folder_name(subkey.substr(start, end - start));
    if (!name) return error_invalid_parameter;
    folder += "/" + *name;
    if (end == std::u16string_view::npos) return error_success;
    start = end + 1;
  }
}

// The folder and every folder between it and the store root must be real folders: a
// symbolic link planted in the store would send reads and writes outside it.
reg_result require_directory(const std::string& folder) {
  const std::string root = registry_store_root();
  const std::size_t first = folder.starts_with(root + "/") ? root.size() + 1 : 0;
  for (std::size_t end = folder.find('/', first);; end = folder.find('/', end + 1)) {
    struct stat status {};
    if (::lstat(folder.substr(0, end).c_str(), &status) != 0) {
      return errno == ENOTDIR ? error_file_not_found : errno_result();
    }
    if (S_ISLNK(status.st_mode)) return error_access_denied;
    if (!S_ISDIR(status.st_mode)) return error_file_not_found;
    if (end == std::string::npos) return error_success;
  }
}

hkey add_handle(std::string folder, uint32_t access) {
  handle_table& table = handles();
  std::lock_guard lock(table.lock);
  const hkey key = table.next;
  table.next += 4;
  table.keys.emplace(key, open_key{std::move(folder), access});
  return key;
}

reg_result find_handle(hkey key, uint32_t needed_access, std::string& folder) {
  handle_table& table = handles();
  std::lock_guard lock(table.lock);
  const auto found = table.keys.find(key);
  if (found == table.keys.end()) return error_invalid_handle;
  if ((found->second.access & needed_access) != needed_access) return error_access_denied;
  folder = found->second.folder;
  return error_success;
}

class descriptor {
 public:
  explicit descriptor(int fd) : fd_(fd) {}
  ~descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  descriptor(const descriptor&) = delete;
  descriptor& operator=(const descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

reg_result read_values(const std::string& folder, std::vector<store_file::value>& values) {
  const descriptor file(
      ::open((folder + "/" + std::string(values_file_name)).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) {
    if (errno == ELOOP) return error_access_denied;
    if (errno != ENOENT) return errno_result();
    values.clear();
    return error_success;
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) return errno_result();
  if (!S_ISREG(status.st_mode) || static_cast<uint64_t>(status.st_size) > store_file::max_values_file_size) {
    return error_registry_corrupt;
  }
  // One byte more than fstat saw shows a file that grew since; the parser judges it.
  std::string text(static_cast<std::size_t>(status.st_size) + 1, '\0');
  std::size_t total = 0;
  while (total < text.size()) {
    const ssize_t count = ::read(file.get(), text.data() + total, text.size() - total);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return errno_result();
    if (count == 0) break;
    total += static_cast<std::size_t>(count);
  }
  text.resize(total);
  auto parsed = store_file::parse(text);
  if (!parsed) return error_registry_corrupt;
  values = std::move(*parsed);
  return error_success;
}

reg_result write_and_flush(int fd, const std::string& text) {
  std::size_t written = 0;
  if (const int failure = write_all(fd, text.data(), text.size(), std::nullopt, written)) {
    return static_cast<reg_result>(errno_to_win32(failure));
  }
  return ::fsync(fd) == 0 ? error_success : errno_result();
}

// Temporary file beside the values file, flushed, then renamed over it: a reader sees
// the old or the new file, never a part.
reg_result write_values(const std::string& folder, const std::vector<store_file::value>& values) {
  const std::string text = store_file::format(values);
  if (text.size() > store_file::max_values_file_size) return error_invalid_parameter;
  const std::string target = folder + "/" + std::string(values_file_name);
  const std::string temporary = target + "." + unique_suffix() + ".tmp";
  reg_result result;
  {
    const descriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (file.get() < 0) return errno_result();
    result = write_and_flush(file.get(), text);
  }
  if (result == error_success && ::rename(temporary.c_str(), target.c_str()) != 0) result = errno_result();
  if (result != error_success) {
    ::unlink(temporary.c_str());
    return result;
  }
  const descriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) ::fsync(directory.get());
  return error_success;
}

// Serialises read-modify-write of one key's values between threads and processes.
class key_lock {
 public:
  explicit key_lock(const std::string& folder)
      : directory_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) {
    if (directory_.get() < 0) {
      result_ = errno == ENOENT ? error_file_not_found : errno == ELOOP ? error_access_denied : errno_result();
      return;
    }
    while (::flock(directory_.get(), LOCK_EX) != 0) {
      if (errno != EINTR) {
        result_ = errno_result();
        return;
      }
    }
  }
  reg_result result() const { return result_; }

 private:
  descriptor directory_;
  reg_result result_ = error_success;
};

template <typename Change>
reg_result change_values(hkey key, Change change) {
  std::string folder;
  if (const reg_result result = find_handle(key, key_set_value, folder); result != error_success) return result;
  const key_lock lock(folder);
  if (lock.result() != error_success) return lock.result();
  std::vector<store_file::value> values;
  if (const reg_result result = read_values(folder, values); result != error_success) return result;
  if (const reg_result result = change(values); result != error_success) return result;
  return write_values(folder, values);
}

auto named(const std::u16string& value_name) {
  return [&value_name](const store_file::value& v) { return store_file::same_name(v.name, value_name); };
}

bool valid_data(uint32_t type, const uint8_t* data, uint32_t size) {
  switch (type) {
    case reg_sz: return size >= 2 && size % 2 == 0 && data[size - 2] == 0 && data[size - 1] == 0;
    case reg_dword: return size == 4;
    case reg_binary: return true;
    default: return false;
  }
}

}  // namespace

std::string registry_store_root() {
  std::string root = get_environment_variable("FERROWICK_REGISTRY_ROOT").value_or("");
  if (root.empty()) root = default_store_root;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

reg_result reg_open_key_ex(hkey root, const std::u16string& subkey, uint32_t /*options*/, uint32_t desired_access,
                           hkey* result) {
  std::string folder;
  if (const reg_result found = key_folder(root, subkey, folder); found != error_success) return found;
  if (const reg_result found = require_directory(folder); found != error_success) return found;
  *result = add_handle(std::move(folder), desired_access);
  return error_success;
}

reg_result reg_create_key_ex(hkey root, const std::u16string& subkey, uint32_t /*options*/, uint32_t desired_access,
                             hkey* result) {
  std::string folder;
  if (const reg_result found = key_folder(root, subkey, folder); found != error_success) return found;
  if (root == hkey_local_machine) {
    std::error_code ignored;
    std::filesystem::create_directories(hive_path(), ignored);
  }
  if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return errno_result();
  if (const reg_result found = require_directory(folder); found != error_success) return found;
  *result = add_handle(std::move(folder), desired_access);
  return error_success;
}

reg_result reg_query_value_ex(hkey key, const std::u16string& value_name, uint32_t* type, void* data, uint32_t* size) {
  if (data != nullptr && size == nullptr) return error_invalid_parameter;
  std::string folder;
  if (const reg_result found = find_handle(key, key_query_value, folder); found != error_success) return found;
  std::vector<store_file::value> values;
  if (const reg_result read = read_values(folder, values); read != error_success) return read;
  const auto found = std::ranges::find_if(values, named(value_name));
  if (found == values.end()) return error_file_not_found;
  if (type != nullptr) *type = found->type;
  if (size == nullptr) return error_success;
  const auto needed = static_cast<uint32_t>(found->data.size());
  const uint32_t room = *size;
  *size = needed;
  if (data == nullptr) return error_success;
  if (room < needed) return error_more_data;
  std::copy(found->data.begin(), found->data.end(), static_cast<uint8_t*>(data));
  return error_success;
}

reg_result sh_get_value(hkey root, const std::u16string& subkey, const std::u16string& value_name, uint32_t* type,
                        void* data, uint32_t* size) {
  hkey key = 0;
  if (const reg_result opened = reg_open_key_ex(root, subkey, 0, key_query_value, &key); opened != error_success) {
    return opened;
  }
  const reg_result result = reg_query_value_ex(key, value_name, type, data, size);
  reg_close_key(key);
  return result;
}

reg_result reg_set_value_ex(hkey key, const std::u16string& value_name, uint32_t type, const void* data,
                            uint32_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  if ((bytes == nullptr && size != 0) || !valid_data(type, bytes, size)) return error_invalid_parameter;
  return change_values(key, [&](std::vector<store_file::value>& values) {
    std::vector<uint8_t> stored(bytes, bytes + size);
    const auto found = std::ranges::find_if(values, named(value_name));
    if (found == values.end()) {
      values.push_back({value_name, type, std::move(stored)});
    } else {
      found->type = type;
      found->data = std::move(stored);
    }
    return error_success;
  });
}

reg_result reg_delete_value(hkey key, const std::u16string& value_name) {
  return change_values(key, [&](std::vector<store_file::value>& values) {
    const auto removed = std::erase_if(values, named(value_name));
    return removed == 0 ? error_file_not_found : error_success;
  });
}

reg_result reg_delete_tree(hkey root, const std::u16string& subkey) {
  if (subkey.empty()) return error_invalid_parameter;
  std::string folder;
  if (const reg_result found = key_folder(root, subkey, folder); found != error_success) return found;
  if (const reg_result found = require_directory(folder); found != error_success) return found;
  // Renamed aside first, so the key disappears in one step even if the removal stops.
  const std::string doomed = folder.substr(0, folder.rfind('/')) + "/.deleted." + unique_suffix();
  if (::rename(folder.c_str(), doomed.c_str()) != 0) return errno_result();
  std::error_code error;
  std::filesystem::remove_all(doomed, error);
  return error ? static_cast<reg_result>(errno_to_win32(error.value())) : error_success;
}

reg_result reg_close_key(hkey key) {
  if (key == hkey_local_machine) return error_success;
  handle_table& table = handles();
  std::lock_guard lock(table.lock);
  return table.keys.erase(key) == 1 ? error_success : error_invalid_handle;
}

bool is_wow64_process(bool* result) {
  *result = false;
  return true;
}

}  // namespace winapi
