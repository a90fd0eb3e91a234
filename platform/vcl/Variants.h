// Variant of the VCL stand-in: a wrapper that owns an OLE VARIANT.
//
// An AnsiString variant (varString) is held as a VT_BSTR with a flag of this wrapper: the VARIANT
// itself stays a valid OLE string for every platform call, and VarType answers varString. The flag
// does not survive a trip through OLE: an AnsiString stored into a variant array (whose elements are
// OLE VARIANTs) reads back as an OLE string (varOleStr) with the same text.
#pragma once

#include <initializer_list>
#include <vector>

#include "SysUtils.h"
#include "System.h"

enum : unsigned short {
  varEmpty = VT_EMPTY,
  varNull = VT_NULL,
  varSmallint = VT_I2,
  varInteger = VT_I4,
  varSingle = VT_R4,
  varDouble = VT_R8,
  varCurrency = VT_CY,
  varDate = VT_DATE,
  varOleStr = VT_BSTR,
  varDispatch = VT_DISPATCH,
  varError = VT_ERROR,
  varBoolean = VT_BOOL,
  varVariant = VT_VARIANT,
  varUnknown = VT_UNKNOWN,
  varShortInt = VT_I1,
  varByte = VT_UI1,
  varWord = VT_UI2,
  varLongWord = VT_UI4,
  varInt64 = VT_I8,
  varString = 0x0100,  // AnsiString (see above)
  varTypeMask = 0x0FFF,
  varArray = VT_ARRAY,
  varByRef = VT_BYREF,
};

class Variant {
public:
  Variant();
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  explicit Variant(const VARIANT& value);  // a copy of an OLE variant
  ~Variant();
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;

  Variant(bool value);
  Variant(unsigned char value);
  Variant(short value);
  Variant(int value);
  Variant(long value);
  Variant(float value);
  Variant(double value);
  Variant(Currency value);
  Variant(TDateTime value);
  Variant(const AnsiString& value);  // varString
  Variant(const char* value);        // varString
  Variant(const WideString& value);  // varOleStr
  Variant(const wchar_t* value);     // varOleStr
  static Variant Error(SCODE code);  // varError

  // The type as VarType reports it (varString for an AnsiString variant).
  unsigned short Type() const;
  bool IsEmpty() const { return value_.vt == VT_EMPTY; }
  bool IsNull() const { return value_.vt == VT_NULL; }
  bool IsArray() const { return (value_.vt & VT_ARRAY) != 0; }

  // Conversions; a value that cannot be converted raises EVariantError. Text takes numbers with '.'.
  int AsInteger() const;
  short AsSmallint() const;
  unsigned char AsByte() const;
  double AsDouble() const;
  float AsSingle() const;
  bool AsBoolean() const;
  Currency AsCurrency() const;
  TDateTime AsDate() const;
  AnsiString AsString() const;
  WideString AsOleStr() const;
  SCODE AsError() const;
  explicit operator int() const { return AsInteger(); }
  explicit operator double() const { return AsDouble(); }
  explicit operator bool() const { return AsBoolean(); }
  operator AnsiString() const { return AsString(); }

  // Variant arrays. Dimensions count from 1; indices are given leftmost dimension first.
  int ArrayDimCount() const;
  int ArrayLowBound(int dim) const;
  int ArrayHighBound(int dim) const;
  unsigned short ArrayElementType() const;
  Variant GetElement(const std::vector<int>& indices) const;
  void PutElement(const Variant& value, const std::vector<int>& indices);
  Variant GetElement(std::initializer_list<int> indices) const { return GetElement(std::vector<int>(indices)); }
  void PutElement(const Variant& value, std::initializer_list<int> indices) { PutElement(value, std::vector<int>(indices)); }

  // The OLE variant itself, for platform calls.
  const VARIANT& Raw() const { return value_; }
  // Clears the variant and answers its VARIANT to receive an out parameter.
  VARIANT* Out();

  // Comparison as the platform's VarCmp decides, except that a number and a text compare as numbers
  // (the text read as one; text that is none raises EVariantError), as in the VCL. Empty equals empty
  // and null equals null only.
  friend bool operator==(const Variant& a, const Variant& b);
  friend bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }
  friend bool operator<(const Variant& a, const Variant& b);
  friend bool operator>(const Variant& a, const Variant& b);
  friend bool operator<=(const Variant& a, const Variant& b);
  friend bool operator>=(const Variant& a, const Variant& b);

  // Arithmetic with the VCL's conversions: Null with anything is Null, empty counts as 0 (or as ''
  // beside a text), text + text joins, text beside a number is read as a number ('12' + 1 = 13;
  // text that is none raises EVariantError). Integers stay integers while they fit (then Int64, then
  // double), currency stays exact, a date plus or minus a number is a date, '/' always gives a double.
  // Division by zero raises EZeroDivide; arrays and objects raise EVariantError.
  friend Variant operator+(const Variant& a, const Variant& b);
  friend Variant operator-(const Variant& a, const Variant& b);
  friend Variant operator*(const Variant& a, const Variant& b);
  friend Variant operator/(const Variant& a, const Variant& b);
  Variant& operator+=(const Variant& b) { return *this = *this + b; }
  Variant& operator-=(const Variant& b) { return *this = *this - b; }
  Variant& operator*=(const Variant& b) { return *this = *this * b; }
  Variant& operator/=(const Variant& b) { return *this = *this / b; }

private:
  void Clear();
  VARIANT value_;
  bool ansi_ = false;  // a VT_BSTR that holds an AnsiString
};

unsigned short VarType(const Variant& v);
bool VarIsEmpty(const Variant& v);
bool VarIsNull(const Variant& v);
bool VarIsArray(const Variant& v);
// A copy converted to varType (varString gives an AnsiString variant).
Variant VarAsType(const Variant& v, unsigned short varType);
// The text of a variant; empty for empty and null.
AnsiString VarToStr(const Variant& v);
Variant Unassigned();
Variant Null();

// A variant array: bounds holds a low and a high bound for each dimension, leftmost first.
Variant VarArrayCreate(std::initializer_list<int> bounds, unsigned short varType);
Variant VarArrayCreate(const int* bounds, int boundsHigh, unsigned short varType);  // bounds[0..boundsHigh]
int VarArrayDimCount(const Variant& v);
int VarArrayLowBound(const Variant& v, int dim);
int VarArrayHighBound(const Variant& v, int dim);
// Gives the last (rightmost) dimension the new high bound, keeping the elements that stay in range.
void VarArrayRedim(Variant& a, int highBound);
