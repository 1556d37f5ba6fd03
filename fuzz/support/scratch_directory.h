#pragma once
// A private directory for the files a fuzz target needs, made once per process and
// removed with its contents at exit. It also becomes the process's TMPDIR, so files the
// code under test writes to the temporary directory (signature diagnostics) stay inside.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace fuzz_support {

const std::filesystem::path& scratch_directory();

// Removes everything inside the scratch directory: called after each input so that
// nothing piles up over a run.
void clear_scratch_directory();

// Writes the bytes to a file in the scratch directory and returns its path.
std::u16string write_scratch_file(const std::string& name, const uint8_t* data, size_t size);

}  // namespace fuzz_support
