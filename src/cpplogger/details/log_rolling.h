#pragma once
// Generations of the developer log: base.log is the current file, base.log.N (N >= 1)
// the older ones, the highest N the oldest.
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cpplogger::details {

struct generation {
  std::u16string path;
  int32_t index = 0;
};

// A roll that could not be completed.
class rolling_exception : public std::exception {
 public:
  explicit rolling_exception(std::u16string_view message);
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

// directory/base.log for index 0, directory/base.log.N otherwise.
std::u16string generation_path(const std::u16string& directory, const std::u16string& base_name, int32_t index);

// The generations found in directory, sorted by index. Throws rolling_exception.
std::vector<generation> find_generations(const std::u16string& directory, const std::u16string& base_name);

// The directory walk of a roll; find_generations, or a stand-in that can fail on demand.
using generation_finder =
    std::function<std::vector<generation>(const std::u16string& directory, const std::u16string& base_name)>;

// Rescans the directory into generations, deletes the ones that would pass
// max_backup_index and moves every other one up by one index, from the oldest down.
// Throws rolling_exception; generations then tells where each file is.
void roll_generations(const std::u16string& directory, const std::u16string& base_name, int32_t max_backup_index,
                      std::vector<generation>& generations, const generation_finder& find = find_generations);

}  // namespace cpplogger::details
