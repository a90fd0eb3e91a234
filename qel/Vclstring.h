// A text published as an object-typed property: the form designer can offer a custom editor for it
// (a drop-down of allowed values, say) while the stored form keeps it as an ordinary string.
#pragma once

#include "Classes.h"
#include "DsgnIntf.h"

class TVCLString : public TPersistent {
  VCL_DECLARE_CLASS(TVCLString, TPersistent)

public:
  TVCLString() = default;
  TVCLString(const AnsiString& text) : FString(text) {}
  TVCLString(const TVCLString& other) : TPersistent(), FString(other.FString) {}
  TVCLString& operator=(const AnsiString& text) { FString = text; return *this; }
  TVCLString& operator=(const TVCLString& other) { FString = other.FString; return *this; }

  const AnsiString& GetString() const { return FString; }
  void SetString(const AnsiString& text) { FString = text; }
  operator AnsiString() const { return FString; }
  // In bytes: a character outside ASCII counts for each of its bytes.
  int Length() const { return FString.Length(); }

  void ReadData(TReader* reader);
  void WriteData(TWriter* writer);

protected:
  void DefineProperties(TFiler* filer) override;
  void AssignTo(TPersistent* dest) override;

private:
  AnsiString FString;
};

// Shows and edits the text of a TVCLString property inline.
class TVCLStringProperty : public TPropertyEditor {
  VCL_DECLARE_CLASS(TVCLStringProperty, TPropertyEditor)

public:
  TVCLStringProperty(IFormDesigner* designer, int propCount) : TPropertyEditor(designer, propCount) {}

  AnsiString GetValue() override;
  void SetValue(const AnsiString& value) override;
};

// Offers a sorted drop-down list of the values a descendant supplies through GetValueList.
class TVCLStringListProperty : public TVCLStringProperty {
  VCL_DECLARE_CLASS(TVCLStringListProperty, TVCLStringProperty)

public:
  TVCLStringListProperty(IFormDesigner* designer, int propCount) : TVCLStringProperty(designer, propCount) {}

  TPropertyAttributes GetAttributes() override;
  void GetValues(TGetStrProc proc) override;
  virtual void GetValueList(TStrings* list);
};
