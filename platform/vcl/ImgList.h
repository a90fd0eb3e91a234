// ImgList: image lists over the platform's own (ImageList_*), which the common controls draw from.
//
// Bodies: ImgList.cpp. Stored forms keep the VCL's bytes: the binary property Bitmap holds the
// platform's image-list stream (ImageList_Write), so a list made by the VCL reads here and back.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <commctrl.h>

#include "Classes.h"
#include "Graphics.h"

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
VCL_DECLARE_ENUM(TDrawingStyle);
enum TImageType { itImage, itMask };
VCL_DECLARE_ENUM(TImageType);
enum TResType { rtBitmap, rtCursor, rtIcon };
enum TLoadResource { lrDefaultColor, lrDefaultSize, lrFromFile, lrMap3DColors, lrTransparent, lrMonoChrome };
using TLoadResources = Set<TLoadResource, lrDefaultColor, lrMonoChrome>;

// Owns one platform image list; made again (emptied) when Width, Height or Masked change, as in the VCL.
class TCustomImageList : public TComponent {
  VCL_DECLARE_CLASS(TCustomImageList, TComponent)
  explicit TCustomImageList(TOwnerArg owner);
  ~TCustomImageList() override;

  HIMAGELIST GetHandle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  // Adopts a list (the image list owns it from now on).
  void SetHandle(HIMAGELIST value);
  int GetWidth() const { return FWidth; }
  void SetWidth(int value);
  int GetHeight() const { return FHeight; }
  void SetHeight(int value);
  bool GetMasked() const { return FMasked; }
  void SetMasked(bool value);
  TColor GetBkColor() const { return FBkColor; }
  void SetBkColor(TColor value);
  TColor GetBlendColor() const { return FBlendColor; }
  void SetBlendColor(TColor value) { FBlendColor = value; }
  TDrawingStyle GetDrawingStyle() const { return FDrawingStyle; }
  void SetDrawingStyle(TDrawingStyle value) { FDrawingStyle = value; }
  TImageType GetImageType() const { return FImageType; }
  void SetImageType(TImageType value) { FImageType = value; }
  int GetAllocBy() const { return FAllocBy; }
  void SetAllocBy(int value) { FAllocBy = value; }
  bool GetShareImages() const { return FShareImages; }
  void SetShareImages(bool value) { FShareImages = value; }
  int GetCount();

  // Images are cut from the bitmap at the list's width; the answer is the first new index (-1 on failure).
  int Add(TBitmap* image, TBitmap* mask);
  int AddMasked(TBitmap* image, TColor maskColor);
  void Delete(int index);
  void Clear();
  // The image's pixels (its own size) into image.
  void GetBitmap(int index, TBitmap* image);
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);
  // Loads a bitmap resource of the module, cut at width (0: square), maskColor transparent
  // (clNone: no mask); false when the module has no such resource.
  bool GetInstRes(HINSTANCE instance, TResType resType, const AnsiString& name, int width,
                  TLoadResources options, TColor maskColor);
  bool ResourceLoad(TResType resType, const AnsiString& name, TColor maskColor);

  TNotifyEvent OnChange;

protected:
  void DefineProperties(TFiler* filer) override;
  virtual void Change();
  void ReadData(TStream* stream);
  void WriteData(TStream* stream);

private:
  void FreeHandle();
  void Recreate();
  HIMAGELIST FHandle = nullptr;
  int FWidth = 16;
  int FHeight = 16;
  bool FMasked = true;
  TColor FBkColor = clNone;
  TColor FBlendColor = clNone;
  TDrawingStyle FDrawingStyle = dsNormal;
  TImageType FImageType = itImage;
  int FAllocBy = 4;
  bool FShareImages = false;
};

class TImageList : public TCustomImageList {
  VCL_DECLARE_CLASS(TImageList, TCustomImageList)
  explicit TImageList(TOwnerArg owner) : TCustomImageList(owner) {}
};
