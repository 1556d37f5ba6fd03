// The worker runs as LocalSystem: it must load no code and no configuration from a place a
// local user can write. Before anything else can load a DLL or use OpenSSL:
// - LoadLibrary without a path of its own (this code's, dbghelp's, winhttp's, ...) searches
//   System32 only, never the current directory or PATH;
// - OpenSSL's configuration step is done once, without a file: its built-in folder and
//   OPENSSL_CONF would otherwise be read at its first use, and a configuration can make it
//   load a provider DLL. POCO's later initialisation then finds the step done.
// The build keeps this object in every program (-u ferrowick_load_only_trusted_code); it runs
// after the thread_local order (priority 101) and before every static initialiser.
#include <openssl/crypto.h>
#include <openssl/ssl.h>

#include <cstdlib>

#include "common/winapi/windows_types.h"

extern "C" [[gnu::constructor(102)]] void ferrowick_load_only_trusted_code() {
  // A process that cannot be sure of either must not run.
  if (!::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) ||
      !OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr) ||
      !OPENSSL_init_ssl(OPENSSL_INIT_NO_LOAD_CONFIG, nullptr)) {
    std::abort();
  }
}
