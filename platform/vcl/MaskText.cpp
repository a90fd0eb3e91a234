// Mask: the edit-mask language. A mask is parsed once into positions; everything else (what a
// position takes, the edit text for a value, Text for an edit text) walks those positions.
#include "Mask.h"

#include <algorithm>

#include "SysUtils.h"

namespace {

wchar_t ConvertCase(wchar_t ch, TMaskCase mode)
{
  if (mode == TMaskCase::None) return ch;
  wchar_t buffer[2] = {ch, 0};
  if (mode == TMaskCase::Upper) CharUpperBuffW(buffer, 1);
  else CharLowerBuffW(buffer, 1);
  return buffer[0];
}

bool IsDigit(wchar_t ch) { return ch >= L'0' && ch <= L'9'; }

// The separators are single bytes of the settings; a byte above ASCII is taken as Latin-1.
wchar_t SeparatorChar(char separator) { return wchar_t(static_cast<unsigned char>(separator)); }

}  // namespace

TEditMask::TEditMask(const AnsiString& editMask)
{
  const std::wstring text = Utf8ToUtf16(editMask.str());
  // The mask runs to the first ';' that no backslash protects; the save and blank fields follow.
  std::wstring mask;
  size_t i = 0;
  for (; i < text.size() && text[i] != L';'; ++i) {
    mask += text[i];
    if (text[i] == L'\\' && i + 1 < text.size()) mask += text[++i];
  }
  if (i < text.size()) {
    const std::wstring rest = text.substr(i + 1);
    const size_t semicolon = rest.find(L';');
    if (!rest.empty() && rest[0] == L'0') FSaveLiterals = false;
    if (semicolon != std::wstring::npos && semicolon + 1 < rest.size()) FBlank = rest[semicolon + 1];
  }

  TMaskCase mode = TMaskCase::None;
  auto input = [&](TMaskKind kind, bool required) { FPositions.push_back(TMaskPosition{kind, required, mode, 0}); };
  auto literal = [&](wchar_t ch) { FPositions.push_back(TMaskPosition{TMaskKind::Literal, false, TMaskCase::None, ch}); };
  for (size_t k = 0; k < mask.size(); ++k) {
    const wchar_t ch = mask[k];
    switch (ch) {
      case L'!': FReversed = true; break;
      case L'>': mode = TMaskCase::Upper; break;
      case L'<':
        if (k + 1 < mask.size() && mask[k + 1] == L'>') {
          mode = TMaskCase::None;
          ++k;
        } else {
          mode = TMaskCase::Lower;
        }
        break;
      case L'\\':
        // A backslash at the very end protects nothing and shows nothing.
        if (k + 1 < mask.size()) literal(mask[++k]);
        break;
      case L'L': input(TMaskKind::Letter, true); break;
      case L'l': input(TMaskKind::Letter, false); break;
      case L'A': input(TMaskKind::LetterOrDigit, true); break;
      case L'a': input(TMaskKind::LetterOrDigit, false); break;
      case L'C': input(TMaskKind::Any, true); break;
      case L'c': input(TMaskKind::Any, false); break;
      case L'0': input(TMaskKind::Digit, true); break;
      case L'9': input(TMaskKind::Digit, false); break;
      case L'#': input(TMaskKind::DigitOrSign, false); break;
      case L':': literal(SeparatorChar(TimeSeparator)); break;
      case L'/': literal(SeparatorChar(DateSeparator)); break;
      default: literal(ch); break;
    }
  }
}

wchar_t TEditMask::Accept(int index, wchar_t ch) const
{
  if (index < 0 || index >= Length()) return 0;
  const TMaskPosition& position = At(index);
  if (position.Kind == TMaskKind::Literal) return 0;
  if (ch == L' ' || ch == FBlank) return position.Required ? 0 : L' ';
  // Control characters, and halves of characters outside the basic plane, fill no position.
  if (ch < 32 || ch == 0x7F || (ch >= 0xD800 && ch <= 0xDFFF)) return 0;
  bool fits = false;
  switch (position.Kind) {
    case TMaskKind::Letter: fits = IsCharAlphaW(ch) != FALSE; break;
    case TMaskKind::LetterOrDigit: fits = IsCharAlphaNumericW(ch) != FALSE; break;
    case TMaskKind::Any: fits = true; break;
    case TMaskKind::Digit: fits = IsDigit(ch); break;
    case TMaskKind::DigitOrSign: fits = IsDigit(ch) || ch == L'+' || ch == L'-'; break;
    case TMaskKind::Literal: break;
  }
  return fits ? ConvertCase(ch, position.Case) : 0;
}

std::wstring TEditMask::EmptyEditText() const
{
  std::wstring text;
  text.reserve(FPositions.size());
  for (const TMaskPosition& position : FPositions) text += position.Kind == TMaskKind::Literal ? position.Literal : FBlank;
  return text;
}

std::wstring TEditMask::EditTextOf(const std::wstring& value) const
{
  std::wstring edit = EmptyEditText();
  const int count = Length();
  // One step: position i takes value[v] (or passes over a saved literal the value repeats); answers
  // whether the value character was used.
  auto place = [&](int i, wchar_t ch) {
    if (IsLiteral(i)) return FSaveLiterals && ch == At(i).Literal;
    const wchar_t got = Accept(i, ch);
    if (got != 0 && got != L' ') edit[size_t(i)] = got;
    return true;
  };
  if (!FReversed) {
    size_t v = 0;
    for (int i = 0; i < count && v < value.size(); ++i)
      if (place(i, value[v])) ++v;
  } else {
    // With ! the value is aligned to the end: short values leave the first positions blank.
    size_t v = value.size();
    for (int i = count - 1; i >= 0 && v > 0; --i)
      if (place(i, value[v - 1])) --v;
  }
  return edit;
}

std::wstring TEditMask::FitEditText(const std::wstring& text) const
{
  std::wstring edit = EmptyEditText();
  for (int i = 0; i < Length() && size_t(i) < text.size(); ++i) {
    if (IsLiteral(i)) continue;
    const wchar_t got = Accept(i, text[size_t(i)]);
    if (got != 0 && got != L' ') edit[size_t(i)] = got;
  }
  return edit;
}

std::wstring TEditMask::TextOf(const std::wstring& editText) const
{
  std::wstring text;
  for (int i = 0; i < Length(); ++i) {
    if (IsLiteral(i)) {
      if (FSaveLiterals) text += At(i).Literal;
      continue;
    }
    const wchar_t ch = size_t(i) < editText.size() ? editText[size_t(i)] : FBlank;
    text += ch == FBlank ? L' ' : ch;
  }
  if (!FSaveLiterals) {
    // Without literals the blanks of the optional end carry nothing: the saved value is trimmed
    // on the side the mask leaves blank.
    if (FReversed) text.erase(0, std::min(text.find_first_not_of(L' '), text.size()));
    else text.erase(text.find_last_not_of(L' ') + 1);
  }
  return text;
}

std::wstring TEditMask::FormattedOf(const std::wstring& editText) const
{
  std::wstring text = FitEditText(editText);
  for (int i = 0; i < Length(); ++i)
    if (!IsLiteral(i) && text[size_t(i)] == FBlank) text[size_t(i)] = L' ';
  return text;
}

int TEditMask::FirstIncomplete(const std::wstring& editText) const
{
  for (int i = 0; i < Length(); ++i) {
    if (IsLiteral(i) || !At(i).Required) continue;
    const wchar_t ch = size_t(i) < editText.size() ? editText[size_t(i)] : FBlank;
    if (ch == FBlank || ch == L' ') return i;
  }
  return -1;
}

int TEditMask::NextInput(int from) const
{
  for (int i = std::max(from, 0); i < Length(); ++i)
    if (!IsLiteral(i)) return i;
  return -1;
}

int TEditMask::PreviousInput(int before) const
{
  for (int i = std::min(before, Length()) - 1; i >= 0; --i)
    if (!IsLiteral(i)) return i;
  return -1;
}

AnsiString FormatMaskText(const TEditMaskText& editMask, const AnsiString& value)
{
  const TEditMask mask(editMask);
  if (mask.IsEmpty()) return value;
  return AnsiString(Utf16ToUtf8(mask.FormattedOf(mask.EditTextOf(Utf8ToUtf16(value.str())))));
}
