// Reads a minidump back with dbghelp and prints what a crash test checks, one fact a line:
//   exception_code: c0000005
//   exception_address: 7ff6a1b21234
//   exception_thread: 1234
//   threads: 1234 1240
//   memory: <ranges> ranges, <bytes> bytes (full memory)
//   module: C:\path\ferrowick-crash-test-worker.exe
// Exits 0 when the dump has the three streams and the exception's thread is among the
// dump's threads, 1 when it is not, 2 when the file cannot be read as a dump.
//   minidump_facts DUMP
#include <windows.h>
// dbghelp.h needs windows.h first.
#include <dbghelp.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8_of(const wchar_t* text, int length) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), size, nullptr, nullptr);
  return result;
}

// The whole file, mapped for reading as MiniDumpReadDumpStream expects.
class mapped_file {
 public:
  explicit mapped_file(const wchar_t* path) {
    file_ = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return;
    mapping_ = ::CreateFileMappingW(file_, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping_ != nullptr) view_ = ::MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0);
  }
  ~mapped_file() {
    if (view_ != nullptr) ::UnmapViewOfFile(view_);
    if (mapping_ != nullptr) ::CloseHandle(mapping_);
    if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
  }
  mapped_file(const mapped_file&) = delete;
  mapped_file& operator=(const mapped_file&) = delete;

  void* view() const { return view_; }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  HANDLE mapping_ = nullptr;
  void* view_ = nullptr;
};

template <typename Stream>
const Stream* stream_of(void* dump, ULONG type) {
  MINIDUMP_DIRECTORY* directory = nullptr;
  void* stream = nullptr;
  ULONG size = 0;
  if (!::MiniDumpReadDumpStream(dump, type, &directory, &stream, &size) || size < sizeof(Stream)) return nullptr;
  return static_cast<const Stream*>(stream);
}

int fail(const char* what) {
  std::fprintf(stderr, "minidump_facts: %s (error %lu)\n", what, ::GetLastError());
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: minidump_facts DUMP\n", stderr);
    return 2;
  }
  const mapped_file file(argv[1]);
  void* const dump = file.view();
  if (dump == nullptr) return fail("cannot map the file");

  const auto* exception = stream_of<MINIDUMP_EXCEPTION_STREAM>(dump, ExceptionStream);
  const auto* threads = stream_of<MINIDUMP_THREAD_LIST>(dump, ThreadListStream);
  const auto* modules = stream_of<MINIDUMP_MODULE_LIST>(dump, ModuleListStream);
  if (exception == nullptr) return fail("no exception stream");
  if (threads == nullptr) return fail("no thread list");
  if (modules == nullptr) return fail("no module list");

  std::printf("exception_code: %x\n", exception->ExceptionRecord.ExceptionCode);
  std::printf("exception_address: %llx\n", exception->ExceptionRecord.ExceptionAddress);
  std::printf("exception_thread: %u\n", exception->ThreadId);
  bool thread_listed = false;
  std::printf("threads:");
  for (ULONG i = 0; i < threads->NumberOfThreads; ++i) {
    std::printf(" %u", threads->Threads[i].ThreadId);
    thread_listed = thread_listed || threads->Threads[i].ThreadId == exception->ThreadId;
  }
  std::printf("\n");

  // A full-memory dump keeps its memory in the 64-bit list.
  if (const auto* memory = stream_of<MINIDUMP_MEMORY64_LIST>(dump, Memory64ListStream)) {
    ULONG64 bytes = 0;
    for (ULONG64 i = 0; i < memory->NumberOfMemoryRanges; ++i) bytes += memory->MemoryRanges[i].DataSize;
    std::printf("memory: %llu ranges, %llu bytes (full memory)\n", memory->NumberOfMemoryRanges, bytes);
  }

  const auto* base = static_cast<const char*>(dump);
  for (ULONG i = 0; i < modules->NumberOfModules; ++i) {
    const auto* name = reinterpret_cast<const MINIDUMP_STRING*>(base + modules->Modules[i].ModuleNameRva);
    std::printf("module: %s\n", utf8_of(name->Buffer, static_cast<int>(name->Length / sizeof(wchar_t))).c_str());
  }

  if (!thread_listed) {
    std::fprintf(stderr, "minidump_facts: the exception's thread %u is not in the thread list\n", exception->ThreadId);
    return 1;
  }
  return 0;
}
