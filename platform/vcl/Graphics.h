// Graphics: colours and their identifiers, fonts, pens and brushes, canvases over device contexts,
// and the graphic classes (bitmaps, icons) with the picture that holds any of them. Everything draws
// through Win32 GDI; texts are UTF-8 and reach GDI through the wide functions.
#pragma once

#include <memory>
#include <vector>

#include <windows.h>

#include "Classes.h"
#include "System.h"

class TCanvas;
class TBitmap;
class TGraphic;
class TPicture;

// ---------------------------------------------------------------------------------------------------
// Exceptions of the unit (EInvalidGraphic and EInvalidGraphicOperation live in SysUtils.h).
OSTREL_VCL_EXCEPTION(EOutOfResources, EOutOfMemory);

// ---------------------------------------------------------------------------------------------------
// Colours and named integers (Graphics.cpp).
// A colour is 0x00BBGGRR, or 0x80000000 | COLOR_xxx for a system colour resolved when drawn.
VCL_DECLARE_INTEGER_TYPE(TColor, int);
// Mouse cursors; the identifiers are those of stored forms ("Cursor = crHandPoint").
VCL_DECLARE_INTEGER_TYPE(TCursor, short);
VCL_DECLARE_INTEGER_TYPE(TFontCharset, unsigned char);

namespace vcl_detail {
constexpr TColor SysColor(int index) { return TColor(static_cast<int>(0x80000000u | unsigned(index))); }
}  // namespace vcl_detail

constexpr TColor clScrollBar = vcl_detail::SysColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = vcl_detail::SysColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = vcl_detail::SysColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = vcl_detail::SysColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = vcl_detail::SysColor(COLOR_MENU);
constexpr TColor clWindow = vcl_detail::SysColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = vcl_detail::SysColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = vcl_detail::SysColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = vcl_detail::SysColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = vcl_detail::SysColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = vcl_detail::SysColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = vcl_detail::SysColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = vcl_detail::SysColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = vcl_detail::SysColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = vcl_detail::SysColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = vcl_detail::SysColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = vcl_detail::SysColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = vcl_detail::SysColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = vcl_detail::SysColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = vcl_detail::SysColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = vcl_detail::SysColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = vcl_detail::SysColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = vcl_detail::SysColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = vcl_detail::SysColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = vcl_detail::SysColor(COLOR_INFOBK);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = -22;

// A system colour becomes the machine's current one; other values are returned unchanged.
COLORREF ColorToRGB(TColor color);
bool ColorToIdent(int color, AnsiString& ident);
bool IdentToColor(const AnsiString& ident, int& color);
// The identifier, or "$00BBGGRR".
AnsiString ColorToString(TColor color);
// An identifier or a number in Delphi's syntax ("$FF", "255"); raises EConvertError.
TColor StringToColor(const AnsiString& text);
bool CursorToIdent(int cursor, AnsiString& ident);
bool IdentToCursor(const AnsiString& ident, int& cursor);
// The identifier of a character set ("DEFAULT_CHARSET"); false for a value without one.
bool CharsetToIdent(int charset, AnsiString& ident);
// The character set of an identifier, letter case ignored; false for an unknown identifier.
bool IdentToCharset(const AnsiString& ident, int& charset);

// The screen's logical pixels per inch (vertical), read once.
int ScreenPixelsPerInch();

// ---------------------------------------------------------------------------------------------------
// Owners of GDI handles: every handle the unit makes is held by one of these.
template <class H, BOOL(WINAPI* Release)(H)>
class TGdiHandle {
public:
  TGdiHandle() = default;
  explicit TGdiHandle(H handle) : FHandle(handle) {}
  ~TGdiHandle() { Reset(); }
  TGdiHandle(TGdiHandle&& other) noexcept : FHandle(other.Detach()) {}
  TGdiHandle& operator=(TGdiHandle&& other) noexcept
  {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  TGdiHandle(const TGdiHandle&) = delete;
  TGdiHandle& operator=(const TGdiHandle&) = delete;

  H Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != nullptr; }
  H Detach()
  {
    H h = FHandle;
    FHandle = nullptr;
    return h;
  }
  void Reset(H handle = nullptr)
  {
    if (FHandle) Release(FHandle);
    FHandle = handle;
  }

private:
  H FHandle = nullptr;
};

namespace vcl_detail {
inline BOOL WINAPI DeleteGdiObject(HGDIOBJ h) { return DeleteObject(h); }
}  // namespace vcl_detail
using TGdiObject = TGdiHandle<HGDIOBJ, &vcl_detail::DeleteGdiObject>;
using TOwnedDC = TGdiHandle<HDC, &DeleteDC>;
using TOwnedIcon = TGdiHandle<HICON, &DestroyIcon>;

// A screen-compatible memory DC for a moment's work; the selections made through Select are undone
// when it goes.
class TMemoryDC {
public:
  TMemoryDC();
  ~TMemoryDC();
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC Get() const { return FDC.Get(); }
  void Select(HGDIOBJ object);

private:
  TOwnedDC FDC;
  std::vector<HGDIOBJ> FSaved;
};

// ---------------------------------------------------------------------------------------------------
// Fonts, pens and brushes (GraphicsObjects.cpp). Each makes its GDI object on first use of Handle and
// drops it when a property changes (after OnChange, so that a canvas can deselect it first).
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
VCL_DECLARE_ENUM(TFontStyle);
using TFontStyles = Set<TFontStyle, fsBold, fsStrikeOut>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
VCL_DECLARE_ENUM(TFontPitch);
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
VCL_DECLARE_ENUM(TPenStyle);
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
  pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
VCL_DECLARE_ENUM(TPenMode);
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
VCL_DECLARE_ENUM(TBrushStyle);

// The face used for "Default" and by new fonts: the VCL's MS Sans Serif is a raster font that Wine
// does not carry, Tahoma is present on Windows and in Wine alike and is what MS Sans Serif maps to.
inline constexpr const char DefaultFontName[] = "Tahoma";
constexpr int DefaultFontSize = 8;

class TGraphicsObject : public TPersistent {
  VCL_DECLARE_CLASS(TGraphicsObject, TPersistent)
  TGraphicsObject() = default;
  TNotifyEvent OnChange;
  // Whether the GDI object exists now (not made by asking).
  bool HandleAllocated() const { return bool(FHandle); }

protected:
  // Drops the GDI object, tells OnChange, then deletes the old object.
  virtual void Changed();
  HGDIOBJ CachedHandle() const { return FHandle.Get(); }
  void CacheHandle(HGDIOBJ handle) { FHandle.Reset(handle); }

private:
  TGdiObject FHandle;
};

class TFont : public TGraphicsObject {
  VCL_DECLARE_CLASS(TFont, TGraphicsObject)
  TFont();
  void Assign(TPersistent* source) override;
  HFONT GetHandle();  // raises EOutOfResources
  // Takes ownership of a font and adopts its description.
  void SetHandle(HFONT value);
  TFontCharset GetCharset() const { return FCharset; }
  void SetCharset(TFontCharset value);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor value);
  int GetHeight() const { return FHeight; }
  void SetHeight(int value);
  AnsiString GetName() const { return FName; }
  void SetName(const AnsiString& value);
  TFontPitch GetPitch() const { return FPitch; }
  void SetPitch(TFontPitch value);
  int GetSize() const;
  void SetSize(int value);
  TFontStyles GetStyle() const { return FStyle; }
  void SetStyle(TFontStyles value);
  int PixelsPerInch;

private:
  TFontCharset FCharset = DEFAULT_CHARSET;
  TColor FColor = clWindowText;
  int FHeight = 0;
  AnsiString FName = DefaultFontName;
  TFontPitch FPitch = fpDefault;
  TFontStyles FStyle;
};

class TPen : public TGraphicsObject {
  VCL_DECLARE_CLASS(TPen, TGraphicsObject)
  TPen() = default;
  void Assign(TPersistent* source) override;
  HPEN GetHandle();  // raises EOutOfResources
  TColor GetColor() const { return FColor; }
  void SetColor(TColor value);
  TPenMode GetMode() const { return FMode; }
  void SetMode(TPenMode value);
  TPenStyle GetStyle() const { return FStyle; }
  void SetStyle(TPenStyle value);
  int GetWidth() const { return FWidth; }
  void SetWidth(int value);

private:
  TColor FColor = clBlack;
  TPenMode FMode = pmCopy;
  TPenStyle FStyle = psSolid;
  int FWidth = 1;
};

class TBrush : public TGraphicsObject {
  VCL_DECLARE_CLASS(TBrush, TGraphicsObject)
  TBrush() = default;
  void Assign(TPersistent* source) override;
  HBRUSH GetHandle();  // raises EOutOfResources
  TColor GetColor() const { return FColor; }
  void SetColor(TColor value);
  TBrushStyle GetStyle() const { return FStyle; }
  void SetStyle(TBrushStyle value);
  // A pattern brush: the bitmap is referenced, not owned, as in the VCL.
  TBitmap* GetBitmap() const { return FBitmap; }
  void SetBitmap(TBitmap* value);

private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  TBitmap* FBitmap = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// Canvases (GraphicsCanvas.cpp).
enum TCanvasStateItem { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = Set<TCanvasStateItem, csHandleValid, csBrushValid>;
using TCopyMode = DWORD;
constexpr TCopyMode cmBlackness = BLACKNESS;
constexpr TCopyMode cmDstInvert = DSTINVERT;
constexpr TCopyMode cmMergeCopy = MERGECOPY;
constexpr TCopyMode cmMergePaint = MERGEPAINT;
constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
constexpr TCopyMode cmPatCopy = PATCOPY;
constexpr TCopyMode cmPatInvert = PATINVERT;
constexpr TCopyMode cmPatPaint = PATPAINT;
constexpr TCopyMode cmSrcAnd = SRCAND;
constexpr TCopyMode cmSrcCopy = SRCCOPY;
constexpr TCopyMode cmSrcErase = SRCERASE;
constexpr TCopyMode cmSrcInvert = SRCINVERT;
constexpr TCopyMode cmSrcPaint = SRCPAINT;
constexpr TCopyMode cmWhiteness = WHITENESS;

// A canvas draws into a device context it is given (Handle) or, in a descendant, one it makes on
// demand through CreateHandle. Font, pen and brush are selected when a drawing call needs them and
// again after they change.
class TCanvas : public TPersistent {
  VCL_DECLARE_CLASS(TCanvas, TPersistent)
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC GetHandle();  // makes the DC and selects the drawing objects; raises EInvalidOperation without one
  void SetHandle(HDC value);
  bool HandleAllocated() const { return FHandle != nullptr; }
  TFont* GetFont() const { return FFont.get(); }
  void SetFont(TFont* value) { FFont->Assign(value); }
  TPen* GetPen() const { return FPen.get(); }
  void SetPen(TPen* value) { FPen->Assign(value); }
  TBrush* GetBrush() const { return FBrush.get(); }
  void SetBrush(TBrush* value) { FBrush->Assign(value); }
  TCopyMode GetCopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode value) { FCopyMode = value; }
  TPoint GetPenPos();
  void SetPenPos(const TPoint& value) { MoveTo(value.x, value.y); }
  TRect GetClipRect();
  TColor GetPixels(int x, int y);
  void SetPixels(int x, int y, TColor color);
  int GetTextFlags() const { return FTextFlags; }
  void SetTextFlags(int value) { FTextFlags = value; }

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(const TPoint* points, int count);
  void Polyline(const std::vector<TPoint>& points) { Polyline(points.data(), int(points.size())); }
  void Polygon(const TPoint* points, int count);
  void Polygon(const std::vector<TPoint>& points) { Polygon(points.data(), int(points.size())); }
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void FillRect(const TRect& rect);
  void FrameRect(const TRect& rect);
  void DrawFocusRect(const TRect& rect);
  void TextOut(int x, int y, const AnsiString& text);
  void TextRect(const TRect& rect, int x, int y, const AnsiString& text);
  TSize TextExtent(const AnsiString& text);
  int TextWidth(const AnsiString& text) { return int(TextExtent(text).cx); }
  int TextHeight(const AnsiString& text) { return int(TextExtent(text).cy); }
  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const TRect& rect, TGraphic* graphic);
  void CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source);
  // Deselects the drawing objects, so that the next call selects them afresh.
  void Refresh();

  // Serialises drawing from several threads; counted, re-entrant on one thread.
  void Lock();
  void Unlock();
  bool TryLock();
  int GetLockCount() const { return FLockCount; }
  int LockCount() const { return FLockCount; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  virtual void Changed();
  virtual void Changing();
  // Called when a drawing call finds no DC: a descendant makes one and sets it with SetHandle.
  virtual void CreateHandle() {}
  void RequiredState(TCanvasState required);
  TCanvasState GetState() const { return FState; }

private:
  void DeselectHandles();
  void UseFont();
  void UsePen();
  void UseBrush();
  void FontChanged(TObject* sender);
  void PenChanged(TObject* sender);
  void BrushChanged(TObject* sender);

  HDC FHandle = nullptr;
  TCanvasState FState;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  TCopyMode FCopyMode = cmSrcCopy;
  int FTextFlags = 0;
  CRITICAL_SECTION FLock;
  int FLockCount = 0;
};

// ---------------------------------------------------------------------------------------------------
// Graphics (GraphicsPicture.cpp): what a picture holds, draws itself on a canvas and streams itself.
class TGraphic : public TPersistent {
  VCL_DECLARE_CLASS(TGraphic, TPersistent)
  TGraphic() = default;
  virtual bool GetEmpty() const = 0;
  bool Empty() const { return GetEmpty(); }
  virtual int GetWidth() const = 0;
  virtual void SetWidth(int value) = 0;
  virtual int GetHeight() const = 0;
  virtual void SetHeight(int value) = 0;
  virtual bool GetTransparent() const { return FTransparent; }
  virtual void SetTransparent(bool value);
  virtual HPALETTE GetPalette() { return nullptr; }
  virtual void SetPalette(HPALETTE) {}
  bool GetModified() const { return FModified; }
  void SetModified(bool value);
  virtual void LoadFromFile(const AnsiString& fileName);
  virtual void SaveToFile(const AnsiString& fileName);
  virtual void LoadFromStream(TStream* stream) = 0;
  virtual void SaveToStream(TStream* stream) = 0;
  void DefineProperties(TFiler* filer) override;
  // Whether the stored data of two graphics are the same.
  virtual bool Equals(TGraphic* other);
  // The clipboard forms of the graphic; a class without one raises EInvalidGraphicOperation.
  virtual void LoadFromClipboardFormat(WORD format, HANDLE data, HPALETTE palette);
  virtual void SaveToClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette);
  TNotifyEvent OnChange;

protected:
  friend class TCanvas;
  friend class TPicture;
  virtual void Changed(TObject* sender);
  virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;
  // The stored-form data ("Data"); by default the graphic's file image.
  virtual void ReadData(TStream* stream);
  virtual void WriteData(TStream* stream);

private:
  bool FTransparent = false;
  bool FModified = false;
};

using TGraphicClass = TMetaClass*;

// An image that several graphics share: each holder takes a reference, and the last Release frees
// the image's handles (FreeHandle) and the object. Created with no reference: the first holder takes it.
class TSharedImage : public TObject {
  VCL_DECLARE_CLASS(TSharedImage, TObject)
  TSharedImage() = default;
  void Reference();
  void Release();
  int GetRefCount() const { return int(FRefCount); }

protected:
  virtual void FreeHandle() = 0;

private:
  volatile LONG FRefCount = 0;
};

// ---------------------------------------------------------------------------------------------------
// Bitmaps (GraphicsBitmap.cpp, file images in GraphicsBitmapFile.cpp). A bitmap is a DIB section kept
// bottom-up, as Windows stores it; ScanLine(0) is the top line all the same.
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
VCL_DECLARE_ENUM(TPixelFormat);
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };
VCL_DECLARE_ENUM(TTransparentMode);

// The canvas of a bitmap: a memory DC holding the bitmap's section, made on demand.
class TBitmapCanvas : public TCanvas {
  VCL_DECLARE_CLASS(TBitmapCanvas, TCanvas)
  explicit TBitmapCanvas(TBitmap* bitmap);
  ~TBitmapCanvas() override;
  // Gives the DC back (the bitmap is about to change its section).
  void FreeContext();

protected:
  void CreateHandle() override;

private:
  TBitmap* FBitmap;
  TOwnedDC FDC;
  HGDIOBJ FOldBitmap = nullptr;
};

class TBitmap : public TGraphic {
  VCL_DECLARE_CLASS(TBitmap, TGraphic)
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  void Assign(TPersistent* source) override;

  bool GetEmpty() const override { return FWidth == 0 || FHeight == 0; }
  int GetWidth() const override { return FWidth; }
  void SetWidth(int value) override { SetSize(value, FHeight); }
  int GetHeight() const override { return FHeight; }
  void SetHeight(int value) override { SetSize(FWidth, value); }
  // Keeps the picture's top-left corner; new area is white.
  void SetSize(int width, int height);
  TPixelFormat GetPixelFormat() const { return FPixelFormat; }
  // Converts the picture to the new format (colours matched to the new palette where there is one).
  void SetPixelFormat(TPixelFormat value);
  bool GetMonochrome() const { return FPixelFormat == pf1bit; }
  void SetMonochrome(bool value);
  TBitmapHandleType GetHandleType() const { return FPixelFormat == pfDevice ? bmDDB : bmDIB; }
  void SetHandleType(TBitmapHandleType value);
  TCanvas* GetCanvas();
  HBITMAP GetHandle();
  // Takes ownership of a bitmap (a DIB section is adopted, any other is copied into one).
  void SetHandle(HBITMAP value);
  // Hands the section to the caller; the bitmap keeps its size and makes a blank one when next needed.
  HBITMAP ReleaseHandle();
  HPALETTE GetPalette() override;
  void* ScanLine(int row);  // raises EInvalidGraphic "Scan line index out of range"
  TColor GetTransparentColor();
  void SetTransparentColor(TColor value);
  TTransparentMode GetTransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode value);
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  void LoadFromResourceName(HINSTANCE instance, const AnsiString& resName);
  void LoadFromResourceID(HINSTANCE instance, int resId);
  void Dormant() {}
  void FreeImage() {}
  // Colour table of a palette format (its entries, for pf1bit..pf8bit).
  std::vector<RGBQUAD> GetColorTable() const { return FColors; }
  void SetColorTable(const std::vector<RGBQUAD>& colors);
  int BytesPerScanLine() const;

protected:
  void Draw(TCanvas* canvas, const TRect& rect) override;
  void ReadData(TStream* stream) override;
  void WriteData(TStream* stream) override;

private:
  friend class TBitmapCanvas;
  void HandleNeeded();
  void FreeContext();
  // A new section of that size and format holding as much of the current picture as fits.
  void Rebuild(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& colors);
  // Makes the section (not filled) and takes it as the bitmap's image.
  void NewImage(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& colors);
  void LoadBmpImage(const unsigned char* data, size_t size, bool fileHeader);
  void CanvasChanged(TObject* sender);

  int FWidth = 0;
  int FHeight = 0;
  TPixelFormat FPixelFormat = pfDevice;
  std::vector<RGBQUAD> FColors;
  TGdiObject FHandle;
  void* FBits = nullptr;
  TGdiObject FPalette;
  std::unique_ptr<TBitmapCanvas> FCanvas;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
};

// ---------------------------------------------------------------------------------------------------
// Icons (GraphicsIcon.cpp): the .ico file image is kept as read and saved as it was; a handle given
// with SetHandle is saved as a one-image 32-bit icon.
class TIcon : public TGraphic {
  VCL_DECLARE_CLASS(TIcon, TGraphic)
  TIcon() = default;
  void Assign(TPersistent* source) override;
  bool GetEmpty() const override { return FData.empty() && !FHandle; }
  int GetWidth() const override;
  void SetWidth(int value) override;  // raises EInvalidGraphicOperation
  int GetHeight() const override;
  void SetHeight(int value) override;
  bool GetTransparent() const override { return true; }
  HICON GetHandle();
  void SetHandle(HICON value);  // takes ownership
  HICON ReleaseHandle();
  void LoadFromStream(TStream* stream) override;  // raises EInvalidGraphic
  void SaveToStream(TStream* stream) override;

protected:
  void Draw(TCanvas* canvas, const TRect& rect) override;

private:
  struct TEntry {
    int Width, Height;
    size_t Offset, Size;
  };
  int ChooseEntry() const;
  std::vector<unsigned char> FData;  // the .ico image as read
  std::vector<TEntry> FEntries;
  TOwnedIcon FHandle;
  int FWidth = 0;
  int FHeight = 0;
};

// ---------------------------------------------------------------------------------------------------
// Pictures (GraphicsPicture.cpp): a holder for any graphic, and the registry of graphic classes by file
// extension that LoadFromFile and the open/save dialogs use.
class TPicture : public TPersistent {
  VCL_DECLARE_CLASS(TPicture, TPersistent)
  TPicture() = default;
  ~TPicture() override;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  TGraphic* GetGraphic() const { return FGraphic.get(); }
  // Keeps a copy of the graphic (of the same class); null empties the picture.
  void SetGraphic(TGraphic* value);
  // These make the picture hold a graphic of the kind asked for (empty) if it holds another.
  TBitmap* GetBitmap();
  void SetBitmap(TBitmap* value) { SetGraphic(value); }
  TIcon* GetIcon();
  void SetIcon(TIcon* value) { SetGraphic(value); }
  int GetWidth() const { return FGraphic ? FGraphic->GetWidth() : 0; }
  int GetHeight() const { return FGraphic ? FGraphic->GetHeight() : 0; }
  // By the file's extension; raises EInvalidGraphic for an extension no class is registered for.
  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName);
  void Assign(TPersistent* source) override;
  void DefineProperties(TFiler* filer) override;
  TNotifyEvent OnChange;

  // The registry. The latest registration for an extension wins; unregistering a class brings back
  // what was registered before it. Extensions are given without the dot.
  static void RegisterFileFormat(const AnsiString& extension, const AnsiString& description,
                                 TGraphicClass graphicClass);
  // The description is a string resource of the program.
  static void RegisterFileFormatRes(const AnsiString& extension, int descriptionResId, TGraphicClass graphicClass);
  static void UnregisterGraphicClass(TGraphicClass graphicClass);
  // The class registered for an extension (with or without the dot); null when none.
  static TGraphicClass FindGraphicClass(const AnsiString& extension);

protected:
  virtual void Changed(TObject* sender);
  void ReadData(TStream* stream);
  void WriteData(TStream* stream);

private:
  void ForceType(TGraphicClass graphicClass);
  void Adopt(TGraphic* graphic);
  std::unique_ptr<TGraphic> FGraphic;
};

// Filters of the open and save dialogs: "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|...", for
// the classes registered that descend from graphicClass.
AnsiString GraphicFilter(TGraphicClass graphicClass);
// The extension registered last for exactly that class ("bmp").
AnsiString GraphicExtension(TGraphicClass graphicClass);
// The file masks alone ("*.bmp;*.ico").
AnsiString GraphicFileMask(TGraphicClass graphicClass);
