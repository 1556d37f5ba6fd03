#include "common/winapi/sync/events.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "common/winapi/process/last_error.h"
#include "common/winapi/sync/event_registry.h"
#include "common/winapi/sync/named_event_store.h"

namespace winapi {

namespace {

handle_t registered(int descriptor, details::event_kind kind) {
  descriptor = descriptor_off_zero(descriptor);
  if (descriptor < 0) return 0;
  details::register_event(descriptor, kind);
  return descriptor;
}

bool make_events_directory() {
  const std::string directory = details::events_directory();
  if (::mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST) {
    set_last_error_from_errno();
    return false;
  }
  return true;
}

// An event only its makers may set must not sit where another user could remove its file
// and put one of theirs in its place: the directory must be no link, belong to this user
// or root, and let nobody else write to it unless it is sticky.
bool events_directory_is_trusted() {
  struct stat facts {};
  if (::lstat(details::events_directory().c_str(), &facts) != 0) {
    set_last_error_from_errno();
    return false;
  }
  const bool trusted = S_ISDIR(facts.st_mode) && (facts.st_uid == ::geteuid() || facts.st_uid == 0) &&
                       ((facts.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (facts.st_mode & S_ISVTX) != 0);
  if (!trusted) set_last_error(error_access_denied);
  return trusted;
}

int open_state_file(const std::string& path, int flags, mode_t mode = 0644) {
  int descriptor;
  do {
    descriptor = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) set_last_error_from_errno();
  return descriptor;
}

}  // namespace

handle_t create_event(bool initial_state) {
  const int descriptor = ::eventfd(initial_state ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (descriptor < 0) {
    set_last_error_from_errno();
    return 0;
  }
  return registered(descriptor, details::event_kind::unnamed);
}

handle_t create_named_event(const std::u16string& name, bool initial_state) {
  const auto path = details::named_event_path(name);
  if (!path || !make_events_directory()) return 0;
  int descriptor = open_state_file(*path, O_RDWR | O_CREAT | O_EXCL);
  if (descriptor >= 0) {
    if (initial_state && !details::set_named_state(descriptor)) {
      ::close(descriptor);
      ::unlink(path->c_str());
      return 0;
    }
    set_last_error(error_success);
  } else if (get_last_error() == error_file_exists) {
    descriptor = open_state_file(*path, O_RDWR);
    if (descriptor < 0) return 0;
    set_last_error(error_already_exists);
  } else {
    return 0;
  }
  const uint32_t creation_result = get_last_error();
  const handle_t handle = registered(descriptor, details::event_kind::named);
  if (handle != 0) set_last_error(creation_result);
  return handle;
}

handle_t create_guarded_named_event(const std::u16string& name) {
  const auto path = details::named_event_path(name);
  if (!path || !make_events_directory() || !events_directory_is_trusted()) return 0;
  // O_EXCL never opens what is there, a planted link included.
  const int descriptor = open_state_file(*path, O_RDWR | O_CREAT | O_EXCL, 0600);
  if (descriptor < 0) {
    if (get_last_error() == error_file_exists) set_last_error(error_already_exists);
    return 0;
  }
  const handle_t handle = registered(descriptor, details::event_kind::named);
  if (handle != 0) set_last_error(error_success);
  return handle;
}

handle_t open_event(uint32_t access, const std::u16string& name) {
  const auto path = details::named_event_path(name);
  if (!path) return 0;
  const int descriptor = open_state_file(*path, (access & event_modify_state) != 0 ? O_RDWR : O_RDONLY);
  if (descriptor < 0) return 0;
  return registered(descriptor, details::event_kind::named);
}

bool delete_named_event(const std::u16string& name) {
  const auto path = details::named_event_path(name);
  if (!path) return false;
  if (::unlink(path->c_str()) != 0) {
    set_last_error_from_errno();
    return false;
  }
  return true;
}

bool set_event(handle_t event) {
  const auto kind = details::find_event(event);
  if (!kind) {
    set_last_error(error_invalid_handle);
    return false;
  }
  if (*kind == details::event_kind::named) {
    // A handle opened for waiting only must not change the service's event.
    if ((::fcntl(static_cast<int>(event), F_GETFL) & O_ACCMODE) == O_RDONLY) {
      set_last_error(error_access_denied);
      return false;
    }
    return details::set_named_state(event);
  }
  const uint64_t one = 1;
  if (::write(static_cast<int>(event), &one, sizeof one) != sizeof one && errno != EAGAIN) {
    set_last_error_from_errno();
    return false;
  }
  return true;
}

}  // namespace winapi
