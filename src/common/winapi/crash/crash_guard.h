#pragma once
// One crash report per process. A thread that crashes while another thread reports
// waits: a fatal report ends the process, an abort report releases the guard when done.
// Async-signal-safe (an atomic and nanosleep).
namespace winapi::crash_guard {

// Takes the guard for the calling thread, waiting while another thread holds it. False
// when the calling thread holds it already (it faulted inside its own report).
bool claim();

void release();

}  // namespace winapi::crash_guard
