// The cost of one LocaleStr with 10 translation files of 200 strings each, all of the player's
// module, against the cost of one XPath query of the platform on one of those documents.
// The files are written beside the program (LOCALES\ll\) before the first call builds the catalogue,
// and removed at the end. Prints `name: value` lines.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "Localemgr.h"

namespace {

constexpr int kFiles = 10, kStrings = 200;

double MicrosecondsPer(int count, const std::chrono::steady_clock::duration& elapsed)
{
  return std::chrono::duration<double, std::micro>(elapsed).count() / count;
}

}  // namespace

int main()
{
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t code[16] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, code, 16);
  const auto folder = std::filesystem::path(self).parent_path() / L"LOCALES" / code;
  std::filesystem::create_directories(folder);
  // File f holds strings f*200+1 .. f*200+200, so string n is answered by the file that holds it
  // after every earlier file has been asked.
  for (int f = 0; f < kFiles; ++f) {
    std::ofstream out(folder / (L"bench" + std::to_wstring(f) + L".xml"), std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TRANSLATION><MODULE id=\"200\"/><STRINGS>\n";
    for (int s = 1; s <= kStrings; ++s) {
      const int id = f * kStrings + s;
      out << "<STRING id=\"" << id << "\" value=\"Translated text number " << id << "\"/>\n";
    }
    out << "</STRINGS></TRANSLATION>\n";
  }

  int rc = 0;
  {
    using clock = std::chrono::steady_clock;
    // The first call builds the catalogue.
    auto start = clock::now();
    const AnsiString first = LocaleStr(200, 1, "default");
    const double buildMs = std::chrono::duration<double, std::milli>(clock::now() - start).count();
    if (first != "Translated text number 1") {
      std::fprintf(stderr, "the catalogue did not answer: %s\n", first.c_str());
      rc = 1;
    }

    const int rounds = 2;
    size_t checksum = 0;
    start = clock::now();
    for (int r = 0; r < rounds; ++r)
      for (int id = 1; id <= kFiles * kStrings; ++id) checksum += LocaleStr(200, id, "default").Length();
    const double hitUs = MicrosecondsPer(rounds * kFiles * kStrings, clock::now() - start);

    const int misses = 500;
    start = clock::now();
    for (int i = 0; i < misses; ++i) checksum += LocaleStr(200, 100000 + i, "default").Length();
    const double missUs = MicrosecondsPer(misses, clock::now() - start);

    // The platform's own query on the last document: one selectSingleNode per call.
    const auto* last = static_cast<const TLocaleFile*>(LocaleCatalogue()->Get(kFiles - 1));
    const int queries = 2000;
    start = clock::now();
    for (int i = 0; i < queries; ++i) {
      WideString query(AnsiString("/TRANSLATION/STRINGS/STRING[@id='") + AnsiString((kFiles - 1) * kStrings + 1 + i % kStrings) + "']");
      IXMLDOMNode* node = nullptr;
      if (SUCCEEDED(last->Document->selectSingleNode(query.c_bstr(), &node)) && node) {
        ++checksum;
        node->Release();
      }
    }
    const double xpathUs = MicrosecondsPer(queries, clock::now() - start);

    std::printf("catalogue_build_ms: %.1f\n", buildMs);
    std::printf("localestr_us: %.2f\n", hitUs);
    std::printf("localestr_miss_us: %.2f\n", missUs);
    std::printf("xpath_query_us: %.2f\n", xpathUs);
    std::printf("localestr_vs_xpath_query: %.3f\n", hitUs / xpathUs);
    if (checksum == 0) rc = 1;
  }
  ReleaseLocaleCatalogue();
  std::error_code ignored;
  std::filesystem::remove_all(folder.parent_path(), ignored);
  return rc;
}
