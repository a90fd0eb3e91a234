// Class references, the class registry and the process-wide records of closure member functions.
#include "ObjBase.h"
#include "Classes.h"
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace {
std::atomic<long> LiveObjects{0};
}  // namespace

TObject::TObject() noexcept { LiveObjects.fetch_add(1, std::memory_order_relaxed); }
TObject::TObject(const TObject&) noexcept { LiveObjects.fetch_add(1, std::memory_order_relaxed); }
TObject::~TObject() { LiveObjects.fetch_sub(1, std::memory_order_relaxed); }
long TObject::LiveInstances() noexcept { return LiveObjects.load(std::memory_order_relaxed); }

TMetaClass::TMetaClass(const char* name, TMetaClass* parent, TCreateProc create, TDescribeProc describe)
    : FName(name), FParent(parent), FCreate(create), FDescribe(describe)
{
}

bool TMetaClass::InheritsFrom(const TMetaClass* other) const
{
  for (const TMetaClass* c = this; c; c = c->FParent)
    if (c == other) return true;
  return false;
}

bool TMetaClass::ClassNameIs(const AnsiString& name) const
{
  // Class names are identifiers: ASCII, compared without regard to case as Pascal does.
  const char* a = FName;
  const char* b = name.c_str();
  for (; *a && *b; ++a, ++b) {
    char x = (*a >= 'a' && *a <= 'z') ? char(*a - 32) : *a;
    char y = (*b >= 'a' && *b <= 'z') ? char(*b - 32) : *b;
    if (x != y) return false;
  }
  return *a == 0 && *b == 0 && int(std::strlen(FName)) == name.Length();
}

TObject* TMetaClass::CreateInstance(TObject* arg) const
{
  if (!FCreate)
    throw EInvalidOperation(AnsiString("Cannot create an instance of the abstract class ") + FName);
  return FCreate(arg);
}

TMetaClass* TObject::StaticClass()
{
  static TMetaClass meta("TObject", nullptr, &vcl_detail::CreateInstanceOf<TObject>, nullptr);
  return &meta;
}

void TObject::operator delete(TObject* object, std::destroying_delete_t)
{
  void* block = dynamic_cast<void*>(object);  // the complete object, whatever static type was deleted
  object->BeforeDestruction();
  object->~TObject();
  ::operator delete(block);
}

// ---- registry ----
namespace {
struct TClassRegistry {
  std::mutex Lock;
  std::map<std::string, TMetaClass*> Classes;  // key: upper-cased name
};

TClassRegistry& Registry()
{
  static TClassRegistry registry;
  return registry;
}

std::string Key(const char* name)
{
  std::string k(name);
  for (char& c : k)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return k;
}
}  // namespace

void RegisterClass(TMetaClass* cls)
{
  if (!cls) return;
  TClassRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  // A class registered twice under one name keeps the first registration, as the VCL does for
  // re-registration of the very same class; a different class with a taken name is an error.
  auto [it, inserted] = r.Classes.emplace(Key(cls->Name()), cls);
  if (!inserted && it->second != cls)
    throw EFilerError(AnsiString("A class named ") + cls->Name() + " already exists");
}

void RegisterClasses(std::initializer_list<TMetaClass*> classes)
{
  for (TMetaClass* c : classes) RegisterClass(c);
}

void UnRegisterClass(TMetaClass* cls)
{
  if (!cls) return;
  TClassRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  auto it = r.Classes.find(Key(cls->Name()));
  if (it != r.Classes.end() && it->second == cls) r.Classes.erase(it);
}

TMetaClass* GetClass(const AnsiString& name)
{
  TClassRegistry& r = Registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  auto it = r.Classes.find(Key(name.c_str()));
  return it == r.Classes.end() ? nullptr : it->second;
}

TMetaClass* FindClass(const AnsiString& name)
{
  TMetaClass* c = GetClass(name);
  if (!c) throw EClassNotFound(AnsiString("Class ") + name + " not found");
  return c;
}

// ---- closure codes ----
const TMethodCode* InternMethodCode(const std::type_info& signature, const void* member, unsigned size)
{
  static std::mutex lock;
  static std::deque<TMethodCode> codes;  // deque: records never move
  static std::map<std::string, const TMethodCode*> index;
  if (size > sizeof(TMethodCode::Bytes)) return nullptr;
  std::string key(signature.name());
  key.push_back('\0');
  key.append(static_cast<const char*>(member), size);
  std::lock_guard<std::mutex> guard(lock);
  auto it = index.find(key);
  if (it != index.end()) return it->second;
  TMethodCode& code = codes.emplace_back();
  code.Signature = &signature;
  code.Size = size;
  std::memset(code.Bytes, 0, sizeof code.Bytes);
  std::memcpy(code.Bytes, member, size);
  index.emplace(std::move(key), &code);
  return &code;
}
