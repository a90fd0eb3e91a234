// ExtCtrls: TImage — a picture shown at its size, centred or stretched, and a canvas on its bitmap.
#include "ExtCtrls.h"

#include "ControlsPublish.h"

VCL_PUBLISHED(TImage)
{
  using namespace vcl_detail;
  PublishAlign(p);
  p.Property("AutoSize", &TImage::GetAutoSize, &TImage::SetAutoSize).Default(false);
  p.Property("Center", &TImage::GetCenter, &TImage::SetCenter).Default(false);
  p.Property("Enabled", &TImage::GetEnabled, &TImage::SetEnabled).Default(true);
  p.Property("Hint", &TImage::GetHint, &TImage::SetHint);
  p.Property("ParentShowHint", &TImage::GetParentShowHint, &TImage::SetParentShowHint).Default(true);
  p.Property("Picture", &TImage::GetPicture, &TImage::SetPicture);
  p.Property("PopupMenu", &TImage::GetPopupMenu, &TImage::SetPopupMenu);
  p.Property("ShowHint", &TImage::GetShowHint, &TImage::SetShowHint).Stored(&TImage::IsShowHintStored);
  p.Property("Stretch", &TImage::GetStretch, &TImage::SetStretch).Default(false);
  p.Property("Transparent", &TImage::GetTransparent, &TImage::SetTransparent).Default(false);
  p.Property("Visible", &TImage::GetVisible, &TImage::SetVisible).Default(true);
  PublishMouseEvents(p);
}

TImage::TImage(TOwnerArg owner) : TGraphicControl(owner), FPicture(std::make_unique<TPicture>())
{
  FControlStyle << csReplicatable;
  FPicture->OnChange = TNotifyEvent(this, &TImage::PictureChanged);
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { FPicture->OnChange = TNotifyEvent(); }

TCanvas* TImage::GetCanvas()
{
  if (!FPicture->GetGraphic()) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(GetWidth(), GetHeight());
    FPicture->SetGraphic(bitmap.get());
  }
  auto* bitmap = dynamic_cast<TBitmap*>(FPicture->GetGraphic());
  if (!bitmap) throw EInvalidOperation("Can only modify an image if it contains a bitmap");
  return bitmap->GetCanvas();
}

void TImage::SetAutoSize(bool value)
{
  if (FAutoSize == value) return;
  FAutoSize = value;
  PictureChanged(this);
}

void TImage::SetStretch(bool value)
{
  if (FStretch == value) return;
  FStretch = value;
  PictureChanged(this);
}

void TImage::SetCenter(bool value)
{
  if (FCenter == value) return;
  FCenter = value;
  PictureChanged(this);
}

void TImage::SetTransparent(bool value)
{
  if (FTransparent == value) return;
  FTransparent = value;
  PictureChanged(this);
}

TRect TImage::DestRect() const
{
  const int pw = FPicture->GetWidth(), ph = FPicture->GetHeight();
  if (FStretch) return TRect(0, 0, GetWidth(), GetHeight());
  if (FCenter) return Bounds((GetWidth() - pw) / 2, (GetHeight() - ph) / 2, pw, ph);
  return TRect(0, 0, pw, ph);
}

void TImage::Loaded()
{
  TGraphicControl::Loaded();
  PictureChanged(this);
}

void TImage::PictureChanged(TObject*)
{
  if (HasState(csLoading)) return;
  TGraphic* graphic = FPicture->GetGraphic();
  if (FAutoSize && graphic && !graphic->Empty()) SetBounds(GetLeft(), GetTop(), graphic->GetWidth(), graphic->GetHeight());
  if (graphic && graphic->GetTransparent() != FTransparent && dynamic_cast<TBitmap*>(graphic)) {
    graphic->SetTransparent(FTransparent);
    // The change above comes back here; it has done the rest.
    return;
  }
  // A picture that covers the whole image hides what lies under it: the parent need not paint there.
  const TRect dest = DestRect();
  const bool covers = graphic && !graphic->Empty() && !FTransparent && dest.Left <= 0 && dest.Top <= 0 &&
                      dest.Right >= GetWidth() && dest.Bottom >= GetHeight();
  if (covers) FControlStyle << csOpaque;
  else FControlStyle >> csOpaque;
  if (!FDrawing) Invalidate();
}

void TImage::Paint()
{
  TGraphic* graphic = FPicture->GetGraphic();
  if (!graphic || graphic->Empty()) return;
  FDrawing = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FDrawing};
  TGraphicControl::GetCanvas()->StretchDraw(DestRect(), graphic);
}
