#pragma once
// One update attempt: fetch the description, decide whether anything newer is offered,
// fetch and verify the package (and in server mode the utility package), and move the
// results into place.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "updater_lib/details/parameters/updater_parameters.h"

namespace updater {

struct update_result {
  std::vector<std::u16string> lines;
  int32_t code;
};

constexpr int32_t update_result_placed = 0;
constexpr int32_t update_result_up_to_date = -2;
constexpr int32_t update_result_canceled = -3;

// Returns code 0 with four lines (release date, placed package path, placed utility
// package path or empty, update_file_name_part), -2 or -3 with none. Every failure
// raises; no temporary ".part" file outlives the call. get_public_key supplies the
// built-in key, checked second after the key of the parameters.
update_result run_update(const updater_parameters& parameters, const std::function<public_key_t()>& get_public_key);

}  // namespace updater
