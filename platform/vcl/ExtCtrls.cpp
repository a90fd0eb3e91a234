// ExtCtrls: 3-D frames, panels, bevels, shapes, paint boxes, timers and the unit's registration.
#include "ExtCtrls.h"

#include <algorithm>

#include "ControlsPublish.h"

VCL_IMPLEMENT_ENUM(TPanelBevel, "bvNone", "bvLowered", "bvRaised", "bvSpace")
VCL_IMPLEMENT_ENUM(TBevelShape, "bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine",
                   "bsSpacer")
VCL_IMPLEMENT_ENUM(TBevelStyle, "bsLowered", "bsRaised")
VCL_IMPLEMENT_ENUM(TShapeType, "stRectangle", "stSquare", "stRoundRect", "stRoundSquare", "stEllipse", "stCircle")
VCL_IMPLEMENT_CLASS(TCustomPanel)

VCL_PUBLISHED(TPanel)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("Alignment", &TPanel::GetAlignment, &TPanel::SetAlignment).Default(taCenter);
  PublishBevels(p);
  p.Property("Caption", &TPanel::GetCaption, &TPanel::SetCaption);
  PublishLook(p, false);
  PublishState(p);
  PublishFocus(p, false);
  PublishMouseEvents(p);
  p.Property("OnResize", &TPanel::OnResize, &TPanel::OnResize);
}

VCL_PUBLISHED(TBevel)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("ParentShowHint", &TBevel::GetParentShowHint, &TBevel::SetParentShowHint).Default(true);
  p.Property("Shape", &TBevel::GetShape, &TBevel::SetShape).Default(bsBox);
  p.Property("ShowHint", &TBevel::GetShowHint, &TBevel::SetShowHint).Stored(&TBevel::IsShowHintStored);
  p.Property("Style", &TBevel::GetStyle, &TBevel::SetStyle).Default(bsLowered);
  p.Property("Visible", &TBevel::GetVisible, &TBevel::SetVisible).Default(true);
  p.Property("Hint", &TBevel::GetHint, &TBevel::SetHint);
}

VCL_PUBLISHED(TShape)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("Brush", &TShape::GetBrush, &TShape::SetBrush);
  p.Property("Enabled", &TShape::GetEnabled, &TShape::SetEnabled).Default(true);
  p.Property("ParentShowHint", &TShape::GetParentShowHint, &TShape::SetParentShowHint).Default(true);
  p.Property("Pen", &TShape::GetPen, &TShape::SetPen);
  p.Property("Shape", &TShape::GetShape, &TShape::SetShape).Default(stRectangle);
  p.Property("ShowHint", &TShape::GetShowHint, &TShape::SetShowHint).Stored(&TShape::IsShowHintStored);
  p.Property("Visible", &TShape::GetVisible, &TShape::SetVisible).Default(true);
  p.Property("Hint", &TShape::GetHint, &TShape::SetHint);
  p.Property("OnMouseDown", &TShape::OnMouseDown, &TShape::OnMouseDown);
  p.Property("OnMouseMove", &TShape::OnMouseMove, &TShape::OnMouseMove);
  p.Property("OnMouseUp", &TShape::OnMouseUp, &TShape::OnMouseUp);
}

VCL_PUBLISHED(TPaintBox)
{
  using namespace vcl_detail;
  PublishAlign(p);
  PublishLook(p);
  PublishState(p);
  PublishMouseEvents(p);
  p.Property("OnPaint", &TPaintBox::OnPaint, &TPaintBox::OnPaint);
}

VCL_PUBLISHED(TTimer)
{
  p.Property("Enabled", &TTimer::GetEnabled, &TTimer::SetEnabled).Default(true);
  p.Property("Interval", &TTimer::GetInterval, &TTimer::SetInterval).Default(1000);
  p.Property("OnTimer", &TTimer::GetOnTimer, &TTimer::SetOnTimer);
}

static TUnitInit ExtCtrlsUnitInit("ExtCtrls", [] {
  RegisterClasses({TPanel::StaticClass(), TBevel::StaticClass(), TShape::StaticClass(), TPaintBox::StaticClass(),
                   TImage::StaticClass(), TTimer::StaticClass(), TRadioGroup::StaticClass()});
  RegisterClass(TSplitter::StaticClass());
  RegisterClass(TControlBar::StaticClass());
});

void vcl_detail::DrawBevel(TCanvas* canvas, TRect& rect, TPanelBevel bevel, int width, TColor face)
{
  if (bevel == bvNone) return;
  const TColor top = bevel == bvLowered ? clBtnShadow : bevel == bvRaised ? clBtnHighlight : face;
  const TColor bottom = bevel == bvLowered ? clBtnHighlight : bevel == bvRaised ? clBtnShadow : face;
  Frame3D(canvas, rect, top, bottom, width);
}

TRect vcl_detail::InsideBevels(const TRect& rect, TPanelBevel outer, TPanelBevel inner, int width, int border)
{
  int inset = border;
  if (outer != bvNone) inset += width;
  if (inner != bvNone) inset += width;
  return TRect(rect.Left + inset, rect.Top + inset, std::max(rect.Right - inset, rect.Left + inset),
               std::max(rect.Bottom - inset, rect.Top + inset));
}

void Frame3D(TCanvas* canvas, TRect& rect, TColor topColor, TColor bottomColor, int width)
{
  TPen* pen = canvas->GetPen();
  pen->SetWidth(1);
  pen->SetStyle(psSolid);
  // Right and Bottom are exclusive: the frame's far lines are one pixel inside them.
  --rect.Bottom;
  --rect.Right;
  for (int i = 0; i < width; ++i) {
    pen->SetColor(topColor);
    const TPoint topSide[] = {TPoint(rect.Left, rect.Bottom), TPoint(rect.Left, rect.Top), TPoint(rect.Right, rect.Top)};
    canvas->Polyline(topSide, 3);
    pen->SetColor(bottomColor);
    const TPoint bottomSide[] = {TPoint(rect.Right, rect.Top), TPoint(rect.Right, rect.Bottom),
                                 TPoint(rect.Left - 1, rect.Bottom)};
    canvas->Polyline(bottomSide, 3);
    ++rect.Left;
    ++rect.Top;
    --rect.Right;
    --rect.Bottom;
  }
  ++rect.Bottom;
  ++rect.Right;
}

// ===================================================================================================
// TCustomPanel
TCustomPanel::TCustomPanel(TOwnerArg owner) : TCustomControl(owner)
{
  FControlStyle << csAcceptsControls << csCaptureMouse << csClickEvents << csSetCaption << csOpaque
                << csDoubleClicks << csReplicatable;
  SetBounds(0, 0, 185, 41);
  SetParentColor(false);
  SetColor(clBtnFace);
}

void TCustomPanel::CreateParams(TCreateParams& params)
{
  TCustomControl::CreateParams(params);
  if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
  params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::Changed()
{
  Realign();
  Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment value)
{
  FAlignment = value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TPanelBevel value)
{
  FBevelInner = value;
  Changed();
}

void TCustomPanel::SetBevelOuter(TPanelBevel value)
{
  FBevelOuter = value;
  Changed();
}

void TCustomPanel::SetBevelWidth(int value)
{
  FBevelWidth = std::max(value, 1);
  Changed();
}

void TCustomPanel::SetBorderWidth(int value)
{
  FBorderWidth = std::max(value, 0);
  Changed();
}

void TCustomPanel::SetBorderStyle(TBorderStyle value)
{
  if (value != bsSingle) value = bsNone;
  if (FBorderStyle == value) return;
  FBorderStyle = value;
  RecreateWnd();
}

void TCustomPanel::AdjustClientRect(TRect& rect)
{
  TCustomControl::AdjustClientRect(rect);
  rect = vcl_detail::InsideBevels(rect, FBevelOuter, FBevelInner, FBevelWidth, FBorderWidth);
}

void TCustomPanel::Paint()
{
  TCanvas* canvas = GetCanvas();
  TRect rect = GetClientRect();
  vcl_detail::DrawBevel(canvas, rect, FBevelOuter, FBevelWidth, GetColor());
  Frame3D(canvas, rect, GetColor(), GetColor(), FBorderWidth);
  vcl_detail::DrawBevel(canvas, rect, FBevelInner, FBevelWidth, GetColor());
  canvas->GetBrush()->SetStyle(bsSolid);
  canvas->GetBrush()->SetColor(GetColor());
  canvas->FillRect(rect);
  const AnsiString caption = GetCaption();
  if (caption.IsEmpty()) return;
  canvas->GetFont()->Assign(GetFont());
  canvas->GetBrush()->SetStyle(bsClear);
  static const int alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  const int flags = DrawTextBiDiModeFlags(DT_EXPANDTABS | DT_VCENTER | DT_SINGLELINE | alignments[FAlignment]);
  HDC dc = canvas->GetHandle();
  SetBkMode(dc, TRANSPARENT);
  const std::wstring wide = Utf8ToUtf16(caption.str());
  RECT r = rect;
  DrawTextW(dc, wide.c_str(), int(wide.size()), &r, UINT(flags));
}

void TCustomPanel::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case WM_ERASEBKGND:
      // Paint covers every pixel; erasing first would only flicker.
      message.Result = 1;
      return;
    case WM_SIZE:
      TCustomControl::Dispatch(raw);
      // The bevels sit at the edges: a new size moves them all.
      Invalidate();
      return;
    default: return TCustomControl::Dispatch(raw);
  }
}

// ===================================================================================================
// TBevel
TBevel::TBevel(TOwnerArg owner) : TGraphicControl(owner)
{
  FControlStyle << csReplicatable;
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value)
{
  if (FShape == value) return;
  FShape = value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle value)
{
  if (FStyle == value) return;
  FStyle = value;
  Invalidate();
}

void TBevel::Paint()
{
  TCanvas* canvas = GetCanvas();
  // Lowered: the shadow first (top, left), the light after; raised the other way round.
  const TColor first = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
  const TColor second = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
  const int w = GetWidth(), h = GetHeight();
  TPen* pen = canvas->GetPen();
  pen->SetWidth(1);
  pen->SetStyle(psSolid);
  auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
    pen->SetColor(color);
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
  };
  switch (FShape) {
    case bsBox: {
      TRect r(0, 0, w, h);
      Frame3D(canvas, r, first, second, 1);
      break;
    }
    case bsFrame: {
      // Two offset rectangles make a groove (lowered) or a ridge (raised).
      TRect outer(0, 0, w - 1, h - 1);
      Frame3D(canvas, outer, first, first, 1);
      TRect inner(1, 1, w, h);
      Frame3D(canvas, inner, second, second, 1);
      break;
    }
    case bsTopLine:
      line(first, 0, 0, w, 0);
      line(second, 0, 1, w, 1);
      break;
    case bsBottomLine:
      line(first, 0, h - 2, w, h - 2);
      line(second, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      line(first, 0, 0, 0, h);
      line(second, 1, 0, 1, h);
      break;
    case bsRightLine:
      line(first, w - 2, 0, w - 2, h);
      line(second, w - 1, 0, w - 1, h);
      break;
    case bsSpacer: break;
  }
}

// ===================================================================================================
// TShape
TShape::TShape(TOwnerArg owner)
    : TGraphicControl(owner), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>())
{
  FControlStyle << csReplicatable;
  SetBounds(0, 0, 65, 65);
  FPen->OnChange = TNotifyEvent(this, &TShape::StyleChanged);
  FBrush->OnChange = TNotifyEvent(this, &TShape::StyleChanged);
}

TShape::~TShape()
{
  FPen->OnChange = TNotifyEvent();
  FBrush->OnChange = TNotifyEvent();
}

void TShape::SetShape(TShapeType value)
{
  if (FShape == value) return;
  FShape = value;
  Invalidate();
}

void TShape::StyleChanged(TObject*) { Invalidate(); }

void TShape::Paint()
{
  TCanvas* canvas = GetCanvas();
  canvas->SetPen(FPen.get());
  canvas->SetBrush(FBrush.get());
  // The pen is centred on the outline: keep all of it inside the control.
  const int penWidth = FPen->GetWidth();
  int x = penWidth / 2, y = x;
  int w = GetWidth() - penWidth + 1, h = GetHeight() - penWidth + 1;
  if (penWidth == 0) {
    --w;
    --h;
  }
  const int s = std::min(w, h);
  if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = h = s;
  }
  switch (FShape) {
    case stRectangle: case stSquare: canvas->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect: case stRoundSquare: canvas->RoundRect(x, y, x + w, y + h, s / 4, s / 4); break;
    case stEllipse: case stCircle: canvas->Ellipse(x, y, x + w, y + h); break;
  }
}

// ===================================================================================================
// TPaintBox
TPaintBox::TPaintBox(TOwnerArg owner) : TGraphicControl(owner)
{
  FControlStyle << csReplicatable;
  SetBounds(0, 0, 105, 105);
}

void TPaintBox::Paint()
{
  TCanvas* canvas = GetCanvas();
  canvas->GetFont()->Assign(GetFont());
  canvas->GetBrush()->SetColor(GetColor());
  if (OnPaint) OnPaint(this);
}

// ===================================================================================================
// TTimer
TTimer::TTimer(TOwnerArg owner) : TComponent(owner)
{
  FWindowHandle = AllocateHWnd([this](TMessage& message) { WndProc(message); });
}

TTimer::~TTimer()
{
  FEnabled = false;
  UpdateTimer();
  DeallocateHWnd(FWindowHandle);
}

void TTimer::WndProc(TMessage& message)
{
  if (message.Msg != WM_TIMER) {
    message.Result = DefWindowProcW(FWindowHandle, message.Msg, message.WParam, message.LParam);
    return;
  }
  try {
    Timer();
  } catch (...) {
    HandleCallbackException(this);
  }
}

void TTimer::UpdateTimer()
{
  KillTimer(FWindowHandle, 1);
  if (FInterval == 0 || !FEnabled || !FOnTimer) return;
  if (!SetTimer(FWindowHandle, 1, FInterval, nullptr)) throw EOutOfResources("Not enough timers available");
}

void TTimer::SetEnabled(bool value)
{
  if (FEnabled == value) return;
  FEnabled = value;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned value)
{
  if (FInterval == value) return;
  FInterval = value;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent value)
{
  FOnTimer = value;
  UpdateTimer();
}

void TTimer::Timer()
{
  if (FOnTimer) FOnTimer(this);
}
