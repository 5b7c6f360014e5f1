#include <gtest/gtest.h>

#include <chrono>
#include <thread>

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
