// TQelImage: the context menu built on Loaded, loading through the picture-open dialog, the canvas
// accessor and the best-fit resize.
#include "Qelimage.h"

#include <memory>

#include "ExtDlgs.h"
#include "Forms.h"
#include "Localemgr.h"
#include "Qelmenus.h"
#include "Qelutil.h"

VCL_PUBLISHED(TQelImage)
{
  p.Property("Protected", &TQelImage::Protected, &TQelImage::Protected).Default(false);
  p.Property("OnLoadImage", &TQelImage::OnLoadImage, &TQelImage::OnLoadImage);
  p.Property("AfterLoadImage", &TQelImage::AfterLoadImage, &TQelImage::AfterLoadImage);
}

namespace {

TUnitInit QelimageUnitInit("Qelimage", [] { RegisterClass(TQelImage::StaticClass()); });

}  // namespace

TQelImage::TQelImage(TOwnerArg owner) : TImage(owner) { Protected = false; }

TQelImage::~TQelImage()
{
  delete FTwain;
  FTwain = nullptr;
}

void TQelImage::Loaded()
{
  TImage::Loaded();
  if (Protected || HasState(csDesigning)) return;
  if (!FTwain) {
    FTwain = new TQelTwain(this);
    FTwain->GetAppIdentity()->SetProductName(Application->GetTitle());
  }
  TPopupMenu* menu = GetPopupMenu();
  if (menu) {
    // The picture commands go after the menu's own items; the line sets those apart at the top.
    auto* top = new TMenuItem(menu);
    top->SetCaption("-");
    menu->GetItems()->Insert(0, top);
  } else {
    menu = new TQelPopupMenu(this);
    SetPopupMenu(menu);
  }
  AddMenuItem(menu, LocaleStr(1, 11, "טען מקובץ"), &TQelImage::LoadFromFileClick)->SetDefault(true);
  AddMenuItem(menu, LocaleStr(1, 2, "&מחק"), &TQelImage::DeletePictureClick);
  auto* line = new TMenuItem(menu);
  line->SetCaption("-");
  menu->GetItems()->Add(line);
  AddMenuItem(menu, LocaleStr(1, 12, "בחר מקור..."), &TQelImage::SelectTwainSourceClick);
  AddMenuItem(menu, LocaleStr(1, 13, "קבל תמונה..."), &TQelImage::TwainAcquireClick);
}

TMenuItem* TQelImage::AddMenuItem(TPopupMenu* menu, const AnsiString& caption, void (TQelImage::*click)(TObject*))
{
  // Owned by the menu from its first moment, so nothing is lost if adding it fails.
  auto* item = new TMenuItem(menu);
  item->SetCaption(caption);
  item->OnClick = TNotifyEvent(this, click);
  menu->GetItems()->Add(item);
  return item;
}

void TQelImage::LoadFromFile()
{
  std::unique_ptr<TOpenPictureDialog> dialog(new TOpenPictureDialog(this));
  if (!dialog->Execute()) return;
  auto picture = std::make_unique<TPicture>();
  picture->LoadFromFile(dialog->GetFileName());
  TakeOverPicture(picture.get());
}

void TQelImage::TakeOverPicture(TPicture* picture)
{
  if (OnLoadImage) OnLoadImage(this, picture);
  GetPicture()->Assign(picture);
  if (AfterLoadImage) AfterLoadImage(this);
}

void TQelImage::LoadFromFileClick(TObject*) { LoadFromFile(); }

void TQelImage::DeletePictureClick(TObject*) { GetPicture()->Assign(nullptr); }

TCanvas* TQelImage::GetCanvas()
{
  TGraphic* graphic = GetPicture()->GetGraphic();
  if (!graphic || dynamic_cast<TBitmap*>(graphic)) return TImage::GetCanvas();
  return TGraphicControl::GetCanvas();
}

void TQelImage::FitToBest(int MaxHeight, int MaxWidth)
{
  TPicture* picture = GetPicture();
  const long double zoom = GetBestFitZoom(picture, MaxHeight, MaxWidth);
  SetHeight(RoundUp(double(picture->GetHeight() * zoom)));
  SetWidth(RoundUp(double(picture->GetWidth() * zoom)));
}

void TQelImage::SelectTwainSourceClick(TObject*) { SelectTwainSource(FTwain); }

void TQelImage::TwainAcquireClick(TObject*)
{
  if (!FTwain) return;
  FTwain->OnTwainAcquire = TTwainAcquireEvent(this, &TQelImage::OnTwainAcquire);
  TwainAcquire(FTwain);
}

void TQelImage::OnTwainAcquire(TObject*, const int, TDib* Image, bool&)
{
  auto picture = std::make_unique<TPicture>();
  picture->Assign(Image);
  TakeOverPicture(picture.get());
}
