// Canvases, fonts, pens and brushes: drawing into bitmaps checked pixel by pixel, text in UTF-8,
// selection of changed objects, locking, and the GDI objects left behind (none).
#include <gtest/gtest.h>

#include <thread>

#include "GraphicsTestSupport.h"

namespace {
constexpr TColor Black = clBlack, White = clWhite;

bool IsBluish(TColor c)
{
  const COLORREF rgb = COLORREF(int(c));
  return GetBValue(rgb) > 128 && GetRValue(rgb) < 110 && GetGValue(rgb) < 110;
}

int CountIf(TBitmap* bitmap, bool (*pred)(TColor))
{
  int count = 0;
  for (int y = 0; y < bitmap->GetHeight(); ++y)
    for (int x = 0; x < bitmap->GetWidth(); ++x)
      if (pred(PixelOf(bitmap, x, y))) ++count;
  return count;
}

struct TChangeCounter : public TObject {
  int Changes = 0, Changings = 0;
  void Changed(TObject*) { ++Changes; }
  void Changing(TObject*) { ++Changings; }
};

TEST(GraphicsObjects, FontSizeAndHeightFollowThePixelsPerInch)
{
  TFont font;
  EXPECT_EQ(font.GetName(), DefaultFontName);
  EXPECT_EQ(font.GetSize(), 8);
  EXPECT_EQ(font.GetHeight(), -MulDiv(8, ScreenPixelsPerInch(), 72));
  font.PixelsPerInch = 96;
  font.SetSize(12);
  EXPECT_EQ(font.GetHeight(), -16);
  font.SetHeight(-24);
  EXPECT_EQ(font.GetSize(), 18);
  EXPECT_EQ(int(font.GetCharset()), DEFAULT_CHARSET);
  EXPECT_EQ(font.GetColor(), clWindowText);
}

TEST(GraphicsObjects, HandlesAreMadeOnDemandAndDroppedOnChange)
{
  TFont font;
  EXPECT_FALSE(font.HandleAllocated());
  HFONT h = font.GetHandle();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(font.GetHandle(), h);
  LOGFONTW lf{};
  ASSERT_NE(GetObjectW(h, sizeof lf, &lf), 0);
  EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
  EXPECT_EQ(lf.lfHeight, font.GetHeight());
  font.SetStyle(TFontStyles() << fsBold << fsItalic);
  EXPECT_FALSE(font.HandleAllocated());
  ASSERT_NE(GetObjectW(font.GetHandle(), sizeof lf, &lf), 0);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(lf.lfItalic);

  TPen pen;
  pen.SetWidth(3);
  pen.SetColor(clRed);
  LOGPEN lp{};
  ASSERT_NE(GetObjectW(pen.GetHandle(), sizeof lp, &lp), 0);
  EXPECT_EQ(lp.lopnWidth.x, 3);
  EXPECT_EQ(lp.lopnColor, COLORREF(0x0000FF));
  pen.SetStyle(psClear);
  ASSERT_NE(GetObjectW(pen.GetHandle(), sizeof lp, &lp), 0);
  EXPECT_EQ(lp.lopnStyle, UINT(PS_NULL));

  TBrush brush;
  brush.SetStyle(bsDiagCross);
  brush.SetColor(clBtnFace);  // a colour leaves a hatch alone
  LOGBRUSH lb{};
  ASSERT_NE(GetObjectW(brush.GetHandle(), sizeof lb, &lb), 0);
  EXPECT_EQ(lb.lbStyle, UINT(BS_HATCHED));
  EXPECT_EQ(lb.lbHatch, ULONG_PTR(HS_DIAGCROSS));
  EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_BTNFACE));
  brush.SetStyle(bsClear);
  brush.SetColor(clRed);  // but makes a clear brush solid, as in the VCL
  EXPECT_EQ(brush.GetStyle(), bsSolid);
}

TEST(GraphicsObjects, ChangesAndAssignTellOnChange)
{
  TChangeCounter counter;
  TFont font;
  font.OnChange = TNotifyEvent(&counter, &TChangeCounter::Changed);
  font.SetColor(clRed);
  font.SetColor(clRed);  // no change, no event
  font.SetName("Courier New");
  EXPECT_EQ(counter.Changes, 2);
  TFont other;
  other.SetSize(20);
  other.SetStyle(TFontStyles() << fsStrikeOut);
  font.Assign(&other);
  EXPECT_EQ(counter.Changes, 3);
  EXPECT_EQ(font.GetHeight(), other.GetHeight());
  EXPECT_EQ(font.GetName(), DefaultFontName);
  EXPECT_TRUE(font.GetStyle().Contains(fsStrikeOut));
  TPen pen;
  EXPECT_THROW(pen.Assign(&font), EConvertError);
}

TEST(GraphicsCanvas, NewBitmapsAreWhite)
{
  auto bitmap = NewBitmap(6, 4);
  EXPECT_EQ(CountPixels(bitmap.get(), Rect(0, 0, 6, 4), White), 24);
  EXPECT_EQ(bitmap->GetCanvas()->GetClipRect(), Rect(0, 0, 6, 4));
}

TEST(GraphicsCanvas, LinesUseThePenAndLeaveTheEndPoint)
{
  auto bitmap = NewBitmap(10, 10);
  TCanvas* canvas = bitmap->GetCanvas();
  canvas->GetPen()->SetColor(clRed);
  canvas->MoveTo(1, 5);
  canvas->LineTo(8, 5);
  for (int x = 1; x < 8; ++x) EXPECT_EQ(PixelOf(bitmap.get(), x, 5), clRed) << x;
  EXPECT_EQ(PixelOf(bitmap.get(), 8, 5), White);
  EXPECT_EQ(PixelOf(bitmap.get(), 0, 5), White);
  EXPECT_EQ(PixelOf(bitmap.get(), 4, 4), White);
  EXPECT_EQ(canvas->GetPenPos(), Point(8, 5));
  canvas->GetPen()->SetColor(clBlue);
  canvas->Polyline({Point(0, 0), Point(0, 3), Point(3, 3)});
  EXPECT_EQ(PixelOf(bitmap.get(), 0, 2), clBlue);
  EXPECT_EQ(PixelOf(bitmap.get(), 2, 3), clBlue);
  EXPECT_EQ(CountPixels(bitmap.get(), Rect(0, 0, 10, 10), clBlue), 6);
}

TEST(GraphicsCanvas, RectangleHasAPenBorderAndABrushInside)
{
  auto bitmap = NewBitmap(12, 10);
  TCanvas* canvas = bitmap->GetCanvas();
  canvas->GetPen()->SetColor(clBlue);
  canvas->GetBrush()->SetColor(clLime);
  canvas->Rectangle(2, 2, 10, 8);
  EXPECT_EQ(PixelOf(bitmap.get(), 2, 2), clBlue);
  EXPECT_EQ(PixelOf(bitmap.get(), 9, 7), clBlue);
  EXPECT_EQ(PixelOf(bitmap.get(), 5, 2), clBlue);
  EXPECT_EQ(PixelOf(bitmap.get(), 5, 5), clLime);
  EXPECT_EQ(CountPixels(bitmap.get(), Rect(3, 3, 9, 7), clLime), 24);
  EXPECT_EQ(PixelOf(bitmap.get(), 10, 8), White);
  EXPECT_EQ(PixelOf(bitmap.get(), 1, 1), White);
  canvas->GetBrush()->SetStyle(bsClear);
  canvas->GetPen()->SetColor(clRed);
  canvas->Rectangle(0, 0, 12, 10);
  EXPECT_EQ(PixelOf(bitmap.get(), 0, 0), clRed);
  EXPECT_EQ(PixelOf(bitmap.get(), 5, 5), clLime);  // a clear brush fills nothing
  EXPECT_EQ(PixelOf(bitmap.get(), 1, 1), White);
}

TEST(GraphicsCanvas, RoundShapesLeaveTheirCornersUntouched)
{
  auto bitmap = NewBitmap(20, 20);
  TCanvas* canvas = bitmap->GetCanvas();
  canvas->GetBrush()->SetColor(Black);
  canvas->RoundRect(0, 0, 20, 20, 10, 10);
  EXPECT_EQ(PixelOf(bitmap.get(), 0, 0), White);
  EXPECT_EQ(PixelOf(bitmap.get(), 19, 19), White);
  EXPECT_EQ(PixelOf(bitmap.get(), 10, 10), Black);
  EXPECT_EQ(PixelOf(bitmap.get(), 10, 0), Black);
  EXPECT_EQ(PixelOf(bitmap.get(), 0, 10), Black);

  auto round = NewBitmap(20, 20);
  round->GetCanvas()->GetBrush()->SetColor(clRed);
  round->GetCanvas()->GetPen()->SetColor(clRed);
  round->GetCanvas()->Ellipse(0, 0, 20, 20);
  for (TPoint corner : {Point(0, 0), Point(19, 0), Point(0, 19), Point(19, 19), Point(2, 2), Point(17, 17)})
    EXPECT_EQ(PixelOf(round.get(), corner.x, corner.y), White) << corner.x << "," << corner.y;
  EXPECT_EQ(PixelOf(round.get(), 10, 10), clRed);
  EXPECT_EQ(PixelOf(round.get(), 10, 1), clRed);
}

TEST(GraphicsCanvas, PieFillsItsQuadrantAndArcDrawsOnlyThere)
{
  auto bitmap = NewBitmap(21, 21);
  TCanvas* canvas = bitmap->GetCanvas();
  canvas->GetBrush()->SetColor(Black);
  // Counter-clockwise from the right (20,10) to the top (10,0): the upper-right quarter.
  canvas->Pie(0, 0, 21, 21, 21, 10, 10, 0);
  EXPECT_EQ(PixelOf(bitmap.get(), 14, 6), Black);
  EXPECT_EQ(PixelOf(bitmap.get(), 6, 14), White);
  EXPECT_EQ(PixelOf(bitmap.get(), 6, 6), White);
  EXPECT_EQ(PixelOf(bitmap.get(), 14, 14), White);

  auto arc = NewBitmap(21, 21);
  arc->GetCanvas()->GetPen()->SetColor(clRed);
  arc->GetCanvas()->Arc(0, 0, 21, 21, 21, 10, 10, 0);
  EXPECT_GT(CountPixels(arc.get(), Rect(11, 0, 21, 10), clRed), 8);
  EXPECT_EQ(CountPixels(arc.get(), Rect(0, 12, 9, 21), clRed), 0);
  EXPECT_EQ(PixelOf(arc.get(), 14, 6), White);  // an arc has no inside
}

TEST(GraphicsCanvas, PolygonFillsWithTheBrush)
{
  auto bitmap = NewBitmap(20, 20);
  TCanvas* canvas = bitmap->GetCanvas();
  canvas->GetBrush()->SetColor(clRed);
  canvas->GetPen()->SetColor(clBlue);
  canvas->Polygon({Point(0, 0), Point(19, 0), Point(0, 19)});
  EXPECT_EQ(PixelOf(bitmap.get(), 4, 4), clRed);
  EXPECT_EQ(PixelOf(bitmap.get(), 0, 0), clBlue);
  EXPECT_EQ(PixelOf(bitmap.get(), 15, 15), White);
}

TEST(GraphicsCanvas, FillRectAndFrameRectUseTheBrushOnly)
{
  auto bitmap = NewBitmap(10, 10);
  TCanvas* canvas = bitmap->GetCanvas();
  canvas->GetBrush()->SetColor(clRed);
  canvas->FillRect(Rect(3, 3, 6, 6));
  EXPECT_EQ(CountPixels(bitmap.get(), Rect(0, 0, 10, 10), clRed), 9);
  EXPECT_EQ(PixelOf(bitmap.get(), 3, 3), clRed);
  EXPECT_EQ(PixelOf(bitmap.get(), 5, 5), clRed);
  EXPECT_EQ(PixelOf(bitmap.get(), 6, 6), White);
  canvas->GetBrush()->SetColor(clBlue);
  canvas->FrameRect(Rect(1, 1, 9, 9));
  EXPECT_EQ(CountPixels(bitmap.get(), Rect(0, 0, 10, 10), clBlue), 28);
  EXPECT_EQ(PixelOf(bitmap.get(), 8, 8), clBlue);
  EXPECT_EQ(PixelOf(bitmap.get(), 2, 2), White);
  canvas->DrawFocusRect(Rect(0, 0, 10, 10));
  // A dotted frame, drawn by inverting every other pixel of the border.
  EXPECT_GT(CountPixels(bitmap.get(), Rect(0, 0, 10, 1), Black), 2);
  EXPECT_EQ(CountPixels(bitmap.get(), Rect(0, 0, 10, 1), Black) + CountPixels(bitmap.get(), Rect(0, 0, 10, 1), White), 10);
}

TEST(GraphicsCanvas, PixelsGetAndSet)
{
  auto bitmap = NewBitmap(5, 5);
  TCanvas* canvas = bitmap->GetCanvas();
  canvas->SetPixels(3, 4, clRed);
  canvas->SetPixels(0, 0, clBtnFace);
  EXPECT_EQ(canvas->GetPixels(3, 4), clRed);
  EXPECT_EQ(int(canvas->GetPixels(0, 0)), int(ColorToRGB(clBtnFace)));
  EXPECT_EQ(canvas->GetPixels(4, 3), White);
  EXPECT_EQ(CountPixels(bitmap.get(), Rect(0, 0, 5, 5), White), 23);
}

TEST(GraphicsCanvas, TextDrawsInTheFontColourOnTheBrush)
{
  auto bitmap = NewBitmap(80, 30);
  TCanvas* canvas = bitmap->GetCanvas();
  canvas->GetFont()->SetColor(clBlue);
  canvas->GetFont()->SetSize(14);
  canvas->GetBrush()->SetStyle(bsClear);
  canvas->TextOut(2, 2, "Hx");
  EXPECT_GT(CountIf(bitmap.get(), IsBluish), 10);
  EXPECT_EQ(CountPixels(bitmap.get(), Rect(60, 0, 80, 30), White), 20 * 30);
  EXPECT_EQ(canvas->GetPenPos(), Point(2 + canvas->TextWidth("Hx"), 2));

  // A changed font is selected again before the next text.
  canvas->GetFont()->SetColor(clRed);
  canvas->GetBrush()->SetColor(clYellow);
  canvas->TextOut(40, 2, "H");
  EXPECT_GT(CountPixels(bitmap.get(), Rect(40, 0, 80, 30), clYellow), 10);  // a solid brush backs the text
  int reddish = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 40; x < 80; ++x) {
      const COLORREF c = COLORREF(int(PixelOf(bitmap.get(), x, y)));
      if (GetRValue(c) > 128 && GetGValue(c) < 110 && GetBValue(c) < 110) ++reddish;
    }
  EXPECT_GT(reddish, 5);
}

TEST(GraphicsCanvas, TextExtentGrowsWithTheFont)
{
  auto bitmap = NewBitmap(4, 4);
  TCanvas* canvas = bitmap->GetCanvas();
  const int small = canvas->TextHeight("X");
  const int one = canvas->TextWidth("W");
  EXPECT_GT(small, 0);
  EXPECT_GT(one, 0);
  EXPECT_EQ(canvas->TextWidth("WW"), 2 * one);
  EXPECT_EQ(canvas->TextWidth(""), 0);
  canvas->GetFont()->SetSize(30);
  EXPECT_GT(canvas->TextHeight("X"), 2 * small);
  EXPECT_EQ(canvas->TextExtent("X").cy, canvas->TextHeight("X"));
}

TEST(GraphicsCanvas, HebrewTextReachesGdiAsUnicode)
{
  auto bitmap = NewBitmap(120, 30);
  TCanvas* canvas = bitmap->GetCanvas();
  canvas->GetFont()->SetSize(14);
  canvas->GetFont()->SetCharset(TFontCharset(HEBREW_CHARSET));
  const AnsiString shalom = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";  // four Hebrew letters
  // Wrongly converted text would come out as as many question marks or as eight byte glyphs.
  EXPECT_NE(canvas->TextWidth(shalom), canvas->TextWidth("????"));
  EXPECT_NE(canvas->TextWidth(shalom), canvas->TextWidth("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D\xD7"));
  canvas->GetBrush()->SetStyle(bsClear);
  canvas->TextOut(4, 4, shalom);
  EXPECT_GT(CountPixels(bitmap.get(), Rect(0, 0, 120, 30), White), 0);
  EXPECT_LT(CountPixels(bitmap.get(), Rect(0, 0, 120, 30), White), 120 * 30 - 20);
}

TEST(GraphicsCanvas, TextRectClipsToItsRectangle)
{
  auto bitmap = NewBitmap(60, 20);
  TCanvas* canvas = bitmap->GetCanvas();
  canvas->GetBrush()->SetColor(clYellow);
  canvas->TextRect(Rect(0, 0, 10, 20), 0, 0, "WWWWWWWW");
  EXPECT_EQ(CountPixels(bitmap.get(), Rect(10, 0, 60, 20), White), 50 * 20);
  EXPECT_GT(CountPixels(bitmap.get(), Rect(0, 0, 10, 20), clYellow), 0);
  EXPECT_EQ(CountPixels(bitmap.get(), Rect(0, 0, 10, 20), White), 0);
}

std::unique_ptr<TBitmap> Sprite()
{
  // Lime everywhere (the bottom-left pixel sets the transparent colour) and one red pixel.
  auto sprite = NewBitmap(4, 4, pf24bit);
  sprite->GetCanvas()->GetBrush()->SetColor(clLime);
  sprite->GetCanvas()->FillRect(Rect(0, 0, 4, 4));
  sprite->GetCanvas()->SetPixels(1, 1, clRed);
  return sprite;
}

TEST(GraphicsCanvas, DrawCopiesOrLetsTheTransparentColourThrough)
{
  auto sprite = Sprite();
  EXPECT_EQ(sprite->GetTransparentColor(), clLime);
  EXPECT_EQ(sprite->GetTransparentMode(), tmAuto);
  auto target = NewBitmap(10, 10);
  target->GetCanvas()->GetBrush()->SetColor(clBlue);
  target->GetCanvas()->FillRect(Rect(0, 0, 10, 10));
  target->GetCanvas()->Draw(2, 2, sprite.get());
  EXPECT_EQ(PixelOf(target.get(), 2, 2), clLime);
  EXPECT_EQ(PixelOf(target.get(), 3, 3), clRed);

  target->GetCanvas()->FillRect(Rect(0, 0, 10, 10));
  sprite->SetTransparent(true);
  target->GetCanvas()->Draw(2, 2, sprite.get());
  EXPECT_EQ(PixelOf(target.get(), 3, 3), clRed);
  EXPECT_EQ(CountPixels(target.get(), Rect(0, 0, 10, 10), clBlue), 99);
  EXPECT_EQ(CountPixels(target.get(), Rect(0, 0, 10, 10), clLime), 0);

  sprite->SetTransparentColor(clRed);
  EXPECT_EQ(sprite->GetTransparentMode(), tmFixed);
  target->GetCanvas()->FillRect(Rect(0, 0, 10, 10));
  target->GetCanvas()->Draw(2, 2, sprite.get());
  EXPECT_EQ(PixelOf(target.get(), 3, 3), clBlue);
  EXPECT_EQ(CountPixels(target.get(), Rect(0, 0, 10, 10), clLime), 15);
}

TEST(GraphicsCanvas, StretchDrawScalesEveryPixel)
{
  auto source = NewBitmap(2, 2, pf24bit);
  source->GetCanvas()->SetPixels(0, 0, clRed);
  source->GetCanvas()->SetPixels(1, 0, clLime);
  source->GetCanvas()->SetPixels(0, 1, clBlue);
  source->GetCanvas()->SetPixels(1, 1, clYellow);
  auto target = NewBitmap(8, 8);
  target->GetCanvas()->StretchDraw(Rect(0, 0, 8, 8), source.get());
  EXPECT_EQ(CountPixels(target.get(), Rect(0, 0, 4, 4), clRed), 16);
  EXPECT_EQ(CountPixels(target.get(), Rect(4, 0, 8, 4), clLime), 16);
  EXPECT_EQ(CountPixels(target.get(), Rect(0, 4, 4, 8), clBlue), 16);
  EXPECT_EQ(CountPixels(target.get(), Rect(4, 4, 8, 8), clYellow), 16);
}

TEST(GraphicsCanvas, CopyRectUsesTheCopyMode)
{
  auto source = NewBitmap(4, 4);
  source->GetCanvas()->GetBrush()->SetColor(clRed);
  source->GetCanvas()->FillRect(Rect(0, 0, 2, 2));
  auto target = NewBitmap(8, 8);
  target->GetCanvas()->CopyRect(Rect(4, 4, 8, 8), source->GetCanvas(), Rect(0, 0, 4, 4));
  EXPECT_EQ(CountPixels(target.get(), Rect(4, 4, 6, 6), clRed), 4);
  EXPECT_EQ(CountPixels(target.get(), Rect(0, 0, 8, 8), clRed), 4);
  target->GetCanvas()->SetCopyMode(cmNotSrcCopy);
  target->GetCanvas()->CopyRect(Rect(0, 0, 2, 2), source->GetCanvas(), Rect(0, 0, 2, 2));
  EXPECT_EQ(CountPixels(target.get(), Rect(0, 0, 2, 2), clAqua), 4);  // not red
}

TEST(GraphicsCanvas, DrawingTellsOnChangingAndOnChange)
{
  auto bitmap = NewBitmap(4, 4);
  TChangeCounter bitmapEvents;
  bitmap->OnChange = TNotifyEvent(&bitmapEvents, &TChangeCounter::Changed);
  bitmap->SetModified(false);
  bitmap->GetCanvas()->FillRect(Rect(0, 0, 2, 2));
  bitmap->GetCanvas()->LineTo(3, 3);
  EXPECT_EQ(bitmapEvents.Changes, 2);  // what is drawn on its canvas changes the bitmap
  EXPECT_TRUE(bitmap->GetModified());

  TChangeCounter canvasEvents;
  TCanvas* canvas = bitmap->GetCanvas();
  canvas->OnChange = TNotifyEvent(&canvasEvents, &TChangeCounter::Changed);
  canvas->OnChanging = TNotifyEvent(&canvasEvents, &TChangeCounter::Changing);
  canvas->FillRect(Rect(0, 0, 2, 2));
  canvas->TextOut(0, 0, "x");
  canvas->GetPixels(0, 0);  // reading changes nothing
  EXPECT_EQ(canvasEvents.Changes, 2);
  EXPECT_EQ(canvasEvents.Changings, 2);
}

TEST(GraphicsCanvas, WithoutADeviceContextDrawingRaises)
{
  TCanvas canvas;
  EXPECT_FALSE(canvas.HandleAllocated());
  EXPECT_THROW(canvas.Rectangle(0, 0, 1, 1), EInvalidOperation);
}

TEST(GraphicsCanvas, GivenDeviceContextGetsItsOwnObjectsBack)
{
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, 4, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ oldBitmap = SelectObject(dc, section);
  const HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN), font = GetCurrentObject(dc, OBJ_FONT);
  {
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.GetPen()->SetColor(clRed);
    canvas.GetFont()->SetSize(20);
    canvas.MoveTo(0, 1);
    canvas.LineTo(4, 1);
    canvas.TextWidth("x");
    EXPECT_EQ(GetPixel(dc, 2, 1), COLORREF(0x0000FF));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), canvas.GetPen()->GetHandle());
  }
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
  SelectObject(dc, oldBitmap);
  DeleteObject(section);
  DeleteDC(dc);
}

TEST(GraphicsCanvas, LockSerialisesThreads)
{
  TCanvas canvas;
  canvas.Lock();
  canvas.Lock();
  EXPECT_EQ(canvas.LockCount(), 2);
  bool taken = true;
  std::thread([&] { taken = canvas.TryLock(); }).join();
  EXPECT_FALSE(taken);
  canvas.Unlock();
  canvas.Unlock();
  EXPECT_EQ(canvas.LockCount(), 0);
  std::thread([&] {
    taken = canvas.TryLock();
    if (taken) canvas.Unlock();
  }).join();
  EXPECT_TRUE(taken);
}

DWORD GdiObjects() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

// Uses every kind of GDI object the unit makes and notes the handles it saw.
void UseEverything(std::vector<HGDIOBJ>& seen)
{
  TFont font;
  seen.push_back(font.GetHandle());
  font.SetSize(11);
  seen.push_back(font.GetHandle());
  TPen pen;
  seen.push_back(pen.GetHandle());
  TBrush brush;
  seen.push_back(brush.GetHandle());
  auto bitmap = NewBitmap(16, 16, pf8bit);
  seen.push_back(bitmap->GetHandle());
  seen.push_back(bitmap->GetCanvas()->GetHandle());
  bitmap->GetCanvas()->GetFont()->SetColor(clRed);
  bitmap->GetCanvas()->TextOut(0, 0, "x");
  bitmap->GetCanvas()->Ellipse(0, 0, 8, 8);
  seen.push_back(bitmap->GetPalette());
  auto pattern = NewBitmap(8, 8);
  bitmap->GetCanvas()->GetBrush()->SetBitmap(pattern.get());
  bitmap->GetCanvas()->FillRect(Rect(0, 0, 16, 16));
  seen.push_back(bitmap->GetCanvas()->GetBrush()->GetHandle());
  bitmap->GetCanvas()->GetBrush()->SetBitmap(nullptr);
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(20, 10);
  seen.push_back(bitmap->GetHandle());
  bitmap->SetTransparent(true);
  auto target = NewBitmap(30, 30);
  target->GetCanvas()->Draw(0, 0, bitmap.get());
  TMemoryStream stream;
  bitmap->SaveToStream(&stream);
  stream.SetPosition(0);
  TBitmap copy;
  copy.LoadFromStream(&stream);
  DeleteObject(copy.ReleaseHandle());
  TPicture picture;
  picture.GetBitmap()->Assign(bitmap.get());
  seen.push_back(picture.GetBitmap()->GetHandle());
  picture.GetIcon();
}

// Windows counts a process's GDI objects; Wine does not (GetGuiResources answers 0 there), so each
// handle seen must also be gone once its owner is.
TEST(GraphicsCanvas, ManyCyclesLeaveNoGdiObjectsBehind)
{
  std::vector<HGDIOBJ> seen;
  UseEverything(seen);  // first use makes the objects that live as long as the process
  const DWORD before = GdiObjects();
  for (int i = 0; i < 150; ++i) {
    seen.clear();
    UseEverything(seen);
    ASSERT_EQ(seen.size(), 10u);
    for (HGDIOBJ h : seen) {
      EXPECT_NE(h, nullptr);
      EXPECT_EQ(GetObjectType(h), 0u) << "cycle " << i << ": a GDI object outlived its owner";
    }
  }
  EXPECT_EQ(GdiObjects(), before);
}
}  // namespace
