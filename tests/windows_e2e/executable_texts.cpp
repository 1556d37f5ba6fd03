#include "executable_texts.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "support/update_source.h"

namespace wine_e2e {

namespace {

constexpr uint32_t initialized_data = 0x00000040;  // IMAGE_SCN_CNT_INITIALIZED_DATA
constexpr uint32_t discardable = 0x02000000;       // IMAGE_SCN_MEM_DISCARDABLE
constexpr size_t section_header_size = 40;
constexpr size_t min_text_length = 4;

class pe_bytes {
 public:
  explicit pe_bytes(const std::filesystem::path& path) : path_(path), bytes_(test_support::read_text(path)) {}

  template <typename Number>
  Number at(size_t offset) const {
    if (offset + sizeof(Number) > bytes_.size()) throw std::runtime_error("not a PE file: " + path_.string());
    Number value;
    std::memcpy(&value, bytes_.data() + offset, sizeof value);
    return value;
  }
  std::string_view range(size_t offset, size_t size) const {
    if (offset + size > bytes_.size()) throw std::runtime_error("not a PE file: " + path_.string());
    return std::string_view(bytes_).substr(offset, size);
  }

 private:
  std::filesystem::path path_;
  std::string bytes_;
};

void add_texts(std::string_view data, std::vector<std::string>& texts) {
  size_t begin = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(data[i]);
    if (c >= 0x20 && c < 0x7F) continue;
    if (c == 0 && i - begin >= min_text_length) texts.emplace_back(data.substr(begin, i - begin));
    begin = i + 1;
  }
}

}  // namespace

std::vector<std::string> data_texts(const std::filesystem::path& executable) {
  const pe_bytes file(executable);
  const auto pe = file.at<uint32_t>(0x3C);
  if (file.range(pe, 4) != std::string_view("PE\0\0", 4))
    throw std::runtime_error("not a PE file: " + executable.string());
  const auto sections = file.at<uint16_t>(pe + 6);
  const auto optional_header_size = file.at<uint16_t>(pe + 20);
  const size_t table = pe + 24 + optional_header_size;
  std::vector<std::string> texts;
  for (size_t i = 0; i < sections; ++i) {
    const size_t header = table + i * section_header_size;
    const auto characteristics = file.at<uint32_t>(header + 36);
    if ((characteristics & initialized_data) == 0 || (characteristics & discardable) != 0) continue;
    add_texts(file.range(file.at<uint32_t>(header + 20), file.at<uint32_t>(header + 16)), texts);
  }
  return texts;
}

}  // namespace wine_e2e
