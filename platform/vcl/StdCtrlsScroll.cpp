// StdCtrls: scroll bars (the platform's SCROLLBAR), each notification reaching OnScroll.
#include "StdCtrls.h"

#include <algorithm>

#include "ControlsPublish.h"

VCL_IMPLEMENT_ENUM(TScrollCode, "scLineUp", "scLineDown", "scPageUp", "scPageDown", "scPosition", "scTrack",
                   "scTop", "scBottom", "scEndScroll")

VCL_PUBLISHED(TScrollBar)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("BiDiMode", &TScrollBar::GetBiDiMode, &TScrollBar::SetBiDiMode).Stored(&TScrollBar::IsBiDiModeStored);
  PublishDrag(p);
  p.Property("Kind", &TScrollBar::GetKind, &TScrollBar::SetKind).Default(sbHorizontal);
  p.Property("LargeChange", &TScrollBar::GetLargeChange, &TScrollBar::SetLargeChange).Default(1);
  p.Property("Max", &TScrollBar::GetMax, &TScrollBar::SetMax).Default(100);
  p.Property("Min", &TScrollBar::GetMin, &TScrollBar::SetMin).Default(0);
  p.Property("PageSize", &TScrollBar::GetPageSize, &TScrollBar::SetPageSize).Default(0);
  p.Property("ParentBiDiMode", &TScrollBar::GetParentBiDiMode, &TScrollBar::SetParentBiDiMode).Default(true);
  p.Property("Position", &TScrollBar::GetPosition, &TScrollBar::SetPosition).Default(0);
  p.Property("SmallChange", &TScrollBar::GetSmallChange, &TScrollBar::SetSmallChange).Default(1);
  PublishState(p);
  PublishFocus(p, true);
  p.Property("OnChange", &TScrollBar::OnChange, &TScrollBar::OnChange);
  p.Property("OnScroll", &TScrollBar::OnScroll, &TScrollBar::OnScroll);
  PublishDragEvents(p);
}

TScrollBar::TScrollBar(TOwnerArg owner) : TWinControl(owner)
{
  FControlStyle >> csClickEvents;
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
  SetTabStop(true);
}

void TScrollBar::CreateParams(TCreateParams& params)
{
  TWinControl::CreateParams(params);
  CreateSubClass(params, L"SCROLLBAR");
  params.Style |= FKind == sbHorizontal ? SBS_HORZ : SBS_VERT;
  // The bar's own side is no concern of a scroll bar control.
  params.ExStyle &= ~DWORD(WS_EX_LEFTSCROLLBAR);
}

void TScrollBar::CreateWnd()
{
  TWinControl::CreateWnd();
  UpdateWindow();
}

// A horizontal bar right to left runs from its minimum at the right to its maximum at the left.
bool TScrollBar::Reversed() const { return FKind == sbHorizontal && UseRightToLeftAlignment(); }

void TScrollBar::UpdateWindow()
{
  if (!HandleAllocated()) return;
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  info.nMin = FMin;
  info.nMax = FMax;
  info.nPage = UINT(FPageSize);
  info.nPos = Reversed() ? FMax - std::max(FPageSize - 1, 0) - (FPosition - FMin) : FPosition;
  SetScrollInfo(GetHandle(), SB_CTL, &info, TRUE);
}

void TScrollBar::SetKind(TScrollBarKind value)
{
  if (FKind == value) return;
  FKind = value;
  if (!HasState(csLoading)) SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
  RecreateWnd();
}

void TScrollBar::SetParams(int position, int min, int max)
{
  if (max < min) throw EInvalidOperation("Scroll bar property out of range");
  const int highest = std::max(max - std::max(FPageSize - 1, 0), min);
  position = std::clamp(position, min, highest);
  const bool changed = position != FPosition;
  FMin = min;
  FMax = max;
  FPosition = position;
  UpdateWindow();
  if (changed) Change();
}

void TScrollBar::SetPageSize(int value)
{
  FPageSize = std::clamp(value, 0, std::max(FMax - FMin + 1, 0));
  SetParams(FPosition, FMin, FMax);
}

void TScrollBar::Change()
{
  if (OnChange) OnChange(this);
}

void TScrollBar::Scroll(TScrollCode scrollCode, int& scrollPos)
{
  if (OnScroll) OnScroll(this, scrollCode, scrollPos);
}

void TScrollBar::CNScroll(TMessage& message)
{
  TScrollCode code = TScrollCode(std::min<WORD>(LOWORD(message.WParam), SB_ENDSCROLL));
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_TRACKPOS;
  GetScrollInfo(GetHandle(), SB_CTL, &info);
  int thumb = info.nTrackPos;
  if (Reversed()) {
    // The platform's left is our maximum.
    static const TScrollCode mirrored[] = {scLineDown, scLineUp, scPageDown, scPageUp, scPosition,
                                           scTrack,    scBottom, scTop,      scEndScroll};
    code = mirrored[code];
    thumb = FMax - std::max(FPageSize - 1, 0) - (thumb - FMin);
  }
  int pos = FPosition;
  switch (code) {
    case scLineUp: pos -= FSmallChange; break;
    case scLineDown: pos += FSmallChange; break;
    case scPageUp: pos -= FLargeChange; break;
    case scPageDown: pos += FLargeChange; break;
    case scPosition: case scTrack: pos = thumb; break;
    case scTop: pos = FMin; break;
    case scBottom: pos = FMax; break;
    case scEndScroll: break;
  }
  const int highest = std::max(FMax - std::max(FPageSize - 1, 0), FMin);
  pos = std::clamp(pos, FMin, highest);
  Scroll(code, pos);
  SetPosition(pos);
  message.Result = 0;
}

void TScrollBar::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CN_HSCROLL: case CN_VSCROLL: return CNScroll(message);
    case CM_BIDIMODECHANGED:
      TWinControl::Dispatch(raw);
      UpdateWindow();
      return;
    default: return TWinControl::Dispatch(raw);
  }
}
