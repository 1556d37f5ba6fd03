#pragma once
// Stand-in for a Toolhelp module snapshot of the own process (CreateToolhelp32Snapshot,
// Module32FirstW/Module32NextW): the loaded images as the memory map shows them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace winapi {

struct module_entry {
  std::u16string name;  // file name of the image
  std::u16string path;  // full path
  uintptr_t base_address = 0;
  uint64_t base_size = 0;
};

// Every mapped file with an executable mapping (the program, the loader and the shared
// libraries; data files such as the locale archive are left out), in address order. The
// base is the file's lowest mapped address, the size runs to the end of its highest
// mapping. Nothing when the map cannot be read (last error set).
std::optional<std::vector<module_entry>> snapshot_modules();

}  // namespace winapi
