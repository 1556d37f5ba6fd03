#pragma once
// An update package: either an existing one, opened and fully verified on construction,
// or a new one being assembled and signed.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/winapi/process/handle.h"
#include "updater_lib/details/package/digital_signature.h"
#include "updater_lib/details/package/package_info.h"

namespace updater {

class package {
 public:
  enum class mode { open_existing, create_new };

  // open_existing: checks the package signatures with public_keys (signature i with key
  // i), then the header and every file with its signatures; any defect raises.
  // create_new: creates (or empties) the file and writes the header; files are then
  // added and the package is signed with private_keys on completion.
  package(const std::u16string& path, mode open_mode, key_list public_keys, key_list private_keys);
  // open_existing through a file the caller holds open for reading (read from its start,
  // never closed here), so that the file checked is the file the caller goes on to use;
  // name is for the messages.
  package(winapi::handle_t open_file, const std::u16string& name, key_list public_keys);
  // A package being created that was neither completed nor broken by a failed step is
  // completed here; a failure is logged, never thrown. One destroyed while an exception
  // unwinds is left unsigned, so the reader rejects it.
  ~package();
  package(const package&) = delete;
  package& operator=(const package&) = delete;

  package_info get_package_info() const;
  const std::vector<package_file_info>& get_files() const;

  // Creation mode: appends the file at source_path under name, signed with every
  // private key.
  void add_file(const std::u16string& name, const std::u16string& source_path);
  // Creation mode: writes the final header and the package signatures and closes the
  // file. Nothing can be added afterwards.
  void complete();

 private:
  class impl;
  std::unique_ptr<impl> impl_;
};

}  // namespace updater
