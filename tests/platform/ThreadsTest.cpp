#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

#include "platform/Threads.h"

// A sleep is a wait; only the calling thread can be asked about.
TEST(ThreadsTest, AThreadThatSleepsHasWaited) {
  TThreadWaits before{}, after{};
  ASSERT_EQ(GetThreadWaits(GetCurrentThread(), &before), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_EQ(GetThreadWaits(GetCurrentThread(), &after), 1);
  EXPECT_GT(after.Waits, before.Waits);
  EXPECT_GE(after.DiskReads, before.DiskReads);
  int other = 0;
  EXPECT_EQ(GetThreadWaits(&other, &after), 0);
  EXPECT_EQ(GetThreadWaits(GetCurrentThread(), nullptr), 0);
}

// Below normal lowers the calling thread alone, not the rest of the program.
TEST(ThreadsTest, BelowNormalLowersTheCallingThreadOnly) {
  const int process = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  if (process >= 13) GTEST_SKIP() << "the tests already run at nice " << process;
  int lowered = process;
  std::thread([&] {
    EXPECT_EQ(SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL), 1);
    lowered = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  }).join();
  EXPECT_GT(lowered, process);
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), process);
}
