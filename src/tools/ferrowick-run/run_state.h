#pragma once
// The state file of --state: the release date of the last update a task placed, the
// previous release of the task's next run.
#include <string>

namespace ferrowick_run {

// Replaces the file's content by release and a line end in one step: a reader sees the
// old date or the new one, never a part.
void store_release(const std::string& state_file, const std::string& release);

}  // namespace ferrowick_run
