// Buttons: TSpeedButton (state machine, groups, glyph strips, flat look), its action link, TBitBtn.
#include "Buttons.h"

#include <algorithm>

#include "ControlsPublish.h"

VCL_IMPLEMENT_ENUM(TButtonState, "bsUp", "bsDisabled", "bsDown", "bsExclusive")
VCL_IMPLEMENT_ENUM(TButtonLayout, "blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom")
VCL_IMPLEMENT_ENUM(TBitBtnKind, "bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort",
                   "bkRetry", "bkIgnore", "bkAll")
VCL_IMPLEMENT_CLASS(TSpeedButtonActionLink)

VCL_PUBLISHED(TSpeedButton)
{
  using namespace vcl_detail;
  p.Property("Action", &TSpeedButton::GetAction, &TSpeedButton::SetAction);
  PublishAlign(p);
  p.Property("AllowAllUp", &TSpeedButton::GetAllowAllUp, &TSpeedButton::SetAllowAllUp).Default(false);
  p.Property("GroupIndex", &TSpeedButton::GetGroupIndex, &TSpeedButton::SetGroupIndex).Default(0);
  p.Property("Down", &TSpeedButton::GetDown, &TSpeedButton::SetDown).Default(false);
  p.Property("Caption", &TSpeedButton::GetCaption, &TSpeedButton::SetCaption);
  p.Property("Flat", &TSpeedButton::GetFlat, &TSpeedButton::SetFlat).Default(false);
  p.Property("Glyph", &TSpeedButton::GetGlyph, &TSpeedButton::SetGlyph);
  p.Property("Layout", &TSpeedButton::GetLayout, &TSpeedButton::SetLayout).Default(blGlyphLeft);
  p.Property("Margin", &TSpeedButton::GetMargin, &TSpeedButton::SetMargin).Default(-1);
  p.Property("NumGlyphs", &TSpeedButton::GetNumGlyphs, &TSpeedButton::SetNumGlyphs).Default(1);
  p.Property("Spacing", &TSpeedButton::GetSpacing, &TSpeedButton::SetSpacing).Default(4);
  p.Property("Transparent", &TSpeedButton::GetTransparent, &TSpeedButton::SetTransparent).Default(true);
  PublishLook(p);
  PublishState(p);
  PublishMouseEvents(p);
}

VCL_PUBLISHED(TBitBtn)
{
  p.Property("Caption", &TBitBtn::GetCaption, &TBitBtn::SetCaption).Stored(&TBitBtn::IsCustomCaption);
  p.Property("Glyph", &TBitBtn::GetGlyph, &TBitBtn::SetGlyph);
  p.Property("Kind", &TBitBtn::GetKind, &TBitBtn::SetKind).Default(bkCustom);
  p.Property("Margin", &TBitBtn::GetMargin, &TBitBtn::SetMargin).Default(-1);
  p.Property("NumGlyphs", &TBitBtn::GetNumGlyphs, &TBitBtn::SetNumGlyphs).Default(1);
}

static TUnitInit ButtonsUnitInit("Buttons", [] {
  RegisterClasses({TSpeedButton::StaticClass(), TBitBtn::StaticClass()});
});

namespace {

// The strip's cells are squares when the width is a whole number of heights (up to four).
int CellsOf(TBitmap* glyph, int current)
{
  if (glyph->Empty() || glyph->GetWidth() % glyph->GetHeight() != 0) return current;
  const int cells = glyph->GetWidth() / glyph->GetHeight();
  return cells >= 1 && cells <= 4 ? cells : current;
}

// The strip's transparent colour: its bottom-left pixel.
COLORREF TransparentColorOf(TBitmap* glyph)
{
  return ColorToRGB(glyph->GetCanvas()->GetPixels(0, glyph->GetHeight() - 1)) & 0xFFFFFF;
}

// Draws one cell of a strip at (x, y), leaving the transparent colour's pixels alone: a mask cuts the
// cell's shape out of the destination, then the cell with its transparent pixels made black is ORed
// in. TransparentBlt gives the same pixels, but it makes its work bitmaps compatible with the
// destination, and for a window's DC that costs a fresh visible region from the window server (under
// Wine three round trips per glyph, per paint). These work bitmaps are made from the screen instead.
void DrawCell(HDC dc, int x, int y, TBitmap* glyph, int cell, int cellWidth)
{
  const COLORREF transparent = TransparentColorOf(glyph);
  HDC source = glyph->GetCanvas()->GetHandle();
  const int h = glyph->GetHeight();
  const int sx = cell * cellWidth;
  // The bitmaps outlive the DCs that hold them.
  TGdiObject mask(CreateBitmap(cellWidth, h, 1, 1, nullptr));
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), cellWidth, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  TGdiObject shape(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!mask || !shape) return;
  TMemoryDC maskDC, shapeDC;
  maskDC.Select(mask.Get());
  shapeDC.Select(shape.Get());
  // To a monochrome bitmap, pixels of the background colour become white and the others black.
  const COLORREF sourceBack = SetBkColor(source, transparent);
  BitBlt(maskDC.Get(), 0, 0, cellWidth, h, source, sx, 0, SRCCOPY);
  SetBkColor(source, sourceBack);
  // The cell, black where it is transparent (the mask expands to black there and white elsewhere).
  BitBlt(shapeDC.Get(), 0, 0, cellWidth, h, source, sx, 0, SRCCOPY);
  SetTextColor(shapeDC.Get(), RGB(255, 255, 255));
  SetBkColor(shapeDC.Get(), RGB(0, 0, 0));
  BitBlt(shapeDC.Get(), 0, 0, cellWidth, h, maskDC.Get(), 0, 0, SRCAND);
  // The destination keeps its pixels where the mask is white and is cleared for the shape elsewhere.
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
  BitBlt(dc, x, y, cellWidth, h, maskDC.Get(), 0, 0, SRCAND);
  BitBlt(dc, x, y, cellWidth, h, shapeDC.Get(), 0, 0, SRCPAINT);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
}

// Draws the shape of a cell (its pixels that are not transparent) engraved: light one pixel down and
// right, shadow on top, as disabled things look.
void DrawEngraved(HDC dc, int x, int y, TBitmap* glyph, int cell, int cellWidth)
{
  const int h = glyph->GetHeight();
  // The mask outlives the DC that holds it.
  TGdiObject mask(CreateBitmap(cellWidth, h, 1, 1, nullptr));
  if (!mask) return;
  TMemoryDC maskDC;
  maskDC.Select(mask.Get());
  HDC source = glyph->GetCanvas()->GetHandle();
  // To a monochrome bitmap, pixels of the background colour become white and the others black.
  const COLORREF sourceBack = SetBkColor(source, TransparentColorOf(glyph));
  BitBlt(maskDC.Get(), 0, 0, cellWidth, h, source, cell * cellWidth, 0, SRCCOPY);
  SetBkColor(source, sourceBack);
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
  // Where the mask is black the brush paints, elsewhere the destination stays (the ROP PSDPxax).
  constexpr DWORD PaintWhereBlack = 0x00B8074A;
  auto paint = [&](TColor color, int dx, int dy) {
    TGdiObject brush(CreateSolidBrush(ColorToRGB(color)));
    HGDIOBJ old = SelectObject(dc, brush.Get());
    BitBlt(dc, x + dx, y + dy, cellWidth, h, maskDC.Get(), 0, 0, PaintWhereBlack);
    SelectObject(dc, old);
  };
  paint(clBtnHighlight, 1, 1);
  paint(clBtnShadow, 0, 0);
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
}

// The checked look of a held-down button: a fine dither of face and highlight.
void FillDither(HDC dc, const RECT& rect)
{
  static const WORD pattern[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  TGdiObject bits(CreateBitmap(8, 8, 1, 1, pattern));
  TGdiObject brush(CreatePatternBrush(static_cast<HBITMAP>(bits.Get())));
  const COLORREF oldText = SetTextColor(dc, ColorToRGB(clBtnFace));
  const COLORREF oldBack = SetBkColor(dc, ColorToRGB(clBtnHighlight));
  FillRect(dc, &rect, static_cast<HBRUSH>(brush.Get()));
  SetTextColor(dc, oldText);
  SetBkColor(dc, oldBack);
}

}  // namespace

// ===================================================================================================
// TSpeedButtonActionLink
TSpeedButtonActionLink::TSpeedButtonActionLink(TObject* client) : TControlActionLink(client)
{
  FButton = dynamic_cast<TSpeedButton*>(client);
}

void TSpeedButtonActionLink::AssignClient(TObject* client)
{
  TControlActionLink::AssignClient(client);
  FButton = dynamic_cast<TSpeedButton*>(client);
}

// A grouped button follows Checked while it still shows the action's value.
bool TSpeedButtonActionLink::IsCheckedLinked() const
{
  auto* action = dynamic_cast<TCustomAction*>(FAction);
  return action && FButton && FButton->GetGroupIndex() != 0 && FButton->GetDown() == action->GetChecked();
}

void TSpeedButtonActionLink::SetChecked(bool value)
{
  if (FButton) FButton->SetDown(value);
}

// ===================================================================================================
// TSpeedButton
TSpeedButton::TSpeedButton(TOwnerArg owner) : TGraphicControl(owner), FGlyph(std::make_unique<TBitmap>())
{
  // The button makes its own clicks (on release inside), so the control's click handling is off.
  FControlStyle = TControlStyle() << csCaptureMouse << csDoubleClicks;
  FGlyph->OnChange = TNotifyEvent(this, &TSpeedButton::GlyphChanged);
  SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() { FGlyph->OnChange = TNotifyEvent(); }

void TSpeedButton::GlyphChanged(TObject*)
{
  FNumGlyphs = CellsOf(FGlyph.get(), FNumGlyphs);
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs value)
{
  value = std::clamp(value, 1, 4);
  if (FNumGlyphs == value) return;
  FNumGlyphs = value;
  Invalidate();
}

void TSpeedButton::SetGroupIndex(int value)
{
  if (FGroupIndex == value) return;
  FGroupIndex = value;
  UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool value)
{
  if (FAllowAllUp == value) return;
  FAllowAllUp = value;
  UpdateExclusive();
}

void TSpeedButton::SetDown(bool value)
{
  if (FGroupIndex == 0) value = false;
  if (value == FDown) return;
  // The one down button of a group goes up only when the group allows all up.
  if (FDown && !FAllowAllUp) return;
  FDown = value;
  if (GetEnabled()) FState = value ? bsExclusive : bsUp;
  Invalidate();
  if (value) UpdateExclusive();
}

void TSpeedButton::SetFlat(bool value)
{
  if (FFlat == value) return;
  FFlat = value;
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout value)
{
  if (FLayout == value) return;
  FLayout = value;
  Invalidate();
}

void TSpeedButton::SetMargin(int value)
{
  if (FMargin == value || value < -1) return;
  FMargin = value;
  Invalidate();
}

void TSpeedButton::SetSpacing(int value)
{
  if (FSpacing == value || value < -1) return;
  FSpacing = value;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool value)
{
  if (FTransparent == value) return;
  FTransparent = value;
  if (value) FControlStyle >> csOpaque;
  else FControlStyle << csOpaque;
  Invalidate();
}

void TSpeedButton::UpdateExclusive()
{
  if (FGroupIndex == 0 || !GetParent()) return;
  TMessage message{CM_BUTTONPRESSED, WPARAM(FGroupIndex), LPARAM(static_cast<TControl*>(this)), 0};
  GetParent()->Broadcast(message);
}

void TSpeedButton::CMButtonPressed(TMessage& message)
{
  if (FGroupIndex == 0 || int(message.WParam) != FGroupIndex) return;
  auto* sender = dynamic_cast<TSpeedButton*>(reinterpret_cast<TControl*>(message.LParam));
  if (!sender || sender == this) return;
  if (sender->FDown && FDown) {
    FDown = false;
    if (GetEnabled()) FState = bsUp;
    Invalidate();
  }
  // The whole group shares the latest AllowAllUp.
  FAllowAllUp = sender->FAllowAllUp;
}

void TSpeedButton::Loaded()
{
  TGraphicControl::Loaded();
  if (!GetEnabled()) FState = bsDisabled;
  else FState = FDown ? bsExclusive : bsUp;
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !GetEnabled()) return;
  if (!FDown) {
    FState = bsDown;
    Invalidate();
  }
  FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y)
{
  TGraphicControl::MouseMove(shift, x, y);
  if (!FDragging) return;
  // A button that is already down keeps its held look; another one looks pressed only over itself.
  const TButtonState next = FDown ? bsExclusive : Inside(x, y) ? bsDown : bsUp;
  if (next == FState) return;
  FState = next;
  Invalidate();
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
  TGraphicControl::MouseUp(button, shift, x, y);
  if (!FDragging || button != mbLeft) return;
  FDragging = false;
  const bool click = Inside(x, y);
  if (FGroupIndex != 0 && click) SetDown(!FDown);
  if (GetEnabled()) FState = FDown ? bsExclusive : bsUp;
  if (!click) FMouseInControl = false;
  Invalidate();
  if (click) Click();
}

void TSpeedButton::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CM_BUTTONPRESSED: return CMButtonPressed(message);
    case CM_MOUSEENTER:
      if (!FMouseInControl && GetEnabled()) {
        FMouseInControl = true;
        if (FFlat) Invalidate();
      }
      return;
    case CM_MOUSELEAVE:
      if (FMouseInControl) {
        FMouseInControl = false;
        if (FFlat) Invalidate();
      }
      return;
    case CM_ENABLEDCHANGED:
      if (!GetEnabled()) {
        FState = bsDisabled;
        FDragging = false;
        FMouseInControl = false;
      } else {
        FState = FDown ? bsExclusive : bsUp;
      }
      Invalidate();
      return;
    case WM_CANCELMODE:
      // Another control took the mouse: the press is over without a click.
      if (FDragging) {
        FDragging = false;
        FState = FDown ? bsExclusive : bsUp;
        Invalidate();
      }
      return;
    default: return TGraphicControl::Dispatch(raw);
  }
}

void TSpeedButton::ActionChange(TObject* sender, bool checkDefaults)
{
  TGraphicControl::ActionChange(sender, checkDefaults);
  if (auto* action = dynamic_cast<TCustomAction*>(sender); action && (!checkDefaults || !FDown))
    SetDown(action->GetChecked());
}

TControlActionLink* TSpeedButton::CreateActionLink() { return new TSpeedButtonActionLink(this); }

int TSpeedButton::GlyphCell(TButtonState state) const
{
  if (FGlyph->Empty()) return -1;
  if (int(state) < FNumGlyphs) return int(state);
  // A held-down button without its own cell looks pressed; other states show the up cell.
  if (state == bsExclusive && FNumGlyphs > int(bsDown)) return int(bsDown);
  return 0;
}

void TSpeedButton::CalcLayout(const TRect& client, TPoint& glyphPos, TRect& textRect)
{
  const bool hasGlyph = !FGlyph->Empty();
  const int gw = hasGlyph ? FGlyph->GetWidth() / FNumGlyphs : 0, gh = hasGlyph ? FGlyph->GetHeight() : 0;
  const AnsiString caption = GetCaption();
  TSize text{0, 0};
  if (!caption.IsEmpty()) text = vcl_detail::MeasureControlText(GetFont(), caption, DT_SINGLELINE, 0);
  TButtonLayout layout = FLayout;
  if (UseRightToLeftAlignment()) {
    if (layout == blGlyphLeft) layout = blGlyphRight;
    else if (layout == blGlyphRight) layout = blGlyphLeft;
  }
  const bool across = layout == blGlyphLeft || layout == blGlyphRight;
  const int available = across ? client.Width() : client.Height();
  const int glyphExtent = across ? gw : gh, textExtent = across ? int(text.cx) : int(text.cy);
  int spacing = (hasGlyph && !caption.IsEmpty()) ? FSpacing : 0;
  int margin = FMargin;
  if (margin == -1) {
    if (spacing == -1) {
      spacing = (available - glyphExtent - textExtent) / 3;
      margin = spacing;
    } else {
      margin = (available - glyphExtent - spacing - textExtent) / 2;
    }
  } else if (spacing == -1) {
    spacing = (available - margin - glyphExtent - textExtent) / 2;
  }
  const int crossGlyph = across ? (client.Height() - gh) / 2 : (client.Width() - gw) / 2;
  const int crossText = across ? (client.Height() - int(text.cy)) / 2 : (client.Width() - int(text.cx)) / 2;
  int glyphAt = 0, textAt = 0;
  switch (layout) {
    case blGlyphLeft: case blGlyphTop:
      glyphAt = margin;
      textAt = margin + glyphExtent + spacing;
      break;
    case blGlyphRight: case blGlyphBottom:
      glyphAt = available - margin - glyphExtent;
      textAt = glyphAt - spacing - textExtent;
      break;
  }
  if (across) {
    glyphPos = TPoint(client.Left + glyphAt, client.Top + crossGlyph);
    textRect = Bounds(client.Left + textAt, client.Top + crossText, int(text.cx), int(text.cy));
  } else {
    glyphPos = TPoint(client.Left + crossGlyph, client.Top + glyphAt);
    textRect = Bounds(client.Left + crossText, client.Top + textAt, int(text.cx), int(text.cy));
  }
}

void TSpeedButton::DrawGlyph(TCanvas* canvas, const TPoint& pos, TButtonState state)
{
  const int cell = GlyphCell(state);
  if (cell < 0) return;
  const int cellWidth = FGlyph->GetWidth() / FNumGlyphs;
  HDC dc = canvas->GetHandle();
  if (state == bsDisabled && FNumGlyphs <= int(bsDisabled)) DrawEngraved(dc, pos.x, pos.y, FGlyph.get(), 0, cellWidth);
  else DrawCell(dc, pos.x, pos.y, FGlyph.get(), cell, cellWidth);
}

void TSpeedButton::Paint()
{
  if (!GetEnabled()) {
    FState = bsDisabled;
    FDragging = false;
  } else if (FState == bsDisabled) {
    FState = FDown ? bsExclusive : bsUp;
  }
  TCanvas* canvas = GetCanvas();
  canvas->GetFont()->Assign(GetFont());
  canvas->GetBrush()->SetColor(GetColor());
  canvas->GetBrush()->SetStyle(bsSolid);
  HDC dc = canvas->GetHandle();
  const bool pressed = FState == bsDown || FState == bsExclusive;
  RECT face{0, 0, GetWidth(), GetHeight()};
  if (!FFlat) {
    DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pressed ? DFCS_PUSHED : 0));
    if (FState == bsExclusive && !FMouseInControl) FillDither(dc, face);
  } else {
    if (FState == bsExclusive && !FMouseInControl) FillDither(dc, face);
    else if (!FTransparent || pressed) canvas->FillRect(TRect(face));
    if (pressed) DrawEdge(dc, &face, BDR_SUNKENOUTER, BF_RECT);
    else if (FMouseInControl && GetEnabled()) DrawEdge(dc, &face, BDR_RAISEDINNER, BF_RECT);
  }
  // Pressed content moves one pixel down and right.
  const int shift = pressed ? 1 : 0;
  TPoint glyphPos;
  TRect textRect;
  CalcLayout(TRect(0, 0, GetWidth(), GetHeight()), glyphPos, textRect);
  DrawGlyph(canvas, TPoint(glyphPos.x + shift, glyphPos.y + shift), FState);
  const AnsiString caption = GetCaption();
  if (caption.IsEmpty()) return;
  RECT r = TRect(textRect.Left + shift, textRect.Top + shift, textRect.Right + shift, textRect.Bottom + shift);
  SetBkMode(dc, TRANSPARENT);
  const std::wstring wide = Utf8ToUtf16(caption.str());
  const UINT flags = UINT(DT_CENTER | DT_VCENTER | DT_SINGLELINE | DrawTextBiDiModeFlagsReadingOnly());
  if (FState == bsDisabled) {
    OffsetRect(&r, 1, 1);
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawTextW(dc, wide.c_str(), int(wide.size()), &r, flags);
    OffsetRect(&r, -1, -1);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
  }
  DrawTextW(dc, wide.c_str(), int(wide.size()), &r, flags);
}

// ===================================================================================================
// TBitBtn
namespace {
struct TKindDefaults {
  const char* Caption;
  TModalResult Result;
};
const TKindDefaults KindDefaults[] = {
    {"", mrNone},       {"OK", mrOk},       {"Cancel", mrCancel},   {"&Help", mrNone},
    {"&Yes", mrYes},    {"&No", mrNo},      {"&Close", mrNone},     {"Abort", mrAbort},
    {"&Retry", mrRetry}, {"&Ignore", mrIgnore}, {"&All", mrAll},
};
}  // namespace

TBitBtn::TBitBtn(TOwnerArg owner) : TButton(owner), FGlyph(std::make_unique<TBitmap>())
{
  FGlyph->OnChange = TNotifyEvent(this, &TBitBtn::GlyphChanged);
}

TBitBtn::~TBitBtn() { FGlyph->OnChange = TNotifyEvent(); }

void TBitBtn::SetKind(TBitBtnKind value)
{
  if (FKind == value) return;
  FKind = value;
  if (value == bkCustom) return;
  SetCaption(KindDefaults[value].Caption);
  SetModalResult(KindDefaults[value].Result);
  SetDefault(value == bkOK || value == bkYes);
  SetCancel(value == bkCancel || value == bkNo);
}

void TBitBtn::SetNumGlyphs(TNumGlyphs value)
{
  FNumGlyphs = std::clamp(value, 1, 4);
  Invalidate();
}

void TBitBtn::SetMargin(int value)
{
  if (value < -1) return;
  FMargin = value;
  Invalidate();
}

void TBitBtn::GlyphChanged(TObject*)
{
  FNumGlyphs = CellsOf(FGlyph.get(), FNumGlyphs);
  Invalidate();
}

void TBitBtn::Click()
{
  TCustomForm* form = GetParentForm(this);
  if (FKind == bkClose && form) {
    form->Close();
    return;
  }
  TButton::Click();
}

// Over the platform's painting: the up cell (or the disabled one) at the left margin, centred down.
void TBitBtn::DrawGlyph()
{
  if (FGlyph->Empty() || !HandleAllocated()) return;
  const int cellWidth = FGlyph->GetWidth() / FNumGlyphs;
  const int x = FMargin == -1 ? 4 : FMargin;
  const int y = (GetClientHeight() - FGlyph->GetHeight()) / 2;
  HWND handle = GetHandle();
  HDC dc = GetDC(handle);
  if (!dc) return;
  if (!GetEnabled() && FNumGlyphs > 1) DrawCell(dc, x, y, FGlyph.get(), 1, cellWidth);
  else if (!GetEnabled()) DrawEngraved(dc, x, y, FGlyph.get(), 0, cellWidth);
  else DrawCell(dc, x, y, FGlyph.get(), 0, cellWidth);
  ReleaseDC(handle, dc);
}

void TBitBtn::Dispatch(void* raw)
{
  TMessage& message = *static_cast<TMessage*>(raw);
  TButton::Dispatch(raw);
  // The platform's button repaints itself on these without WM_PAINT; the glyph goes back on top.
  switch (message.Msg) {
    case WM_PAINT: case BM_SETSTATE: case BM_SETSTYLE: case WM_SETFOCUS: case WM_KILLFOCUS: case WM_ENABLE:
    case WM_SETTEXT: case WM_LBUTTONDOWN: case WM_LBUTTONUP:
      DrawGlyph();
      break;
    default: break;
  }
}
