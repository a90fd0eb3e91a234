// Qelutil: the library's free functions (rounding, strings, dates, properties by name, tab order,
// registry, clipboard formats, interfaces of a COM object, variant comparison) and the unit's texts.
#include "Qelutil.h"

#include "Dialogs.h"
#include "Qeltwain.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "Clipbrd.h"
#include "ComCtrls.h"
#include "Registry.h"
#include "SysUtils.h"
#include "TypInfo.h"
#include "Vclstring.h"

// ---------------------------------------------------------------------------------------------------
// The unit's texts: set when the unit is first initialised, released when its last user goes.
// They are defined before the unit's initialiser, so they exist when it runs and outlive it.
AnsiString RegistryQelKey;

namespace {

AnsiString ClipboardFormatPrefix;
// The value under RegistryQelKey that remembers the chosen scanner source.
AnsiString TwainSourceValue;

void InitializeQelutil()
{
  ClipboardFormatPrefix = "QelClipFrmt";
  RegistryQelKey = "\\SOFTWARE\\QEL";
  TwainSourceValue = "Twain Source";
}

void FinalizeQelutil()
{
  ClipboardFormatPrefix = AnsiString();
  RegistryQelKey = AnsiString();
  TwainSourceValue = AnsiString();
}

TUnitInit QelutilUnitInit("Qelutil", InitializeQelutil, FinalizeQelutil);

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Rounding and zoom.

int RoundUp(double x)
{
  if (std::isnan(x) || x == 0) return 0;
  // trunc(x ± 0.5) done exactly: adding 0.5 in double would carry 0.49999999999999994 up to 1 (and
  // the runtime's round does just that). The fraction x - trunc(x) is always exact.
  double rounded = std::trunc(x);
  const double fraction = x - rounded;
  if (fraction >= 0.5) rounded += 1;
  else if (fraction <= -0.5) rounded -= 1;
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0))
    throw ERangeError(AnsiString("RoundUp: ") + AnsiString(x) + " is outside the 32-bit range");
  return static_cast<int>(rounded);
}

namespace {

// 10^n exactly while it is representable (n up to 22), then as near as the library gets.
double PowerOfTen(int n)
{
  if (n > 22) return std::pow(10.0, n);
  double p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

}  // namespace

double RoundUp(double x, int Digits)
{
  // Negative digits divide by an exact power of ten rather than multiply by an inexact 0.01, so that
  // hundreds come back as whole hundreds.
  const bool down = Digits < 0;
  // Past 10^400 every double scales to 0 or to infinity; the bound keeps -Digits from overflowing.
  long long n = Digits;
  if (n < 0) n = -n;
  const double p = PowerOfTen(static_cast<int>(n > 400 ? 400 : n));
  const int rounded = RoundUp(down ? x / p : x * p);
  // Nothing to scale back (and an infinite p would make 0 * p a NaN).
  if (rounded == 0) return 0;
  return down ? rounded * p : rounded / p;
}

namespace {

long double CheckedRatio(int target, int size)
{
  if (size == 0) throw EZeroDivide("the picture has no size to fit");
  return static_cast<long double>(target) / static_cast<long double>(size);
}

}  // namespace

long double GetBestFitZoom(TPicture* Picture, int Height, int Width)
{
  const long double byHeight = GetHeightFitZoom(Picture, Height);
  const long double byWidth = GetWidthFitZoom(Picture, Width);
  return byHeight < byWidth ? byHeight : byWidth;
}

long double GetWidthFitZoom(TPicture* Picture, int Width)
{
  return CheckedRatio(Width, Picture ? Picture->GetWidth() : 0);
}

long double GetHeightFitZoom(TPicture* Picture, int Height)
{
  return CheckedRatio(Height, Picture ? Picture->GetHeight() : 0);
}

// ---------------------------------------------------------------------------------------------------
// Strings.

int Pos(const AnsiString& S, const AnsiString& Sub, int Start)
{
  if (Sub.IsEmpty()) return 0;
  if (Start < 1) Start = 1;
  if (Start > S.Length()) return 0;
  const size_t found = S.str().find(Sub.str(), static_cast<size_t>(Start - 1));
  return found == std::string::npos ? 0 : static_cast<int>(found) + 1;
}

int OccurrenceCount(const AnsiString& S, const AnsiString& Sub)
{
  if (Sub.IsEmpty()) return 0;
  const std::string& text = S.str();
  int count = 0;
  for (size_t at = text.find(Sub.str()); at != std::string::npos; at = text.find(Sub.str(), at + Sub.str().size()))
    ++count;
  return count;
}

AnsiString ReplaceChars(const AnsiString& S, char Ch, const AnsiString& Replacement)
{
  std::string result;
  result.reserve(S.str().size());
  for (char c : S.str()) {
    if (c == Ch) result += Replacement.str();
    else result += c;
  }
  return AnsiString(std::move(result));
}

AnsiString MarkSpecialChars(const AnsiString& S, char Ch, char Mark)
{
  return ReplaceChars(S, Ch, AnsiString(std::string{Mark, Ch}));
}

AnsiString ExtractToken(const AnsiString& S, const AnsiString& Delimiters, int& Position)
{
  const int length = S.Length();
  if (Position < 1 || Position > length) {
    Position = length + 1;
    return AnsiString();
  }
  const std::string& text = S.str();
  const size_t start = static_cast<size_t>(Position - 1);
  // find_first_of with the delimiters' full size, so that a NUL among them counts too.
  size_t end = text.find_first_of(Delimiters.str(), start);
  if (end == std::string::npos) {
    end = text.size();
    Position = length + 1;
  } else {
    Position = static_cast<int>(end) + 2;
  }
  return AnsiString(text.substr(start, end - start)).Trim();
}

void LPad(AnsiString& S, int Length, char Fill)
{
  if (S.Length() < Length) S = AnsiString::StringOfChar(Fill, Length - S.Length()) + S;
}

void RPad(AnsiString& S, int Length, char Fill)
{
  if (S.Length() < Length) S += AnsiString::StringOfChar(Fill, Length - S.Length());
}

int16_t CharDigit(char c)
{
  return static_cast<int16_t>(static_cast<unsigned char>(c) - 48);
}

int16_t RightDigit(AnsiString& S, int Index)
{
  if (Index < 1 || Index > S.Length()) return 0;
  return CharDigit(S[S.Length() - Index + 1]);
}

char* DuplicatePChar(const char* s)
{
  if (!s) return nullptr;
  const size_t size = std::strlen(s) + 1;
  char* copy = static_cast<char*>(std::malloc(size));
  if (copy) std::memcpy(copy, s, size);
  return copy;
}

void SplitToComponents(const AnsiString& S, char Separator, TStringList* List)
{
  if (!List) return;
  const std::string& text = S.str();
  size_t start = 0;
  for (size_t at = text.find(Separator); at != std::string::npos; at = text.find(Separator, start)) {
    List->Add(AnsiString(text.substr(start, at - start)));
    start = at + 1;
  }
  List->Add(AnsiString(text.substr(start)));
}

void CompactStringList(TStringList* List, bool Trim)
{
  if (!List) return;
  for (int i = List->Count() - 1; i >= 0; --i) {
    if (Trim) {
      const AnsiString line = List->Get(i);
      const AnsiString trimmed = line.Trim();
      if (trimmed != line) List->Put(i, trimmed);
    }
    if (List->Get(i).IsEmpty()) List->Delete(i);
  }
}

AnsiString GetStringsLine(TStrings* Lines, char Separator)
{
  AnsiString result;
  if (!Lines) return result;
  bool first = true;
  for (int i = 0; i < Lines->Count(); ++i) {
    const AnsiString line = Lines->Get(i).Trim();
    if (line.IsEmpty()) continue;
    if (!first) result += Separator;
    result += line;
    first = false;
  }
  return result;
}

// ---------------------------------------------------------------------------------------------------
// Dates.

bool ValidDate(int Day, int Month, int Year)
{
  if (Year <= 0 || Month < 1 || Month > 12) return false;
  if (Year < 100) Year += Year <= 50 ? 2000 : 1900;
  // The platform's dates end with 9999; the year must not wrap in its 16-bit argument either.
  if (Year > 9999) return false;
  return Day >= 1 && Day <= DaysInMonth(static_cast<unsigned short>(Year), static_cast<unsigned short>(Month));
}

// ---------------------------------------------------------------------------------------------------
// Classes and published properties.

bool InheritsFrom(TMetaClass* Class, const AnsiString& ClassName)
{
  for (const TMetaClass* c = Class; c; c = c->ClassParent())
    if (c->ClassName() == ClassName) return true;
  return false;
}

void GetAncestorsClasses(TObject* Object, const AnsiString& StopClassName, TStringList* List)
{
  if (!List) return;
  List->Clear();
  if (!Object) return;
  for (const TMetaClass* c = Object->ClassType(); c && c->ClassName() != StopClassName; c = c->ClassParent())
    List->Add(c->ClassName());
}

namespace {

PPropInfo FindPropOfKind(TObject* Object, const AnsiString& Name, TTypeKind kind)
{
  if (!Object) return nullptr;
  PPropInfo info = GetPropInfo(Object, Name);
  return PropKind(info) == kind ? info : nullptr;
}

// The string object behind a TVCLString property; null for any other property and for an empty one.
TVCLString* VCLStringProp(TObject* Object, const AnsiString& Name)
{
  PPropInfo info = FindPropOfKind(Object, Name, tkClass);
  if (!info || info->PropType->Name != "TVCLString") return nullptr;
  return dynamic_cast<TVCLString*>(GetObjectProp(Object, info));
}

}  // namespace

AnsiString GetStrPropValue(TObject* Object, const AnsiString& Name)
{
  if (PPropInfo info = FindPropOfKind(Object, Name, tkLString)) return GetStrProp(Object, info);
  if (TVCLString* text = VCLStringProp(Object, Name)) return text->GetString();
  return AnsiString();
}

void SetStrPropValue(TObject* Object, const AnsiString& Name, const AnsiString& Value)
{
  if (PPropInfo info = FindPropOfKind(Object, Name, tkLString)) {
    if (info->Writable) SetStrProp(Object, info, Value);
    return;
  }
  if (TVCLString* text = VCLStringProp(Object, Name)) text->SetString(Value);
}

TObject* GetObjPropValue(TObject* Object, const AnsiString& Name)
{
  PPropInfo info = FindPropOfKind(Object, Name, tkClass);
  return info ? GetObjectProp(Object, info) : nullptr;
}

// The ordinal accessors raise EPropertyError for a missing or non-ordinal property (the platform's
// GetOrdProp / SetOrdProp do).
bool GetBoolPropValue(TObject* Object, const AnsiString& Name)
{
  return Object ? GetOrdProp(Object, Name) != 0 : false;
}

void SetBoolPropValue(TObject* Object, const AnsiString& Name, bool Value)
{
  if (Object) SetOrdProp(Object, Name, Value ? 1 : 0);
}

int GetIntPropValue(TObject* Object, const AnsiString& Name)
{
  return Object ? GetOrdProp(Object, Name) : 0;
}

void SetIntPropValue(TObject* Object, const AnsiString& Name, int Value)
{
  if (Object) SetOrdProp(Object, Name, Value);
}

// ---------------------------------------------------------------------------------------------------
// Controls.

void GetParentedTabOrderList(TWinControl* Control, TList* List)
{
  if (!List) return;
  List->Clear();
  if (!Control) return;
  // The platform's list descends into every container; keep only the control's own children.
  std::vector<TWinControl*> order;
  Control->GetTabOrderList(order);
  for (TWinControl* child : order)
    if (child && child->GetParent() == Control) List->Add(child);
}

TWinControl* TabSheetContainer(TControl* Control)
{
  if (!Control) return nullptr;
  for (TWinControl* parent = Control->GetParent(); parent; parent = parent->GetParent())
    if (dynamic_cast<TTabSheet*>(parent)) return parent;
  return nullptr;
}

// ---------------------------------------------------------------------------------------------------
// System.

AnsiString GetOSUserName()
{
  wchar_t name[200];
  DWORD size = static_cast<DWORD>(std::size(name));
  if (!GetUserNameW(name, &size)) return AnsiString();
  return AnsiString(Utf16ToUtf8(std::wstring_view(name, wcsnlen(name, std::size(name)))));
}

AnsiString RegReadString(HKEY Root, const AnsiString& Key, const AnsiString& Name)
{
  TRegistry registry(KEY_READ);
  registry.SetRootKey(Root);
  if (!registry.OpenKey(Key, false)) return AnsiString();
  // A value of another type reads as missing rather than raising.
  const TRegDataType type = registry.GetDataType(Name);
  if (type != rdString && type != rdExpandString) return AnsiString();
  return registry.ReadString(Name);
}

void RegWriteString(HKEY Root, const AnsiString& Key, const AnsiString& Name, const AnsiString& Value)
{
  TRegistry registry(KEY_ALL_ACCESS);
  registry.SetRootKey(Root);
  if (!registry.OpenKey(Key, true)) return;
  try {
    registry.WriteString(Name, Value);
  } catch (const ERegistryException&) {
    // Settings are a convenience: a value that cannot be stored is simply not remembered.
  }
}

void SetNull(void** Pointer)
{
  if (Pointer) *Pointer = nullptr;
}

AnsiString GetClipboardFormatStr(const AnsiString& A, const AnsiString& B)
{
  return ClipboardFormatPrefix + "_" + A + "_" + B;
}

UINT GetValidClipFormat(const AnsiString& A, const AnsiString& B)
{
  const UINT format = RegisterClipboardFormatW(Utf8ToUtf16(GetClipboardFormatStr(A, B).str()).c_str());
  if (format == 0) return 0;
  return Clipboard()->HasFormat(format) ? format : 0;
}

void ListInterfaces(IUnknown* Object, const AnsiString& FileName)
{
  if (!Object) return;
  TStringList names;
  TRegistry interfaces(KEY_READ);
  interfaces.SetRootKey(HKEY_CLASSES_ROOT);
  if (interfaces.OpenKey("\\Interface", false)) {
    for (const AnsiString& key : interfaces.GetKeyNames()) {
      IID iid;
      if (FAILED(IIDFromString(Utf8ToUtf16(key.str()).c_str(), &iid))) continue;
      IUnknown* answer = nullptr;
      if (FAILED(Object->QueryInterface(iid, reinterpret_cast<void**>(&answer))) || !answer) continue;
      answer->Release();
      TRegistry entry(KEY_READ);
      entry.SetRootKey(HKEY_CLASSES_ROOT);
      AnsiString name;
      if (entry.OpenKey("\\Interface\\" + key, false) && entry.GetDataType("") == rdString) name = entry.ReadString("");
      names.Add(name.IsEmpty() ? key : name);
    }
  }
  names.SaveToFile(FileName);
}

// ---------------------------------------------------------------------------------------------------
// Variants.

namespace {

bool VarEqualsOrRaise(const Variant& A, const Variant& B)
{
  const bool arrayA = VarIsArray(A);
  if (arrayA != VarIsArray(B)) return false;
  if (!arrayA) return A == B;
  const int lowA = VarArrayLowBound(A, 1);
  const int lowB = VarArrayLowBound(B, 1);
  const long long count = static_cast<long long>(VarArrayHighBound(A, 1)) - lowA + 1;
  if (count != static_cast<long long>(VarArrayHighBound(B, 1)) - lowB + 1) return false;
  for (long long k = 0; k < count; ++k)
    if (!VarEqualsOrRaise(A.GetElement({static_cast<int>(lowA + k)}), B.GetElement({static_cast<int>(lowB + k)})))
      return false;
  return true;
}

}  // namespace

bool VarEquals(const Variant& A, const Variant& B)
{
  try {
    return VarEqualsOrRaise(A, B);
  } catch (...) {
    // Values that cannot be compared (a text that is no number beside a number) are not equal.
    return false;
  }
}

// ---------------------------------------------------------------------------------------------------
// Scanner shortcuts

namespace {

// The shared step of both shortcuts: the chosen source's index, remembered; -1 when there is none.
int ChooseTwainSource(TQelTwain* twain)
{
  if (!twain) return -1;
  if (twain->GetSourceCount() <= 0) {
    ShowMessage("No sources found");
    return -1;
  }
  const int index = twain->SelectSource();
  if (index < 0) return -1;
  RegWriteString(HKEY_CURRENT_USER, RegistryQelKey, TwainSourceValue, twain->GetSource(index)->GetProductName());
  return index;
}

}  // namespace

void SelectTwainSource(TQelTwain* Twain)
{
  if (!Twain) return;
  Twain->SetLibraryLoaded(true);
  if (!Twain->LibraryLoaded) {
    ShowMessage("Twain is not installed");
    return;
  }
  if (Twain->LoadSourceManager()) {
    ChooseTwainSource(Twain);
    Twain->UnloadSourceManager(true);
  }
  Twain->SetLibraryLoaded(false);
}

void TwainAcquire(TQelTwain* Twain)
{
  if (!Twain) return;
  Twain->SetLibraryLoaded(true);
  if (!Twain->LibraryLoaded || !Twain->LoadSourceManager()) return;
  const AnsiString remembered = RegReadString(HKEY_CURRENT_USER, RegistryQelKey, TwainSourceValue);
  int index = -1;
  if (remembered.IsEmpty()) {
    index = ChooseTwainSource(Twain);
  } else {
    for (int i = 0; i < Twain->GetSourceCount(); ++i)
      if (Twain->GetSource(i)->GetProductName() == remembered) index = i;
  }
  TTwainSource* source = index >= 0 ? Twain->GetSource(index) : nullptr;
  if (!source) return;
  source->TransferMode = tmNative;
  source->LoadSource();
  if (!source->EnableSource(true, true)) ShowMessage("Unsuccess open source");
}
