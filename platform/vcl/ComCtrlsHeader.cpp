// ComCtrls: the header control (the platform's SysHeader32) and its sections, a collection stored
// in forms as `Sections = < item ... end >`.
#include <algorithm>

#include "ComCtrls.h"
#include "ControlsPublish.h"

VCL_IMPLEMENT_ENUM(THeaderSectionStyle, "hsText", "hsOwnerDraw")
VCL_IMPLEMENT_ENUM(THeaderStyle, "hsButtons", "hsFlat")
VCL_IMPLEMENT_ENUM(TSectionTrackState, "tsTrackBegin", "tsTrackMove", "tsTrackEnd")
VCL_IMPLEMENT_CLASS(THeaderSections)

VCL_PUBLISHED(THeaderSection)
{
  p.Property("Alignment", &THeaderSection::GetAlignment, &THeaderSection::SetAlignment).Default(taLeftJustify);
  p.Property("AllowClick", &THeaderSection::GetAllowClick, &THeaderSection::SetAllowClick).Default(true);
  p.Property("AutoSize", &THeaderSection::GetAutoSize, &THeaderSection::SetAutoSize).Default(false);
  p.Property("ImageIndex", &THeaderSection::GetImageIndex, &THeaderSection::SetImageIndex).Default(-1);
  p.Property("MaxWidth", &THeaderSection::GetMaxWidth, &THeaderSection::SetMaxWidth).Default(10000);
  p.Property("MinWidth", &THeaderSection::GetMinWidth, &THeaderSection::SetMinWidth).Default(0);
  p.Property("Style", &THeaderSection::GetStyle, &THeaderSection::SetStyle).Default(hsText);
  p.Property("Text", &THeaderSection::GetText, &THeaderSection::SetText);
  p.Property("Width", &THeaderSection::GetWidth, &THeaderSection::SetWidth).NoDefault();
}

VCL_PUBLISHED(THeaderControl)
{
  using namespace vcl_detail;
  p.Property("Align", &THeaderControl::GetAlign, &THeaderControl::SetAlign).Default(alTop);
  p.Property("Anchors", &THeaderControl::GetAnchors, &THeaderControl::SetAnchors).Default(TAnchors() << akLeft << akTop);
  p.Property("BiDiMode", &THeaderControl::GetBiDiMode, &THeaderControl::SetBiDiMode).Stored(&THeaderControl::IsBiDiModeStored);
  PublishDrag(p);
  p.Property("DragReorder", &THeaderControl::GetDragReorder, &THeaderControl::SetDragReorder).Default(false);
  p.Property("Enabled", &THeaderControl::GetEnabled, &THeaderControl::SetEnabled).Default(true);
  p.Property("Font", &THeaderControl::GetFont, &THeaderControl::SetFont).Stored(&THeaderControl::IsFontStored);
  p.Property("FullDrag", &THeaderControl::GetFullDrag, &THeaderControl::SetFullDrag).Default(true);
  p.Property("HotTrack", &THeaderControl::GetHotTrack, &THeaderControl::SetHotTrack).Default(false);
  p.Property("Images", &THeaderControl::GetImages, &THeaderControl::SetImages);
  p.ReadOnly("Sections", &THeaderControl::GetSections);
  p.Property("ShowHint", &THeaderControl::GetShowHint, &THeaderControl::SetShowHint).Stored(&THeaderControl::IsShowHintStored);
  p.Property("Style", &THeaderControl::GetStyle, &THeaderControl::SetStyle).Default(hsButtons);
  p.Property("ParentBiDiMode", &THeaderControl::GetParentBiDiMode, &THeaderControl::SetParentBiDiMode).Default(true);
  p.Property("ParentFont", &THeaderControl::GetParentFont, &THeaderControl::SetParentFont).Default(true);
  p.Property("ParentShowHint", &THeaderControl::GetParentShowHint, &THeaderControl::SetParentShowHint).Default(true);
  p.Property("PopupMenu", &THeaderControl::GetPopupMenu, &THeaderControl::SetPopupMenu);
  p.Property("Visible", &THeaderControl::GetVisible, &THeaderControl::SetVisible).Default(true);
  PublishDragEvents(p);
  p.Property("OnMouseDown", &THeaderControl::OnMouseDown, &THeaderControl::OnMouseDown);
  p.Property("OnMouseMove", &THeaderControl::OnMouseMove, &THeaderControl::OnMouseMove);
  p.Property("OnMouseUp", &THeaderControl::OnMouseUp, &THeaderControl::OnMouseUp);
  p.Property("OnDrawSection", &THeaderControl::OnDrawSection, &THeaderControl::OnDrawSection);
  p.Property("OnResize", &THeaderControl::OnResize, &THeaderControl::OnResize);
  p.Property("OnSectionClick", &THeaderControl::OnSectionClick, &THeaderControl::OnSectionClick);
  p.Property("OnSectionResize", &THeaderControl::OnSectionResize, &THeaderControl::OnSectionResize);
  p.Property("OnSectionTrack", &THeaderControl::OnSectionTrack, &THeaderControl::OnSectionTrack);
}

// ===================================================================================================
// THeaderSection
THeaderSection::THeaderSection(TCollection* collection) : TCollectionItem(collection) {}

void THeaderSection::Assign(TPersistent* source)
{
  auto* other = dynamic_cast<THeaderSection*>(source);
  if (!other) return TCollectionItem::Assign(source);
  FText = other->FText;
  FWidth = other->FWidth;
  FMinWidth = other->FMinWidth;
  FMaxWidth = other->FMaxWidth;
  FAlignment = other->FAlignment;
  FAllowClick = other->FAllowClick;
  FAutoSize = other->FAutoSize;
  FImageIndex = other->FImageIndex;
  FStyle = other->FStyle;
  Changed(false);
}

AnsiString THeaderSection::GetDisplayName() { return FText.IsEmpty() ? TCollectionItem::GetDisplayName() : FText; }

THeaderControl* THeaderSection::GetHeaderControl() const
{
  auto* sections = dynamic_cast<THeaderSections*>(GetCollection());
  return sections ? sections->GetHeaderControl() : nullptr;
}

void THeaderSection::SetText(const AnsiString& value)
{
  FText = value;
  Changed(false);
}

void THeaderSection::SetWidth(int value)
{
  value = std::clamp(value, FMinWidth, std::max(FMinWidth, FMaxWidth));
  if (value == FWidth) return;
  FWidth = value;
  // A wider or narrower section moves the ones after it.
  Changed(true);
}

void THeaderSection::SetMinWidth(int value)
{
  FMinWidth = std::max(value, 0);
  if (FWidth < FMinWidth) SetWidth(FMinWidth);
}

void THeaderSection::SetMaxWidth(int value)
{
  FMaxWidth = std::max(value, 0);
  if (FWidth > FMaxWidth) SetWidth(FMaxWidth);
}

void THeaderSection::SetAlignment(TAlignment value)
{
  FAlignment = value;
  Changed(false);
}

void THeaderSection::SetAutoSize(bool value)
{
  FAutoSize = value;
  Changed(false);
}

void THeaderSection::SetImageIndex(int value)
{
  FImageIndex = value;
  Changed(false);
}

void THeaderSection::SetStyle(THeaderSectionStyle value)
{
  FStyle = value;
  Changed(false);
}

int THeaderSection::GetLeft() const
{
  int left = 0;
  TCollection* sections = GetCollection();
  for (int i = 0; sections && i < GetIndex(); ++i) left += static_cast<THeaderSection*>(sections->GetItem(i))->FWidth;
  return left;
}

// ===================================================================================================
// THeaderSections
THeaderSections::THeaderSections(THeaderControl* headerControl)
    : TCollection(THeaderSection::StaticClass()), FHeaderControl(headerControl)
{
}

TPersistent* THeaderSections::GetOwner() const { return FHeaderControl; }

void THeaderSections::Update(TCollectionItem* item)
{
  if (!FHeaderControl) return;
  if (item) FHeaderControl->UpdateSection(item->GetIndex());
  else FHeaderControl->UpdateSections();
}

// ===================================================================================================
// THeaderControl
THeaderControl::THeaderControl(TOwnerArg owner)
    : TWinControl(owner), FSections(new THeaderSections(this)), FCanvas(new TCanvas)
{
  vcl_detail::InitComCtrls();
  FSections->SetPropName("Sections");
  FControlStyle >> csClickEvents;
  SetBounds(0, 0, 250, 17);
  SetAlign(alTop);
}

THeaderControl::~THeaderControl() = default;

void THeaderControl::CreateParams(TCreateParams& params)
{
  TWinControl::CreateParams(params);
  CreateSubClass(params, WC_HEADERW);
  if (FStyle == hsButtons) params.Style |= HDS_BUTTONS;
  if (FHotTrack) params.Style |= HDS_HOTTRACK;
  if (FDragReorder) params.Style |= HDS_DRAGDROP;
  if (FFullDrag) params.Style |= HDS_FULLDRAG;
  params.Style |= HDS_HORZ;
  vcl_detail::MirrorForRightToLeft(this, params);
}

void THeaderControl::CreateWnd()
{
  TWinControl::CreateWnd();
  if (FImages) SendMessageW(GetHandle(), HDM_SETIMAGELIST, 0, LPARAM(FImages->GetHandle()));
  UpdateSections();
}

void THeaderControl::SetStyleFlag(bool& flag, bool value)
{
  if (flag == value) return;
  flag = value;
  RecreateWnd();
}

void THeaderControl::SetStyle(THeaderStyle value)
{
  if (value == FStyle) return;
  FStyle = value;
  RecreateWnd();
}

void THeaderControl::SetImages(TCustomImageList* value)
{
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = value;
  if (value) value->FreeNotification(this);
  if (HandleAllocated())
    SendMessageW(GetHandle(), HDM_SETIMAGELIST, 0, LPARAM(FImages ? FImages->GetHandle() : nullptr));
}

void THeaderControl::Notification(TComponent* component, TOperation operation)
{
  TWinControl::Notification(component, operation);
  if (operation == opRemove && component == FImages) SetImages(nullptr);
}

namespace {
// The window's item for a section. The text buffer must outlive the message.
HDITEMW ItemOf(const THeaderSection* section, std::wstring& text)
{
  text = Utf8ToUtf16(section->GetText().str());
  HDITEMW item{};
  item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT | HDI_LPARAM;
  item.pszText = text.data();
  item.cchTextMax = int(text.size());
  item.cxy = section->GetWidth();
  static const int formats[] = {HDF_LEFT, HDF_RIGHT, HDF_CENTER};
  item.fmt = formats[section->GetAlignment()];
  item.fmt |= section->GetStyle() == hsOwnerDraw ? HDF_OWNERDRAW : HDF_STRING;
  if (section->GetImageIndex() >= 0) {
    item.mask |= HDI_IMAGE;
    item.fmt |= HDF_IMAGE;
    item.iImage = section->GetImageIndex();
  }
  item.lParam = LPARAM(section->GetIndex());
  return item;
}
}  // namespace

void THeaderControl::UpdateSections()
{
  if (!HandleAllocated() || FUpdating) return;
  HWND handle = GetHandle();
  while (SendMessageW(handle, HDM_GETITEMCOUNT, 0, 0) > 0) SendMessageW(handle, HDM_DELETEITEM, 0, 0);
  for (int i = 0; i < FSections->GetCount(); ++i) {
    std::wstring text;
    HDITEMW item = ItemOf(FSections->GetItem(i), text);
    SendMessageW(handle, HDM_INSERTITEMW, WPARAM(i), LPARAM(&item));
  }
}

void THeaderControl::UpdateSection(int index)
{
  if (!HandleAllocated() || FUpdating) return;
  if (SendMessageW(GetHandle(), HDM_GETITEMCOUNT, 0, 0) != FSections->GetCount()) return UpdateSections();
  std::wstring text;
  HDITEMW item = ItemOf(FSections->GetItem(index), text);
  SendMessageW(GetHandle(), HDM_SETITEMW, WPARAM(index), LPARAM(&item));
}

int THeaderControl::WindowWidth(int index)
{
  HDITEMW item{};
  item.mask = HDI_WIDTH;
  SendMessageW(GetHandle(), HDM_GETITEMW, WPARAM(index), LPARAM(&item));
  return item.cxy;
}

void THeaderControl::SectionClick(THeaderSection* section)
{
  if (OnSectionClick) OnSectionClick(this, section);
}

void THeaderControl::SectionResize(THeaderSection* section)
{
  if (OnSectionResize) OnSectionResize(this, section);
}

void THeaderControl::SectionTrack(THeaderSection* section, int width, TSectionTrackState state)
{
  if (OnSectionTrack) OnSectionTrack(this, section, width, state);
}

void THeaderControl::DrawSection(THeaderSection* section, const TRect& rect, bool pressed)
{
  if (OnDrawSection) {
    OnDrawSection(this, section, rect, pressed);
    return;
  }
  FCanvas->FillRect(rect);
}

void THeaderControl::CNNotify(TWMNotify& message)
{
  // Only the HDN_ codes carry an NMHEADER; the header also sends NM_CUSTOMDRAW and others, whose
  // records must not be read as one.
  switch (message.NMHdr()->code) {
    case HDN_ITEMCLICKW: case HDN_BEGINTRACKW: case HDN_TRACKW: case HDN_ITEMCHANGINGW:
    case HDN_ITEMCHANGEDW: case HDN_ENDTRACKW: break;
    default: return;
  }
  const auto* notice = reinterpret_cast<const NMHEADERW*>(message.NMHdr());
  const int index = notice->iItem;
  THeaderSection* section = index >= 0 && index < FSections->GetCount() ? FSections->GetItem(index) : nullptr;
  if (!section) return;
  const bool hasWidth = notice->pitem && (notice->pitem->mask & HDI_WIDTH);
  const int proposed = hasWidth ? notice->pitem->cxy : section->FWidth;
  const int width = std::clamp(proposed, section->FMinWidth, std::max(section->FMinWidth, section->FMaxWidth));
  switch (notice->hdr.code) {
    case HDN_ITEMCLICKW:
      if (section->FAllowClick) SectionClick(section);
      return;
    case HDN_BEGINTRACKW:
      FTracking = true;
      SectionTrack(section, width, tsTrackBegin);
      return;
    case HDN_TRACKW:
      SectionTrack(section, width, tsTrackMove);
      return;
    case HDN_ITEMCHANGINGW:
      // A drag past MinWidth or MaxWidth is refused; the change to the limit itself follows.
      if (hasWidth && width != proposed && !FUpdating) {
        message.Result = 1;
        if (section->FWidth != width) {
          section->FWidth = width;
          PostMessageW(GetHandle(), CM_CHANGED, WPARAM(index), 0);
        }
      }
      return;
    case HDN_ITEMCHANGEDW:
      if (!hasWidth || FUpdating) return;
      section->FWidth = width;
      // With FullDrag the platform reports the moves of a divider as changes of the item.
      if (FTracking) SectionTrack(section, width, tsTrackMove);
      return;
    case HDN_ENDTRACKW: {
      FTracking = false;
      section->FWidth = width;
      if (WindowWidth(index) != width) {
        FUpdating = true;
        HDITEMW item{};
        item.mask = HDI_WIDTH;
        item.cxy = width;
        SendMessageW(GetHandle(), HDM_SETITEMW, WPARAM(index), LPARAM(&item));
        FUpdating = false;
      }
      SectionTrack(section, width, tsTrackEnd);
      SectionResize(section);
      return;
    }
    default: return;
  }
}

void THeaderControl::CNDrawItem(TMessage& message)
{
  auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
  const int index = int(draw->itemID);
  if (index < 0 || index >= FSections->GetCount()) return;
  const int saved = SaveDC(draw->hDC);
  FCanvas->SetHandle(draw->hDC);
  FCanvas->SetFont(GetFont());
  FCanvas->GetBrush()->Assign(GetBrush());
  try {
    DrawSection(FSections->GetItem(index), TRect(draw->rcItem), (draw->itemState & ODS_SELECTED) != 0);
  } catch (...) {
    FCanvas->SetHandle(nullptr);
    RestoreDC(draw->hDC, saved);
    throw;
  }
  FCanvas->SetHandle(nullptr);
  RestoreDC(draw->hDC, saved);
  message.Result = 1;
}

void THeaderControl::Dispatch(void* raw)
{
  auto& message = *static_cast<TMessage*>(raw);
  switch (message.Msg) {
    case CN_NOTIFY: return CNNotify(static_cast<TWMNotify&>(message));
    case CN_DRAWITEM: return CNDrawItem(message);
    case CM_CHANGED:
      // A width held at its limit during a drag: the window shows the limit.
      if (int(message.WParam) < FSections->GetCount()) UpdateSection(int(message.WParam));
      return;
    default: return TWinControl::Dispatch(raw);
  }
}
