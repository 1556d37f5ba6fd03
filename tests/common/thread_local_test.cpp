// A thread's thread_local objects are destroyed while their storage is still theirs.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

namespace {

constexpr uint64_t mark = 0x5EED5EED5EED5EEDull;

std::atomic<uint64_t> seen_by_destructor{0};

// Freed storage has its first words overwritten by the heap's own bookkeeping.
struct marked {
  std::array<uint64_t, 4> words{mark, mark, mark, mark};
  ~marked() { seen_by_destructor = words[0] & words[1] & words[2] & words[3]; }
};

thread_local marked this_thread_marked;

TEST(thread_local_test, a_threads_objects_are_intact_when_it_ends) {
  std::thread([] { EXPECT_EQ(this_thread_marked.words[0], mark); }).join();
  EXPECT_EQ(seen_by_destructor.load(), mark);
}

}  // namespace
