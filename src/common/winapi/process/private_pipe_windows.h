#pragma once
// The named pipes through which a runner talks to the process it starts: made new, for
// this machine's clients only, open to this process's user alone. Included only by the
// Windows implementations and their tests.
#include <windows.h>

#include <string>

namespace winapi::details {

// CreateNamedPipeW of the first and only instance of name, overlapped on this end; the
// other end sends (inbound) or receives. A pipe of that name that exists already, made
// by whoever, fails (null) with ERROR_ACCESS_DENIED and is left alone.
HANDLE create_private_pipe(const std::wstring& name, bool inbound, DWORD buffer_size);

// CreateFileW of the other end of that pipe, synchronous and inheritable. The server is
// allowed no more than to identify this process, never to act as it.
HANDLE open_private_pipe_client(const std::wstring& name, bool writes);

}  // namespace winapi::details
