#pragma once
// Runs a call that cannot be interrupted (a library that blocks on the network without
// time-outs) in a child process, so the caller can give up after a time limit and kill it.
#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace winapi {

struct child_call_result {
  // not_started: the last error is set from the failed pipe or fork.
  enum class ending { answered, no_answer, timed_out, not_started };
  ending how = ending::not_started;
  std::string answer;  // what the call returned, when answered
};

// Forks, runs call in the child with standard input, output and error on /dev/null, and
// waits at most limit for its answer. A call that returns nothing or throws gives
// no_answer; a child still running at the limit is killed. No child outlives this call.
child_call_result call_in_child(const std::function<std::optional<std::string>()>& call,
                                std::chrono::milliseconds limit);

}  // namespace winapi
