#include <algorithm>
#include <string_view>
#include <utility>

#include "common/service_process.h"
#include "common/unguessable_name.h"
#include "common/winapi/process/private_pipe_windows.h"
#include "common/winapi/windows_types.h"
#include "error_lib/application_exception.h"
#include "error_lib/exception_thrower.h"
#include "error_lib/result_codes.h"
#include "error_lib/win32_exception.h"

namespace service_process {

namespace {

[[noreturn]] void fail(const char* call) { FW_THROW(win32::exception(call)); }

constexpr DWORD pipe_buffer_size = 4096;
// The exit code of a worker the runner ends because it is destroyed before the worker.
constexpr UINT killed_exit_code = 1;

class handle {
 public:
  explicit handle(HANDLE value = nullptr) : value_(value == INVALID_HANDLE_VALUE ? nullptr : value) {}
  ~handle() { reset(); }
  handle(handle&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  handle& operator=(handle&& other) noexcept {
    if (this != &other) {
      reset();
      value_ = std::exchange(other.value_, nullptr);
    }
    return *this;
  }
  HANDLE get() const { return value_; }
  void reset() {
    if (value_ != nullptr) ::CloseHandle(value_);
    value_ = nullptr;
  }

 private:
  HANDLE value_;
};

// A pipe whose runner's end allows overlapped I/O, so the runner can wait for its data
// together with the process and the interrupts (an anonymous pipe cannot be waited for).
// The worker's end is inheritable and synchronous, as an anonymous pipe's.
struct pipe_ends {
  handle runner_end;
  handle worker_end;
};

pipe_ends make_pipe(bool worker_writes, DWORD buffer_size) {
  // A name nobody can take first: a pipe made beforehand under it would be refused, and
  // this process then could not start its worker.
  const std::u16string name = common::unguessable_name(u"\\\\.\\pipe\\ferrowick-run-");
  const std::wstring wide_name = winapi::details::to_wide(name);
  pipe_ends ends;
  ends.runner_end = handle(winapi::details::create_private_pipe(wide_name, worker_writes, buffer_size));
  if (ends.runner_end.get() == nullptr) FW_THROW(win32::exception("CreatePipe"), "pipe name = ", name);
  ends.worker_end = handle(winapi::details::open_private_pipe_client(wide_name, worker_writes));
  if (ends.worker_end.get() == nullptr) fail("CreatePipe");
  return ends;
}

// Puts all of input into the pipe before the reader exists. A write the pipe cannot take
// at once would wait for a reader that is not there yet: it is cancelled, and the input
// is too large for the pipe.
void preload(HANDLE runner_end, const std::vector<uint8_t>& input) {
  if (input.empty()) return;
  if (input.size() > MAXDWORD) {
    FW_THROW(common::application_exception(common::error_message_too_large), "input size = ", input.size());
  }
  const handle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (done.get() == nullptr) fail("CreateEventW");
  OVERLAPPED overlapped{};
  overlapped.hEvent = done.get();
  if (!::WriteFile(runner_end, input.data(), static_cast<DWORD>(input.size()), nullptr, &overlapped) &&
      ::GetLastError() != ERROR_IO_PENDING) {
    fail("WriteFile");
  }
  DWORD written = 0;
  if (!::GetOverlappedResult(runner_end, &overlapped, &written, FALSE)) {
    if (::GetLastError() != ERROR_IO_INCOMPLETE) fail("WriteFile");
    ::CancelIoEx(runner_end, &overlapped);
    ::GetOverlappedResult(runner_end, &overlapped, &written, TRUE);
    FW_THROW(common::application_exception(common::error_message_too_large), "input size = ", input.size());
  }
}

// The caller's standard handle as an inheritable handle of its own; none when it has none.
handle inheritable_standard_handle(DWORD which) {
  const HANDLE standard = ::GetStdHandle(which);
  HANDLE duplicate = nullptr;
  if (standard == nullptr || standard == INVALID_HANDLE_VALUE ||
      !::DuplicateHandle(::GetCurrentProcess(), standard, ::GetCurrentProcess(), &duplicate, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
    return handle();
  }
  return handle(duplicate);
}

// The child inherits exactly its three standard handles, not every inheritable handle
// this process happens to hold (another runner's pipes, for one).
class inherited_handles {
 public:
  explicit inherited_handles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (!::InitializeProcThreadAttributeList(list_, 1, 0, &size)) fail("CreateProcessW");
    if (!::UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                     handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      ::DeleteProcThreadAttributeList(list_);
      fail("CreateProcessW");
    }
  }
  ~inherited_handles() { ::DeleteProcThreadAttributeList(list_); }
  inherited_handles(const inherited_handles&) = delete;
  inherited_handles& operator=(const inherited_handles&) = delete;
  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

 private:
  std::vector<HANDLE> handles_;
  std::vector<unsigned char> storage_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

HANDLE spawn(const std::u16string& program, HANDLE standard_input, HANDLE standard_output, HANDLE standard_error) {
  const auto native = winapi::details::to_windows_path(program);
  if (!native) fail("CreateProcessW");
  // No application name: the system then adds ".exe" to a name without an extension.
  std::wstring command_line = L"\"" + *native + L"\"";
  std::vector<HANDLE> handles = {standard_input, standard_error};
  if (standard_output != nullptr) handles.push_back(standard_output);
  const inherited_handles inherited(handles);
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = standard_input;
  startup.StartupInfo.hStdOutput = standard_output;
  startup.StartupInfo.hStdError = standard_error;
  startup.lpAttributeList = inherited.get();
  // A process group of its own and no console: a console's Ctrl-Break reaches every
  // process attached to it whatever its group, so only a worker without one hears
  // neither key, as under the service.
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE,
                        CREATE_NEW_PROCESS_GROUP | DETACHED_PROCESS | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                        &startup.StartupInfo, &started)) {
    fail("CreateProcessW");
  }
  ::CloseHandle(started.hThread);
  return started.hProcess;
}

// The runner's end of an output pipe, read with one overlapped read at a time.
class output_reader {
 public:
  output_reader() = default;
  ~output_reader() { close(); }
  output_reader(const output_reader&) = delete;
  output_reader& operator=(const output_reader&) = delete;

  void open(handle runner_end) {
    event_ = handle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (event_.get() == nullptr) fail("CreateEventW");
    pipe_ = std::move(runner_end);
  }
  bool is_open() const { return pipe_.get() != nullptr; }
  // Set when the read under way has completed.
  HANDLE completion_event() const { return event_.get(); }

  // Hands every chunk that has arrived to take and leaves the next read under way. The
  // pipe is closed once every writer has closed its end, or when reading fails.
  template <typename Take>
  void pass_on(Take take) {
    while (is_open()) {
      if (!reading_ && !start_read()) return;
      DWORD count = 0;
      if (!::GetOverlappedResult(pipe_.get(), &overlapped_, &count, FALSE)) {
        if (::GetLastError() == ERROR_IO_INCOMPLETE) return;
        reading_ = false;
        close();
        return;
      }
      reading_ = false;
      if (count > 0) take(std::string_view(buffer_, count));
    }
  }

 private:
  bool start_read() {
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_.get();
    if (!::ReadFile(pipe_.get(), buffer_, sizeof buffer_, nullptr, &overlapped_) &&
        ::GetLastError() != ERROR_IO_PENDING) {
      close();
      return false;
    }
    reading_ = true;
    return true;
  }

  // A read under way writes into the buffer until it is cancelled and done.
  void close() {
    if (reading_) {
      ::CancelIoEx(pipe_.get(), &overlapped_);
      DWORD count = 0;
      ::GetOverlappedResult(pipe_.get(), &overlapped_, &count, TRUE);
      reading_ = false;
    }
    pipe_.reset();
  }

  handle pipe_;
  handle event_;
  OVERLAPPED overlapped_{};
  bool reading_ = false;
  char buffer_[pipe_buffer_size];
};

// Passes a chunk on to one of this process's standard handles. A caller whose target is
// gone loses the text, not the wait.
void write_to(DWORD standard_handle, std::string_view chunk) {
  const HANDLE target = ::GetStdHandle(standard_handle);
  while (!chunk.empty()) {
    DWORD written = 0;
    if (!::WriteFile(target, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr)) return;
    chunk.remove_prefix(written);
  }
}

DWORD milliseconds_until(std::optional<std::chrono::steady_clock::time_point> deadline) {
  if (!deadline) return INFINITE;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
  return static_cast<DWORD>(std::clamp<int64_t>(left.count(), 0, INFINITE - 1));
}

}  // namespace

struct worker_process::system_handles {
  handle process;
  output_reader output;
  output_reader error;
};

std::u16string program_file_name(std::u16string_view base_name) { return std::u16string(base_name) + u".exe"; }

std::vector<std::u16string_view> other_worker_folders() { return {}; }

int status_of_worker_code(int worker_code) { return worker_code; }

worker_process::worker_process(const std::u16string& program, const std::vector<uint8_t>& input,
                               bool keep_first_output_line)
    : system_(std::make_unique<system_handles>()) {
  pipe_ends input_pipe =
      make_pipe(false, static_cast<DWORD>(std::clamp<size_t>(input.size(), pipe_buffer_size, MAXDWORD)));
  preload(input_pipe.runner_end.get(), input);
  input_pipe.runner_end.reset();
  pipe_ends output_pipe;
  if (keep_first_output_line) {
    output_pipe = make_pipe(true, pipe_buffer_size);
  } else {
    output_pipe.worker_end = inheritable_standard_handle(STD_OUTPUT_HANDLE);
  }
  pipe_ends error_pipe = make_pipe(true, pipe_buffer_size);
  system_->process =
      handle(spawn(program, input_pipe.worker_end.get(), output_pipe.worker_end.get(), error_pipe.worker_end.get()));
  if (keep_first_output_line) system_->output.open(std::move(output_pipe.runner_end));
  system_->error.open(std::move(error_pipe.runner_end));
}

worker_process::~worker_process() {
  if (!status_) {
    ::TerminateProcess(system_->process.get(), killed_exit_code);
    ::WaitForSingleObject(system_->process.get(), INFINITE);
  }
}

void worker_process::pass_on_standard_output() {
  system_->output.pass_on([this](std::string_view chunk) {
    observe_standard_output(chunk);
    write_to(STD_OUTPUT_HANDLE, chunk);
  });
}

void worker_process::pass_on_standard_error() {
  system_->error.pass_on([this](std::string_view chunk) {
    observe_standard_error(chunk);
    write_to(STD_ERROR_HANDLE, chunk);
  });
}

wait_outcome worker_process::wait(const console_control::interrupt_listener& interrupts,
                                  std::optional<std::chrono::steady_clock::time_point> deadline) {
  system_handles& system = *system_;
  for (;;) {
    // Passing on also starts the reads whose completion the wait watches.
    pass_on_standard_error();
    pass_on_standard_output();
    HANDLE watched[4] = {system.process.get(), winapi::details::to_native(interrupts.wait_handle())};
    DWORD count = 2;
    if (system.error.is_open()) watched[count++] = system.error.completion_event();
    if (system.output.is_open()) watched[count++] = system.output.completion_event();
    const DWORD ready = ::WaitForMultipleObjects(count, watched, FALSE, milliseconds_until(deadline));
    if (ready == WAIT_FAILED) fail("WaitForMultipleObjects");
    if (ready == WAIT_OBJECT_0) {
      pass_on_standard_output();
      pass_on_standard_error();
      DWORD code = 0;
      if (!::GetExitCodeProcess(system.process.get(), &code)) fail("GetExitCodeProcess");
      status_ = static_cast<int>(code);
      return wait_outcome::exited;
    }
    if (ready == WAIT_OBJECT_0 + 1 && interrupts.take_interrupts()) return wait_outcome::interrupted;
    if (ready == WAIT_TIMEOUT) return wait_outcome::deadline_passed;
  }
}

int worker_process::exit_status() const { return status_.value_or(-1); }

}  // namespace service_process
