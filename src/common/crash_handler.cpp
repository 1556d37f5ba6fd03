#include "common/crash_handler.h"

#include <csignal>
#include <cstring>
#include <ctime>
#include <mutex>
#include <stdexcept>
#include <string_view>

#include "common/path_system.h"
#include "common/text.h"
#include "common/u16_stream.h"
#include "common/winapi/crash/crash_guard.h"
#include "common/winapi/crash/crash_time.h"
#include "common/winapi/crash/crash_watchdog.h"
#include "common/winapi/crash/minidump.h"
#include "common/winapi/crash/module_snapshot.h"
#include "common/winapi/crash/process_memory_counters.h"
#include "common/winapi/crash/unhandled_exception_filter.h"
#include "common/winapi/process/last_error.h"
#include "common/winapi/process/process_info.h"

namespace crash_handler {

namespace {

struct installation {
  std::mutex lock;
  bool installed = false;
  std::u16string dump_directory;
  crash_report_callback callback;
  // Built before an abort, which may come from inside malloc with its lock held.
  const std::u16string abort_report = u"SIGABRT was caught.";
};

installation& state() {
  static installation instance;
  return instance;
}

std::u16string hex(uint64_t value) { return common::ascii_to_utf16(common::to_hex(value)); }

// A dump file name built in a fixed buffer: the crash allocates nothing before the dump
// is on disk.
class name_builder {
 public:
  bool append(std::string_view text) {
    if (text.size() >= sizeof text_ - length_) return false;
    std::memcpy(text_ + length_, text.data(), text.size());
    length_ += text.size();
    text_[length_] = '\0';
    return true;
  }
  bool append_decimal(uint64_t value, size_t min_digits) {
    char digits[20];
    size_t count = 0;
    while (value != 0 || count < min_digits) {
      digits[sizeof digits - ++count] = static_cast<char>('0' + value % 10);
      value /= 10;
    }
    return append(std::string_view(digits + sizeof digits - count, count));
  }
  const char* c_str() const { return text_; }
  std::string_view view() const { return {text_, length_}; }

 private:
  char text_[winapi::longest_dump_file_name + 1] = {};
  size_t length_ = 0;
};

// "%Y-%m-%d_%H-%M-%S_<pid>.dmp"
bool append_dump_file_name(name_builder& name) {
  const std::tm time = winapi::crash_local_time();
  return name.append_decimal(static_cast<uint64_t>(time.tm_year + 1900), 4) && name.append("-") &&
         name.append_decimal(static_cast<uint64_t>(time.tm_mon + 1), 2) && name.append("-") &&
         name.append_decimal(static_cast<uint64_t>(time.tm_mday), 2) && name.append("_") &&
         name.append_decimal(static_cast<uint64_t>(time.tm_hour), 2) && name.append("-") &&
         name.append_decimal(static_cast<uint64_t>(time.tm_min), 2) && name.append("-") &&
         name.append_decimal(static_cast<uint64_t>(time.tm_sec), 2) && name.append("_") &&
         name.append_decimal(winapi::current_process_id(), 1) && name.append(".dmp");
}

// What writing the dump gave, kept without allocating: the report is built only after
// the dump is on disk, so a crash that broke the heap still leaves the dump.
struct dump_outcome {
  name_builder name;
  const char16_t* failure = nullptr;  // the report's error line, or none
  uint32_t error = 0;
};

void write_minidump(const winapi::exception_pointers& pointers, dump_outcome& outcome) {
  winapi::handle_t file = winapi::invalid_handle_value;
  outcome.error = winapi::error_filename_exced_range;
  if (append_dump_file_name(outcome.name)) file = winapi::create_dump_file(outcome.name.view(), outcome.error);
  if (file == winapi::invalid_handle_value) {
    outcome.failure = u"Could not create minidump file. Error: ";
    return;
  }
  if (!winapi::write_dump(file, pointers, winapi::crash_watchdog::current_time_limits().dump_seconds, outcome.error))
    outcome.failure = u"Could not create minidump. Error: ";
  winapi::close_dump_file(file);
}

void write_modules(common::u16_stream& report) {
  const auto modules = winapi::snapshot_modules();
  if (!modules) return;
  if (modules->empty()) {
    report << u"Module32First failed.\n";
    return;
  }
  for (const winapi::module_entry& module : *modules) {
    report << u"Module name: " << module.name << u'\n';
    report << u"Executable: " << module.path << u'\n';
    report << u"Base address: " << hex(module.base_address) << u'\n';
    report << u"Base size: " << module.base_size << u'\n';
  }
}

void write_memory_counters(common::u16_stream& report) {
  winapi::process_memory_counters counters;
  if (!winapi::get_process_memory_info(counters)) {
    report << u"GetProcessMemoryInfo failed.\n";
    return;
  }
  report << u"PeakWorkingSetSize: " << counters.peak_working_set_size << u'\n';
  report << u"WorkingSetSize: " << counters.working_set_size << u'\n';
  report << u"PeakPagefileUsage: " << counters.peak_pagefile_usage << u'\n';
  report << u"PagefileUsage: " << counters.pagefile_usage << u'\n';
  report << u"QuotaPeakPagedPoolUsage: " << counters.quota_peak_paged_pool_usage << u'\n';
  report << u"QuotaPagedPoolUsage: " << counters.quota_paged_pool_usage << u'\n';
  report << u"QuotaPeakNonPagedPoolUsage: " << counters.quota_peak_non_paged_pool_usage << u'\n';
  report << u"QuotaNonPagedPoolUsage: " << counters.quota_non_paged_pool_usage << u'\n';
}

}  // namespace

void install_crash_handlers(const std::u16string& dump_directory, crash_report_callback callback) {
  if (!callback) throw std::invalid_argument("install_crash_handlers: the crash report callback is empty");
  installation& current = state();
  const std::lock_guard guard(current.lock);
  if (current.installed) return;
  // Without a logs folder there is no place for the process memory: the root or the
  // working directory were never chosen for it.
  winapi::prepare_dump_folder(dump_directory);
  current.dump_directory = dump_directory;
  current.callback = std::move(callback);
  winapi::prepare_crash_local_time();
  winapi::crash_watchdog::prepare();
  winapi::set_unhandled_exception_filter(unhandled_exception_filter);
  std::signal(SIGABRT, sigabrt_handler);
  current.installed = true;
}

void unhandled_exception_filter(const winapi::exception_pointers& pointers) {
  const crash_report_callback& callback = state().callback;
  try {
    dump_outcome dump;
    write_minidump(pointers, dump);
    // The report's own time starts now: the dump had its budget.
    winapi::crash_watchdog::arm(winapi::crash_watchdog::current_time_limits().report_seconds);
    common::u16_stream report;
    for (const winapi::exception_record* record = &pointers.record; record != nullptr; record = record->chained) {
      report << u"ExceptionCode: " << hex(record->exception_code) << u'\n';
      report << u"ExceptionAddress: " << hex(record->exception_address) << u'\n';
      report << u"ExceptionFlags: " << hex(record->exception_flags) << u'\n';
      if (record->data_address) report << u"DataAddress: " << hex(*record->data_address) << u'\n';
    }
    if (dump.failure != nullptr) report << dump.failure << hex(dump.error) << u'\n';
    write_modules(report);
    write_memory_counters(report);
    if (dump.failure == nullptr) {
      // The directory as given, the system's own separator (as join_path puts it in), the name.
      report << u"Minidump was created: " << state().dump_directory << path_helpers::details::separators().front()
             << dump.name.view() << u'\n';
    }
    callback(report.str());
  } catch (const std::exception& error) {
    callback(u"Error occurred in CustomUnhandledExceptionFilter: " + common::utf8_to_utf16_lenient(error.what()) +
             u"\n");
  } catch (...) {
    callback(u"Unknown error occurred in CustomUnhandledExceptionFilter.");
  }
}

void sigabrt_handler(int signal_number) {
  if (signal_number != SIGABRT) return;
  // An abort inside a crash report ends the process without a second report.
  if (!winapi::crash_guard::claim()) return;
  // The callback logs, and the abort may come from a thread that holds a lock the
  // logger needs (malloc's, after heap corruption; a logger lock, under std::terminate).
  winapi::crash_watchdog::arm(winapi::crash_watchdog::current_time_limits().report_seconds);
  state().callback(state().abort_report);
  winapi::crash_guard::release();
}

}  // namespace crash_handler
