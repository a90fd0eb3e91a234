// The product line's form base: its stored direction switch, and the translation of its texts from
// the FORM section before the constructor body runs.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "LocalizedForms.h"
#include "RunProgram.h"

namespace {

class QelFormTest : public ::testing::Test {
protected:
  void SetUp() override { RegisterLocalizedForms(); }
  void TearDown() override { Application->SetBiDiMode(bdLeftToRight); }
};

std::string FormText(TComponent* form)
{
  TMemoryStream binary, text;
  binary.WriteComponent(form);
  binary.SetPosition(0);
  ObjectBinaryToText(&binary, &text);
  return std::string(static_cast<const char*>(text.Memory()), static_cast<size_t>(text.GetSize()));
}

// Runs qelformprobe.exe from a folder of its own that holds the translation file, and answers its lines.
std::vector<std::string> ProbeWith(const std::string& translation)
{
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t language[16] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, language, 16);
  const auto root = std::filesystem::temp_directory_path() / (L"qelform-" + std::to_wstring(GetCurrentProcessId()));
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / L"LOCALES" / language);
  std::filesystem::copy_file(std::filesystem::path(self).parent_path() / L"qelformprobe.exe", root / L"qelformprobe.exe");
  std::ofstream(root / L"LOCALES" / language / L"forms.xml", std::ios::binary) << translation;

  const auto out = root / L"answers.txt";
  std::vector<std::string> lines;
  const auto run = ostrel::test::RunProgram((root / L"qelformprobe.exe").wstring(), {out.wstring()}, 60000);
  if (!run.Started) {
    ADD_FAILURE() << "cannot start the probe: " << run.StartError;
    return lines;
  }
  EXPECT_TRUE(run.Ended) << "the probe hung";
  EXPECT_EQ(run.ExitCode, 0u);
  std::ifstream in(out, std::ios::binary);
  for (std::string text; std::getline(in, text);) lines.push_back(text);
  in.close();
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return lines;
}

const std::string kPlayHebrew = "\xD7\xA0\xD7\x92\xD7\x9F";  // "נגן"

}  // namespace

TEST_F(QelFormTest, AStoredFalseKeepsTheStoredDirectionAndIsWrittenBack)
{
  Application->SetBiDiMode(bdLeftToRight);
  std::unique_ptr<TLocalizedForm> form(new TLocalizedForm(Application));
  EXPECT_FALSE(form->GetRunTimeParentBiDiMode());
  EXPECT_EQ(form->GetBiDiMode(), bdRightToLeft);
  EXPECT_FALSE(form->GetParentBiDiMode());
  const std::string text = FormText(form.get());
  EXPECT_NE(text.find("RunTimeParentBiDiMode = False"), std::string::npos) << text;
}

TEST_F(QelFormTest, TheDefaultFollowsTheApplicationsDirectionAndIsNotWritten)
{
  Application->SetBiDiMode(bdRightToLeft);
  std::unique_ptr<TFollowingForm> form(new TFollowingForm(Application));
  EXPECT_TRUE(form->GetRunTimeParentBiDiMode());
  EXPECT_EQ(form->GetBiDiMode(), bdRightToLeft) << "stored left to right, the application reads right to left";
  EXPECT_TRUE(form->GetParentBiDiMode());
  EXPECT_EQ(FormText(form.get()).find("RunTimeParentBiDiMode"), std::string::npos);
}

TEST_F(QelFormTest, WithoutTranslationsTheStoredTextsStay)
{
  std::unique_ptr<TLocalizedForm> form(new TLocalizedForm(Application));
  EXPECT_EQ(form->Localizations, 1);
  EXPECT_EQ(form->GetCaption(), "Original caption");
  EXPECT_EQ(form->PlayButton->GetCaption(), "Play");
  EXPECT_EQ(form->PlayButton->GetHint(), "Start playing");
  EXPECT_EQ(form->TitleBeforeBody, "Title");
  EXPECT_EQ(form->TitleLabel->GetCaption(), "Set by code");
}

TEST_F(QelFormTest, TheFormSectionTranslatesCaptionsAndHintsBeforeTheConstructorBody)
{
  const std::string translation =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<TRANSLATION><MODULE id=\"200\"/>\n"
      "<FORM name=\"OtherForm\" Caption=\"wrong form\"/>\n"
      "<FORM name=\"LocalizedForm\" Caption=\"Translated caption\" Hint=\"Form hint\">\n"
      "  <COMPONENT name=\"PlayButton\" Caption=\"" + kPlayHebrew + "\" Hint=\"Translated hint\" Width=\"999\"/>\n"
      "  <COMPONENT name=\"TitleLabel\" Caption=\"Translated title\"/>\n"
      "  <COMPONENT name=\"InfoPanel\" Caption=\"\"/>\n"
      "  <COMPONENT name=\"NoSuchComponent\" Caption=\"ignored\"/>\n"
      "  <COMPONENT Caption=\"no name\"/>\n"
      "  <OTHER name=\"PlayButton\" Caption=\"not a component element\"/>\n"
      "</FORM></TRANSLATION>\n";
  const auto lines = ProbeWith(translation);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "Translated caption");
  EXPECT_EQ(lines[1], "Form hint");
  EXPECT_EQ(lines[2], kPlayHebrew);
  EXPECT_EQ(lines[3], "Translated hint");
  EXPECT_EQ(lines[4], "Translated title") << "translated before the body ran";
  EXPECT_EQ(lines[5], "Set by code") << "the window's own code is not overwritten";
  EXPECT_EQ(lines[6], "Info") << "an empty value changes nothing";
  EXPECT_EQ(lines[7], "1");
}
