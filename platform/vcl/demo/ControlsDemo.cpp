#include "ControlsDemo.h"

VCL_PUBLISHED(TControlsDemo)
{
  p.Field("Icons", &TControlsDemo::Icons);
  p.Field("Colors", &TControlsDemo::Colors);
  p.Field("Library", &TControlsDemo::Library);
  p.Field("Content", &TControlsDemo::Content);
  p.Field("Columns", &TControlsDemo::Columns);
  p.Field("Tracks", &TControlsDemo::Tracks);
  p.Field("Pages", &TControlsDemo::Pages);
  p.Field("PlaySheet", &TControlsDemo::PlaySheet);
  p.Field("NotesSheet", &TControlsDemo::NotesSheet);
  p.Field("DetailsSheet", &TControlsDemo::DetailsSheet);
  p.Field("VolumeLabel", &TControlsDemo::VolumeLabel);
  p.Field("Volume", &TControlsDemo::Volume);
  p.Field("RepeatEdit", &TControlsDemo::RepeatEdit);
  p.Field("RepeatSpin", &TControlsDemo::RepeatSpin);
  p.Field("Balance", &TControlsDemo::Balance);
  p.Field("InOrder", &TControlsDemo::InOrder);
  p.Field("Shuffle", &TControlsDemo::Shuffle);
  p.Field("Notes", &TControlsDemo::Notes);
  p.Field("Details", &TControlsDemo::Details);
  p.Field("ViewSize", &TControlsDemo::ViewSize);
  p.Field("Theme", &TControlsDemo::Theme);
  p.Field("RightToLeft", &TControlsDemo::RightToLeft);
  p.Field("ColorButton", &TControlsDemo::ColorButton);
  p.Field("Swatch", &TControlsDemo::Swatch);
  p.Field("CloseButton", &TControlsDemo::CloseButton);
  p.Method("FormCreate", &TControlsDemo::FormCreate);
  p.Method("LibraryChange", &TControlsDemo::LibraryChange);
  p.Method("VolumeChange", &TControlsDemo::VolumeChange);
  p.Method("TracksDrawItem", &TControlsDemo::TracksDrawItem);
  p.Method("RightToLeftClick", &TControlsDemo::RightToLeftClick);
  p.Method("ColorClick", &TControlsDemo::ColorClick);
  p.Method("CloseClick", &TControlsDemo::CloseClick);
}

namespace {

TUnitInit ControlsDemoInit("ControlsDemo", [] { RegisterClass(TControlsDemo::StaticClass()); });

// A 16 by 16 picture of the image list: a note, a film frame or a landscape, on the list's
// transparent white.
void DrawIcon(TCanvas* canvas, int which)
{
  canvas->GetBrush()->SetColor(clWhite);
  canvas->FillRect(TRect(0, 0, 16, 16));
  canvas->GetPen()->SetColor(clBlack);
  switch (which) {
    case 0:  // a note
      canvas->GetBrush()->SetColor(clNavy);
      canvas->Ellipse(2, 10, 8, 15);
      canvas->FillRect(TRect(7, 2, 9, 12));
      canvas->FillRect(TRect(7, 2, 13, 4));
      break;
    case 1:  // a film frame
      canvas->GetBrush()->SetColor(clMaroon);
      canvas->FillRect(TRect(1, 2, 15, 14));
      canvas->GetBrush()->SetColor(clWhite);
      for (int y = 3; y < 13; y += 3) {
        canvas->FillRect(TRect(2, y, 4, y + 2));
        canvas->FillRect(TRect(12, y, 14, y + 2));
      }
      canvas->GetBrush()->SetColor(clSilver);
      canvas->FillRect(TRect(5, 4, 11, 12));
      break;
    default:  // a landscape: sky, sun, hill
      canvas->GetBrush()->SetColor(clAqua);
      canvas->FillRect(TRect(1, 2, 15, 14));
      canvas->GetBrush()->SetColor(clYellow);
      canvas->Ellipse(9, 3, 13, 7);
      canvas->GetBrush()->SetColor(clGreen);
      canvas->Ellipse(-2, 8, 12, 20);
      break;
  }
}

}  // namespace

TControlsDemo::TControlsDemo(TOwnerArg owner) : TForm(owner) {}

void TControlsDemo::FormCreate(TObject*)
{
  Icons->SetWidth(16);
  Icons->SetHeight(16);
  for (int i = 0; i < 3; ++i) {
    TBitmap icon;
    icon.SetSize(16, 16);
    DrawIcon(icon.GetCanvas(), i);
    Icons->AddMasked(&icon, clWhite);
  }

  struct Entry {
    const char* text;
    int image;
    int level;
  };
  const Entry entries[] = {
      {"ספרייה", 0, 0},           {"מוזיקה", 0, 1},       {"שירים עבריים", 0, 2}, {"Jazz", 0, 2},
      {"קלאסית", 0, 2},           {"סרטים", 1, 1},        {"הופעות", 1, 2},       {"תמונות", 2, 1},
      {"עטיפות אלבומים", 2, 2},
  };
  TTreeNodes* nodes = Library->GetItems();
  nodes->BeginUpdate();
  TTreeNode* parents[3] = {};
  for (const Entry& e : entries) {
    TTreeNode* node = e.level == 0 ? nodes->Add(nullptr, e.text) : nodes->AddChild(parents[e.level - 1], e.text);
    node->SetImageIndex(e.image);
    node->SetSelectedIndex(e.image);
    parents[e.level] = node;
  }
  nodes->EndUpdate();
  nodes->GetFirstNode()->Expand(true);
  Library->SetSelected(nodes->GetFirstNode()->getFirstChild());

  Theme->SetItemIndex(0);
  Tracks->SetItemIndex(2);
  Details->GetVertScrollBar()->SetRange(8 * 28 + 12);
}

void TControlsDemo::SetRightToLeft(bool value)
{
  if (value == IsRightToLeft()) return;
  // The platform narrows the up-down's buddy on the button's side, which depends on the reading
  // direction: the pair is parted while it turns and joined again in the new direction.
  RepeatSpin->SetAssociate(nullptr);
  SetBiDiMode(value ? bdRightToLeft : bdLeftToRight);
  FlipChildren(true);
  RepeatSpin->SetAssociate(RepeatEdit);
  if (RightToLeft->GetChecked() != value) RightToLeft->SetChecked(value);
}

void TControlsDemo::LibraryChange(TObject*, TTreeNode* node)
{
  if (node) SetCaption(AnsiString("Ostrel — ") + node->GetText());
}

void TControlsDemo::VolumeChange(TObject*)
{
  VolumeLabel->SetCaption(AnsiString("עוצמה: ") + IntToStr(Volume->GetPosition()));
}

// A track's fields (separated by tabs) under the header's sections, from the side the form reads
// from.
void TControlsDemo::TracksDrawItem(TWinControl*, int index, const TRect& rect, TOwnerDrawState)
{
  TCanvas* canvas = Tracks->GetCanvas();
  canvas->FillRect(rect);
  const std::string line = Tracks->GetItems()->Strings(index).str();
  const bool rtl = Tracks->UseRightToLeftAlignment();
  HDC dc = canvas->GetHandle();
  SetBkMode(dc, TRANSPARENT);
  size_t start = 0;
  for (int i = 0; i < Columns->GetSections()->GetCount() && start <= line.size(); ++i) {
    size_t end = line.find('\t', start);
    if (end == std::string::npos) end = line.size();
    const std::wstring field = Utf8ToUtf16(std::string_view(line).substr(start, end - start));
    start = end + 1;
    THeaderSection* section = Columns->GetSections()->GetItem(i);
    const int from = section->GetLeft() + 4, to = section->GetRight() - 4;
    RECT cell = rtl ? RECT{rect.Right - to, rect.Top, rect.Right - from, rect.Bottom}
                    : RECT{rect.Left + from, rect.Top, rect.Left + to, rect.Bottom};
    DrawTextW(dc, field.c_str(), int(field.size()), &cell,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | (rtl ? DT_RIGHT | DT_RTLREADING : DT_LEFT));
  }
}

void TControlsDemo::RightToLeftClick(TObject*) { SetRightToLeft(RightToLeft->GetChecked()); }

void TControlsDemo::ColorClick(TObject*)
{
  Colors->SetColor(Swatch->GetColor());
  if (Colors->Execute()) Swatch->SetColor(Colors->GetColor());
}

void TControlsDemo::CloseClick(TObject*) { Close(); }
