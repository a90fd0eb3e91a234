// Forms: scrolling controls — the window's own scroll bars (TControlScrollBar), automatic ranges
// from the children, the wheel, and the scroll box.
#include "Forms.h"

#include <algorithm>

#include "ControlsPublish.h"

VCL_IMPLEMENT_ENUM(TScrollBarKind, "sbHorizontal", "sbVertical")
VCL_IMPLEMENT_ENUM(TScrollBarStyle, "ssRegular", "ssFlat", "ssHotTrack")


VCL_PUBLISHED(TControlScrollBar)
{
  p.Property("ButtonSize", &TControlScrollBar::GetButtonSize, &TControlScrollBar::SetButtonSize).Default(0);
  p.Property("Color", &TControlScrollBar::GetColor, &TControlScrollBar::SetColor).Default(int(clBtnHighlight));
  p.Property("Increment", &TControlScrollBar::GetIncrement, &TControlScrollBar::SetIncrement).Default(8);
  p.Property("Margin", &TControlScrollBar::GetMargin, &TControlScrollBar::SetMargin).Default(0);
  p.Property("ParentColor", &TControlScrollBar::GetParentColor, &TControlScrollBar::SetParentColor).Default(true);
  p.Property("Position", &TControlScrollBar::GetPosition, &TControlScrollBar::SetPosition).Default(0);
  p.Property("Range", &TControlScrollBar::GetRange, &TControlScrollBar::SetRange)
      .Stored(&TControlScrollBar::IsRangeStored);
  p.Property("Size", &TControlScrollBar::GetSize, &TControlScrollBar::SetSize).Default(0);
  p.Property("Style", &TControlScrollBar::GetStyle, &TControlScrollBar::SetStyle).Default(ssRegular);
  p.Property("ThumbSize", &TControlScrollBar::GetThumbSize, &TControlScrollBar::SetThumbSize).Default(0);
  p.Property("Tracking", &TControlScrollBar::GetTracking, &TControlScrollBar::SetTracking).Default(false);
  p.Property("Visible", &TControlScrollBar::GetVisible, &TControlScrollBar::SetVisible).Default(true);
}

VCL_PUBLISHED(TScrollBox)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("AutoScroll", &TScrollBox::GetAutoScroll, &TScrollBox::SetAutoScroll).Default(true);
  p.Property("BorderStyle", &TScrollBox::GetBorderStyle, &TScrollBox::SetBorderStyle).Default(bsSingle);
  p.Property("DragCursor", &TScrollBox::GetDragCursor, &TScrollBox::SetDragCursor).Default(int(crDrag));
  p.Property("DragKind", &TScrollBox::GetDragKind, &TScrollBox::SetDragKind).Default(dkDrag);
  p.Property("DragMode", &TScrollBox::GetDragMode, &TScrollBox::SetDragMode).Default(dmManual);
  p.ReadOnly("HorzScrollBar", &TScrollBox::GetHorzScrollBar);
  p.ReadOnly("VertScrollBar", &TScrollBox::GetVertScrollBar);
  PublishLook(p);
  PublishState(p);
  PublishFocus(p, false);
  PublishMouseEvents(p);
  p.Property("OnDragDrop", &TScrollBox::OnDragDrop, &TScrollBox::OnDragDrop);
  p.Property("OnDragOver", &TScrollBox::OnDragOver, &TScrollBox::OnDragOver);
  p.Property("OnEndDock", &TScrollBox::OnEndDock, &TScrollBox::OnEndDock);
  p.Property("OnEndDrag", &TScrollBox::OnEndDrag, &TScrollBox::OnEndDrag);
  p.Property("OnMouseWheel", &TScrollBox::OnMouseWheel, &TScrollBox::OnMouseWheel);
  p.Property("OnMouseWheelDown", &TScrollBox::OnMouseWheelDown, &TScrollBox::OnMouseWheelDown);
  p.Property("OnMouseWheelUp", &TScrollBox::OnMouseWheelUp, &TScrollBox::OnMouseWheelUp);
  p.Property("OnResize", &TScrollBox::OnResize, &TScrollBox::OnResize);
  p.Property("OnStartDock", &TScrollBox::OnStartDock, &TScrollBox::OnStartDock);
  p.Property("OnStartDrag", &TScrollBox::OnStartDrag, &TScrollBox::OnStartDrag);
}

static TUnitInit FormsScrollUnitInit("FormsScroll", [] { RegisterClasses({TScrollBox::StaticClass()}); });

// ===================================================================================================
// TControlScrollBar
TControlScrollBar::TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind)
    : FControl(control), FKind(kind)
{
}

void TControlScrollBar::Assign(TPersistent* source)
{
  auto* other = dynamic_cast<TControlScrollBar*>(source);
  if (!other) return TPersistent::Assign(source);
  FButtonSize = other->FButtonSize;
  FColor = other->FColor;
  FParentColor = other->FParentColor;
  FIncrement = other->FIncrement;
  FMargin = other->FMargin;
  FSize = other->FSize;
  FStyle = other->FStyle;
  FThumbSize = other->FThumbSize;
  FTracking = other->FTracking;
  FVisible = other->FVisible;
  SetRange(other->FRange);
  SetPosition(other->FPosition);
}

void TControlScrollBar::SetColor(TColor value)
{
  FColor = value;
  FParentColor = false;
}

void TControlScrollBar::SetIncrement(TScrollBarInc value) { FIncrement = std::clamp(value, 1, 32767); }

void TControlScrollBar::SetMargin(int value)
{
  FMargin = std::max(value, 0);
  FControl->CalcAutoRange();
}

bool TControlScrollBar::IsRangeStored() const { return !FControl->GetAutoScroll() && FRange != 0; }

void TControlScrollBar::SetRange(int value)
{
  FRange = std::max(value, 0);
  FCalcRange = FRange;
  FControl->UpdateScrollBars();
}

void TControlScrollBar::SetVisible(bool value)
{
  FVisible = value;
  FControl->UpdateScrollBars();
}

int TControlScrollBar::ControlSize() const
{
  const TRect client = FControl->TWinControl::GetClientRect();
  return FKind == sbHorizontal ? client.Width() : client.Height();
}

bool TControlScrollBar::IsScrollBarVisible() const { return FVisible && FCalcRange > ControlSize(); }

void TControlScrollBar::SetPosition(int value)
{
  // Streaming sets the position before the children are read: keep it, scroll when the range allows.
  if (FControl->HasState(csLoading)) {
    FPosition = value;
    return;
  }
  const int highest = std::max(FCalcRange - ControlSize(), 0);
  value = std::clamp(value, 0, highest);
  if (value == FPosition) return;
  const int delta = FPosition - value;
  FPosition = value;
  if (FKind == sbHorizontal) FControl->ScrollBy(delta, 0);
  else FControl->ScrollBy(0, delta);
  if (FControl->HandleAllocated() && IsScrollBarVisible())
    SetScrollPos(FControl->GetHandle(), FKind == sbHorizontal ? SB_HORZ : SB_VERT, value, TRUE);
}

void TControlScrollBar::ScrollMessage(UINT code)
{
  const int bar = FKind == sbHorizontal ? SB_HORZ : SB_VERT;
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  GetScrollInfo(FControl->GetHandle(), bar, &info);
  const int page = std::max(ControlSize() * 9 / 10, 1);
  switch (code) {
    case SB_LINEUP: SetPosition(FPosition - FIncrement); break;
    case SB_LINEDOWN: SetPosition(FPosition + FIncrement); break;
    case SB_PAGEUP: SetPosition(FPosition - page); break;
    case SB_PAGEDOWN: SetPosition(FPosition + page); break;
    case SB_THUMBTRACK:
      if (FTracking) SetPosition(info.nTrackPos);
      break;
    case SB_THUMBPOSITION: SetPosition(info.nTrackPos); break;
    case SB_TOP: SetPosition(0); break;
    case SB_BOTTOM: SetPosition(FCalcRange); break;
    default: break;
  }
}

void TControlScrollBar::Update()
{
  if (!FControl->HandleAllocated()) return;
  HWND handle = FControl->GetHandle();
  const int bar = FKind == sbHorizontal ? SB_HORZ : SB_VERT;
  if (!IsScrollBarVisible()) {
    if (FPosition != 0) SetPosition(0);
    ShowScrollBar(handle, bar, FALSE);
    return;
  }
  SCROLLINFO info{};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = FCalcRange - 1;
  info.nPage = UINT(ControlSize());
  info.nPos = FPosition;
  ShowScrollBar(handle, bar, TRUE);
  SetScrollInfo(handle, bar, &info, TRUE);
  // A larger client (the other bar went) may leave the position past the end.
  SetPosition(FPosition);
}

// ===================================================================================================
// TScrollingWinControl
TScrollingWinControl::TScrollingWinControl(TOwnerArg owner)
    : TWinControl(owner),
      FHorzScrollBar(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      FVertScrollBar(std::make_unique<TControlScrollBar>(this, sbVertical))
{
}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::CreateParams(TCreateParams& params)
{
  TWinControl::CreateParams(params);
  params.Style |= WS_CLIPCHILDREN;
}

void TScrollingWinControl::CreateWnd()
{
  TWinControl::CreateWnd();
  UpdateScrollBars();
}

void TScrollingWinControl::SetAutoScroll(bool value)
{
  if (FAutoScroll == value) return;
  FAutoScroll = value;
  if (value) CalcAutoRange();
  else {
    FHorzScrollBar->SetRange(0);
    FVertScrollBar->SetRange(0);
  }
}

void TScrollingWinControl::EnableAutoRange()
{
  if (FAutoRangeCount > 0 && --FAutoRangeCount == 0) CalcAutoRange();
}

// The children's extent (in the scrolled area) sets the ranges; a child aligned to a side of one
// direction counts only in the other.
void TScrollingWinControl::CalcAutoRange()
{
  if (!FAutoScroll || FAutoRangeCount > 0 || HasState(csLoading) || !FHorzScrollBar || !FVertScrollBar) return;
  int horz = 0, vert = 0;
  for (int i = 0; i < GetControlCount(); ++i) {
    TControl* c = GetControl(i);
    if (!c->GetVisible()) continue;
    const TAlign align = c->GetAlign();
    if (align == alNone || align == alLeft || align == alRight)
      horz = std::max(horz, c->GetLeft() + c->GetWidth() + FHorzScrollBar->FPosition);
    if (align == alNone || align == alTop || align == alBottom)
      vert = std::max(vert, c->GetTop() + c->GetHeight() + FVertScrollBar->FPosition);
  }
  FHorzScrollBar->FCalcRange = horz > 0 ? horz + FHorzScrollBar->FMargin : 0;
  FVertScrollBar->FCalcRange = vert > 0 ? vert + FVertScrollBar->FMargin : 0;
  UpdateScrollBars();
}

void TScrollingWinControl::UpdateScrollBars()
{
  if (FUpdatingScrollBars || !FHorzScrollBar || !FVertScrollBar || !HandleAllocated()) return;
  FUpdatingScrollBars = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FUpdatingScrollBars};
  // Twice: showing one bar narrows the client, which may call for the other.
  for (int round = 0; round < 2; ++round) {
    FVertScrollBar->Update();
    FHorzScrollBar->Update();
  }
}

void TScrollingWinControl::ScrollBy(int dx, int dy)
{
  if (dx == 0 && dy == 0) return;
  DisableAlign();
  DisableAutoRange();
  for (int i = 0; i < GetControlCount(); ++i) {
    TControl* c = GetControl(i);
    c->SetBounds(c->GetLeft() + dx, c->GetTop() + dy, c->GetWidth(), c->GetHeight());
  }
  --FAutoRangeCount;
  EnableAlign();
  Invalidate();
}

void TScrollingWinControl::ScrollInView(TControl* control)
{
  if (!control || control->GetParent() != this) return;
  AutoScrollInView(control);
}

void TScrollingWinControl::AutoScrollInView(TControl* control)
{
  const TRect client = TWinControl::GetClientRect();
  auto bring = [](TControlScrollBar* bar, int start, int extent, int size) {
    if (start < 0) bar->SetPosition(bar->GetPosition() + start);
    else if (start + extent > size) bar->SetPosition(bar->GetPosition() + std::min(start, start + extent - size));
  };
  bring(FHorzScrollBar.get(), control->GetLeft(), control->GetWidth(), client.Width());
  bring(FVertScrollBar.get(), control->GetTop(), control->GetHeight(), client.Height());
}

// Aligned children share the whole scrolled area, placed where it is scrolled to.
void TScrollingWinControl::AdjustClientRect(TRect& rect)
{
  TWinControl::AdjustClientRect(rect);
  const int width = std::max(FHorzScrollBar->FCalcRange, rect.Width());
  const int height = std::max(FVertScrollBar->FCalcRange, rect.Height());
  rect = Bounds(rect.Left - FHorzScrollBar->ScrollPos(), rect.Top - FVertScrollBar->ScrollPos(), width, height);
}

void TScrollingWinControl::AlignControls(TControl* control, TRect& rect)
{
  TWinControl::AlignControls(control, rect);
  CalcAutoRange();
}

bool TScrollingWinControl::DoMouseWheelDown(TShiftState shift, const TPoint& mousePos)
{
  if (TWinControl::DoMouseWheelDown(shift, mousePos)) return true;
  TControlScrollBar* bar = shift.Contains(ssShift) ? FHorzScrollBar.get() : FVertScrollBar.get();
  if (!bar->IsScrollBarVisible()) return false;
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  bar->SetPosition(bar->GetPosition() + bar->GetIncrement() * int(std::max(lines, 1u)));
  return true;
}

bool TScrollingWinControl::DoMouseWheelUp(TShiftState shift, const TPoint& mousePos)
{
  if (TWinControl::DoMouseWheelUp(shift, mousePos)) return true;
  TControlScrollBar* bar = shift.Contains(ssShift) ? FHorzScrollBar.get() : FVertScrollBar.get();
  if (!bar->IsScrollBarVisible()) return false;
  UINT lines = 3;
  SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  bar->SetPosition(bar->GetPosition() - bar->GetIncrement() * int(std::max(lines, 1u)));
  return true;
}

void TScrollingWinControl::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
      // The window's own bars (a scroll bar control's notifications name its window).
      if (message.LParam == 0) {
        (message.Msg == WM_HSCROLL ? FHorzScrollBar : FVertScrollBar)->ScrollMessage(LOWORD(message.WParam));
        message.Result = 0;
        return;
      }
      break;
    case WM_SIZE:
      TWinControl::Dispatch(raw);
      UpdateScrollBars();
      return;
    case CM_CONTROLLISTCHANGE:
      TWinControl::Dispatch(raw);
      CalcAutoRange();
      return;
    default: break;
  }
  TWinControl::Dispatch(raw);
}

// ===================================================================================================
// TScrollBox
TScrollBox::TScrollBox(TOwnerArg owner) : TScrollingWinControl(owner)
{
  FControlStyle << csAcceptsControls << csCaptureMouse << csClickEvents << csSetCaption << csDoubleClicks;
  SetBounds(0, 0, 185, 41);
}

void TScrollBox::SetBorderStyle(TFormBorderStyle value)
{
  if (value != bsNone) value = bsSingle;
  if (FBorderStyle == value) return;
  FBorderStyle = value;
  RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& params)
{
  TScrollingWinControl::CreateParams(params);
  if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}
