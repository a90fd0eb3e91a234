// The multimedia timer: setter rules, the resolution clamped into an injected device range, events on
// the platform's timer thread, one-shots, and stopping or destroying while a callback runs.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "Qelmmtimer.h"
#include "Threads.h"

namespace {

// Generous waits (a loaded machine); the events come every few milliseconds.
template <class Pred>
bool WaitFor(Pred done)
{
  for (int waited = 0; !done() && waited < 10000; waited += 5) Sleep(5);
  return done();
}

class TTicks : public TObject {
  VCL_DECLARE_CLASS(TTicks, TObject)
  TTicks() = default;
  std::atomic<int> Count{0};
  std::atomic<bool> OnMainThread{false}, Done{false};
  void Tick(TObject*)
  {
    OnMainThread = OnMainThread || GetCurrentThreadId() == GetMainThreadID();
    ++Count;
  }
  void Throw(TObject*) { ++Count, throw Exception("a handler's failure"); }
  void StopItself(TObject* sender) { ++Count, static_cast<TQelMMTimer*>(sender)->SetEnabled(false), Done = true; }
  void DestroyItself(TObject* sender) { ++Count, delete static_cast<TQelMMTimer*>(sender), Done = true; }
  // Sleeps, then touches its timer: the timer's destruction must wait for it.
  void Slow(TObject* sender)
  {
    Done = true;
    Sleep(200);
    if (static_cast<TQelMMTimer*>(sender)->GetTag() != 7) ++Broken;
    ++Count;
  }
  std::atomic<int> Broken{0};
};
VCL_IMPLEMENT_CLASS(TTicks)

unsigned RangeMin, RangeMax;
bool RangeAnswer;
bool InjectedRange(unsigned& minPeriod, unsigned& maxPeriod)
{
  minPeriod = RangeMin, maxPeriod = RangeMax;
  return RangeAnswer;
}

class QelMMTimer : public ::testing::Test {
protected:
  std::unique_ptr<TQelMMTimer> Started(TMMTimerType type, unsigned interval, void (TTicks::*handler)(TObject*) = &TTicks::Tick)
  {
    auto timer = std::make_unique<TQelMMTimer>(nullptr);
    timer->SetTimerType(type);
    timer->SetInterval(interval);
    timer->SetOnTimer(TNotifyEvent(&Ticks, handler));
    timer->SetEnabled(true);
    return timer;
  }
  TTicks Ticks;
};

}  // namespace

TEST_F(QelMMTimer, EachChangeSwitchesARunningTimerOffAndAnEqualValueDoesNot)
{
  struct Case {
    const char* what;
    void (*change)(TQelMMTimer&, TTicks&);
    bool stops;
  } cases[] = {
      {"a new interval", [](TQelMMTimer& t, TTicks&) { t.SetInterval(50); }, true},
      {"a new type", [](TQelMMTimer& t, TTicks&) { t.SetTimerType(mmOneShot); }, true},
      {"a new resolution", [](TQelMMTimer& t, TTicks&) { t.SetResolution(10); }, true},
      {"a new handler", [](TQelMMTimer& t, TTicks& k) { t.SetOnTimer(TNotifyEvent(&k, &TTicks::Throw)); }, true},
      {"the same interval", [](TQelMMTimer& t, TTicks&) { t.SetInterval(1000); }, false},
      {"the same resolution", [](TQelMMTimer& t, TTicks&) { t.SetResolution(0); }, false},
      {"the same handler", [](TQelMMTimer& t, TTicks& k) { t.SetOnTimer(TNotifyEvent(&k, &TTicks::Tick)); }, false},
      {"enabled again", [](TQelMMTimer& t, TTicks&) { t.SetEnabled(true); }, false},
  };
  for (const Case& c : cases) {
    auto timer = Started(mmPeriodic, 1000);
    const unsigned id = timer->GetTimerId();
    ASSERT_NE(id, 0u) << c.what;
    c.change(*timer, Ticks);
    EXPECT_EQ(timer->GetEnabled(), !c.stops) << c.what;
    EXPECT_EQ(timer->GetTimerId(), c.stops ? 0u : id) << c.what;
  }
  // An interval of 0 starts nothing; a new interval runs once enabled again.
  auto timer = Started(mmPeriodic, 0);
  EXPECT_TRUE(timer->GetEnabled());
  EXPECT_EQ(timer->GetTimerId(), 0u);
  timer->SetInterval(5);
  EXPECT_FALSE(timer->GetEnabled());
  timer->SetEnabled(true);
  EXPECT_NE(timer->GetTimerId(), 0u);
  EXPECT_TRUE(WaitFor([&] { return Ticks.Count >= 3; }));
}

TEST_F(QelMMTimer, ResolutionIsClampedIntoTheDeviceRange)
{
  struct Case {
    unsigned min, max, set, stored;
    bool answered;
  } cases[] = {
      {1, 1000000, 0, 0, true},     {1, 1000000, 2000000, 1000000, true}, {5, 1000000, 2, 5, true},
      {5, 1000000, 5, 5, true},     {0, 100, 300, 100, true},            {10, 0, 3, 10, true},
      {5, 1000000, 2, 2, false},  // no range from the platform: both 0, nothing clamped
  };
  for (const Case& c : cases) {
    RangeMin = c.min, RangeMax = c.max, RangeAnswer = c.answered;
    TQelMMTimer::SetPeriodRangeSource(&InjectedRange);
    TQelMMTimer timer(nullptr);
    TQelMMTimer::SetPeriodRangeSource(nullptr);
    EXPECT_EQ(timer.GetMinPeriod(), c.answered ? c.min : 0u);
    EXPECT_EQ(timer.GetMaxPeriod(), c.answered ? c.max : 0u);
    timer.SetResolution(c.set);
    EXPECT_EQ(timer.GetResolution(), c.stored) << c.min << ".." << c.max << " given " << c.set;
    // At design time the value is kept as given, and nothing starts.
    timer.SetDesigning(true);
    timer.SetResolution(c.set + 1);
    EXPECT_EQ(timer.GetResolution(), c.set + 1);
    timer.SetEnabled(true);
    EXPECT_EQ(timer.GetTimerId(), 0u);
  }
}

TEST_F(QelMMTimer, PeriodicCallsBackOnAnotherThreadUntilStopped)
{
  auto timer = Started(mmPeriodic, 10);
  ASSERT_TRUE(WaitFor([&] { return Ticks.Count >= 10; })) << Ticks.Count;
  EXPECT_FALSE(Ticks.OnMainThread);
  timer->SetEnabled(false);
  const int stopped = Ticks.Count;
  Sleep(100);
  EXPECT_EQ(Ticks.Count, stopped) << "no event after Enabled went false";
}

TEST_F(QelMMTimer, OneShotFiresOnceAndKeepsItsIdUntilDisabled)
{
  auto timer = Started(mmOneShot, 5);
  ASSERT_TRUE(WaitFor([&] { return Ticks.Count >= 1; }));
  Sleep(100);
  EXPECT_EQ(Ticks.Count, 1);
  EXPECT_TRUE(timer->GetEnabled());
  EXPECT_NE(timer->GetTimerId(), 0u);
  timer->SetEnabled(false);
  EXPECT_EQ(timer->GetTimerId(), 0u);
  timer->SetEnabled(true);
  EXPECT_TRUE(WaitFor([&] { return Ticks.Count >= 2; })) << "fires again once enabled again";
}

TEST_F(QelMMTimer, DestructionWaitsForARunningCallbackAndKillsTheEvent)
{
  // Keeps the platform's timer thread alive: Wine waits for that thread when its last event goes.
  TQelMMTimer other(nullptr);
  other.SetTimerType(mmPeriodic);
  other.SetInterval(5);
  other.SetEnabled(true);
  auto timer = Started(mmPeriodic, 1, &TTicks::Slow);
  timer->SetTag(7);
  ASSERT_TRUE(WaitFor([&] { return bool(Ticks.Done); }));
  timer.reset();
  const int after = Ticks.Count;
  EXPECT_GE(after, 1) << "the callback ended before the object went";
  EXPECT_EQ(Ticks.Broken, 0) << "and saw it whole";
  Sleep(100);
  EXPECT_EQ(Ticks.Count, after) << "no callback after destruction";
}

TEST_F(QelMMTimer, ACallbackStopsOrDestroysItsOwnTimerWithoutWaitingForItself)
{
  auto stopped = Started(mmPeriodic, 1, &TTicks::StopItself);
  ASSERT_TRUE(WaitFor([&] { return bool(Ticks.Done); }));
  EXPECT_FALSE(stopped->GetEnabled());
  EXPECT_EQ(stopped->GetTimerId(), 0u);
  Ticks.Done = false;
  Ticks.Count = 0;
  Started(mmPeriodic, 1, &TTicks::DestroyItself).release();
  ASSERT_TRUE(WaitFor([&] { return bool(Ticks.Done); }));
  Sleep(50);
  EXPECT_EQ(Ticks.Count, 1) << "one event, then the timer was gone";
}

TEST_F(QelMMTimer, AnExceptionOfTheHandlerStaysOnTheTimerThread)
{
  auto timer = Started(mmPeriodic, 2, &TTicks::Throw);
  EXPECT_TRUE(WaitFor([&] { return Ticks.Count >= 5; })) << "the events go on after each failure";
}
