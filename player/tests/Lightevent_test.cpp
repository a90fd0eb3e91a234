// The in-process event behind the request queue: manual-reset semantics, timeouts kept to the
// millisecond, sleepers woken, and no wake-up lost between two threads that hand work back and forth.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "Lightevent.h"

namespace {

double MillisecondsSince(const LARGE_INTEGER& start)
{
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Joins a thread, failing instead of hanging when it does not end within the limit (the process then
// ends with the thread still running, which fails the test run loudly).
bool JoinWithin(std::thread& thread, DWORD milliseconds)
{
  std::atomic<bool> ended{false};
  std::thread joiner([&] {
    thread.join();
    ended = true;
  });
  const ULONGLONG until = GetTickCount64() + milliseconds;
  while (!ended && GetTickCount64() < until) Sleep(5);
  if (!ended) {
    joiner.detach();
    return false;
  }
  joiner.join();
  return true;
}

}  // namespace

TEST(LightEvent, ManualResetAndTimeouts)
{
  TLightEvent event;
  EXPECT_FALSE(event.IsSet());
  EXPECT_EQ(event.WaitFor(0), wrTimeout);
  event.SetEvent();
  event.SetEvent();  // setting a set event changes nothing
  EXPECT_EQ(event.WaitFor(0), wrSignaled);
  EXPECT_EQ(event.WaitFor(INFINITE), wrSignaled);  // stays set until reset
  event.ResetEvent();
  EXPECT_EQ(event.WaitFor(0), wrTimeout);

  // A timed wait lasts its time, to the millisecond rather than to the 16 ms of the tick count.
  for (DWORD ms : {1u, 5u, 30u}) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    EXPECT_EQ(event.WaitFor(ms), wrTimeout);
    const double waited = MillisecondsSince(start);
    EXPECT_GE(waited, ms - 0.5) << ms;
    EXPECT_LT(waited, ms + 500.0) << ms;  // generous: a loaded machine may run the waiter late
  }
}

TEST(LightEvent, SetWakesEverySleeper)
{
  TLightEvent event;
  std::atomic<int> woken{0};
  std::vector<std::thread> sleepers;
  for (int i = 0; i < 3; ++i)
    sleepers.emplace_back([&] {
      if (event.WaitFor(INFINITE) == wrSignaled) ++woken;
    });
  Sleep(50);  // long past the spin: the waiters sleep now
  EXPECT_EQ(woken, 0);
  event.SetEvent();
  for (auto& t : sleepers) ASSERT_TRUE(JoinWithin(t, 10000)) << "a sleeper was never woken";
  EXPECT_EQ(woken, 3);

  // A sleeper with a time limit wakes for the set, not for its limit.
  event.ResetEvent();
  TWaitResult result = wrError;
  std::thread limited([&] { result = event.WaitFor(20000); });
  Sleep(50);
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  event.SetEvent();
  ASSERT_TRUE(JoinWithin(limited, 10000));
  EXPECT_EQ(result, wrSignaled);
  EXPECT_LT(MillisecondsSince(start), 10000.0);
}

// Two threads hand a token back and forth through two events, resetting each before they wait, as
// the request queue does; sometimes one side dawdles long enough for the other to fall asleep. A
// lost wake-up would leave both waiting for ever.
TEST(LightEvent, HandOffsNeverLoseAWakeUp)
{
  TLightEvent ping, pong;
  constexpr int Rounds = 20000;
  std::atomic<int> served{0};
  std::thread other([&] {
    for (int i = 0; i < Rounds; ++i) {
      if (ping.WaitFor(INFINITE) != wrSignaled) return;
      ping.ResetEvent();
      if (i % 997 == 0) Sleep(1);
      ++served;
      pong.SetEvent();
    }
  });
  bool lost = false;
  for (int i = 0; i < Rounds && !lost; ++i) {
    ping.SetEvent();
    if (i % 1009 == 0) Sleep(1);
    lost = pong.WaitFor(10000) != wrSignaled;
    pong.ResetEvent();
  }
  if (lost) ping.SetEvent();  // let the other side finish its round
  EXPECT_FALSE(lost) << "a hand-off was not seen within 10 s after " << served << " rounds";
  ASSERT_TRUE(JoinWithin(other, lost ? 60000 : 10000));
  EXPECT_EQ(served, Rounds);
}
