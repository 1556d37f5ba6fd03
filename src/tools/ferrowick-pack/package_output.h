#pragma once
// A signed package of named files, written as create and publish write it.
#include <string>
#include <vector>

#include "updater_lib/details/package/digital_signature.h"

namespace pack_tool {

struct package_input {
  std::u16string name;  // stored name: the last path component
  std::u16string source;
};

// The files at paths, in order. Raises usage_error for two files of one name and for a
// file that is also the output.
std::vector<package_input> package_inputs(const std::vector<std::string>& paths, const std::u16string& output);

// Signs the files with the private keys in order and places the package at output;
// a failure leaves an existing output as it was.
void write_package(const std::u16string& output, const std::vector<package_input>& files,
                   const updater::key_list& private_keys);

}  // namespace pack_tool
