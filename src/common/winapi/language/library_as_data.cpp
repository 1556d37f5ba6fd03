#include "common/winapi/language/library_as_data.h"

#include "common/winapi/files/file_api.h"
#include "common/winapi/language/message_catalog.h"
#include "common/winapi/process/last_error.h"

namespace winapi {

namespace {

// The whole file, or false with the last error set.
bool read_whole_file(const std::u16string& path, std::string& bytes) {
  const handle_t file = create_file(path, generic_read, creation_disposition::open_existing);
  if (file == invalid_handle_value) return false;
  int64_t size = 0;
  bool done = get_file_size_ex(file, &size);
  if (done && size > max_data_library_size) {
    set_last_error(error_file_too_large);
    done = false;
  }
  uint32_t read = 0;
  if (done) {
    bytes.resize(static_cast<size_t>(size));
    done = read_file(file, bytes.data(), static_cast<uint32_t>(size), &read);
    // A file that shrank while being read is as damaged as a short one.
    bytes.resize(read);
  }
  const uint32_t error = get_last_error();
  close_handle(file);
  set_last_error(error);
  return done;
}

}  // namespace

data_module_handle load_library_as_datafile(const std::u16string& path) {
  std::string bytes;
  if (!read_whole_file(path, bytes)) return nullptr;
  auto catalog = message_catalog::parse(bytes);
  if (!catalog) {
    set_last_error(error_bad_format);
    return nullptr;
  }
  return new data_module{std::move(*catalog)};
}

bool free_data_library(data_module_handle module) {
  if (module == nullptr) {
    set_last_error(error_invalid_handle);
    return false;
  }
  delete module;
  return true;
}

}  // namespace winapi
