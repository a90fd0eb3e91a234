// Shared by the control tests: bounded waits on the message loop, pixels read back from windows,
// forms made without a stored form, and pictures of what was checked saved under build/<target>/screens.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Forms.h"

namespace ctltest {

// Handles the queued messages.
void Pump();
// Handles messages until cond holds or timeoutMs passes; answers cond's last value.
bool WaitFor(const std::function<bool()>& cond, int timeoutMs = 3000);
// Handles messages for a while (lets timers and posted messages run).
void PumpFor(int ms);

// The pixels of a window's client area (or a part of it), as COLORREFs.
struct TPixels {
  int Width = 0;
  int Height = 0;
  std::vector<COLORREF> Data;
  COLORREF At(int x, int y) const { return Data[size_t(y) * size_t(Width) + size_t(x)]; }
  // How many pixels of the rectangle (clipped to the picture) have exactly that colour.
  int Count(const TRect& area, COLORREF color) const;
  // The columns that hold at least one pixel of the colour: first and last (-1 when none).
  std::pair<int, int> ColumnsWith(COLORREF color) const;
  // The same for pixels near the colour (every channel within tolerance): smoothed text is never
  // all of one colour.
  std::pair<int, int> ColumnsNear(COLORREF color, int tolerance = 96) const;
  void Save(const std::string& name) const;
};

// Repaints the control's window now and reads its client area back.
TPixels Capture(TWinControl* control);
// The part of the parent's client area a (graphic) control covers, read after a repaint.
TPixels CaptureControl(TControl* control);
// The same as the screen shows it now, after the queued messages (no repaint asked for).
TPixels ReadControl(TControl* control);

// A form without a stored form, placed at (x, y) with that client size, shown and painted.
TForm* NewForm(int clientWidth, int clientHeight, TColor color = clWhite);

// How many windows the current thread has (top-level and their children).
int ThreadWindowCount();

// Stored forms: a text form kept as an RCDATA resource of the test program is read into `form`
// through its binary form and written back; both binaries are answered.
struct TRoundTrip {
  std::string Stored;
  std::string Written;
};
TRoundTrip RoundTrip(const wchar_t* resource, TComponent* form);
// A binary form as text, for readable differences.
std::string BinaryToText(const std::string& binary);
// The component of that name owned by root, as a T (null when absent or of another class).
template <class T>
T* Find(TComponent* root, const char* name)
{
  return dynamic_cast<T*>(root->FindComponent(name));
}

}  // namespace ctltest
