// ImgList: image lists over the platform's, and their stored bytes (the binary property Bitmap).
#include "ImgList.h"

#include <objidl.h>

VCL_IMPLEMENT_ENUM(TDrawingStyle, "dsFocus", "dsSelected", "dsNormal", "dsTransparent")
VCL_IMPLEMENT_ENUM(TImageType, "itImage", "itMask")
VCL_IMPLEMENT_CLASS(TCustomImageList)

VCL_PUBLISHED(TImageList)
{
  p.Property("AllocBy", &TImageList::GetAllocBy, &TImageList::SetAllocBy).Default(4);
  p.Property("BkColor", &TImageList::GetBkColor, &TImageList::SetBkColor).Default(int(clNone));
  p.Property("BlendColor", &TImageList::GetBlendColor, &TImageList::SetBlendColor).Default(int(clNone));
  p.Property("DrawingStyle", &TImageList::GetDrawingStyle, &TImageList::SetDrawingStyle).Default(dsNormal);
  p.Property("Height", &TImageList::GetHeight, &TImageList::SetHeight).Default(16);
  p.Property("ImageType", &TImageList::GetImageType, &TImageList::SetImageType).Default(itImage);
  p.Property("Masked", &TImageList::GetMasked, &TImageList::SetMasked).Default(true);
  p.Property("ShareImages", &TImageList::GetShareImages, &TImageList::SetShareImages).Default(false);
  p.Property("Width", &TImageList::GetWidth, &TImageList::SetWidth).Default(16);
  p.Property("OnChange", &TImageList::OnChange, &TImageList::OnChange);
}

static TUnitInit ImgListUnitInit("ImgList", [] { RegisterClass(TImageList::StaticClass()); });

TCustomImageList::TCustomImageList(TOwnerArg owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList() { FreeHandle(); }

void TCustomImageList::FreeHandle()
{
  if (FHandle && !FShareImages) ImageList_Destroy(FHandle);
  FHandle = nullptr;
}

HIMAGELIST TCustomImageList::GetHandle()
{
  if (!FHandle) {
    FHandle = ImageList_Create(FWidth, FHeight, ILC_COLOR32 | (FMasked ? ILC_MASK : 0), FAllocBy, FAllocBy);
    if (!FHandle) RaiseLastOSError();
    if (FBkColor != clNone) ImageList_SetBkColor(FHandle, ColorToRGB(FBkColor));
  }
  return FHandle;
}

void TCustomImageList::SetHandle(HIMAGELIST value)
{
  FreeHandle();
  FHandle = value;
  if (value) ImageList_GetIconSize(value, &FWidth, &FHeight);
  Change();
}

void TCustomImageList::Recreate()
{
  if (!FHandle) return;
  FreeHandle();
  Change();
}

void TCustomImageList::SetWidth(int value)
{
  if (value == FWidth || value <= 0) return;
  FWidth = value;
  Recreate();
}

void TCustomImageList::SetHeight(int value)
{
  if (value == FHeight || value <= 0) return;
  FHeight = value;
  Recreate();
}

void TCustomImageList::SetMasked(bool value)
{
  if (value == FMasked) return;
  FMasked = value;
  Recreate();
}

void TCustomImageList::SetBkColor(TColor value)
{
  FBkColor = value;
  if (FHandle) ImageList_SetBkColor(FHandle, value == clNone ? CLR_NONE : ColorToRGB(value));
  Change();
}

int TCustomImageList::GetCount() { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

void TCustomImageList::Change()
{
  if (OnChange) OnChange(this);
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask)
{
  if (!image) return -1;
  const int index = ImageList_Add(GetHandle(), image->GetHandle(), mask ? mask->GetHandle() : nullptr);
  Change();
  return index;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor)
{
  if (!image) return -1;
  const int index = ImageList_AddMasked(GetHandle(), image->GetHandle(), ColorToRGB(maskColor));
  Change();
  return index;
}

void TCustomImageList::Delete(int index)
{
  if (!FHandle) return;
  if (index < 0 || index >= GetCount()) TList::Error("List index out of bounds (%d)", index);
  ImageList_Remove(FHandle, index);
  Change();
}

void TCustomImageList::Clear()
{
  if (FHandle) ImageList_Remove(FHandle, -1);
  Change();
}

void TCustomImageList::GetBitmap(int index, TBitmap* image)
{
  if (!image || index < 0 || index >= GetCount()) return;
  image->SetSize(FWidth, FHeight);
  TCanvas* canvas = image->GetCanvas();
  canvas->GetBrush()->SetColor(FBkColor == clNone ? clWhite : FBkColor);
  canvas->FillRect(TRect(0, 0, FWidth, FHeight));
  ImageList_Draw(FHandle, index, canvas->GetHandle(), 0, 0, ILD_NORMAL);
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled)
{
  if (!canvas || !FHandle || index < 0 || index >= GetCount()) return;
  IMAGELISTDRAWPARAMS params{};
  params.cbSize = sizeof(params);
  params.himl = FHandle;
  params.i = index;
  params.hdcDst = canvas->GetHandle();
  params.x = x;
  params.y = y;
  params.rgbBk = CLR_NONE;
  params.rgbFg = CLR_DEFAULT;
  params.fStyle = FDrawingStyle == dsTransparent || FMasked ? ILD_TRANSPARENT : ILD_NORMAL;
  if (!enabled) params.fState = ILS_SATURATE;
  ImageList_DrawIndirect(&params);
}

bool TCustomImageList::GetInstRes(HINSTANCE instance, TResType resType, const AnsiString& name, int width,
                                  TLoadResources options, TColor maskColor)
{
  if (resType != rtBitmap) return false;
  UINT flags = LR_CREATEDIBSECTION;
  if (options.Contains(lrMap3DColors)) flags |= LR_LOADMAP3DCOLORS;
  if (options.Contains(lrMonoChrome)) flags |= LR_MONOCHROME;
  const std::wstring wide = Utf8ToUtf16(name.str());
  HIMAGELIST list = ImageList_LoadImageW(instance, wide.c_str(), width, FAllocBy,
                                         maskColor == clNone ? CLR_NONE : ColorToRGB(maskColor), IMAGE_BITMAP, flags);
  if (!list) return false;
  FMasked = maskColor != clNone;
  SetHandle(list);
  return true;
}

bool TCustomImageList::ResourceLoad(TResType resType, const AnsiString& name, TColor maskColor)
{
  return GetInstRes(HINSTANCE(GetModuleHandleW(nullptr)), resType, name, FWidth, TLoadResources(), maskColor);
}

// ---------------------------------------------------------------------------------------------------
// The stored bytes are the platform's image-list stream, passed through a memory IStream.
namespace {
struct ReleaseStream {
  IStream* stream;
  ~ReleaseStream()
  {
    if (stream) stream->Release();
  }
};
}  // namespace

void TCustomImageList::WriteData(TStream* stream)
{
  IStream* memory = nullptr;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &memory))) throw EWriteError("Failed to write ImageList data to stream");
  ReleaseStream release{memory};
  if (!ImageList_Write(GetHandle(), memory)) throw EWriteError("Failed to write ImageList data to stream");
  HGLOBAL global = nullptr;
  GetHGlobalFromStream(memory, &global);
  STATSTG stat{};
  memory->Stat(&stat, STATFLAG_NONAME);
  const void* bytes = GlobalLock(global);
  struct Unlock {
    HGLOBAL g;
    ~Unlock() { GlobalUnlock(g); }
  } unlock{global};
  stream->WriteBuffer(bytes, int(stat.cbSize.QuadPart));
}

void TCustomImageList::ReadData(TStream* stream)
{
  const int size = stream->GetSize() - stream->GetPosition();
  HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(std::max(size, 1)));
  if (!global) throw EOutOfMemory("Out of memory");
  {
    void* bytes = GlobalLock(global);
    struct Unlock {
      HGLOBAL g;
      ~Unlock() { GlobalUnlock(g); }
    } unlock{global};
    stream->ReadBuffer(bytes, size);
  }
  IStream* memory = nullptr;
  if (FAILED(CreateStreamOnHGlobal(global, TRUE, &memory))) {
    GlobalFree(global);
    throw EReadError("Failed to read ImageList data from stream");
  }
  ReleaseStream release{memory};
  HIMAGELIST list = ImageList_Read(memory);
  if (!list) throw EReadError("Failed to read ImageList data from stream");
  SetHandle(list);
}

void TCustomImageList::DefineProperties(TFiler* filer)
{
  TComponent::DefineProperties(filer);
  filer->DefineBinaryProperty(
      "Bitmap", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); }, GetCount() > 0);
}
