// Many multimedia timers made, run at 1 ms and destroyed, each callback touching its timer: no
// callback may find its object gone (the run under heap checking sees any write to freed memory).
#include <gtest/gtest.h>

#include <atomic>

#include "Qelmmtimer.h"

namespace {

std::atomic<int> Ticks{0};
std::atomic<int> Broken{0};

class TSoakTimer : public TQelMMTimer {
  VCL_DECLARE_CLASS(TSoakTimer, TQelMMTimer)
  explicit TSoakTimer(TOwnerArg owner) : TQelMMTimer(owner) {}
  ~TSoakTimer() override { Alive = 0; }
  static constexpr unsigned Living = 0x51A7C0DE;
  volatile unsigned Alive = Living;

protected:
  void Timer() override
  {
    if (Alive != Living || GetInterval() != 1) ++Broken;
    SetTag(GetTag() + 1);
    ++Ticks;
  }
};
VCL_IMPLEMENT_CLASS(TSoakTimer)

}  // namespace

TEST(QelMMTimerSoak, TenThousandTimersMadeRunAndDestroyed)
{
  for (int i = 0; i < 10000; ++i) {
    auto* timer = new TSoakTimer(nullptr);
    timer->SetTimerType(mmPeriodic);
    timer->SetInterval(1);
    timer->SetEnabled(true);
    // Now and then long enough for events to come, so that destruction meets running callbacks.
    if (i % 16 == 0) Sleep(2);
    delete timer;
  }
  EXPECT_EQ(Broken, 0);
  EXPECT_GT(Ticks, 0) << "the timers ran";
}
