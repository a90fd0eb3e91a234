// Component classes that the classes tests stream, inspect and destroy.
#pragma once
#include "Classes.h"
#include <string>
#include <vector>

enum TTestColor { tcRed, tcGreen, tcBlue, tcBlack };
VCL_DECLARE_ENUM(TTestColor);
using TTestColors = Set<TTestColor, tcRed, tcBlack>;
using TTestValueEvent = TClosure<void(TObject* Sender, int Value)>;

// Counts live instances so that tests can prove nothing leaks and owners destroy what they own.
struct TLiveCount {
  static int Components;
};

class TTestSub : public TPersistent {
  VCL_DECLARE_CLASS(TTestSub, TPersistent)
  TTestSub() = default;
  int GetSize() const { return FSize; }
  void SetSize(int v) { FSize = v; }
  TTestColors GetStyle() const { return FStyle; }
  void SetStyle(TTestColors v) { FStyle = v; }
  void Assign(TPersistent* source) override;

private:
  int FSize = 8;
  TTestColors FStyle;
};

class TTestItem : public TCollectionItem {
  VCL_DECLARE_CLASS(TTestItem, TCollectionItem)
  explicit TTestItem(TCollection* c) : TCollectionItem(c) {}
  AnsiString GetCaption() const { return FCaption; }
  void SetCaption(const AnsiString& v) { FCaption = v; }
  int GetValue() const { return FValue; }
  void SetValue(int v) { FValue = v; }

private:
  AnsiString FCaption;
  int FValue = 0;
};

// Every kind of published property, a stored predicate and a binary defined property.
class TTestComponent : public TComponent {
  VCL_DECLARE_CLASS(TTestComponent, TComponent)
  explicit TTestComponent(TComponent* owner);
  ~TTestComponent() override;
  void Loaded() override;
  void Notification(TComponent* c, TOperation op) override;
  void DefineProperties(TFiler* filer) override;

  int IntValue = 0;
  int NoDefault = 0;
  TTestColor Color = tcRed;
  bool Flag = false;
  char Letter = 'A';
  TTestColors Colors;
  double Ratio = 0;
  float Single = 0;
  Currency Money;
  TDateTime When;
  int64_t Big = 0;
  AnsiString Text;
  WideString Wide;
  TComponent* Link = nullptr;
  int Hidden = 0;  // published, stored only when positive
  std::string Blob;  // the binary defined property "Blob"
  TNotifyEvent OnClick;
  TTestValueEvent OnValue;
  TTestSub* GetSub() const { return FSub.get(); }
  TCollection* GetItems() const { return FItems.get(); }
  TStrings* GetLines() const { return FLines.get(); }
  void SetLines(TStrings* v) { FLines->Assign(v); }
  void SetLink(TComponent* v);
  bool IsHiddenStored() const { return Hidden > 0; }
  int LoadedCalls = 0;
  std::vector<std::string> Notes;  // notifications received: "+Name" / "-Name"

private:
  std::unique_ptr<TTestSub> FSub;
  std::unique_ptr<TCollection> FItems;
  std::unique_ptr<TStringList> FLines;
};

// A component whose owned components are its streamed children.
class TTestContainer : public TTestComponent {
  VCL_DECLARE_CLASS(TTestContainer, TTestComponent)
  explicit TTestContainer(TComponent* owner) : TTestComponent(owner) {}
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  TComponent* GetChildOwner() override { return this; }
};

// A form-like root: streams its owned components and publishes event handlers.
class TTestRoot : public TComponent {
  VCL_DECLARE_CLASS(TTestRoot, TComponent)
  explicit TTestRoot(TComponent* owner) : TComponent(owner) {}
  void GetChildren(TGetChildProc proc, TComponent* root) override;
  void Loaded() override;
  void HandleClick(TObject* sender);
  void HandleValue(TObject* sender, int value);
  void OtherClick(TObject* sender);
  void WrongShape(int value);
  void Unpublished(TObject*) {}
  std::vector<std::string> Calls;
  int LoadedCalls = 0;
  int Caption = 0;
  int GetCaption() const { return Caption; }
  void SetCaption(int v) { Caption = v; }
};

class TTestDerivedRoot : public TTestRoot {
  VCL_DECLARE_CLASS(TTestDerivedRoot, TTestRoot)
  explicit TTestDerivedRoot(TComponent* owner) : TTestRoot(owner) {}
};

void RegisterTestClasses();
std::string Bytes(TMemoryStream& s);  // the stream's content
std::string Hex(const std::string& bytes);
