// Mask: edits whose text follows an edit mask (TCustomMaskEdit, TMaskEdit), the mask language
// itself (TEditMask, FormatMaskText) and the error a failed validation raises (EDBEditError).
//
// Bodies: MaskText.cpp (the mask language, usable without a window), Mask.cpp (the edit).
//
// An edit mask is "mask;save;blank": the second field 0 leaves the literals out of Text (1 or absent
// keeps them), the third is the character shown for empty positions ('_' when absent). In the mask,
// ! keeps optional characters as leading blanks instead of trailing ones, > upper-cases and < lower-
// cases what follows (<> ends either), \ makes the next character a literal; L (a), A (a), C (c),
// 0 (9) ask for a letter, a letter or digit, any character, a digit (lower case: optional); # is an
// optional digit or sign; : and / are TimeSeparator and DateSeparator; anything else is a literal.
//
// Right to left: a masked edit keeps its positions in their order (phone numbers, dates, codes are
// positional data), so it reads left to right, aligned to the right edge.
#pragma once

#include <string>
#include <vector>

#include "StdCtrls.h"

// The text of an edit mask, as stored forms keep it.
using TEditMaskText = AnsiString;
using TMaskedText = AnsiString;

inline constexpr const char SMaskEditErr[] = "Invalid input value.  Use escape key to abandon changes";

OSTREL_VCL_EXCEPTION(EDBEditError, Exception);

// ---------------------------------------------------------------------------------------------------
// The mask language (MaskText.cpp). Positions count UTF-16 units, as the platform's edit does.
enum class TMaskKind : unsigned char { Literal, Letter, LetterOrDigit, Any, Digit, DigitOrSign };
enum class TMaskCase : unsigned char { None, Upper, Lower };

struct TMaskPosition {
  TMaskKind Kind = TMaskKind::Literal;
  bool Required = false;
  TMaskCase Case = TMaskCase::None;
  wchar_t Literal = 0;  // the character of a literal position
};

// An edit mask parsed once into its positions and fields.
class TEditMask {
public:
  TEditMask() = default;
  explicit TEditMask(const AnsiString& editMask);

  bool IsEmpty() const { return FPositions.empty(); }
  int Length() const { return int(FPositions.size()); }
  const TMaskPosition& At(int index) const { return FPositions[size_t(index)]; }
  bool IsLiteral(int index) const { return At(index).Kind == TMaskKind::Literal; }
  bool SaveLiterals() const { return FSaveLiterals; }
  bool Reversed() const { return FReversed; }
  wchar_t Blank() const { return FBlank; }

  // The character the position takes for ch (its case conversion applied), a space for a blank
  // (space or the blank character at an optional position), or 0 when the position refuses it.
  wchar_t Accept(int index, wchar_t ch) const;
  // The edit text of an empty edit: literals in place, blanks elsewhere.
  std::wstring EmptyEditText() const;
  // The edit text for a value written as Text is (with or without the literals, per the save field):
  // filled from the start, or from the end with !; characters a position refuses leave it blank.
  std::wstring EditTextOf(const std::wstring& value) const;
  // Any text made to fit position by position: literals put back, refused characters blanked,
  // the length made the mask's.
  std::wstring FitEditText(const std::wstring& text) const;
  // Text for an edit text: the literals only when saved, blanks as spaces; without the literals the
  // trailing blanks (with ! the leading ones) are trimmed.
  std::wstring TextOf(const std::wstring& editText) const;
  // The edit text with its literals in place and blanks as spaces (what FormatMaskText answers).
  std::wstring FormattedOf(const std::wstring& editText) const;
  // The first required position left blank, -1 when every one is filled.
  int FirstIncomplete(const std::wstring& editText) const;
  // The first position from `from` on that takes input, -1 when none.
  int NextInput(int from) const;
  // The last position before `before` that takes input, -1 when none.
  int PreviousInput(int before) const;

private:
  std::vector<TMaskPosition> FPositions;
  bool FSaveLiterals = true;
  bool FReversed = false;
  wchar_t FBlank = L'_';
};

// Value formatted with the mask, as Text with its literals would read (empty positions as spaces).
AnsiString FormatMaskText(const TEditMaskText& editMask, const AnsiString& value);

// ---------------------------------------------------------------------------------------------------
// The masked edit (Mask.cpp). Without a mask it is a plain edit (Text == EditText). With one, input
// goes position by position: typing overwrites at the caret, the caret skips literals, refused
// characters beep and change nothing.
class TCustomMaskEdit : public TCustomEdit {
  VCL_DECLARE_CLASS(TCustomMaskEdit, TCustomEdit)
  explicit TCustomMaskEdit(TOwnerArg owner);

  TEditMaskText GetEditMask() const { return FEditMask; }
  void SetEditMask(const TEditMaskText& value);
  bool IsMasked() const { return !FMask.IsEmpty(); }
  // The text as shown: literals and blank characters in place.
  AnsiString GetEditText() const;
  void SetEditText(const AnsiString& value);
  // The mask decides the length of a masked edit; the value set counts again once the mask goes.
  int GetMaxLength() const { return TCustomEdit::GetMaxLength(); }
  void SetMaxLength(int value);
  // Raises EDBEditError, the caret on the first required position left blank, when there is one.
  virtual void ValidateEdit();

protected:
  void CreateParams(TCreateParams& params) override;
  void DestroyWnd() override;
  void Dispatch(void* message) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  AnsiString DoGetText() const override;
  void SetTextInternal(const AnsiString& value) override;
  const TEditMask& GetMask() const { return FMask; }

private:
  std::wstring WindowEditText() const;
  void Replace(int start, int end, const std::wstring& text, int caret);
  void SetCaret(int position);
  void Selection(int& start, int& end);
  void TypeChar(wchar_t ch);
  void Erase(bool backward);
  void Paste();
  void Cut();
  void FitCaret();
  void RestoreOldValue();

  TEditMaskText FEditMask;
  TEditMask FMask;
  std::wstring FOldValue;
  int FMaxLength = 0;
  bool FReEnter = false;
  bool FFixing = false;
};

class TMaskEdit : public TCustomMaskEdit {
  VCL_DECLARE_CLASS(TMaskEdit, TCustomMaskEdit)
  explicit TMaskEdit(TOwnerArg owner) : TCustomMaskEdit(owner) {}
};
