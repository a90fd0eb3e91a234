// The design-time interface: property editors and the designer they report to. Enough of the form
// designer's side for a library's editors to be written and exercised without an IDE.
#pragma once

#include <vector>

#include "Classes.h"
#include "TypInfo.h"

// What the form designer offers a property editor.
class IFormDesigner {
public:
  virtual ~IFormDesigner() = default;
  // The edited form has changed and must be saved.
  virtual void Modified() = 0;
};

enum TPropertyAttribute {
  paValueList, paSubProperties, paDialog, paMultiSelect, paAutoUpdate, paSortList, paReadOnly, paRevertable
};
typedef Set<TPropertyAttribute, paValueList, paRevertable> TPropertyAttributes;

// Receives one value of a value list.
typedef TClosure<void(const AnsiString& value)> TGetStrProc;

// Edits one published property of the selected components (PropCount of them).
class TPropertyEditor : public TObject {
  VCL_DECLARE_CLASS(TPropertyEditor, TObject)

public:
  TPropertyEditor(IFormDesigner* designer, int propCount);

  virtual TPropertyAttributes GetAttributes();
  // The value as the object inspector shows it, and the text the user typed.
  virtual AnsiString GetValue();
  virtual void SetValue(const AnsiString& value);
  // Hands every allowed value to proc (value-list editors).
  virtual void GetValues(TGetStrProc proc);

  // The designer tells the editor what it edits.
  void SetPropEntry(int index, TPersistent* instance, PPropInfo propInfo);

  IFormDesigner* GetDesigner() const { return FDesigner; }
  int GetPropCount() const { return int(FPropList.size()); }
  PPropInfo GetPropInfo() const { return FPropList.empty() ? nullptr : FPropList[0].PropInfo; }
  AnsiString GetName() const;
  TPersistent* GetComponent(int index) const;
  void Modified();

protected:
  // Values of the first selected component, and writes to all of them followed by Modified.
  int64_t GetOrdValue() const;
  void SetOrdValue(int64_t value);
  AnsiString GetStrValue() const;
  void SetStrValue(const AnsiString& value);
  TObject* GetObjectValue() const;
  void SetObjectValue(TObject* value);

private:
  struct TInstProp {
    TPersistent* Instance = nullptr;
    PPropInfo PropInfo = nullptr;
  };
  IFormDesigner* FDesigner;
  std::vector<TInstProp> FPropList;
};
