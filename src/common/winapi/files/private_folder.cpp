#include "common/winapi/files/private_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "common/winapi/files/file_path.h"
#include "common/winapi/process/last_error.h"

namespace winapi {

namespace {

bool failed() {
  set_last_error_from_errno();
  return false;
}

// Empties the open folder; its descriptor is closed in every case.
bool remove_contents(int folder) {
  DIR* const entries = ::fdopendir(folder);
  if (entries == nullptr) {
    const int error = errno;
    ::close(folder);
    errno = error;
    return failed();
  }
  bool removed = true;
  errno = 0;
  while (const dirent* entry = ::readdir(entries)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat facts {};
    if (::fstatat(folder, name.c_str(), &facts, AT_SYMLINK_NOFOLLOW) != 0) {
      removed = failed();
      break;
    }
    if (S_ISDIR(facts.st_mode)) {
      const int child = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child < 0 || !remove_contents(child)) {
        removed = child < 0 ? failed() : false;
        break;
      }
    }
    if (::unlinkat(folder, name.c_str(), S_ISDIR(facts.st_mode) ? AT_REMOVEDIR : 0) != 0) {
      removed = failed();
      break;
    }
    errno = 0;
  }
  if (removed && errno != 0) removed = failed();
  ::closedir(entries);
  return removed;
}

}  // namespace

bool create_private_folder(std::u16string_view path) {
  const auto native = to_utf8_path(path);
  if (!native) return false;
  // mkdir never follows a link at the name: a planted one fails with EEXIST.
  if (::mkdir(native->c_str(), 0700) == 0) return true;
  if (errno == EEXIST) {
    set_last_error(error_already_exists);
    return false;
  }
  return failed();
}

bool remove_tree_without_following_links(std::u16string_view path) {
  const auto native = to_utf8_path(path);
  if (!native) return false;
  struct stat facts {};
  if (::lstat(native->c_str(), &facts) != 0) return failed();
  if (!S_ISDIR(facts.st_mode)) return ::unlink(native->c_str()) == 0 || failed();
  const int folder = ::open(native->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folder < 0 || !remove_contents(folder)) return folder < 0 ? failed() : false;
  return ::rmdir(native->c_str()) == 0 || failed();
}

}  // namespace winapi
