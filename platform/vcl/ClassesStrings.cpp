// String lists: TStrings (text, comma text, names and values, streaming) and TStringList.
#include "Classes.h"

namespace {
const char* const kIndexError = "List index out of bounds (%d)";

bool NeedsQuotes(const AnsiString& s)
{
  if (s.IsEmpty()) return true;
  for (int i = 1; i <= s.Length(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c <= ' ' || c == '"' || c == ',') return true;
  }
  return false;
}

AnsiString DoubleQuoted(const AnsiString& s)
{
  AnsiString r("\"");
  for (int i = 1; i <= s.Length(); ++i) {
    if (s[i] == '"') r += '"';
    r += s[i];
  }
  return r + "\"";
}
}  // namespace

// ===================================================================================================
// TStrings
void TStrings::Error(const AnsiString& message, int data) { throw EStringListError(Format(message, {data})); }

int TStrings::Add(const AnsiString& s)
{
  int index = GetCount();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const AnsiString& s, TObject* object)
{
  int index = Add(s);
  PutObject(index, object);
  return index;
}

void TStrings::AddStrings(TStrings* strings)
{
  BeginUpdate();
  try {
    for (int i = 0; i < strings->GetCount(); ++i) AddObject(strings->Get(i), strings->GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Assign(TPersistent* source)
{
  auto* other = dynamic_cast<TStrings*>(source);
  if (!other) return TPersistent::Assign(source);
  BeginUpdate();
  try {
    Clear();
    AddStrings(other);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::BeginUpdate()
{
  if (FUpdateCount++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate()
{
  if (FUpdateCount > 0 && --FUpdateCount == 0) SetUpdateState(false);
}

bool TStrings::Equals(TStrings* strings)
{
  int n = GetCount();
  if (n != strings->GetCount()) return false;
  for (int i = 0; i < n; ++i)
    if (Get(i) != strings->Get(i)) return false;
  return true;
}

void TStrings::Exchange(int index1, int index2)
{
  BeginUpdate();
  try {
    TObject* obj = GetObject(index1);
    AnsiString s = Get(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, s);
    PutObject(index2, obj);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::CompareStrings(const AnsiString& s1, const AnsiString& s2) { return AnsiCompareText(s1, s2); }

int TStrings::IndexOf(const AnsiString& s)
{
  for (int i = 0; i < GetCount(); ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const AnsiString& name)
{
  for (int i = 0; i < GetCount(); ++i) {
    AnsiString s = Get(i);
    int p = s.Pos("=");
    if (p > 0 && CompareStrings(s.SubString(1, p - 1), name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(TObject* object)
{
  for (int i = 0; i < GetCount(); ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

void TStrings::InsertObject(int index, const AnsiString& s, TObject* object)
{
  Insert(index, s);
  PutObject(index, object);
}

void TStrings::Move(int curIndex, int newIndex)
{
  if (curIndex == newIndex) return;
  BeginUpdate();
  try {
    AnsiString s = Get(curIndex);
    TObject* obj = GetObject(curIndex);
    Delete(curIndex);
    InsertObject(newIndex, s, obj);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::LoadFromFile(const AnsiString& fileName)
{
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TStrings::LoadFromStream(TStream* stream)
{
  BeginUpdate();
  try {
    int size = stream->GetSize() - stream->GetPosition();
    std::string buf(size_t(size > 0 ? size : 0), '\0');
    if (size > 0) stream->ReadBuffer(buf.data(), size);
    // A UTF-8 byte-order mark is not part of the text.
    if (buf.size() >= 3 && buf.compare(0, 3, "\xEF\xBB\xBF") == 0) buf.erase(0, 3);
    SetText(AnsiString(buf));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::SaveToFile(const AnsiString& fileName)
{
  TFileStream stream(fileName, fmCreate);
  SaveToStream(&stream);
}

void TStrings::SaveToStream(TStream* stream)
{
  AnsiString text = GetText();
  stream->WriteBuffer(text.c_str(), text.Length());
}

void TStrings::Put(int index, const AnsiString& s)
{
  TObject* obj = GetObject(index);
  Delete(index);
  InsertObject(index, s, obj);
}

TObject* TStrings::GetObject(int) { return nullptr; }
void TStrings::PutObject(int, TObject*) {}

AnsiString TStrings::GetText()
{
  std::string text;
  for (int i = 0; i < GetCount(); ++i) {
    text += Get(i).str();
    text += "\r\n";
  }
  return AnsiString(std::move(text));
}

void TStrings::SetText(const AnsiString& text)
{
  BeginUpdate();
  try {
    Clear();
    // Lines end at CR, LF or CR LF; a last line without an ending still counts.
    const std::string& s = text.str();
    size_t start = 0;
    while (start < s.size()) {
      size_t end = s.find_first_of("\r\n", start);
      if (end == std::string::npos) end = s.size();
      Add(AnsiString(s.substr(start, end - start)));
      if (end < s.size() && s[end] == '\r') ++end;
      if (end < s.size() && s[end] == '\n') ++end;
      start = end;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

AnsiString TStrings::GetCommaText()
{
  AnsiString result;
  for (int i = 0; i < GetCount(); ++i) {
    if (i > 0) result += ",";
    AnsiString s = Get(i);
    result += NeedsQuotes(s) ? DoubleQuoted(s) : s;
  }
  // A single empty string must stay distinguishable from no strings at all.
  if (GetCount() == 1 && Get(0).IsEmpty()) return AnsiString("\"\"");
  return result;
}

void TStrings::SetCommaText(const AnsiString& text)
{
  BeginUpdate();
  try {
    Clear();
    const std::string& s = text.str();
    size_t i = 0;
    auto skipBlanks = [&] { while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i; };
    skipBlanks();
    while (i < s.size()) {
      std::string item;
      if (s[i] == '"') {
        ++i;
        while (i < s.size()) {
          if (s[i] == '"') {
            if (i + 1 < s.size() && s[i + 1] == '"') {
              item += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          item += s[i++];
        }
      } else {
        while (i < s.size() && static_cast<unsigned char>(s[i]) > ' ' && s[i] != ',') item += s[i++];
      }
      Add(AnsiString(item));
      skipBlanks();
      if (i < s.size() && s[i] == ',') {
        ++i;
        skipBlanks();
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

AnsiString TStrings::GetName(int index)
{
  AnsiString s = Get(index);
  int p = s.Pos("=");
  return p > 0 ? s.SubString(1, p - 1) : AnsiString();
}

AnsiString TStrings::GetValue(const AnsiString& name)
{
  int i = IndexOfName(name);
  if (i < 0) return AnsiString();
  AnsiString s = Get(i);
  return s.SubString(name.Length() + 2, s.Length());
}

void TStrings::SetValue(const AnsiString& name, const AnsiString& value)
{
  int i = IndexOfName(name);
  if (value.IsEmpty()) {
    if (i >= 0) Delete(i);
    return;
  }
  if (i < 0) Add(name + "=" + value);
  else Put(i, name + "=" + value);
}

void TStrings::DefineProperties(TFiler* filer)
{
  bool hasData;
  if (auto* ancestor = dynamic_cast<TStrings*>(filer->GetAncestor())) hasData = !Equals(ancestor);
  else hasData = GetCount() > 0;
  filer->DefineProperty("Strings", [this](TReader* r) { ReadData(r); }, [this](TWriter* w) { WriteData(w); },
                        hasData);
}

void TStrings::ReadData(TReader* reader)
{
  reader->ReadListBegin();
  BeginUpdate();
  try {
    Clear();
    while (!reader->EndOfList()) Add(reader->ReadString());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  reader->ReadListEnd();
}

void TStrings::WriteData(TWriter* writer)
{
  writer->WriteListBegin();
  for (int i = 0; i < GetCount(); ++i) writer->WriteString(Get(i));
  writer->WriteListEnd();
}

// ===================================================================================================
// TStringList
TStringList::~TStringList()
{
  FOnChange = nullptr;
  FOnChanging = nullptr;
}

void TStringList::CheckIndex(int index) const
{
  if (index < 0 || index >= int(FList.size())) throw EStringListError(Format(kIndexError, {index}));
}

int TStringList::Add(const AnsiString& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const AnsiString& s, TObject* object)
{
  int index;
  if (!FSorted) {
    index = int(FList.size());
  } else if (Find(s, index)) {
    switch (FDuplicates) {
      case dupIgnore: return index;
      case dupError: throw EStringListError("String list does not allow duplicates");
      case dupAccept: break;
    }
  }
  InsertItem(index, s, object);
  return index;
}

void TStringList::Changed()
{
  if (GetUpdateCount() == 0 && FOnChange) FOnChange(this);
}

void TStringList::Changing()
{
  if (GetUpdateCount() == 0 && FOnChanging) FOnChanging(this);
}

void TStringList::Clear()
{
  if (FList.empty()) return;
  Changing();
  FList.clear();
  Changed();
}

void TStringList::Delete(int index)
{
  CheckIndex(index);
  Changing();
  FList.erase(FList.begin() + index);
  Changed();
}

void TStringList::Exchange(int index1, int index2)
{
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(FList[size_t(index1)], FList[size_t(index2)]);
  Changed();
}

int TStringList::CompareStrings(const AnsiString& s1, const AnsiString& s2)
{
  return FCaseSensitive ? AnsiCompareStr(s1, s2) : AnsiCompareText(s1, s2);
}

bool TStringList::Find(const AnsiString& s, int& index)
{
  // Bisection for the first string not less than s; with duplicates accepted it finds the first equal.
  bool found = false;
  int lo = 0, hi = int(FList.size()) - 1;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = CompareStrings(FList[size_t(mid)].FString, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (FDuplicates != dupAccept) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

int TStringList::IndexOf(const AnsiString& s)
{
  if (!FSorted) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::Insert(int index, const AnsiString& s)
{
  if (FSorted) throw EStringListError("Operation not allowed on sorted string list");
  if (index < 0 || index > int(FList.size())) throw EStringListError(Format(kIndexError, {index}));
  InsertItem(index, s, nullptr);
}

void TStringList::InsertItem(int index, const AnsiString& s, TObject* object)
{
  Changing();
  FList.insert(FList.begin() + index, TStringItem{s, object});
  Changed();
}

void TStringList::Sort() { CustomSort(nullptr); }

void TStringList::CustomSort(TStringListSortCompare compare)
{
  if (FList.size() < 2) return;
  Changing();
  QuickSort(0, int(FList.size()) - 1, compare);
  Changed();
}

void TStringList::QuickSort(int lo, int hi, TStringListSortCompare compare)
{
  auto cmp = [&](int a, int b) {
    if (compare) return compare(this, a, b);
    return CompareStrings(FList[size_t(a)].FString, FList[size_t(b)].FString);
  };
  // Hoare partition with indices kept in range even when the comparison is inconsistent.
  while (lo < hi) {
    int i = lo, j = hi, pivot = (lo + hi) / 2;
    do {
      while (i < hi && cmp(i, pivot) < 0) ++i;
      while (j > lo && cmp(j, pivot) > 0) --j;
      if (i <= j) {
        std::swap(FList[size_t(i)], FList[size_t(j)]);
        if (pivot == i) pivot = j;
        else if (pivot == j) pivot = i;
        ++i;
        --j;
      }
    } while (i <= j);
    if (lo < j) QuickSort(lo, j, compare);
    lo = i;
  }
}

AnsiString TStringList::Get(int index)
{
  CheckIndex(index);
  return FList[size_t(index)].FString;
}

void TStringList::Put(int index, const AnsiString& s)
{
  if (FSorted) throw EStringListError("Operation not allowed on sorted string list");
  CheckIndex(index);
  Changing();
  FList[size_t(index)].FString = s;
  Changed();
}

TObject* TStringList::GetObject(int index)
{
  CheckIndex(index);
  return FList[size_t(index)].FObject;
}

void TStringList::PutObject(int index, TObject* object)
{
  CheckIndex(index);
  Changing();
  FList[size_t(index)].FObject = object;
  Changed();
}

void TStringList::SetCapacity(int value)
{
  if (value > int(FList.size())) FList.reserve(size_t(value));
}

void TStringList::SetSorted(bool value)
{
  if (FSorted == value) return;
  if (value) Sort();
  FSorted = value;
}

void TStringList::SetCaseSensitive(bool value)
{
  if (FCaseSensitive == value) return;
  FCaseSensitive = value;
  if (FSorted) Sort();
}

void TStringList::SetUpdateState(bool updating)
{
  if (updating) Changing();
  else Changed();
}
