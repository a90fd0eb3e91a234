// ComCtrls: the track bar (the platform's msctls_trackbar32) and the up-down (msctls_updown32).
#include <algorithm>

#include "ComCtrls.h"
#include "ControlsPublish.h"

VCL_IMPLEMENT_ENUM(TTrackBarOrientation, "trHorizontal", "trVertical")
VCL_IMPLEMENT_ENUM(TTickMark, "tmBottomRight", "tmTopLeft", "tmBoth")
VCL_IMPLEMENT_ENUM(TTickStyle, "tsNone", "tsAuto", "tsManual")
VCL_IMPLEMENT_ENUM(TUDAlignButton, "udLeft", "udRight")
VCL_IMPLEMENT_ENUM(TUDOrientation, "udHorizontal", "udVertical")
VCL_IMPLEMENT_ENUM(TUDBtnType, "btNext", "btPrev")
VCL_IMPLEMENT_CLASS(TCustomUpDown)

VCL_PUBLISHED(TTrackBar)
{
  using namespace vcl_detail;
  PublishAlign(p);
  PublishDrag(p);
  p.Property("Frequency", &TTrackBar::GetFrequency, &TTrackBar::SetFrequency).Default(1);
  p.Property("LineSize", &TTrackBar::GetLineSize, &TTrackBar::SetLineSize).Default(1);
  p.Property("Max", &TTrackBar::GetMax, &TTrackBar::SetMax).Default(10);
  p.Property("Min", &TTrackBar::GetMin, &TTrackBar::SetMin).Default(0);
  p.Property("Orientation", &TTrackBar::GetOrientation, &TTrackBar::SetOrientation).Default(trHorizontal);
  p.Property("PageSize", &TTrackBar::GetPageSize, &TTrackBar::SetPageSize).Default(2);
  p.Property("Position", &TTrackBar::GetPosition, &TTrackBar::SetPosition).Default(0);
  p.Property("SelEnd", &TTrackBar::GetSelEnd, &TTrackBar::SetSelEnd).Default(0);
  p.Property("SelStart", &TTrackBar::GetSelStart, &TTrackBar::SetSelStart).Default(0);
  p.Property("SliderVisible", &TTrackBar::GetSliderVisible, &TTrackBar::SetSliderVisible).Default(true);
  p.Property("ThumbLength", &TTrackBar::GetThumbLength, &TTrackBar::SetThumbLength).Default(20);
  p.Property("TickMarks", &TTrackBar::GetTickMarks, &TTrackBar::SetTickMarks).Default(tmBottomRight);
  p.Property("TickStyle", &TTrackBar::GetTickStyle, &TTrackBar::SetTickStyle).Default(tsAuto);
  PublishState(p);
  PublishFocus(p, true);
  p.Property("OnChange", &TTrackBar::OnChange, &TTrackBar::OnChange);
  PublishDragEvents(p);
}

VCL_PUBLISHED(TUpDown)
{
  using namespace vcl_detail;
  p.Property("AlignButton", &TUpDown::GetAlignButton, &TUpDown::SetAlignButton).Default(udRight);
  p.Property("Anchors", &TUpDown::GetAnchors, &TUpDown::SetAnchors).Default(TAnchors() << akLeft << akTop);
  p.Property("Associate", &TUpDown::GetAssociate, &TUpDown::SetAssociate);
  p.Property("ArrowKeys", &TUpDown::GetArrowKeys, &TUpDown::SetArrowKeys).Default(true);
  p.Property("Enabled", &TUpDown::GetEnabled, &TUpDown::SetEnabled).Default(true);
  p.Property("Hint", &TUpDown::GetHint, &TUpDown::SetHint);
  p.Property("Min", &TUpDown::GetMin, &TUpDown::SetMin).Default(0);
  p.Property("Max", &TUpDown::GetMax, &TUpDown::SetMax).Default(100);
  p.Property("Increment", &TUpDown::GetIncrement, &TUpDown::SetIncrement).Default(1);
  p.Property("Orientation", &TUpDown::GetOrientation, &TUpDown::SetOrientation).Default(udVertical);
  p.Property("ParentShowHint", &TUpDown::GetParentShowHint, &TUpDown::SetParentShowHint).Default(true);
  p.Property("PopupMenu", &TUpDown::GetPopupMenu, &TUpDown::SetPopupMenu);
  p.Property("Position", &TUpDown::GetPosition, &TUpDown::SetPosition).Default(0);
  p.Property("ShowHint", &TUpDown::GetShowHint, &TUpDown::SetShowHint).Stored(&TUpDown::IsShowHintStored);
  PublishTabs(p, false);
  p.Property("Thousands", &TUpDown::GetThousands, &TUpDown::SetThousands).Default(true);
  p.Property("Visible", &TUpDown::GetVisible, &TUpDown::SetVisible).Default(true);
  p.Property("Wrap", &TUpDown::GetWrap, &TUpDown::SetWrap).Default(false);
  p.Property("OnChanging", &TUpDown::OnChanging, &TUpDown::OnChanging);
  p.Property("OnClick", &TUpDown::OnClick, &TUpDown::OnClick);
  PublishFocusEvents(p);
  p.Property("OnMouseDown", &TUpDown::OnMouseDown, &TUpDown::OnMouseDown);
  p.Property("OnMouseMove", &TUpDown::OnMouseMove, &TUpDown::OnMouseMove);
  p.Property("OnMouseUp", &TUpDown::OnMouseUp, &TUpDown::OnMouseUp);
}

// ===================================================================================================
// TTrackBar
TTrackBar::TTrackBar(TOwnerArg owner) : TWinControl(owner)
{
  vcl_detail::InitComCtrls();
  FControlStyle >> csClickEvents;
  SetBounds(0, 0, 150, 45);
  SetTabStop(true);
}

LRESULT TTrackBar::Send(UINT msg, WPARAM wParam, LPARAM lParam)
{
  return HandleAllocated() ? SendMessageW(GetHandle(), msg, wParam, lParam) : 0;
}

void TTrackBar::CreateParams(TCreateParams& params)
{
  TWinControl::CreateParams(params);
  CreateSubClass(params, TRACKBAR_CLASSW);
  params.Style |= TBS_FIXEDLENGTH | TBS_ENABLESELRANGE;
  params.Style |= FOrientation == trHorizontal ? TBS_HORZ : TBS_VERT;
  static const DWORD marks[] = {TBS_BOTTOM, TBS_TOP, TBS_BOTH};  // TBS_RIGHT, TBS_LEFT are the same bits
  params.Style |= marks[FTickMarks];
  if (FTickStyle == tsNone) params.Style |= TBS_NOTICKS;
  else if (FTickStyle == tsAuto) params.Style |= TBS_AUTOTICKS;
  if (!FSliderVisible) params.Style |= TBS_NOTHUMB;
  vcl_detail::MirrorForRightToLeft(this, params);
}

void TTrackBar::CreateWnd()
{
  TWinControl::CreateWnd();
  Send(TBM_SETTHUMBLENGTH, WPARAM(FThumbLength), 0);
  Send(TBM_SETLINESIZE, 0, FLineSize);
  Send(TBM_SETPAGESIZE, 0, FPageSize);
  Send(TBM_SETRANGEMIN, FALSE, FMin);
  Send(TBM_SETRANGEMAX, FALSE, FMax);
  UpdateSelection();
  Send(TBM_SETPOS, TRUE, FPosition);
  Send(TBM_SETTICFREQ, WPARAM(FFrequency), 1);
  for (int tick : FTicks) Send(TBM_SETTIC, 0, tick);
}

void TTrackBar::SetParams(int min, int max)
{
  if (max < min) throw EInvalidOperation(Format("%s property out of range", {ClassName()}));
  FPosition = std::clamp(FPosition, min, max);
  FMin = min;
  FMax = max;
  Send(TBM_SETRANGEMIN, FALSE, FMin);
  Send(TBM_SETRANGEMAX, TRUE, FMax);
  Send(TBM_SETPOS, TRUE, FPosition);
}

void TTrackBar::SetMin(int value)
{
  if (value <= FMax) SetParams(value, FMax);
}

void TTrackBar::SetMax(int value)
{
  if (value >= FMin) SetParams(FMin, value);
}

void TTrackBar::SetPosition(int value)
{
  value = std::clamp(value, FMin, FMax);
  if (value == FPosition) return;
  FPosition = value;
  Send(TBM_SETPOS, TRUE, FPosition);
  Changed();
}

void TTrackBar::SetFrequency(int value)
{
  if (value == FFrequency) return;
  FFrequency = value;
  Send(TBM_SETTICFREQ, WPARAM(value), 1);
}

void TTrackBar::SetLineSize(int value)
{
  FLineSize = value;
  Send(TBM_SETLINESIZE, 0, value);
}

void TTrackBar::SetPageSize(int value)
{
  FPageSize = value;
  Send(TBM_SETPAGESIZE, 0, value);
}

void TTrackBar::UpdateSelection()
{
  if (!HandleAllocated()) return;
  if (FSelStart == 0 && FSelEnd == 0) {
    Send(TBM_CLEARSEL, TRUE, 0);
    return;
  }
  Send(TBM_SETSELSTART, FALSE, FSelStart);
  Send(TBM_SETSELEND, TRUE, FSelEnd);
}

void TTrackBar::SetSelStart(int value)
{
  if (value == FSelStart) return;
  FSelStart = value;
  UpdateSelection();
}

void TTrackBar::SetSelEnd(int value)
{
  if (value == FSelEnd) return;
  FSelEnd = value;
  UpdateSelection();
}

void TTrackBar::SetThumbLength(int value)
{
  FThumbLength = value;
  Send(TBM_SETTHUMBLENGTH, WPARAM(value), 0);
}

void TTrackBar::SetSliderVisible(bool value)
{
  if (value == FSliderVisible) return;
  FSliderVisible = value;
  RecreateWnd();
}

void TTrackBar::SetOrientation(TTrackBarOrientation value)
{
  if (value == FOrientation) return;
  FOrientation = value;
  // The bar turns: its width becomes its height (a stored form brings its own bounds).
  if (!HasState(csLoading)) SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
  RecreateWnd();
}

void TTrackBar::SetTickStyle(TTickStyle value)
{
  if (value == FTickStyle) return;
  FTickStyle = value;
  RecreateWnd();
}

void TTrackBar::SetTickMarks(TTickMark value)
{
  if (value == FTickMarks) return;
  FTickMarks = value;
  RecreateWnd();
}

void TTrackBar::SetTick(int value)
{
  if (std::find(FTicks.begin(), FTicks.end(), value) == FTicks.end()) FTicks.push_back(value);
  Send(TBM_SETTIC, 0, value);
}

void TTrackBar::Changed()
{
  if (OnChange) OnChange(this);
}

void TTrackBar::CNHScroll(TWMScroll& message)
{
  FPosition = int(SendMessageW(GetHandle(), TBM_GETPOS, 0, 0));
  Changed();
  message.Result = 0;
}

void TTrackBar::CNVScroll(TWMScroll& message) { CNHScroll(message); }

void TTrackBar::Dispatch(void* raw)
{
  auto& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CN_HSCROLL: return CNHScroll(static_cast<TWMScroll&>(message));
    case CN_VSCROLL: return CNVScroll(static_cast<TWMScroll&>(message));
    default: return TWinControl::Dispatch(raw);
  }
}

// ===================================================================================================
// TCustomUpDown
TCustomUpDown::TCustomUpDown(TOwnerArg owner) : TWinControl(owner)
{
  vcl_detail::InitComCtrls();
  FControlStyle >> csDoubleClicks;
  const int height = GetSystemMetrics(SM_CYVSCROLL);
  SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), height + height / 2);
}

void TCustomUpDown::CreateParams(TCreateParams& params)
{
  TWinControl::CreateParams(params);
  CreateSubClass(params, UPDOWN_CLASSW);
  params.Style |= UDS_SETBUDDYINT;
  // Right to left the button goes to the buddy's other side: its end as a Hebrew reader sees it.
  const bool right = (FAlignButton == udRight) != UseRightToLeftAlignment();
  params.Style |= right ? UDS_ALIGNRIGHT : UDS_ALIGNLEFT;
  if (FOrientation == udHorizontal) params.Style |= UDS_HORZ;
  if (FArrowKeys) params.Style |= UDS_ARROWKEYS;
  if (!FThousands) params.Style |= UDS_NOTHOUSANDS;
  if (FWrap) params.Style |= UDS_WRAP;
  // A horizontal up-down right to left: its next arrow points left.
  if (FOrientation == udHorizontal) vcl_detail::MirrorForRightToLeft(this, params);
  params.ExStyle &= ~DWORD(WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR);
}

void TCustomUpDown::CreateWnd()
{
  const int width = GetWidth();
  TWinControl::CreateWnd();
  HWND handle = GetHandle();
  SendMessageW(handle, UDM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
  SendMessageW(handle, UDM_SETPOS32, 0, LPARAM(FPosition));
  UDACCEL accel{0, UINT(FIncrement)};
  SendMessageW(handle, UDM_SETACCEL, 1, LPARAM(&accel));
  if (FAssociate) AttachBuddy();
  else if (GetWidth() != width) SetWidth(width);
}

// The platform places the button beside the buddy and narrows the buddy by the button's width. A
// window made again (a new BiDiMode) attaches again: the buddy first gets back the width it had
// before it was narrowed, so that it is not narrowed twice. What the platform did is undone where the
// buddy is now: it may have been moved since (its parent's children flipped to the other side).
void TCustomUpDown::AttachBuddy()
{
  if (!HandleAllocated() || !FAssociate) return;
  ReleaseBuddy();
  FBuddyBounds = FAssociate->GetBoundsRect();
  FBuddyNarrowed = true;
  SendMessageW(GetHandle(), UDM_SETBUDDY, WPARAM(FAssociate->GetHandle()), 0);
  FBuddyNarrowedTo = FAssociate->GetBoundsRect();
  SendMessageW(GetHandle(), UDM_SETPOS32, 0, LPARAM(FPosition));
}

void TCustomUpDown::ReleaseBuddy()
{
  if (!FBuddyNarrowed || !FAssociate) return;
  FBuddyNarrowed = false;
  const TRect now = FAssociate->GetBoundsRect();
  FAssociate->SetBoundsRect(TRect(now.Left - (FBuddyNarrowedTo.Left - FBuddyBounds.Left),
                                  now.Top - (FBuddyNarrowedTo.Top - FBuddyBounds.Top),
                                  now.Right + (FBuddyBounds.Right - FBuddyNarrowedTo.Right),
                                  now.Bottom + (FBuddyBounds.Bottom - FBuddyNarrowedTo.Bottom)));
}

void TCustomUpDown::SetAssociate(TWinControl* value)
{
  if (value == FAssociate) return;
  if (value && GetParent()) {
    for (int i = 0; i < GetParent()->GetControlCount(); ++i) {
      auto* other = dynamic_cast<TCustomUpDown*>(GetParent()->GetControl(i));
      if (other && other != this && other->FAssociate == value)
        throw EInvalidOperation(Format("%s is already associated with %s", {value->GetName(), other->GetName()}));
    }
  }
  if (FAssociate) {
    if (HandleAllocated()) SendMessageW(GetHandle(), UDM_SETBUDDY, 0, 0);
    ReleaseBuddy();
    FAssociate->RemoveFreeNotification(this);
    FAssociate = nullptr;
  }
  // The buddy must be a sibling (while reading, the parents come later) and no other up-down or
  // list-like control, whose keys and text the platform would take over.
  if (!value || dynamic_cast<TCustomUpDown*>(value) || dynamic_cast<TCustomTreeView*>(value)) return;
  if (GetParent() && value->GetParent() && value->GetParent() != GetParent()) return;
  FAssociate = value;
  FAssociate->FreeNotification(this);
  if (auto* edit = dynamic_cast<TCustomEdit*>(value)) edit->SetText(IntToStr(FPosition));
  if (HandleAllocated()) AttachBuddy();
}

void TCustomUpDown::Notification(TComponent* component, TOperation operation)
{
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == FAssociate) {
    if (HandleAllocated() && !HasState(csDestroying)) SendMessageW(GetHandle(), UDM_SETBUDDY, 0, 0);
    FAssociate = nullptr;
    FBuddyNarrowed = false;
  }
}

void TCustomUpDown::SetAlignButton(TUDAlignButton value)
{
  if (value == FAlignButton) return;
  FAlignButton = value;
  RecreateWnd();
}

void TCustomUpDown::SetMin(int value)
{
  FMin = value;
  if (HandleAllocated()) SendMessageW(GetHandle(), UDM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
}

void TCustomUpDown::SetMax(int value)
{
  FMax = value;
  if (HandleAllocated()) SendMessageW(GetHandle(), UDM_SETRANGE32, WPARAM(FMin), LPARAM(FMax));
}

int TCustomUpDown::GetPosition()
{
  if (HandleAllocated()) {
    BOOL failed = FALSE;
    const int pos = int(SendMessageW(GetHandle(), UDM_GETPOS32, 0, LPARAM(&failed)));
    if (!failed) FPosition = pos;
  }
  return FPosition;
}

void TCustomUpDown::SetPosition(int value)
{
  FPosition = value;
  if (HandleAllocated()) SendMessageW(GetHandle(), UDM_SETPOS32, 0, LPARAM(value));
  else if (auto* edit = dynamic_cast<TCustomEdit*>(FAssociate)) edit->SetText(IntToStr(value));
}

void TCustomUpDown::SetIncrement(int value)
{
  FIncrement = value;
  if (!HandleAllocated()) return;
  UDACCEL accel{0, UINT(value)};
  SendMessageW(GetHandle(), UDM_SETACCEL, 1, LPARAM(&accel));
}

void TCustomUpDown::SetStyleFlag(bool& flag, bool value)
{
  if (flag == value) return;
  flag = value;
  RecreateWnd();
}

void TCustomUpDown::SetWrap(bool value) { SetStyleFlag(FWrap, value); }
void TCustomUpDown::SetArrowKeys(bool value) { SetStyleFlag(FArrowKeys, value); }
void TCustomUpDown::SetThousands(bool value) { SetStyleFlag(FThousands, value); }

void TCustomUpDown::SetOrientation(TUDOrientation value)
{
  if (value == FOrientation) return;
  FOrientation = value;
  if (!HasState(csLoading)) SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
  RecreateWnd();
}

bool TCustomUpDown::CanChange()
{
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TCustomUpDown::Click(TUDBtnType button)
{
  if (OnClick) OnClick(this, button);
}

void TCustomUpDown::CNNotify(TWMNotify& message)
{
  if (message.NMHdr()->code != UINT(UDN_DELTAPOS)) return;
  const auto* delta = reinterpret_cast<const NMUPDOWN*>(message.NMHdr());
  const bool allow = CanChange();
  // A refused step still reports the (unchanged) position: no button was clicked then.
  FLastDelta = allow ? delta->iDelta : 0;
  message.Result = allow ? 0 : 1;
}

// The step taken: the position the window reports, and the arrow the step asked about (a wrap
// goes from the maximum to the minimum on the next arrow).
void TCustomUpDown::ScrollNotice(TWMScroll& message)
{
  message.Result = 0;
  if (message.ScrollCode() != SB_THUMBPOSITION) return;
  const int before = FPosition;
  const int now = GetPosition();
  if (FLastDelta > 0) Click(btNext);
  else if (FLastDelta < 0) Click(btPrev);
  else if (now != before) Click(now > before ? btNext : btPrev);
  FLastDelta = 0;
}

void TCustomUpDown::CNHScroll(TWMScroll& message) { ScrollNotice(message); }
void TCustomUpDown::CNVScroll(TWMScroll& message) { ScrollNotice(message); }

void TCustomUpDown::Dispatch(void* raw)
{
  auto& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CN_NOTIFY: return CNNotify(static_cast<TWMNotify&>(message));
    case CN_HSCROLL: return CNHScroll(static_cast<TWMScroll&>(message));
    case CN_VSCROLL: return CNVScroll(static_cast<TWMScroll&>(message));
    default: return TWinControl::Dispatch(raw);
  }
}
