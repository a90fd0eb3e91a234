#include "ClassesFixtures.h"

int TLiveCount::Components = 0;

VCL_IMPLEMENT_ENUM(TTestColor, "tcRed", "tcGreen", "tcBlue", "tcBlack")

VCL_PUBLISHED(TTestSub)
{
  p.Property("Size", &TTestSub::GetSize, &TTestSub::SetSize).Default(8);
  p.Property("Style", &TTestSub::GetStyle, &TTestSub::SetStyle).Default(TTestColors());
}

VCL_PUBLISHED(TTestItem)
{
  p.Property("Caption", &TTestItem::GetCaption, &TTestItem::SetCaption);
  p.Property("Value", &TTestItem::GetValue, &TTestItem::SetValue).Default(0);
}

VCL_PUBLISHED(TTestComponent)
{
  using T = TTestComponent;
  p.Property("IntValue", &T::IntValue, &T::IntValue).Default(0);
  p.Property("NoDefault", &T::NoDefault, &T::NoDefault);
  p.Property("Color", &T::Color, &T::Color).Default(tcRed);
  p.Property("Flag", &T::Flag, &T::Flag).Default(false);
  p.Property("Letter", &T::Letter, &T::Letter).Default('A');
  p.Property("Colors", &T::Colors, &T::Colors).Default(TTestColors());
  p.Property("Ratio", &T::Ratio, &T::Ratio);
  p.Property("Single", &T::Single, &T::Single);
  p.Property("Money", &T::Money, &T::Money);
  p.Property("When", &T::When, &T::When);
  p.Property("Big", &T::Big, &T::Big);
  p.Property("Text", &T::Text, &T::Text);
  p.Property("Wide", &T::Wide, &T::Wide);
  p.Property("Link", &T::Link, &T::SetLink);
  p.Property("Hidden", &T::Hidden, &T::Hidden).Default(0).Stored(&T::IsHiddenStored);
  p.ReadOnly("Sub", &T::GetSub);
  p.ReadOnly("Items", &T::GetItems);
  p.Property("Lines", &T::GetLines, &T::SetLines);
  p.Property("OnClick", &T::OnClick, &T::OnClick);
  p.Property("OnValue", &T::OnValue, &T::OnValue);
}

VCL_IMPLEMENT_CLASS(TTestContainer)
VCL_IMPLEMENT_CLASS(TTestDerivedRoot)

VCL_PUBLISHED(TTestRoot)
{
  p.Property("Caption", &TTestRoot::GetCaption, &TTestRoot::SetCaption).Default(0);
  p.Method("HandleClick", &TTestRoot::HandleClick);
  p.Method("HandleValue", &TTestRoot::HandleValue);
  p.Method("OtherClick", &TTestRoot::OtherClick);
  p.Method("WrongShape", &TTestRoot::WrongShape);
}

void TTestSub::Assign(TPersistent* source)
{
  auto* other = dynamic_cast<TTestSub*>(source);
  if (!other) return TPersistent::Assign(source);
  FSize = other->FSize;
  FStyle = other->FStyle;
}

TTestComponent::TTestComponent(TComponent* owner)
    : TComponent(owner), FSub(new TTestSub), FItems(new TCollection(TTestItem::StaticClass())),
      FLines(new TStringList)
{
  ++TLiveCount::Components;
}

TTestComponent::~TTestComponent() { --TLiveCount::Components; }

void TTestComponent::Loaded()
{
  TComponent::Loaded();
  ++LoadedCalls;
}

void TTestComponent::SetLink(TComponent* v)
{
  Link = v;
  if (v) v->FreeNotification(this);
}

void TTestComponent::Notification(TComponent* c, TOperation op)
{
  TComponent::Notification(c, op);
  Notes.push_back((op == opInsert ? "+" : "-") + c->GetName().str());
  if (op == opRemove && c == Link) Link = nullptr;
}

void TTestComponent::DefineProperties(TFiler* filer)
{
  TComponent::DefineProperties(filer);
  auto* ancestor = dynamic_cast<TTestComponent*>(filer->GetAncestor());
  bool hasData = ancestor ? Blob != ancestor->Blob : !Blob.empty();
  filer->DefineBinaryProperty(
      "Blob",
      [this](TStream* s) {
        Blob.assign(size_t(s->GetSize()), '\0');
        s->ReadBuffer(Blob.data(), int(Blob.size()));
      },
      [this](TStream* s) { s->WriteBuffer(Blob.data(), int(Blob.size())); }, hasData);
}

void TTestContainer::GetChildren(TGetChildProc proc, TComponent*)
{
  for (int i = 0; i < GetComponentCount(); ++i) proc(GetComponent(i));
}

void TTestRoot::GetChildren(TGetChildProc proc, TComponent*)
{
  for (int i = 0; i < GetComponentCount(); ++i)
    if (!GetComponent(i)->HasParent()) proc(GetComponent(i));
}

void TTestRoot::Loaded()
{
  TComponent::Loaded();
  ++LoadedCalls;
}

void TTestRoot::HandleClick(TObject* sender)
{
  Calls.push_back("click:" + dynamic_cast<TComponent*>(sender)->GetName().str());
}
void TTestRoot::HandleValue(TObject* sender, int value)
{
  Calls.push_back("value:" + dynamic_cast<TComponent*>(sender)->GetName().str() + "=" + std::to_string(value));
}
void TTestRoot::OtherClick(TObject*) { Calls.push_back("other"); }
void TTestRoot::WrongShape(int) {}

void RegisterTestClasses()
{
  RegisterClasses({TTestComponent::StaticClass(), TTestContainer::StaticClass(), TTestRoot::StaticClass(),
                   TTestDerivedRoot::StaticClass()});
}

std::string Bytes(TMemoryStream& s) { return std::string(static_cast<const char*>(s.Memory()), size_t(s.GetSize())); }

std::string Hex(const std::string& bytes)
{
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}
