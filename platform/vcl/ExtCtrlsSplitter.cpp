// ExtCtrls: TSplitter, the bar that resizes the aligned control beside it.
#include <algorithm>

#include "ControlsPublish.h"
#include "ExtCtrls.h"

VCL_IMPLEMENT_ENUM(TResizeStyle, "rsNone", "rsLine", "rsUpdate", "rsPattern")

VCL_PUBLISHED(TSplitter)
{
  p.Property("Align", &TSplitter::GetAlign, &TSplitter::SetAlign).Default(alLeft);
  p.Property("AutoSnap", &TSplitter::GetAutoSnap, &TSplitter::SetAutoSnap).Default(true);
  p.Property("Beveled", &TSplitter::GetBeveled, &TSplitter::SetBeveled).Default(false);
  p.Property("Color", &TSplitter::GetColor, &TSplitter::SetColor).Stored(&TSplitter::IsColorStored);
  p.Property("Cursor", &TSplitter::GetCursor, &TSplitter::SetCursor).Default(int(crHSplit));
  p.Property("Height", &TSplitter::GetHeight, &TSplitter::SetHeight).NoDefault();
  p.Property("MinSize", &TSplitter::GetMinSize, &TSplitter::SetMinSize).Default(30);
  p.Property("ParentColor", &TSplitter::GetParentColor, &TSplitter::SetParentColor).Default(true);
  p.Property("ResizeStyle", &TSplitter::GetResizeStyle, &TSplitter::SetResizeStyle).Default(rsPattern);
  p.Property("Visible", &TSplitter::GetVisible, &TSplitter::SetVisible).Default(true);
  p.Property("Width", &TSplitter::GetWidth, &TSplitter::SetWidth).Default(3);
  p.Property("OnCanResize", &TSplitter::OnCanResize, &TSplitter::OnCanResize);
  p.Property("OnMoved", &TSplitter::OnMoved, &TSplitter::OnMoved);
  p.Property("OnPaint", &TSplitter::OnPaint, &TSplitter::OnPaint);
}

// One drag: the neighbour and its sizes, the DC the line is inverted on, and the message hook that
// hears Escape (a graphic control never has the focus, so the key goes to some other window).
struct TSplitter::TSizing {
  TControl* Control = nullptr;
  int DownPos = 0;  // the press, in the parent's coordinates along the splitter's axis
  int OldSize = 0;
  int NewSize = 0;
  int MaxSize = 0;
  HWND CaptureWindow = nullptr;
  HWND LineWindow = nullptr;
  HDC LineDC = nullptr;
  HGDIOBJ OldBrush = nullptr;
  TGdiObject PatternBitmap;
  TGdiObject PatternBrush;
  bool LineVisible = false;
  TRect Line;
  HHOOK Hook = nullptr;

  static thread_local TSplitter* Active;

  TSizing() = default;
  TSizing(const TSizing&) = delete;
  TSizing& operator=(const TSizing&) = delete;
  ~TSizing()
  {
    if (Hook) UnhookWindowsHookEx(Hook);
    if (LineDC) {
      if (LineVisible) Invert(Line);
      SelectObject(LineDC, OldBrush);
      ReleaseDC(LineWindow, LineDC);
    }
  }

  void AllocateLine(HWND window, bool pattern)
  {
    LineWindow = window;
    // Not clipped to the children: the line crosses the panels it resizes.
    LineDC = GetDCEx(window, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS | DCX_LOCKWINDOWUPDATE);
    if (!LineDC) return;
    HGDIOBJ brush = GetStockObject(WHITE_BRUSH);
    if (pattern) {
      static const WORD bits[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
      PatternBitmap.Reset(CreateBitmap(8, 8, 1, 1, bits));
      if (PatternBitmap) PatternBrush.Reset(CreatePatternBrush(static_cast<HBITMAP>(PatternBitmap.Get())));
      if (PatternBrush) brush = PatternBrush.Get();
    }
    SetTextColor(LineDC, RGB(0, 0, 0));
    SetBkColor(LineDC, RGB(255, 255, 255));
    OldBrush = SelectObject(LineDC, brush);
  }

  void Invert(const TRect& r) const
  {
    if (LineDC) PatBlt(LineDC, r.Left, r.Top, r.Width(), r.Height(), PATINVERT);
  }

  void ShowLine(const TRect& r)
  {
    if (LineVisible) Invert(Line);
    Line = r;
    Invert(Line);
    LineVisible = true;
  }

  static LRESULT CALLBACK MessageHook(int code, WPARAM wParam, LPARAM lParam)
  {
    const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
    if (code != HC_ACTION || wParam != PM_REMOVE || !Active) return result;
    TSplitter* splitter = Active;
    try {
      auto* msg = reinterpret_cast<MSG*>(lParam);
      if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
        msg->message = WM_NULL;
        splitter->StopSizing(false);
      } else if (splitter->FSizing && GetCapture() != splitter->FSizing->CaptureWindow) {
        // Someone else took the mouse: the release will never come to us.
        splitter->StopSizing(false);
      }
    } catch (...) {
      HandleCallbackException(splitter);
    }
    return result;
  }
};

thread_local TSplitter* TSplitter::TSizing::Active = nullptr;

TSplitter::TSplitter(TOwnerArg owner) : TGraphicControl(owner)
{
  SetAlign(alLeft);
  SetBounds(0, 0, 3, 100);
  SetCursor(crHSplit);
}

TSplitter::~TSplitter()
{
  if (TSizing::Active == this) TSizing::Active = nullptr;
  FSizing.reset();
}

void TSplitter::BeforeDestruction()
{
  if (FSizing) {
    FSizing.reset();
    TSizing::Active = nullptr;
    if (GetMouseCapture()) SetMouseCapture(false);
  }
  TGraphicControl::BeforeDestruction();
}

TControl* TSplitter::SizingControl() const { return FSizing ? FSizing->Control : nullptr; }

void TSplitter::SetBeveled(bool value)
{
  if (FBeveled == value) return;
  FBeveled = value;
  Invalidate();
}

void TSplitter::SetMinSize(int value) { FMinSize = std::max(value, 1); }

void TSplitter::RequestAlign()
{
  TGraphicControl::RequestAlign();
  // A cursor of the program's own choice stays; the split cursors follow the direction.
  const TCursor cursor = GetCursor();
  if (cursor != crHSplit && cursor != crVSplit) return;
  SetCursor(Horizontal() ? crHSplit : crVSplit);
}

void TSplitter::Paint()
{
  TCanvas* canvas = GetCanvas();
  const TRect r = GetClientRect();
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(GetColor());
  canvas->FillRect(r);
  if (FBeveled) {
    // Raised along both long sides, the way a grip is.
    TPen* pen = canvas->GetPen();
    pen->SetStyle(psSolid);
    pen->SetWidth(1);
    const bool across = GetAlign() == alLeft || GetAlign() == alRight;
    const int last = across ? r.Right - 1 : r.Bottom - 1;
    pen->SetColor(clBtnHighlight);
    if (across) {
      canvas->MoveTo(0, 0);
      canvas->LineTo(0, r.Bottom);
    } else {
      canvas->MoveTo(0, 0);
      canvas->LineTo(r.Right, 0);
    }
    pen->SetColor(clBtnShadow);
    if (across) {
      canvas->MoveTo(last, 0);
      canvas->LineTo(last, r.Bottom);
    } else {
      canvas->MoveTo(0, last);
      canvas->LineTo(r.Right, last);
    }
  }
  if (OnPaint) OnPaint(this);
}

TControl* TSplitter::FindNeighbour() const
{
  TWinControl* parent = GetParent();
  if (!parent) return nullptr;
  const TAlign align = GetAlign();
  const TRect me = GetBoundsRect();
  TControl* collapsed = nullptr;
  for (int i = 0; i < parent->GetControlCount(); ++i) {
    TControl* c = parent->GetControl(i);
    if (c == this || !c->GetVisible() || c->GetAlign() != align) continue;
    const TRect r = c->GetBoundsRect();
    const bool alongside = Horizontal() ? r.Top < me.Bottom && r.Bottom > me.Top : r.Left < me.Right && r.Right > me.Left;
    if (!alongside) continue;
    bool touches = false, collapsedBeyond = false;
    switch (align) {
      case alLeft:
        touches = r.Right == me.Left;
        collapsedBeyond = r.Width() == 0 && r.Left == me.Right;
        break;
      case alRight:
        touches = r.Left == me.Right;
        collapsedBeyond = r.Width() == 0 && r.Right == me.Left;
        break;
      case alTop:
        touches = r.Bottom == me.Top;
        collapsedBeyond = r.Height() == 0 && r.Top == me.Bottom;
        break;
      case alBottom:
        touches = r.Top == me.Bottom;
        collapsedBeyond = r.Height() == 0 && r.Bottom == me.Top;
        break;
      default: break;
    }
    if (touches) return c;
    // A neighbour collapsed to nothing ties with the splitter for its side, and alignment may have
    // put it beyond the splitter: it is still the one to open again.
    if (collapsedBeyond) collapsed = c;
  }
  return collapsed;
}

// What the neighbour may take: the parent's extent less every other control aligned on the same
// axis, less MinSize for the aligned-client space.
int TSplitter::MaxSizeFor(const TControl* neighbour) const
{
  TWinControl* parent = GetParent();
  const bool horizontal = Horizontal();
  int space = horizontal ? parent->GetClientWidth() : parent->GetClientHeight();
  for (int i = 0; i < parent->GetControlCount(); ++i) {
    const TControl* c = parent->GetControl(i);
    if (c == neighbour || !c->GetVisible()) continue;
    const TAlign a = c->GetAlign();
    if (horizontal && (a == alLeft || a == alRight)) space -= c->GetWidth();
    if (!horizontal && (a == alTop || a == alBottom)) space -= c->GetHeight();
  }
  return std::max(space - FMinSize, 0);
}

bool TSplitter::CanResize(int& newSize)
{
  bool accept = true;
  if (OnCanResize) OnCanResize(this, newSize, accept);
  return accept;
}

// The neighbour's size for the mouse at (x, y), in the splitter's coordinates.
int TSplitter::SizeAt(int x, int y) const
{
  const TSizing& s = *FSizing;
  int delta = (Horizontal() ? x + GetLeft() : y + GetTop()) - s.DownPos;
  if (GetAlign() == alRight || GetAlign() == alBottom) delta = -delta;
  int size = s.OldSize + delta;
  if (FAutoSnap && size < FMinSize / 2)
    size = 0;
  else
    size = std::max(size, FMinSize);
  return std::clamp(size, 0, s.MaxSize);
}

// Where the splitter goes when its neighbour has that size, in the parent's coordinates.
TRect TSplitter::LineRect(const TControl* neighbour, int size) const
{
  const TRect n = neighbour->GetBoundsRect();
  const int w = GetWidth(), h = GetHeight();
  switch (GetAlign()) {
    case alLeft: return Bounds(n.Left + size, GetTop(), w, h);
    case alRight: return Bounds(n.Right - size - w, GetTop(), w, h);
    case alTop: return Bounds(GetLeft(), n.Top + size, w, h);
    case alBottom: return Bounds(GetLeft(), n.Bottom - size - h, w, h);
    default: return GetBoundsRect();
  }
}

void TSplitter::ApplySize(TControl* n, int size)
{
  TWinControl* parent = GetParent();
  const TRect line = LineRect(n, size);
  // Both move before the parent aligns again, so that the neighbour stays on its side of the
  // splitter even at size 0.
  parent->DisableAlign();
  try {
    switch (GetAlign()) {
      case alLeft: n->SetWidth(size); break;
      case alRight: n->SetBounds(n->GetLeft() + n->GetWidth() - size, n->GetTop(), size, n->GetHeight()); break;
      case alTop: n->SetHeight(size); break;
      case alBottom: n->SetBounds(n->GetLeft(), n->GetTop() + n->GetHeight() - size, n->GetWidth(), size); break;
      default: break;
    }
    SetBounds(line.Left, line.Top, line.Width(), line.Height());
  } catch (...) {
    parent->EnableAlign();
    throw;
  }
  parent->EnableAlign();
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || FSizing || !GetParent()) return;
  TControl* neighbour = FindNeighbour();
  if (!neighbour) return;
  auto sizing = std::make_unique<TSizing>();
  sizing->Control = neighbour;
  sizing->DownPos = Horizontal() ? x + GetLeft() : y + GetTop();
  sizing->OldSize = sizing->NewSize = Horizontal() ? neighbour->GetWidth() : neighbour->GetHeight();
  sizing->MaxSize = std::max(MaxSizeFor(neighbour), 0);
  sizing->CaptureWindow = GetCapture();
  if (FResizeStyle == rsLine || FResizeStyle == rsPattern)
    sizing->AllocateLine(GetParent()->GetHandle(), FResizeStyle == rsPattern);
  sizing->Hook = SetWindowsHookExW(WH_GETMESSAGE, &TSizing::MessageHook, nullptr, GetCurrentThreadId());
  FreeNotification(neighbour);
  FSizing = std::move(sizing);
  TSizing::Active = this;
  if (FSizing->LineDC) FSizing->ShowLine(LineRect(neighbour, FSizing->NewSize));
}

void TSplitter::MouseMove(TShiftState shift, int x, int y)
{
  TGraphicControl::MouseMove(shift, x, y);
  if (!FSizing) return;
  int size = SizeAt(x, y);
  if (size == FSizing->NewSize) return;
  if (!CanResize(size)) return;
  size = std::clamp(size, 0, FSizing->MaxSize);
  FSizing->NewSize = size;
  if (FResizeStyle == rsUpdate) {
    ApplySize(FSizing->Control, size);
    GetParent()->Update();
  } else if (FSizing->LineDC) {
    FSizing->ShowLine(LineRect(FSizing->Control, size));
  }
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
  if (button == mbLeft && FSizing) StopSizing(true);
  TGraphicControl::MouseUp(button, shift, x, y);
}

void TSplitter::StopSizing(bool apply)
{
  if (!FSizing) return;
  TSizing::Active = nullptr;
  TControl* n = FSizing->Control;
  const int oldSize = FSizing->OldSize;
  const int target = apply ? FSizing->NewSize : oldSize;
  // The line, the DC and the hook go first, whatever the resize below does.
  FSizing.reset();
  if (GetMouseCapture()) SetMouseCapture(false);
  const int current = Horizontal() ? n->GetWidth() : n->GetHeight();
  if (target != current) ApplySize(n, target);
  if (apply && target != oldSize && OnMoved) OnMoved(this);
}

void TSplitter::Notification(TComponent* component, TOperation operation)
{
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && FSizing && component == FSizing->Control) {
    TSizing::Active = nullptr;
    FSizing.reset();
    if (GetMouseCapture()) SetMouseCapture(false);
  }
}

void TSplitter::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  if (message.Msg == WM_CANCELMODE) StopSizing(false);
  TGraphicControl::Dispatch(raw);
}
