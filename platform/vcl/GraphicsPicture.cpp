// Graphics: the graphic base class, pictures, and the registry of graphic classes by file extension.
#include "Consts.h"
#include "Graphics.h"

#include <algorithm>
#include <cstring>
#include <mutex>

VCL_IMPLEMENT_CLASS(TGraphic)
VCL_IMPLEMENT_CLASS(TPicture)
VCL_IMPLEMENT_CLASS(TSharedImage)

namespace {
struct TFileFormat {
  AnsiString Extension;  // lower case, no dot
  AnsiString Description;
  TGraphicClass GraphicClass;
};

struct TFileFormats {
  std::mutex Lock;
  std::vector<TFileFormat> List;  // in registration order; lookups start at the end
};

TFileFormats& FileFormats()
{
  static TFileFormats formats;
  static std::once_flag defaults;
  std::call_once(defaults, [] {
    formats.List.push_back({"ico", SVIcons, TIcon::StaticClass()});
    formats.List.push_back({"bmp", SVBitmaps, TBitmap::StaticClass()});
  });
  return formats;
}

AnsiString NormalExtension(const AnsiString& extension)
{
  AnsiString ext = extension;
  if (!ext.IsEmpty() && ext[1] == '.') ext = ext.SubString(2, ext.Length());
  return ext.LowerCase();
}

std::vector<TFileFormat> FormatsSnapshot()
{
  TFileFormats& f = FileFormats();
  std::lock_guard<std::mutex> guard(f.Lock);
  return f.List;
}

// The two halves of a dialog filter: "Bitmaps (*.bmp)|*.bmp|..." and "*.bmp;*.ico".
void BuildFilter(TGraphicClass graphicClass, AnsiString& descriptions, AnsiString& masks, int& count)
{
  count = 0;
  std::vector<TFileFormat> formats = FormatsSnapshot();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it) {
    if (it->Extension.IsEmpty() || !it->GraphicClass->InheritsFrom(graphicClass)) continue;
    if (++count > 1) {
      descriptions += "|";
      masks += ";";
    }
    descriptions += it->Description + " (*." + it->Extension + ")|*." + it->Extension;
    masks += "*." + it->Extension;
  }
}

TGraphic* NewGraphic(TGraphicClass graphicClass)
{
  TObject* object = graphicClass ? graphicClass->CreateInstance() : nullptr;
  auto* graphic = dynamic_cast<TGraphic*>(object);
  if (!graphic) {
    delete object;
    throw EInvalidGraphic(SInvalidBitmap);
  }
  return graphic;
}
}  // namespace

// ===================================================================================================
// TGraphic
void TGraphic::SetTransparent(bool value)
{
  if (value == FTransparent) return;
  FTransparent = value;
  Changed(this);
}

void TGraphic::SetModified(bool value)
{
  if (value) Changed(this);
  else FModified = false;
}

void TGraphic::Changed(TObject*)
{
  FModified = true;
  if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const AnsiString& fileName)
{
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const AnsiString& fileName)
{
  TFileStream stream(fileName, fmCreate);
  SaveToStream(&stream);
}

void TGraphic::ReadData(TStream* stream) { LoadFromStream(stream); }

void TGraphic::LoadFromClipboardFormat(WORD, HANDLE, HPALETTE) { throw EInvalidGraphicOperation(SUnknownClipboardFormat); }

void TGraphic::SaveToClipboardFormat(WORD&, HANDLE&, HPALETTE&) { throw EInvalidGraphicOperation(SUnknownClipboardFormat); }

// ===================================================================================================
// TSharedImage
void TSharedImage::Reference() { InterlockedIncrement(&FRefCount); }

void TSharedImage::Release()
{
  if (InterlockedDecrement(&FRefCount) != 0) return;
  FreeHandle();
  delete this;
}

void TGraphic::WriteData(TStream* stream) { SaveToStream(stream); }

bool TGraphic::Equals(TGraphic* other)
{
  if (!other || other->ClassType() != ClassType()) return false;
  if (GetEmpty() || other->GetEmpty()) return GetEmpty() == other->GetEmpty();
  TMemoryStream mine, theirs;
  WriteData(&mine);
  other->WriteData(&theirs);
  return mine.GetSize() == theirs.GetSize() && std::memcmp(mine.Memory(), theirs.Memory(), size_t(mine.GetSize())) == 0;
}

void TGraphic::DefineProperties(TFiler* filer)
{
  inherited::DefineProperties(filer);
  bool hasData = !GetEmpty();
  if (filer->GetAncestor()) {
    auto* ancestor = dynamic_cast<TGraphic*>(filer->GetAncestor());
    hasData = !ancestor || !Equals(ancestor);
  }
  filer->DefineBinaryProperty(
      "Data", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); }, hasData);
}

// ===================================================================================================
// TPicture
TPicture::~TPicture() = default;

void TPicture::Changed(TObject*)
{
  if (OnChange) OnChange(this);
}

void TPicture::Adopt(TGraphic* graphic)
{
  std::unique_ptr<TGraphic> owned(graphic);
  if (owned) owned->OnChange = TNotifyEvent(this, &TPicture::Changed);
  FGraphic = std::move(owned);
  Changed(this);
}

void TPicture::SetGraphic(TGraphic* value)
{
  if (value == FGraphic.get()) return;
  if (!value) return Adopt(nullptr);
  std::unique_ptr<TGraphic> copy(NewGraphic(value->ClassType()));
  copy->Assign(value);
  Adopt(copy.release());
}

void TPicture::ForceType(TGraphicClass graphicClass)
{
  if (FGraphic && FGraphic->InheritsFrom(graphicClass)) return;
  Adopt(NewGraphic(graphicClass));
}

TBitmap* TPicture::GetBitmap()
{
  ForceType(TBitmap::StaticClass());
  return static_cast<TBitmap*>(FGraphic.get());
}

TIcon* TPicture::GetIcon()
{
  ForceType(TIcon::StaticClass());
  return static_cast<TIcon*>(FGraphic.get());
}

void TPicture::LoadFromFile(const AnsiString& fileName)
{
  const AnsiString ext = NormalExtension(ExtractFileExt(fileName));
  TGraphicClass graphicClass = FindGraphicClass(ext);
  if (!graphicClass) throw EInvalidGraphic(Format(SUnknownExtension, {ext}));
  std::unique_ptr<TGraphic> graphic(NewGraphic(graphicClass));
  graphic->LoadFromFile(fileName);
  Adopt(graphic.release());
}

void TPicture::SaveToFile(const AnsiString& fileName)
{
  if (FGraphic) FGraphic->SaveToFile(fileName);
}

void TPicture::Assign(TPersistent* source)
{
  if (!source) return SetGraphic(nullptr);
  if (auto* picture = dynamic_cast<TPicture*>(source)) return SetGraphic(picture->GetGraphic());
  if (auto* graphic = dynamic_cast<TGraphic*>(source)) return SetGraphic(graphic);
  inherited::Assign(source);
}

void TPicture::DefineProperties(TFiler* filer)
{
  inherited::DefineProperties(filer);
  bool hasData = FGraphic && !FGraphic->GetEmpty();
  if (filer->GetAncestor()) {
    auto* ancestor = dynamic_cast<TPicture*>(filer->GetAncestor());
    TGraphic* theirs = ancestor ? ancestor->GetGraphic() : nullptr;
    hasData = !ancestor || !(FGraphic.get() == theirs || (FGraphic && theirs && FGraphic->Equals(theirs)));
  }
  filer->DefineBinaryProperty(
      "Data", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); }, hasData);
}

// The graphic's class name as a short string, then the graphic's own data.
void TPicture::WriteData(TStream* stream)
{
  AnsiString name = FGraphic ? FGraphic->ClassName() : AnsiString();
  const unsigned char length = static_cast<unsigned char>(std::min(name.Length(), 255));
  stream->WriteBuffer(&length, 1);
  stream->WriteBuffer(name.c_str(), length);
  if (FGraphic) FGraphic->WriteData(stream);
}

void TPicture::ReadData(TStream* stream)
{
  unsigned char length = 0;
  stream->ReadBuffer(&length, 1);
  AnsiString name;
  name.SetLength(length);
  if (length) stream->ReadBuffer(name.data(), length);
  TGraphicClass graphicClass = nullptr;
  for (const TFileFormat& f : FormatsSnapshot())
    if (SameText(f.GraphicClass->ClassName(), name)) graphicClass = f.GraphicClass;
  if (!graphicClass) {
    TMetaClass* registered = GetClass(name);
    if (registered && registered->InheritsFrom(TGraphic::StaticClass())) graphicClass = registered;
  }
  // The unit's own classes are always known: a package that takes over their extension (dib.bpl
  // takes ".bmp") must not make the pictures stored as them unreadable.
  for (TGraphicClass own : {TBitmap::StaticClass(), TIcon::StaticClass()})
    if (!graphicClass && SameText(own->ClassName(), name)) graphicClass = own;
  // A graphic of a class this program does not know is dropped, as the VCL does.
  if (!graphicClass) return Adopt(nullptr);
  std::unique_ptr<TGraphic> graphic(NewGraphic(graphicClass));
  graphic->ReadData(stream);
  Adopt(graphic.release());
}

// ---- the registry ----
void TPicture::RegisterFileFormat(const AnsiString& extension, const AnsiString& description,
                                  TGraphicClass graphicClass)
{
  if (!graphicClass || !graphicClass->InheritsFrom(TGraphic::StaticClass())) throw EInvalidGraphic(SInvalidBitmap);
  TFileFormats& f = FileFormats();
  std::lock_guard<std::mutex> guard(f.Lock);
  f.List.push_back({NormalExtension(extension), description, graphicClass});
}

void TPicture::RegisterFileFormatRes(const AnsiString& extension, int descriptionResId, TGraphicClass graphicClass)
{
  wchar_t buffer[256] = {};
  const int n = LoadStringW(GetModuleHandleW(nullptr), UINT(descriptionResId), buffer, int(std::size(buffer)));
  RegisterFileFormat(extension, AnsiString(Utf16ToUtf8(std::wstring_view(buffer, size_t(std::max(n, 0))))),
                     graphicClass);
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass)
{
  TFileFormats& f = FileFormats();
  std::lock_guard<std::mutex> guard(f.Lock);
  std::erase_if(f.List, [graphicClass](const TFileFormat& e) { return e.GraphicClass->InheritsFrom(graphicClass); });
}

TGraphicClass TPicture::FindGraphicClass(const AnsiString& extension)
{
  const AnsiString ext = NormalExtension(extension);
  std::vector<TFileFormat> formats = FormatsSnapshot();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it)
    if (it->Extension == ext) return it->GraphicClass;
  return nullptr;
}

AnsiString GraphicFilter(TGraphicClass graphicClass)
{
  AnsiString descriptions, masks;
  int count = 0;
  BuildFilter(graphicClass, descriptions, masks, count);
  if (count > 1) return "All (" + masks + ")|" + masks + "|" + descriptions;
  return descriptions;
}

AnsiString GraphicExtension(TGraphicClass graphicClass)
{
  std::vector<TFileFormat> formats = FormatsSnapshot();
  for (auto it = formats.rbegin(); it != formats.rend(); ++it)
    if (it->GraphicClass == graphicClass) return it->Extension;
  return AnsiString();
}

AnsiString GraphicFileMask(TGraphicClass graphicClass)
{
  AnsiString descriptions, masks;
  int count = 0;
  BuildFilter(graphicClass, descriptions, masks, count);
  return masks;
}
