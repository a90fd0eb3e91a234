#include "Qelvyrplayer.h"

#include <windows.h>

#include <cstring>

#include "ComObj.h"
#include "Menus.h"
#include "SysUtils.h"

namespace {

TUnitInit QelvyrplayerUnitInit("Qelvyrplayer");

const char* BaseName(const char* path)
{
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '/' || *p == '\\') name = p + 1;
  return name;
}

}  // namespace

int QelAssertFailed(const char* expression, const char* file, int line)
{
  const AnsiString where = AnsiString().sprintf("%s @ %s/%d", expression, BaseName(file), line);
  const AnsiString text = AnsiString().sprintf("%s\nPress [Y]es to terminate, [N]o to continue and [C]ancel to Debug",
                                               where.c_str());
  const WideString wideText(text), caption(L"_ASSERTE: ");
  const int answer = MessageBoxW(nullptr, wideText.c_str(), caption.c_str(), MB_YESNOCANCEL | MB_ICONQUESTION | MB_TASKMODAL);
  if (answer == IDYES) throw Exception(AnsiString().sprintf("%s failed - %s/%d", expression, BaseName(file), line));
  return answer;
}

VCL_PUBLISHED(TQelVyrPlayer)
{
  p.Property("PopupMenu", &TQelVyrPlayer::GetPopupMenu, &TQelVyrPlayer::SetPopupMenu);
}

TQelVyrPlayer::TQelVyrPlayer(TOwnerArg owner) : TQelCustomDShowPlayer(owner) { FFilter = nullptr; }

TQelVyrPlayer::~TQelVyrPlayer() = default;

bool TQelVyrPlayer::CheckGraphBuilder(int line)
{
  if (FGraphBuilder) return true;
  QelAssertFailed("intf != 0", __FILE__, line);
  return false;
}

void TQelVyrPlayer::GraphReleasing()
{
  // The graph takes the filter with it.
  FFilter = nullptr;
  inherited::GraphReleasing();
}

bool TQelVyrPlayer::Render(const AnsiString& fileName)
{
  if (AnsiCompareText(ExtractFileExt(fileName), ".vyr") != 0) return inherited::Render(fileName);

  if (FFilter) {
    if (!CheckGraphBuilder(__LINE__)) return false;
    TVyrFilter* previous = FFilter;
    FFilter = nullptr;
    OleCheck(FGraphBuilder->RemoveFilter(previous));
  }
  // Our reference keeps the filter alive until the graph has taken its own; a failed AddFilter
  // releases it, and the filter closes its file as it goes.
  auto* created = new TVyrFilter(fileName);
  DelphiInterface<IBaseFilter> filter(static_cast<IBaseFilter*>(created));
  if (!CheckGraphBuilder(__LINE__)) return false;
  OleCheck(FGraphBuilder->AddFilter(filter, nullptr));
  FFilter = created;
  if (!CheckGraphBuilder(__LINE__)) return false;
  OleCheck(FGraphBuilder->Render(static_cast<IPin*>(created->GetPin(0))));
  return true;
}
