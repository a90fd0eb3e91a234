#include "GridsDemo.h"

#include <cmath>

VCL_PUBLISHED(TGridsDemo)
{
  p.Field("Bar", &TGridsDemo::Bar);
  p.Field("NavigateBand", &TGridsDemo::NavigateBand);
  p.Field("PreviousButton", &TGridsDemo::PreviousButton);
  p.Field("NextButton", &TGridsDemo::NextButton);
  p.Field("ViewBand", &TGridsDemo::ViewBand);
  p.Field("JumpBand", &TGridsDemo::JumpBand);
  p.Field("Details", &TGridsDemo::Details);
  p.Field("PhoneEdit", &TGridsDemo::PhoneEdit);
  p.Field("DateEdit", &TGridsDemo::DateEdit);
  p.Field("LengthEdit", &TGridsDemo::LengthEdit);
  p.Field("CodeEdit", &TGridsDemo::CodeEdit);
  p.Field("StatusLabel", &TGridsDemo::StatusLabel);
  p.Field("RightToLeft", &TGridsDemo::RightToLeft);
  p.Field("SideSplitter", &TGridsDemo::SideSplitter);
  p.Field("Content", &TGridsDemo::Content);
  p.Field("Tracks", &TGridsDemo::Tracks);
  p.Field("ChartSplitter", &TGridsDemo::ChartSplitter);
  p.Field("Levels", &TGridsDemo::Levels);
  p.Method("FormCreate", &TGridsDemo::FormCreate);
  p.Method("LevelsDrawCell", &TGridsDemo::LevelsDrawCell);
  p.Method("TracksSelectCell", &TGridsDemo::TracksSelectCell);
  p.Method("RightToLeftClick", &TGridsDemo::RightToLeftClick);
  p.Method("NavigateClick", &TGridsDemo::NavigateClick);
}

namespace {

TUnitInit GridsDemoInit("GridsDemo", [] { RegisterClass(TGridsDemo::StaticClass()); });

struct TTrack {
  const char* Title;
  const char* Artist;
  const char* Length;
};
const TTrack TrackList[] = {
    {"שיר השירים", "להקת הנחל", "3:41"}, {"Yesterday", "The Beatles", "2:05"},
    {"ירושלים של זהב", "נעמי שמר", "4:12"}, {"Clair de lune", "Debussy", "5:02"},
    {"הפרח בגני", "צביקה פיק", "3:58"},   {"So What", "Miles Davis", "9:22"},
    {"אני ואתה", "אריק איינשטיין", "2:49"}, {"Bolero", "Ravel", "15:50"},
};

// The level of a band (column) at a moment (row) of the chart: a made-up but steady spectrum.
int Level(int band, int moment) { return int(50 + 45 * std::sin(band * 0.7 + moment * 1.3)); }

}  // namespace

TGridsDemo::TGridsDemo(TOwnerArg owner) : TForm(owner) {}

void TGridsDemo::FormCreate(TObject*)
{
  Tracks->SetRowCount(int(std::size(TrackList)) + 1);
  Tracks->SetCells(0, 0, "#");
  Tracks->SetCells(1, 0, "שם");
  Tracks->SetCells(2, 0, "אמן");
  Tracks->SetCells(3, 0, "משך");
  for (int i = 0; i < int(std::size(TrackList)); ++i) {
    Tracks->SetCells(0, i + 1, IntToStr(i + 1));
    Tracks->SetCells(1, i + 1, TrackList[i].Title);
    Tracks->SetCells(2, i + 1, TrackList[i].Artist);
    Tracks->SetCells(3, i + 1, TrackList[i].Length);
  }
  Tracks->SetRow(3);
  bool ignored = true;
  TracksSelectCell(Tracks, 1, 3, ignored);
}

void TGridsDemo::SetRightToLeft(bool value)
{
  if (value == IsRightToLeft()) return;
  SetBiDiMode(value ? bdRightToLeft : bdLeftToRight);
  FlipChildren(true);
  if (RightToLeft->GetChecked() != value) RightToLeft->SetChecked(value);
}

// The fixed row names the bands, the fixed column the moments; each cell is a bar as high as its
// level, green to red.
void TGridsDemo::LevelsDrawCell(TObject*, int col, int row, const TRect& rect, TGridDrawState state)
{
  TCanvas* canvas = Levels->GetCanvas();
  if (state.Contains(gdFixed)) {
    const AnsiString text = row == 0 ? (col == 0 ? AnsiString("") : IntToStr(col * 125) + "") : IntToStr(row);
    canvas->GetBrush()->SetStyle(bsClear);
    const std::wstring wide = Utf8ToUtf16(text.c_str());
    RECT box = rect;
    DrawTextW(canvas->GetHandle(), wide.c_str(), int(wide.size()), &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    canvas->GetBrush()->SetStyle(bsSolid);
    return;
  }
  const int level = Level(col, row);
  const int top = rect.Bottom - (rect.Height() - 2) * level / 100;
  canvas->GetBrush()->SetColor(state.Contains(gdSelected) ? clHighlight : clBlack);
  canvas->FillRect(rect);
  canvas->GetBrush()->SetColor(TColor(RGB(255 * level / 100, 255 - 255 * level / 100, 40)));
  canvas->FillRect(TRect(rect.Left + 3, top, rect.Right - 3, rect.Bottom - 1));
}

void TGridsDemo::TracksSelectCell(TObject*, int, int row, bool&)
{
  StatusLabel->SetCaption(AnsiString("נבחר: ") + Tracks->GetCells(1, row));
  LengthEdit->SetText(Tracks->GetCells(3, row));
}

void TGridsDemo::RightToLeftClick(TObject*) { SetRightToLeft(RightToLeft->GetChecked()); }

void TGridsDemo::NavigateClick(TObject* sender)
{
  const int step = sender == NextButton ? 1 : -1;
  const int row = std::clamp(Tracks->GetRow() + step, 1, Tracks->GetRowCount() - 1);
  Tracks->SetRow(row);
}
