// A library that leaves a trace in every process that loads it as code: the empty file
// "<its own path>.loaded". It also has the entry OpenSSL calls in a provider module, so a
// configuration can name it as one.
#include <windows.h>

#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  std::wstring path(32768, L'\0');
  const DWORD length = ::GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length == path.size()) return TRUE;
  path.resize(length);
  const HANDLE marker = ::CreateFileW((path + L".loaded").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) ::CloseHandle(marker);
  return TRUE;
}

// Refuses to be a provider: loading it is all that matters.
extern "C" __declspec(dllexport) int OSSL_provider_init(const void*, const void*, const void**, void**) { return 0; }
