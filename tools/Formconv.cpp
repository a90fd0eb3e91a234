// formconv: converts a stored form between the text form and the binary component stream.
//   formconv [--to-text] INPUT OUTPUT [INPUT OUTPUT ...]
// The build keeps forms in the text form in the tree and links the binary form, as the VCL's tools
// do; --to-text turns a binary form back into text for reading.
#include <cstdio>
#include <memory>

#include "Classes.h"

namespace {

int Usage()
{
  std::fputs("usage: formconv [--to-text] INPUT OUTPUT [INPUT OUTPUT ...]\n", stderr);
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
  bool toText = false;
  int first = 1;
  if (argc > 1 && std::wstring(argv[1]) == L"--to-text") {
    toText = true;
    first = 2;
  }
  if (argc - first < 2 || (argc - first) % 2 != 0) return Usage();
  // Several pairs in one run: each run of a Windows program at build time costs a Wine start.
  for (int i = first; i < argc; i += 2) {
    const AnsiString input(Utf16ToUtf8(argv[i]));
    const AnsiString output(Utf16ToUtf8(argv[i + 1]));
    try {
      TFileStream in(input, fmOpenRead | fmShareDenyWrite);
      TMemoryStream converted;
      if (toText) ObjectBinaryToText(&in, &converted);
      else ObjectTextToBinary(&in, &converted);
      // Written only when the conversion succeeded, so a failed build leaves no half-made form behind.
      TFileStream out(output, fmCreate);
      out.WriteBuffer(converted.Memory(), converted.GetSize());
    } catch (const Exception& e) {
      std::fprintf(stderr, "formconv: %s: %s\n", input.c_str(), e.Message.c_str());
      return 1;
    }
  }
  return 0;
}
