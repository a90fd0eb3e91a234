// The library's track bar under real keys and drags, left to right and right to left: OnScroll hears
// each action's code and may hold the thumb where it wants it. Then a stored form of the track bar
// and the multimedia timer: the timer stored enabled runs once loaded, and a write/read cycle keeps
// every property the two add.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "Qelmmtimer.h"
#include "Qeltrackbar.h"
#include "StdInputSupport.h"
#include "TypInfo.h"

namespace gt = ostrel::test;

namespace {

const int Max = 20;

// Records the codes and positions OnScroll is given; pins the position at 0 on one code or all.
class TScrollProbe : public TObject {
  VCL_DECLARE_CLASS(TScrollProbe, TObject)
  TScrollProbe() = default;
  static constexpr int PinNone = -1, PinAll = -2;
  int Pin = PinNone;
  std::vector<TScrollCode> Codes;
  std::vector<int> Positions;
  void Scrolled(TObject*, TScrollCode code, int& pos)
  {
    Codes.push_back(code), Positions.push_back(pos);
    if (Pin == PinAll || Pin == int(code)) pos = 0;
  }
  bool Heard(TScrollCode code) const { return std::find(Codes.begin(), Codes.end(), code) != Codes.end(); }
};
VCL_IMPLEMENT_CLASS(TScrollProbe)

POINT Center(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class QelTrackBar : public ::testing::Test {
protected:
  void Make(bool rightToLeft)
  {
    Form.reset(ctltest::NewForm(320, 80, clBtnFace));
    if (rightToLeft) Form->SetBiDiMode(bdRightToLeft);
    Bar = stdinput::Place<TQelTrackBar>(Form.get(), 20, 16, 260, 40);
    Bar->SetMax(Max);
    Bar->SetPosition(5);
    Bar->OnScroll = TScrollEvent(&Probe, &TScrollProbe::Scrolled);
    ctltest::Pump();
  }
  // Drags the thumb past the maximum's end of the channel.
  bool DragToTheEnd()
  {
    RECT thumb{}, channel{};
    SendMessageW(Bar->GetHandle(), TBM_GETTHUMBRECT, 0, LPARAM(&thumb));
    SendMessageW(Bar->GetHandle(), TBM_GETCHANNELRECT, 0, LPARAM(&channel));
    const POINT from = Center(thumb);
    return stdinput::PressPath(Bar->GetHandle(), {from, POINT{from.x + 30, from.y}, POINT{channel.right + 20, from.y}});
  }
  int WindowPosition() { return int(SendMessageW(Bar->GetHandle(), TBM_GETPOS, 0, 0)); }
  stdinput::TFormPtr Form;
  TQelTrackBar* Bar = nullptr;
  TScrollProbe Probe;
};

}  // namespace

TEST_F(QelTrackBar, OnScrollHearsEachActionAndMayPinTheThumb)
{
  enum Input { EndKey, Drag };
  struct Case {
    const char* what;
    bool rightToLeft;
    Input input;
    int pin;
    TScrollCode heard;
    int position;
  } cases[] = {
      {"End, left alone", false, EndKey, TScrollProbe::PinNone, scBottom, Max},
      {"End, pinned", false, EndKey, TScrollProbe::PinAll, scBottom, 0},
      {"a drag, left alone", false, Drag, TScrollProbe::PinNone, scTrack, Max},
      {"a drag, pinned while tracking", false, Drag, scTrack, scTrack, 0},
      {"right to left: End, pinned", true, EndKey, TScrollProbe::PinAll, scBottom, 0},
      {"right to left: a drag, left alone", true, Drag, TScrollProbe::PinNone, scTrack, Max},
      {"right to left: a drag, pinned while tracking", true, Drag, scTrack, scTrack, 0},
  };
  for (const Case& c : cases) {
    Make(c.rightToLeft);
    EXPECT_EQ((GetWindowLongW(Bar->GetHandle(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0, c.rightToLeft) << c.what;
    Probe.Pin = c.pin;
    Probe.Codes.clear();
    Probe.Positions.clear();
    if (c.input == EndKey) {
      ASSERT_TRUE(stdinput::FocusOn(Bar)) << c.what;
      ASSERT_TRUE(gt::KeyPress(VK_END)) << c.what;
    } else {
      ASSERT_TRUE(DragToTheEnd()) << c.what;
    }
    ASSERT_TRUE(gt::PumpUntil([&] { return Probe.Heard(scEndScroll); }, 3000)) << c.what;
    EXPECT_TRUE(Probe.Heard(c.heard)) << c.what;
    EXPECT_EQ(Bar->GetPosition(), c.position) << c.what;
    EXPECT_EQ(WindowPosition(), c.position) << c.what << ": the thumb is where the handler wants it";
    // The handler is given the position the action leads to.
    if (c.input == EndKey) {
      EXPECT_EQ(Probe.Positions.front(), Max) << c.what;
    }
  }
}

// ---------------------------------------------------------------------------------------------------
// A stored form of both.
namespace {

class TQelTimerForm : public TForm {
  VCL_DECLARE_FORM(TQelTimerForm, TForm)
  explicit TQelTimerForm(TOwnerArg owner) : TForm(owner) {}
  TQelTimerForm(TOwnerArg owner, int dummy) : TForm(owner, dummy) {}
  TQelTrackBar* TrackBar1 = nullptr;
  TQelMMTimer* Timer1 = nullptr;
  // Only this is touched from the timer thread; it outlives the owned timer, which goes last.
  std::atomic<int> Ticks{0};
  void TimerTick(TObject*) { ++Ticks; }
  void TrackScroll(TObject*, TScrollCode, int&) {}
};

VCL_PUBLISHED(TQelTimerForm)
{
  p.Field("TrackBar1", &TQelTimerForm::TrackBar1);
  p.Field("Timer1", &TQelTimerForm::Timer1);
  p.Method("TimerTick", &TQelTimerForm::TimerTick);
  p.Method("TrackScroll", &TQelTimerForm::TrackScroll);
}

// Enabled comes first, as the writer puts it: the later properties must not switch the timer off.
const char StoredText[] = R"(object QelTimerForm: TQelTimerForm
  object TrackBar1: TQelTrackBar
    Left = 8
    Top = 8
    Width = 200
    Height = 32
    Max = 20
    Position = 3
    OnScroll = TrackScroll
  end
  object Timer1: TQelMMTimer
    Enabled = True
    Interval = 5
    TimerType = mmPeriodic
    Resolution = 2
    OnTimer = TimerTick
  end
end
)";

using TTimerFormPtr = std::unique_ptr<TQelTimerForm, stdinput::FormDeleter>;

std::string Bytes(TMemoryStream& stream) { return std::string(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize())); }

// Reads a binary (or, with text, a text) form into a new form.
TTimerFormPtr ReadForm(const std::string& stored, bool text = false)
{
  TMemoryStream in, binary;
  in.WriteBuffer(stored.data(), int(stored.size()));
  in.SetPosition(0);
  if (text) ObjectTextToBinary(&in, &binary);
  TMemoryStream& source = text ? binary : in;
  source.SetPosition(0);
  TTimerFormPtr form(new TQelTimerForm(nullptr, 0));
  source.ReadComponent(form.get());
  return form;
}

// The form's binary, and its text.
std::pair<std::string, std::string> WriteForm(TComponent* form)
{
  TMemoryStream binary, text;
  binary.WriteComponent(form);
  binary.SetPosition(0);
  ObjectBinaryToText(&binary, &text);
  return {Bytes(binary), Bytes(text)};
}

bool WaitForTicks(const TQelTimerForm& form, int count) { return gt::PumpUntil([&] { return form.Ticks >= count; }, 10000); }

}  // namespace

TEST(QelTimerStoredForm, LoadsRunningAndKeepsEveryAddedProperty)
{
  TTimerFormPtr form = ReadForm(StoredText, true);
  TQelMMTimer* timer = form->Timer1;
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->GetEnabled());
  EXPECT_EQ(timer->GetInterval(), 5u);
  EXPECT_EQ(timer->GetResolution(), 2u);
  EXPECT_NE(timer->GetTimerId(), 0u) << "started by Loaded";
  EXPECT_TRUE(WaitForTicks(*form, 3)) << "the stored timer runs";
  EXPECT_EQ(form->TrackBar1->OnScroll.GetMethod().Data, form.get());

  const auto [written, shown] = WriteForm(form.get());
  for (const char* line : {"Enabled = True", "Interval = 5", "TimerType = mmPeriodic", "Resolution = 2",
                           "OnTimer = TimerTick", "OnScroll = TrackScroll"})
    EXPECT_NE(shown.find(line), std::string::npos) << line << " in\n" << shown;
  EXPECT_EQ(shown.find("TimerId"), std::string::npos) << "read-only, not stored";
  TTimerFormPtr copy = ReadForm(written);
  for (const char* name : {"Enabled", "Interval", "TimerType", "Resolution"})
    EXPECT_EQ(GetOrdProp(copy->Timer1, name), GetOrdProp(timer, name)) << name;
  EXPECT_EQ(GetMethodProp(copy->Timer1, "OnTimer").Data, copy.get());
  EXPECT_EQ(GetMethodProp(copy->TrackBar1, "OnScroll").Code, GetMethodProp(form->TrackBar1, "OnScroll").Code);
  EXPECT_EQ(WriteForm(copy.get()).first, written) << "a second cycle writes the same bytes";
  EXPECT_TRUE(WaitForTicks(*copy, 3)) << "the copy's timer runs too";
}
