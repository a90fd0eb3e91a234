// The catalogue of translation files as a program sees it: which folders, in which order, and what
// LocaleStr, GetContainerElement and IsLocaleBidi answer. The catalogue is built once per process, so
// each scenario runs localeprobe.exe, copied beside the folders it lays out.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "LocaleTestSupport.h"
#include "Registry.h"
#include "RunProgram.h"

using namespace qeltest;

namespace {

std::wstring LocaleCode(LCTYPE type)
{
  wchar_t buffer[16] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 16);
  return buffer;
}

// HKLM\SOFTWARE\QEL "Locales" for the life of the object, in this program's registry view or in the
// one `view` names; the value that was there comes back after.
class LocalesValue {
public:
  explicit LocalesValue(const AnsiString& folders, REGSAM view = 0) : view_(view)
  {
    TRegistry registry(KEY_ALL_ACCESS | view_);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey("\\SOFTWARE\\QEL", true)) throw std::runtime_error("cannot open HKLM\\SOFTWARE\\QEL");
    had_ = registry.ValueExists("Locales");
    if (had_) previous_ = registry.ReadString("Locales");
    registry.WriteString("Locales", folders);
  }
  ~LocalesValue()
  {
    TRegistry registry(KEY_ALL_ACCESS | view_);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey("\\SOFTWARE\\QEL", false)) return;
    if (had_)
      registry.WriteString("Locales", previous_);
    else
      registry.DeleteValue("Locales");
  }

private:
  REGSAM view_;
  bool had_ = false;
  AnsiString previous_;
};

class LocaleCatalogue : public ::testing::Test {
protected:
  void SetUp() override
  {
    language = LocaleCode(LOCALE_SISO639LANGNAME);
    country = LocaleCode(LOCALE_SISO3166CTRYNAME);
    ASSERT_EQ(language.size(), 2u);
    ASSERT_EQ(country.size(), 2u);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::filesystem::create_directories(root.Path() / L"app");
    std::filesystem::copy_file(std::filesystem::path(self).parent_path() / L"localeprobe.exe", Probe());
  }

  std::filesystem::path App() const { return root.Path() / L"app"; }
  std::filesystem::path Probe() const { return App() / L"localeprobe.exe"; }
  // base\LOCALES\ll_CC\ and base\LOCALES\ll\ for the user's locale.
  std::wstring Specific() const { return L"LOCALES\\" + language + L"_" + country + L"\\"; }
  std::wstring General() const { return L"LOCALES\\" + language + L"\\"; }

  void Write(const std::filesystem::path& file, const std::string& xml) const
  {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << xml;
  }

  // Runs the probe with the commands and answers its lines.
  std::vector<std::string> Run(const std::vector<std::string>& commands) const
  {
    const auto out = root.Path() / L"answers.txt";
    std::filesystem::remove(out);
    std::vector<std::wstring> arguments{out.wstring()};
    for (const std::string& c : commands) arguments.push_back(Utf8ToUtf16(c));
    const auto run = ostrel::test::RunProgram(Probe().wstring(), arguments, 60000);
    if (!run.Started) {
      ADD_FAILURE() << "cannot start the probe: " << run.StartError;
      return {};
    }
    EXPECT_TRUE(run.Ended) << "the probe hung";
    EXPECT_EQ(run.ExitCode, 0u) << "the probe failed";
    std::ifstream in(out, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string text; std::getline(in, text);) lines.push_back(text);
    EXPECT_EQ(lines.size(), Answers(commands)) << "one answer per command";
    return lines;
  }

  static size_t Answers(const std::vector<std::string>& commands)
  {
    size_t count = 0;
    for (size_t i = 0; i < commands.size(); ++i) {
      ++count;
      if (commands[i] == "str") i += 3;
      if (commands[i] == "form") i += 1;
    }
    return count;
  }

  // The catalogue's files as paths relative to the temporary root, with module and loaded flag.
  std::vector<std::string> Files() const
  {
    const auto lines = Run({"files"});
    std::vector<std::string> files;
    if (lines.empty()) return files;
    const std::string prefix = Ansi(root.Path()).c_str();
    std::istringstream words(lines[0]);
    for (std::string word; std::getline(words, word, '\t');) {
      if (word.rfind(prefix, 0) == 0) word = word.substr(prefix.size() + 1);
      files.push_back(word);
    }
    return files;
  }

  std::string Rel(const std::wstring& path) const { return Utf16ToUtf8(path); }

  TempFolder root;
  std::wstring language, country;
};

const std::string kShalom = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";

}  // namespace

TEST_F(LocaleCatalogue, WithoutTranslationFilesEveryCallerGetsItsDefault)
{
  const auto answers = Run({"str", "200", "10", "Ostrel Media Player", "str", "1", "2", "(empty)", "active", "form", "F", "files"});
  ASSERT_EQ(answers.size(), 5u);
  EXPECT_EQ(answers[0], "Ostrel Media Player");
  EXPECT_EQ(answers[1], "");
  EXPECT_EQ(answers[2], "0");
  EXPECT_EQ(answers[3], "(none)");
  EXPECT_EQ(answers[4], "");
}

TEST_F(LocaleCatalogue, TheCountryFolderAnswersBeforeTheLanguageFolderAndAnEmptyValueLetsTheNextAnswer)
{
  const auto specific = App() / (Specific() + L"player.xml");
  const auto general = App() / (General() + L"player.xml");
  Write(specific, Translation(Module(200), String(10, "X") + String(11, "only-specific")));
  Write(general, Translation(Module(200), String(10, "Y") + String(12, "only-general")));
  auto answers = Run({"str", "200", "10", "D", "str", "200", "11", "D", "str", "200", "12", "D", "str", "200", "13", "D",
                      "str", "201", "10", "D"});
  EXPECT_EQ(answers, (std::vector<std::string>{"X", "only-specific", "only-general", "D", "D"}));

  Write(specific, Translation(Module(200), String(10, "")));
  EXPECT_EQ(Run({"str", "200", "10", "D"}), std::vector<std::string>{"Y"});

  std::filesystem::remove(specific);
  std::filesystem::remove(general);
  EXPECT_EQ(Run({"str", "200", "10", "D", "active"}), (std::vector<std::string>{"D", "0"}));
}

TEST_F(LocaleCatalogue, RegistryFoldersComeAfterTheProgramsInTheOrderOfTheValue)
{
  // Each folder holds one file; "a" has no trailing backslash, the value has empty pieces.
  const auto a = root.Path() / L"a";
  const auto b = root.Path() / L"b c";
  for (const auto& base : {App(), a, b}) {
    Write(base / (Specific() + L"s.xml"), Translation(Module(7), String(1, "s")));
    Write(base / (General() + L"g.xml"), Translation(Module(7), String(1, "g")));
  }
  std::filesystem::create_directories(root.Path() / L"nothing");
  const LocalesValue value(Ansi(a) + ";;" + Ansi(root.Path() / L"nothing") + ";" + Ansi(b) + "\\;");
  const std::string s = Rel(Specific()), g = Rel(General());
  EXPECT_EQ(Files(), (std::vector<std::string>{"app\\" + s + "s.xml|7|1", "app\\" + g + "g.xml|7|1", "a\\" + s + "s.xml|7|1",
                                               "a\\" + g + "g.xml|7|1", "b c\\" + s + "s.xml|7|1", "b c\\" + g + "g.xml|7|1"}));
}

TEST_F(LocaleCatalogue, ARegistryValueOfOnlyEmptyPiecesAddsNothing)
{
  Write(App() / (General() + L"g.xml"), Translation(Module(7), String(1, "g")));
  const LocalesValue value(";;;");
  EXPECT_EQ(Files(), std::vector<std::string>{"app\\" + Rel(General()) + "g.xml|7|1"});
}

TEST_F(LocaleCatalogue, UnloadableFilesStayInTheCatalogueAsModuleZeroAndOnlyXmlFilesCount)
{
  Write(App() / (General() + L"broken.xml"), "<TRANSLATION><MODULE id=\"200\"/>");
  Write(App() / (General() + L"notes.txt"), Translation(Module(200), String(1, "txt")));
  Write(App() / (General() + L"longer.xmlx"), Translation(Module(200), String(1, "xmlx")));
  std::filesystem::create_directories(App() / (General() + L"folder.xml"));
  const auto files = Files();
  EXPECT_EQ(files, std::vector<std::string>{"app\\" + Rel(General()) + "broken.xml|0|0"});
  EXPECT_EQ(Run({"active", "str", "200", "1", "D", "str", "0", "1", "D"}), (std::vector<std::string>{"1", "D", "D"}));
}

TEST_F(LocaleCatalogue, ModuleZeroFilesServeModuleZeroOnly)
{
  Write(App() / (General() + L"nomodule.xml"), Translation("<MODULE/>", String(1, "zero")));
  Write(App() / (General() + L"word.xml"), Translation("<MODULE id=\"two hundred\"/>", String(2, "word")));
  EXPECT_EQ(Run({"str", "0", "1", "D", "str", "0", "2", "D", "str", "200", "1", "D"}),
            (std::vector<std::string>{"zero", "word", "D"}));
}

TEST_F(LocaleCatalogue, FormSectionsComeFromTheFirstFileThatHasOneWhateverItsModule)
{
  Write(App() / (Specific() + L"a.xml"),
        Translation(Module(5), "", "<FORM name=\"Main\">specific</FORM><FORM name=\"It's &quot;q&quot;\">quoted</FORM>"));
  Write(App() / (General() + L"b.xml"),
        Translation(Module(200), "", "<FORM name=\"Main\">general</FORM><FORM name=\"Other\">other</FORM>"));
  EXPECT_EQ(Run({"form", "Main", "form", "Other", "form", "It's %22q%22", "form", "main", "form", "Main' or '1'='1"}),
            (std::vector<std::string>{"specific", "other", "quoted", "(none)", "(none)"}));
}

TEST_F(LocaleCatalogue, HebrewTextComesBackIntactAndTheLanguageIsKnownBeforeAndAfterTheCatalogue)
{
  Write(App() / (General() + L"he.xml"), Translation(Module(200), String(10, kShalom)));
  const std::string expectedBidi = language == L"he" ? "1" : "0";
  const std::string code = Utf16ToUtf8(language);
  const auto answers = Run({"bidi", "lang", "str", "200", "10", "D", "bidi", "lang"});
  EXPECT_EQ(answers, (std::vector<std::string>{expectedBidi, code, kShalom, expectedBidi, code}));
  const char* expected = std::getenv("OSTREL_EXPECT_LANGUAGE");
  if (expected) {
    EXPECT_EQ(code, expected);
  }
}

TEST_F(LocaleCatalogue, AReleasedCatalogueIsNeverBuiltAgain)
{
  Write(App() / (General() + L"a.xml"), Translation(Module(200), String(10, "X")));
  EXPECT_EQ(Run({"str", "200", "10", "D", "release", "str", "200", "10", "D", "active", "files"}),
            (std::vector<std::string>{"X", "released", "D", "0", "(released)"}));
}

TEST_F(LocaleCatalogue, TheRegistryValueIsReadFromTheProgramsOwnView)
{
  const auto a = root.Path() / L"a";
  Write(a / (General() + L"a.xml"), Translation(Module(7), String(1, "from-registry")));
  {
    const LocalesValue own(Ansi(a));
    EXPECT_EQ(Run({"str", "7", "1", "D"}), std::vector<std::string>{"from-registry"});
  }
  // The other bitness's view exists only where programs of both bitnesses run.
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  if (sizeof(void*) == 4 && !wow64) GTEST_SKIP() << "a 32-bit system has one registry view";
  const LocalesValue other(Ansi(a), sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
  EXPECT_EQ(Run({"str", "7", "1", "D"}), std::vector<std::string>{"D"});
}
