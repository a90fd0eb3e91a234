// One translation file at a time: what is read from it, and what hostile files cannot do.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>
#include <thread>

#include "ComTest.h"
#include "Localemgr.h"
#include "LocaleTestSupport.h"

using namespace qeltest;
using ostrel::test::ComApartment;

namespace {

class LocaleFile : public ::testing::Test {
protected:
  AnsiString Path(const wchar_t* name, const std::string& xml) { return Ansi(folder.Write(name, xml)); }

  ComApartment com{COINIT_APARTMENTTHREADED};
  TempFolder folder;
};

// "שלום" in UTF-8 and in Windows-1255.
const std::string kShalomUtf8 = "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";
const std::string kShalom1255 = "\xF9\xEC\xE5\xED";

AnsiString Text(IXMLDOMNode* node)
{
  BSTR text = nullptr;
  if (!node || FAILED(node->get_text(&text))) return AnsiString();
  AnsiString result(WideString(text ? text : L""));
  SysFreeString(text);
  return result;
}

}  // namespace

TEST_F(LocaleFile, ReadsItsModuleAndTheFirstStringWhoseIdIsTheExactDecimalText)
{
  TLocaleFile file(Path(L"a.xml", Translation(Module(200), String(10, "first") + String(10, "second") +
                                                                   "<STRING id=\"010\" value=\"padded\"/>"
                                                                   "<STRING id=\" 11\" value=\"blank\"/>"
                                                                   "<STRING id=\"12\"/>" +
                                                                   String(13, ""))));
  ASSERT_TRUE(file.IsLoaded());
  EXPECT_EQ(file.ModuleId, 200);
  EXPECT_EQ(file.LookupString(10), "first");
  EXPECT_EQ(file.LookupString(11), "");  // " 11" is not 11
  EXPECT_EQ(file.LookupString(8), "");   // "010" is not 8 or 10
  EXPECT_EQ(file.LookupString(12), "");  // no value
  EXPECT_EQ(file.LookupString(13), "");
  EXPECT_EQ(file.LookupString(-1), "");
}

TEST_F(LocaleFile, NegativeAndLargeIdsMatchTheirDecimalText)
{
  TLocaleFile file(Path(L"a.xml", Translation(Module(-7), String(-3, "minus") + String(2147483647, "max"))));
  EXPECT_EQ(file.ModuleId, -7);
  EXPECT_EQ(file.LookupString(-3), "minus");
  EXPECT_EQ(file.LookupString(2147483647), "max");
}

TEST_F(LocaleFile, AModuleWithoutANumberIsModuleZero)
{
  const std::string cases[] = {"<MODULE/>", "<MODULE id=\"\"/>", "<MODULE id=\"twelve\"/>", "<MODULE id=\"12abc\"/>",
                               "", "<MODULE>200</MODULE>"};
  int serial = 0;
  for (const std::string& module : cases) {
    SCOPED_TRACE(module);
    TLocaleFile file(Path((L"m" + std::to_wstring(++serial) + L".xml").c_str(), Translation(module, String(1, "one"))));
    ASSERT_TRUE(file.IsLoaded());
    EXPECT_EQ(file.ModuleId, 0);
    EXPECT_EQ(file.LookupString(1), "one");  // module 0 still answers
  }
}

TEST_F(LocaleFile, HebrewComesBackAsTheSameUtf8WhateverTheFileEncoding)
{
  TLocaleFile utf8(Path(L"utf8.xml", Translation(Module(1), String(1, kShalomUtf8))));
  EXPECT_EQ(utf8.LookupString(1), kShalomUtf8.c_str());

  const std::string windows1255 = "<?xml version=\"1.0\" encoding=\"windows-1255\"?>\n<TRANSLATION>" + Module(1) +
                                  "<STRINGS>" + String(1, kShalom1255) + "</STRINGS></TRANSLATION>";
  TLocaleFile legacy(Path(L"1255.xml", windows1255));
  ASSERT_TRUE(legacy.IsLoaded());
  EXPECT_EQ(legacy.LookupString(1), kShalomUtf8.c_str());

  // UTF-16 with its byte-order mark.
  const std::wstring wide = L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><TRANSLATION><MODULE id=\"1\"/><STRINGS>"
                            L"<STRING id=\"1\" value=\"\x05E9\x05DC\x05D5\x05DD\"/></STRINGS></TRANSLATION>";
  TLocaleFile utf16(Path(L"utf16.xml", std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2)));
  ASSERT_TRUE(utf16.IsLoaded());
  EXPECT_EQ(utf16.LookupString(1), kShalomUtf8.c_str());
}

TEST_F(LocaleFile, FormSectionsAreFoundByExactNameWhateverQuotesTheNameHolds)
{
  const std::string forms = "<FORM name=\"Main\"><C>main</C></FORM>"
                            "<FORM name=\"main\"><C>lower</C></FORM>"
                            "<FORM name=\"It's\"><C>apostrophe</C></FORM>"
                            "<FORM name='Say \"hi\"'><C>quotes</C></FORM>"
                            "<FORM name=\"a'b&quot;c'\"><C>both</C></FORM>"
                            "<FORM name=\"" + kShalomUtf8 + "\"><C>hebrew</C></FORM>";
  TLocaleFile file(Path(L"forms.xml", Translation(Module(200), "", forms)));
  ASSERT_TRUE(file.IsLoaded());
  EXPECT_EQ(Text(file.FindFormElement("Main")), "main");
  EXPECT_EQ(Text(file.FindFormElement("main")), "lower");
  EXPECT_EQ(Text(file.FindFormElement("It's")), "apostrophe");
  EXPECT_EQ(Text(file.FindFormElement("Say \"hi\"")), "quotes");
  EXPECT_EQ(Text(file.FindFormElement("a'b\"c'")), "both");
  EXPECT_EQ(Text(file.FindFormElement(kShalomUtf8.c_str())), "hebrew");
  EXPECT_FALSE(file.FindFormElement("MAIN"));
  // A name cannot widen the query to other sections.
  EXPECT_FALSE(file.FindFormElement("x' or '1'='1"));
  EXPECT_FALSE(file.FindFormElement("x\" or \"1\"=\"1"));
  EXPECT_FALSE(file.FindFormElement("']|//FORM|//*['"));
  EXPECT_FALSE(file.FindFormElement(""));
}

TEST(XPathLiteral, QuotesAnyTextSoThatItReadsBackAsItself)
{
  using localemgr_detail::XPathLiteral;
  EXPECT_EQ(AnsiString(XPathLiteral("plain")), "'plain'");
  EXPECT_EQ(AnsiString(XPathLiteral("It's")), "\"It's\"");
  EXPECT_EQ(AnsiString(XPathLiteral("a'b\"c")), "concat('a', \"'\", 'b\"c')");
  EXPECT_EQ(AnsiString(XPathLiteral("'\"'")), "concat(\"'\", '\"', \"'\")");
  EXPECT_EQ(AnsiString(XPathLiteral("")), "''");
}

TEST(IsoCode, OnlyOneOrTwoLettersFitTheBuffer)
{
  using localemgr_detail::FittingIsoCode;
  EXPECT_EQ(FittingIsoCode(L"he"), "he");
  EXPECT_EQ(FittingIsoCode(L"IL"), "IL");
  EXPECT_EQ(FittingIsoCode(L"fil"), "");
  EXPECT_EQ(FittingIsoCode(L"419"), "");
  EXPECT_EQ(FittingIsoCode(L"h\x05E9"), "");
  EXPECT_EQ(FittingIsoCode(L""), "");
  EXPECT_EQ(FittingIsoCode(nullptr), "");
}

// ---- hostile and broken files: no crash, no hang, nothing read beside them, the file unloaded ----

TEST_F(LocaleFile, BrokenFilesStayUnloadedWithModuleZero)
{
  const std::string good = Translation(Module(200), String(1, "one"));
  struct {
    const wchar_t* name;
    std::string xml;
  } cases[] = {
      {L"truncated.xml", good.substr(0, good.size() / 2)},
      {L"empty.xml", ""},
      {L"unknown-encoding.xml", "<?xml version=\"1.0\" encoding=\"no-such-encoding\"?><TRANSLATION>" + Module(200) +
                                    "</TRANSLATION>"},
      {L"utf16-declared-utf8-bytes.xml", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><TRANSLATION>" + Module(200) +
                                             "</TRANSLATION>"},
      {L"two-roots.xml", good + good},
      {L"binary.xml", std::string("\x00\xFF\xFE\x01<TRANSLATION>", 17)},
      {L"doctype.xml", "<?xml version=\"1.0\"?><!DOCTYPE TRANSLATION><TRANSLATION>" + Module(200) + "</TRANSLATION>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(AnsiString(c.name).c_str());
    TLocaleFile file(Path(c.name, c.xml));
    EXPECT_FALSE(file.IsLoaded());
    EXPECT_EQ(file.ModuleId, 0);
    EXPECT_EQ(file.LookupString(1), "");
    EXPECT_FALSE(file.FindFormElement("x"));
  }
  TLocaleFile missing(Ansi(folder.Path() / L"missing.xml"));
  EXPECT_FALSE(missing.IsLoaded());
}

TEST_F(LocaleFile, EntitiesAndExternalReferencesAreRefused)
{
  const auto secret = folder.Write(L"outside\\secret.txt", "SECRET-TEXT");
  folder.Write(L"outside\\secret.dtd", "<!ENTITY x \"SECRET-TEXT\">");
  const std::string secretPath = Ansi(secret).c_str();
  std::string laughs = "<!ENTITY a \"aaaaaaaaaa\">";
  for (char c = 'b'; c <= 'k'; ++c) {
    laughs += std::string("<!ENTITY ") + c + " \"";
    for (int i = 0; i < 10; ++i) laughs += std::string("&") + char(c - 1) + ";";
    laughs += "\">";
  }
  const std::string body = "<TRANSLATION>" + Module(200) + "<STRINGS><STRING id=\"1\" value=\"&x;\">&x;</STRING>"
                           "</STRINGS></TRANSLATION>";
  struct {
    const wchar_t* name;
    std::string xml;
  } cases[] = {
      {L"laughs.xml", "<?xml version=\"1.0\"?><!DOCTYPE TRANSLATION [" + laughs + "<!ENTITY x \"&k;\">]>" + body},
      {L"file-path.xml", "<?xml version=\"1.0\"?><!DOCTYPE TRANSLATION [<!ENTITY x SYSTEM \"" + secretPath + "\">]>" + body},
      {L"file-url.xml", "<?xml version=\"1.0\"?><!DOCTYPE TRANSLATION [<!ENTITY x SYSTEM \"file:///" + secretPath + "\">]>" +
                            body},
      {L"external-dtd.xml", "<?xml version=\"1.0\"?><!DOCTYPE TRANSLATION SYSTEM \"outside/secret.dtd\">" + body},
      {L"parameter-entity.xml", "<?xml version=\"1.0\"?><!DOCTYPE TRANSLATION [<!ENTITY % p SYSTEM \"outside/secret.dtd\">"
                                "%p;]>" + body},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(AnsiString(c.name).c_str());
    TLocaleFile file(Path(c.name, c.xml));
    EXPECT_FALSE(file.IsLoaded());
    EXPECT_EQ(file.LookupString(1), "");
  }
  // The same declaration spelled in UTF-16 is refused too.
  const std::wstring wide = L"\xFEFF<?xml version=\"1.0\" encoding=\"UTF-16\"?><!DOCTYPE TRANSLATION [<!ENTITY x \"y\">]>"
                            L"<TRANSLATION><MODULE id=\"200\"/></TRANSLATION>";
  TLocaleFile utf16(Path(L"utf16-doctype.xml", std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2)));
  EXPECT_FALSE(utf16.IsLoaded());
  EXPECT_EQ(utf16.ModuleId, 0);
}

TEST_F(LocaleFile, DeepNestingIsRefusedWithoutExhaustingTheStack)
{
  std::string xml = "<?xml version=\"1.0\"?><TRANSLATION>" + Module(200);
  xml.reserve(10 * 1024 * 1024 + 64);
  while (xml.size() < 10 * 1024 * 1024) xml += "<a>";
  TLocaleFile open(Path(L"deep-open.xml", xml));
  EXPECT_FALSE(open.IsLoaded());
  EXPECT_EQ(open.ModuleId, 0);

  // Closed properly, it is still too deep for a translation.
  std::string closed = "<?xml version=\"1.0\"?><TRANSLATION>" + Module(200);
  for (int i = 0; i < 100000; ++i) closed += "<a>";
  for (int i = 0; i < 100000; ++i) closed += "</a>";
  closed += "</TRANSLATION>";
  TLocaleFile nested(Path(L"deep-closed.xml", closed));
  EXPECT_FALSE(nested.IsLoaded());
}

TEST_F(LocaleFile, RandomlyDamagedFilesNeverCrashAndAnswerOnlyWhatTheyHold)
{
  const std::string good = Translation(Module(200), String(1, "one") + String(2, kShalomUtf8),
                                       "<FORM name=\"F\"><C>c</C></FORM>");
  std::mt19937 random(20261207);
  for (int round = 0; round < 200; ++round) {
    std::string xml = good;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
      const size_t at = random() % xml.size();
      switch (random() % 3) {
        case 0: xml[at] = static_cast<char>(random()); break;
        case 1: xml.erase(at, 1 + random() % 8); break;
        default: xml.insert(at, 1, "<>&\"'\x00\xFF"[random() % 7]); break;
      }
      if (xml.empty()) xml = "<";
    }
    SCOPED_TRACE("round " + std::to_string(round));
    TLocaleFile file(Path(L"damaged.xml", xml));
    const AnsiString one = file.LookupString(1);
    // Whatever survives is a piece of the value that was there, never bytes from elsewhere.
    EXPECT_LE(one.Length(), 3 + edits) << one.c_str();
    if (!file.IsLoaded()) {
      EXPECT_EQ(file.ModuleId, 0);
    }
  }
}

TEST(LocaleFileCom, AThreadInTheMultiThreadedApartmentKeepsItsCom)
{
  TempFolder folder;
  const AnsiString path = Ansi(folder.Write(L"a.xml", Translation(Module(3), String(1, "one"))));
  HRESULT after = E_FAIL;
  AnsiString value;
  std::thread worker([&] {
    ComApartment com(COINIT_MULTITHREADED);
    {
      TLocaleFile file(path);
      value = file.LookupString(1);
    }
    // Still initialised: a second initialisation in the same apartment answers S_FALSE.
    after = ComApartment(COINIT_MULTITHREADED).Result();
  });
  worker.join();
  EXPECT_EQ(value, "one");
  EXPECT_EQ(after, S_FALSE);
}

TEST(LocaleFileCom, EachFileInitialisesComOnceAndUndoesItOnce)
{
  TempFolder folder;
  const AnsiString path = Ansi(folder.Write(L"a.xml", Translation(Module(3), String(1, "one"))));
  HRESULT after = E_FAIL;
  std::thread worker([&] {
    {
      TLocaleFile first(path);
      TLocaleFile second(path);
      EXPECT_EQ(second.LookupString(1), "one");
    }
    // Both undone: the thread is back to no COM at all, so this initialisation is the first.
    after = ComApartment(COINIT_APARTMENTTHREADED).Result();
  });
  worker.join();
  EXPECT_EQ(after, S_OK);
}
