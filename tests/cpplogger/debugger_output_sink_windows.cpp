// Listens as a debug-output monitor does: OutputDebugString waits for DBWIN_BUFFER_READY,
// writes the process id and the text into the DBWIN_BUFFER section and sets
// DBWIN_DATA_READY. Only this process's messages are kept.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "debugger_output_sink.h"

namespace logger_tests {

namespace {

constexpr DWORD section_size = 4096;

// Sent by wait_for_debugger_output and not kept.
constexpr char flush_marker[] = "\x01flush";

void listen(HANDLE buffer_ready, HANDLE data_ready, const char* section, std::filesystem::path file) {
  for (;;) {
    ::SetEvent(buffer_ready);
    if (::WaitForSingleObject(data_ready, INFINITE) != WAIT_OBJECT_0) return;
    DWORD process_id = 0;
    std::memcpy(&process_id, section, sizeof process_id);
    const char* text = section + sizeof process_id;
    if (process_id != ::GetCurrentProcessId() || std::strcmp(text, flush_marker) == 0) continue;
    std::ofstream(file, std::ios::binary | std::ios::app) << std::string(text, ::strnlen(text, section_size - 4));
  }
}

}  // namespace

void collect_debugger_output(const std::filesystem::path& file) {
  const HANDLE buffer_ready = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY");
  const HANDLE data_ready = ::CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY");
  const HANDLE section =
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, section_size, L"DBWIN_BUFFER");
  const void* view = section ? ::MapViewOfFile(section, FILE_MAP_READ, 0, 0, section_size) : nullptr;
  if (buffer_ready == nullptr || data_ready == nullptr || view == nullptr) return;
  // Runs until the process ends; it holds no thread_local object.
  std::thread(listen, buffer_ready, data_ready, static_cast<const char*>(view), file).detach();
}

// The monitor sets DBWIN_BUFFER_READY only after it has written the previous message, so
// once a message of its own has gone through, every earlier one is in the file.
void wait_for_debugger_output() { ::OutputDebugStringA(flush_marker); }

}  // namespace logger_tests
