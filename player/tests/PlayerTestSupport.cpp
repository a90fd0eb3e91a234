#include "PlayerTestSupport.h"

#include <filesystem>
#include <fstream>

#include "GuiTest.h"
#include "TestSupport.h"

namespace playertest {

PlayerForm::PlayerForm(int width, int height)
{
  Form = new TForm(Application, 0);
  Form->SetBorderStyle(bsSingle);
  Form->SetCaption("Player test");
  Form->SetClientWidth(width);
  Form->SetClientHeight(height);
  Form->SetLeft(40);
  Form->SetTop(40);
  Player = new TTestPlayer(Form);
  Player->SetParent(Form);
  Player->SetAlign(alClient);
  Player->SetBevelOuter(bvNone);
  Form->Show();
  ostrel::test::FlushPainting(Form->GetHandle());
  ostrel::test::MakeForeground(Form->GetHandle());
}

PlayerForm::~PlayerForm() { delete Form; }

double ExactPosition(TTestPlayer* player)
{
  LONGLONG position = 0;
  if (!player->Seeking() || FAILED(player->Seeking()->GetCurrentPosition(&position))) return -1;
  return position / 1e7;
}

AnsiString Media(const std::string& name) { return AnsiString(ostrel::test::MediaPath(name)); }

namespace {
std::wstring ScratchFolder()
{
  static int serial = 0;
  const auto folder = std::filesystem::temp_directory_path() /
                      (L"player-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++serial));
  std::filesystem::create_directories(folder);
  return folder.wstring();
}
}  // namespace

MediaCopy::MediaCopy(const std::string& media, const std::wstring& name) : FFolder(ScratchFolder())
{
  FPath = FFolder + L"\\" + name;
  std::filesystem::copy_file(ostrel::test::Utf8ToWide(ostrel::test::MediaPath(media)), FPath);
}

MediaCopy::MediaCopy(const std::string& bytes, const std::wstring& name, bool) : FFolder(ScratchFolder())
{
  FPath = FFolder + L"\\" + name;
  std::ofstream(std::filesystem::path(FPath), std::ios::binary) << bytes;
}

MediaCopy::~MediaCopy()
{
  std::error_code ignored;
  std::filesystem::remove_all(FFolder, ignored);
}

AnsiString MediaCopy::Path() const { return AnsiString(ostrel::test::WideToUtf8(FPath)); }

}  // namespace playertest
