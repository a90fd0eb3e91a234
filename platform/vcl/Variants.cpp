#include "Variants.h"

#include <climits>
#include <cmath>

#include "Consts.h"

namespace {

[[noreturn]] void CastError() { throw EVariantError(SInvalidVarCast); }

void Check(HRESULT hr, const char* message)
{
  if (SUCCEEDED(hr)) return;
  if (hr == E_OUTOFMEMORY) throw EOutOfMemory(SOutOfMemory);
  throw EVariantError(message);
}

bool IsText(const VARIANT& v) { return v.vt == VT_BSTR; }

// A platform conversion of src to vt; text is read with '.' as the decimal separator.
VARIANT ChangeType(const VARIANT& src, VARTYPE vt)
{
  VARIANT dst;
  VariantInit(&dst);
  if (IsText(src) && (vt == VT_I8 || vt == VT_CY)) {
    // 64-bit integers and currency are read from the decimal text itself: through a double they would
    // lose digits past 2^53 and round twice.
    const AnsiString text(src.bstrVal ? src.bstrVal : L"");
    std::int64_t whole = 0;
    Currency money;
    if (vt == VT_I8 && TryStrToInt64(text, whole)) {
      dst.vt = VT_I8;
      dst.llVal = whole;
      return dst;
    }
    if (vt == VT_CY) {
      if (!TryStrToCurr(text, money)) CastError();
      dst.vt = VT_CY;
      dst.cyVal.int64 = money.Val;
      return dst;
    }
  }
  if (IsText(src) && vt != VT_BSTR && vt != VT_BOOL && vt != VT_DATE) {
    double number = 0;
    if (!TryStrToFloat(AnsiString(src.bstrVal ? src.bstrVal : L""), number)) CastError();
    VARIANT d;
    VariantInit(&d);
    d.vt = VT_R8;
    d.dblVal = number;
    if (FAILED(VariantChangeType(&dst, &d, 0, vt))) CastError();
    return dst;
  }
  if (IsText(src) && vt == VT_BOOL) {
    const AnsiString text = Trim(AnsiString(src.bstrVal ? src.bstrVal : L""));
    double number = 0;
    dst.vt = VT_BOOL;
    if (SameText(text, "True")) dst.boolVal = VARIANT_TRUE;
    else if (SameText(text, "False")) dst.boolVal = VARIANT_FALSE;
    else if (TryStrToFloat(text, number)) dst.boolVal = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    else CastError();
    return dst;
  }
  if (FAILED(VariantChangeTypeEx(&dst, const_cast<VARIANT*>(&src), LOCALE_USER_DEFAULT, 0, vt))) CastError();
  return dst;
}

// Our own texts for numbers, so that they read the same on every machine.
AnsiString TextOf(const VARIANT& v)
{
  switch (v.vt) {
    case VT_EMPTY: return {};
    case VT_I1: return IntToStr(static_cast<int>(v.cVal));
    case VT_UI1: return IntToStr(static_cast<int>(v.bVal));
    case VT_I2: return IntToStr(static_cast<int>(v.iVal));
    case VT_UI2: return IntToStr(static_cast<int>(v.uiVal));
    case VT_I4: return IntToStr(static_cast<int>(v.lVal));
    case VT_UI4: return IntToStr(static_cast<std::int64_t>(v.ulVal));
    case VT_INT: return IntToStr(static_cast<int>(v.intVal));
    case VT_I8: return IntToStr(static_cast<std::int64_t>(v.llVal));
    case VT_R4: return FloatToStr(v.fltVal);
    case VT_R8: return FloatToStr(v.dblVal);
    case VT_CY: return CurrToStr(Currency::FromScaled(v.cyVal.int64));
    case VT_DATE: return DateTimeToStr(TDateTime(v.date));
    case VT_BOOL: return v.boolVal ? "True" : "False";
    case VT_BSTR: return AnsiString(v.bstrVal ? v.bstrVal : L"");
    default: CastError();
  }
}

SAFEARRAY* ArrayOf(const VARIANT& v)
{
  if (!(v.vt & VT_ARRAY)) throw EVariantError(SVarNotArray);
  return (v.vt & VT_BYREF) ? (v.pparray ? *v.pparray : nullptr) : v.parray;
}

// The element's address as SafeArrayPutElement wants it: the pointer itself for strings and
// interfaces, the address of the value for everything else.
void* ElementData(VARIANT& v, VARTYPE elementType)
{
  switch (elementType) {
    case VT_VARIANT: return &v;
    case VT_BSTR: return v.bstrVal;
    case VT_DISPATCH:
    case VT_UNKNOWN: return v.punkVal;
    default: return &v.lVal;  // every scalar member of the union starts here
  }
}

}  // namespace

Variant::Variant() { VariantInit(&value_); }

Variant::Variant(const Variant& other) : ansi_(other.ansi_)
{
  VariantInit(&value_);
  Check(VariantCopy(&value_, const_cast<VARIANT*>(&other.value_)), SInvalidVarOp);
}

Variant::Variant(Variant&& other) noexcept : value_(other.value_), ansi_(other.ansi_)
{
  VariantInit(&other.value_);
  other.ansi_ = false;
}

Variant::Variant(const VARIANT& value)
{
  VariantInit(&value_);
  Check(VariantCopy(&value_, const_cast<VARIANT*>(&value)), SInvalidVarOp);
}

Variant::~Variant() { VariantClear(&value_); }

Variant& Variant::operator=(const Variant& other)
{
  if (this == &other) return *this;
  Variant copy(other);
  *this = std::move(copy);
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept
{
  if (this == &other) return *this;
  VariantClear(&value_);
  value_ = other.value_;
  ansi_ = other.ansi_;
  VariantInit(&other.value_);
  other.ansi_ = false;
  return *this;
}

void Variant::Clear()
{
  VariantClear(&value_);
  ansi_ = false;
}

VARIANT* Variant::Out()
{
  Clear();
  return &value_;
}

Variant::Variant(bool value) : Variant() { value_.vt = VT_BOOL; value_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; }
Variant::Variant(unsigned char value) : Variant() { value_.vt = VT_UI1; value_.bVal = value; }
Variant::Variant(short value) : Variant() { value_.vt = VT_I2; value_.iVal = value; }
Variant::Variant(int value) : Variant() { value_.vt = VT_I4; value_.lVal = value; }
Variant::Variant(long value) : Variant() { value_.vt = VT_I4; value_.lVal = value; }
Variant::Variant(float value) : Variant() { value_.vt = VT_R4; value_.fltVal = value; }
Variant::Variant(double value) : Variant() { value_.vt = VT_R8; value_.dblVal = value; }
Variant::Variant(Currency value) : Variant() { value_.vt = VT_CY; value_.cyVal.int64 = value.Val; }
Variant::Variant(TDateTime value) : Variant() { value_.vt = VT_DATE; value_.date = value.Val; }

Variant::Variant(const AnsiString& value) : Variant(WideString(value)) { ansi_ = true; }
Variant::Variant(const char* value) : Variant(AnsiString(value)) {}

Variant::Variant(const WideString& value) : Variant()
{
  value_.vt = VT_BSTR;
  value_.bstrVal = value.Copy();  // null is the OLE empty string
}

Variant::Variant(const wchar_t* value) : Variant(WideString(value)) {}

Variant Variant::Error(SCODE code)
{
  Variant v;
  v.value_.vt = VT_ERROR;
  v.value_.scode = code;
  return v;
}

unsigned short Variant::Type() const
{
  if (ansi_ && value_.vt == VT_BSTR) return varString;
  return value_.vt;
}

int Variant::AsInteger() const
{
  if (value_.vt == VT_I4) return value_.lVal;
  return ChangeType(value_, VT_I4).lVal;
}

short Variant::AsSmallint() const { return ChangeType(value_, VT_I2).iVal; }
unsigned char Variant::AsByte() const { return ChangeType(value_, VT_UI1).bVal; }

double Variant::AsDouble() const
{
  if (value_.vt == VT_R8) return value_.dblVal;
  return ChangeType(value_, VT_R8).dblVal;
}

float Variant::AsSingle() const { return ChangeType(value_, VT_R4).fltVal; }
bool Variant::AsBoolean() const { return ChangeType(value_, VT_BOOL).boolVal != VARIANT_FALSE; }
Currency Variant::AsCurrency() const { return Currency::FromScaled(ChangeType(value_, VT_CY).cyVal.int64); }
TDateTime Variant::AsDate() const { return TDateTime(ChangeType(value_, VT_DATE).date); }

AnsiString Variant::AsString() const
{
  if (IsNull() || IsArray()) CastError();
  return TextOf(value_);
}

WideString Variant::AsOleStr() const { return WideString(AsString()); }

SCODE Variant::AsError() const
{
  if (value_.vt != VT_ERROR) CastError();
  return value_.scode;
}

int Variant::ArrayDimCount() const { return IsArray() ? static_cast<int>(SafeArrayGetDim(ArrayOf(value_))) : 0; }

int Variant::ArrayLowBound(int dim) const
{
  LONG bound = 0;
  Check(SafeArrayGetLBound(ArrayOf(value_), static_cast<UINT>(dim), &bound), SVarArrayBounds);
  return bound;
}

int Variant::ArrayHighBound(int dim) const
{
  LONG bound = 0;
  Check(SafeArrayGetUBound(ArrayOf(value_), static_cast<UINT>(dim), &bound), SVarArrayBounds);
  return bound;
}

unsigned short Variant::ArrayElementType() const { return static_cast<unsigned short>(value_.vt & varTypeMask); }

Variant Variant::GetElement(const std::vector<int>& indices) const
{
  SAFEARRAY* array = ArrayOf(value_);
  if (static_cast<int>(indices.size()) != ArrayDimCount()) throw EVariantError(SVarArrayBounds);
  std::vector<LONG> index(indices.begin(), indices.end());
  const VARTYPE elementType = ArrayElementType();
  Variant result;
  if (elementType == VT_VARIANT) {
    Check(SafeArrayGetElement(array, index.data(), &result.value_), SVarArrayBounds);
    return result;
  }
  Check(SafeArrayGetElement(array, index.data(), &result.value_.lVal), SVarArrayBounds);
  result.value_.vt = elementType;
  return result;
}

void Variant::PutElement(const Variant& value, const std::vector<int>& indices)
{
  SAFEARRAY* array = ArrayOf(value_);
  if (static_cast<int>(indices.size()) != ArrayDimCount()) throw EVariantError(SVarArrayBounds);
  std::vector<LONG> index(indices.begin(), indices.end());
  const VARTYPE elementType = ArrayElementType();
  // An element of another type is converted to the array's element type first.
  Variant converted = elementType == VT_VARIANT || value.value_.vt == elementType ? value : VarAsType(value, elementType);
  Check(SafeArrayPutElement(array, index.data(), ElementData(converted.value_, elementType)), SVarArrayBounds);
}

namespace {

bool IsNumber(const VARIANT& v)
{
  switch (v.vt) {
    case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_I8: case VT_UI8:
    case VT_INT: case VT_UINT: case VT_R4: case VT_R8: case VT_CY: case VT_DECIMAL:
      return true;
    default:
      return false;
  }
}

// VarCmp's answer, except that a number and a text compare as numbers, as the VCL compares them:
// the text is read as a number first (1 = '1', 10 > '9'), and text that is no number raises.
// The platform would rank every number below every text instead.
HRESULT CompareValues(const VARIANT& a, const VARIANT& b)
{
  if ((IsNumber(a) && IsText(b)) || (IsText(a) && IsNumber(b))) {
    VARIANT x = ChangeType(a, VT_R8), y = ChangeType(b, VT_R8);
    return x.dblVal < y.dblVal ? VARCMP_LT : x.dblVal > y.dblVal ? VARCMP_GT : VARCMP_EQ;
  }
  const HRESULT r = VarCmp(const_cast<VARIANT*>(&a), const_cast<VARIANT*>(&b), LOCALE_USER_DEFAULT, 0);
  if (FAILED(r)) throw EVariantError(SInvalidVarOp);
  return r;
}

}  // namespace

bool operator==(const Variant& a, const Variant& b)
{
  if (a.IsEmpty() || b.IsEmpty()) return a.IsEmpty() && b.IsEmpty();
  if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
  return CompareValues(a.value_, b.value_) == VARCMP_EQ;
}

bool operator<(const Variant& a, const Variant& b) { return CompareValues(a.value_, b.value_) == VARCMP_LT; }
bool operator>(const Variant& a, const Variant& b) { return CompareValues(a.value_, b.value_) == VARCMP_GT; }
bool operator<=(const Variant& a, const Variant& b)
{
  const HRESULT r = CompareValues(a.value_, b.value_);
  return r == VARCMP_LT || r == VARCMP_EQ;
}
bool operator>=(const Variant& a, const Variant& b)
{
  const HRESULT r = CompareValues(a.value_, b.value_);
  return r == VARCMP_GT || r == VARCMP_EQ;
}

// ---------------------------------------------------------------------------------------------------

unsigned short VarType(const Variant& v) { return v.Type(); }
bool VarIsEmpty(const Variant& v) { return v.IsEmpty(); }
bool VarIsNull(const Variant& v) { return v.IsNull(); }
bool VarIsArray(const Variant& v) { return v.IsArray(); }
Variant Unassigned() { return Variant(); }

Variant Null()
{
  Variant v;
  v.Out()->vt = VT_NULL;
  return v;
}

AnsiString VarToStr(const Variant& v) { return v.IsNull() ? AnsiString() : v.AsString(); }

Variant VarAsType(const Variant& v, unsigned short varType)
{
  if (varType == varString) return Variant(v.AsString());
  if (varType == varOleStr) return Variant(WideString(v.AsString()));
  if (varType == varEmpty) return Variant();
  if (varType == varNull) return Null();
  if (v.Type() == varType) return v;
  VARIANT converted = ChangeType(v.Raw(), varType);
  Variant result(converted);
  VariantClear(&converted);
  return result;
}

Variant VarArrayCreate(const int* bounds, int boundsHigh, unsigned short varType)
{
  const int count = boundsHigh + 1;
  if (!bounds || count < 2 || count % 2 != 0) throw EVariantError(SVarArrayCreate);
  std::vector<SAFEARRAYBOUND> dims(static_cast<size_t>(count / 2));
  for (size_t i = 0; i < dims.size(); ++i) {
    const int low = bounds[2 * i], high = bounds[2 * i + 1];
    if (high < low - 1) throw EVariantError(SVarArrayCreate);
    dims[i].lLbound = low;
    dims[i].cElements = static_cast<ULONG>(high - low + 1);
  }
  const VARTYPE elementType = varType == varString ? static_cast<VARTYPE>(VT_BSTR) : static_cast<VARTYPE>(varType);
  SAFEARRAY* array = SafeArrayCreate(elementType, static_cast<UINT>(dims.size()), dims.data());
  if (!array) throw EVariantError(SVarArrayCreate);
  Variant result;
  VARIANT* raw = result.Out();
  raw->vt = static_cast<VARTYPE>(VT_ARRAY | elementType);
  raw->parray = array;
  return result;
}

Variant VarArrayCreate(std::initializer_list<int> bounds, unsigned short varType)
{
  return VarArrayCreate(bounds.begin(), static_cast<int>(bounds.size()) - 1, varType);
}

int VarArrayDimCount(const Variant& v) { return v.ArrayDimCount(); }
int VarArrayLowBound(const Variant& v, int dim) { return v.ArrayLowBound(dim); }
int VarArrayHighBound(const Variant& v, int dim) { return v.ArrayHighBound(dim); }

void VarArrayRedim(Variant& a, int highBound)
{
  const int dims = a.ArrayDimCount();
  if (dims == 0) throw EVariantError(SVarNotArray);
  const int low = a.ArrayLowBound(dims);
  if (highBound < low - 1) throw EVariantError(SVarArrayCreate);
  SAFEARRAYBOUND bound{static_cast<ULONG>(highBound - low + 1), low};
  const HRESULT hr = SafeArrayRedim(ArrayOf(a.Raw()), &bound);
  if (hr == DISP_E_ARRAYISLOCKED) throw EVariantError(SVarArrayLocked);
  Check(hr, SVarArrayCreate);
}

// ---------------------------------------------------------------------------------------------------
// Arithmetic

namespace {

// The classes an operand falls into, in the order results widen.
enum class Num { Integer, Int64, Currency, Date, Double };

struct Operand {
  Num kind = Num::Integer;
  std::int64_t whole = 0;  // Integer and Int64; the scaled value for Currency
  double real = 0;         // Date and Double
};

Operand OperandOf(const VARIANT& v)
{
  Operand o;
  switch (v.vt) {
    case VT_EMPTY: return o;
    case VT_BOOL: o.whole = v.boolVal ? -1 : 0; return o;
    case VT_I1: o.whole = v.cVal; return o;
    case VT_UI1: o.whole = v.bVal; return o;
    case VT_I2: o.whole = v.iVal; return o;
    case VT_UI2: o.whole = v.uiVal; return o;
    case VT_I4: o.whole = v.lVal; return o;
    case VT_INT: o.whole = v.intVal; return o;
    case VT_UI4: o.kind = Num::Int64; o.whole = v.ulVal; return o;
    case VT_I8: o.kind = Num::Int64; o.whole = v.llVal; return o;
    case VT_CY: o.kind = Num::Currency; o.whole = v.cyVal.int64; return o;
    case VT_DATE: o.kind = Num::Date; o.real = v.date; return o;
    case VT_R4: o.kind = Num::Double; o.real = v.fltVal; return o;
    case VT_R8: o.kind = Num::Double; o.real = v.dblVal; return o;
    case VT_BSTR: o.kind = Num::Double; o.real = ChangeType(v, VT_R8).dblVal; return o;
    default: throw EVariantError(SInvalidVarOp);
  }
}

double RealOf(const Operand& o)
{
  switch (o.kind) {
    case Num::Currency: return static_cast<double>(o.whole) / 10000.0;
    case Num::Date: case Num::Double: return o.real;
    default: return static_cast<double>(o.whole);
  }
}

// The scaled currency value of an integer or currency operand; false when it does not fit.
bool ScaledOf(const Operand& o, std::int64_t& scaled)
{
  if (o.kind == Num::Currency) return scaled = o.whole, true;
  return !__builtin_mul_overflow(o.whole, std::int64_t{10000}, &scaled);
}

Variant RealResult(double value, Num kind)
{
  if (!std::isfinite(value)) throw EOverflow("Floating point overflow");
  return kind == Num::Date ? Variant(TDateTime(value)) : Variant(value);
}

Variant IntegerResult(std::int64_t value, bool int64)
{
  if (!int64 && value >= INT_MIN && value <= INT_MAX) return Variant(static_cast<int>(value));
  Variant v;
  VARIANT* raw = v.Out();
  raw->vt = VT_I8;
  raw->llVal = value;
  return v;
}

double RealOp(char op, double x, double y)
{
  switch (op) {
    case '+': return x + y;
    case '-': return x - y;
    case '*': return x * y;
    default:
      if (y == 0) throw EZeroDivide("Floating point division by zero");
      return x / y;
  }
}

Variant Arithmetic(char op, const Variant& a, const Variant& b)
{
  if (a.IsArray() || b.IsArray()) throw EVariantError(SInvalidVarOp);
  if (a.IsNull() || b.IsNull()) return Null();
  const bool textA = IsText(a.Raw()) || a.IsEmpty(), textB = IsText(b.Raw()) || b.IsEmpty();
  if (op == '+' && textA && textB && !(a.IsEmpty() && b.IsEmpty())) return Variant(a.AsString() + b.AsString());
  const Operand x = OperandOf(a.Raw()), y = OperandOf(b.Raw());
  if (op == '/') return RealResult(RealOp(op, RealOf(x), RealOf(y)), Num::Double);
  // A date moved by a number stays a date; everything else widens to the wider operand.
  Num kind = std::max(x.kind, y.kind);
  if (kind == Num::Date && ((x.kind == Num::Date && y.kind == Num::Date) || op == '*')) kind = Num::Double;
  if (kind == Num::Date && op == '-' && y.kind == Num::Date) kind = Num::Double;
  if (kind >= Num::Date) return RealResult(RealOp(op, RealOf(x), RealOf(y)), kind);
  if (kind == Num::Currency) {
    std::int64_t p = 0, q = 0, r = 0;
    bool overflow = !ScaledOf(x, p) || !ScaledOf(y, q);
    if (!overflow && op == '+') overflow = __builtin_add_overflow(p, q, &r);
    if (!overflow && op == '-') overflow = __builtin_sub_overflow(p, q, &r);
    if (!overflow && op == '*') {
      // Exact when one side is a whole number; currency times currency rounds to four places.
      if (x.kind != Num::Currency) overflow = __builtin_mul_overflow(x.whole, q, &r);
      else if (y.kind != Num::Currency) overflow = __builtin_mul_overflow(p, y.whole, &r);
      else {
        const long double product = static_cast<long double>(p) * static_cast<long double>(q) / 10000.0L;
        overflow = !(std::fabs(product) < 9223372036854775807.0L);
        if (!overflow) r = std::llroundl(product);
      }
    }
    if (overflow) throw EOverflow("Arithmetic overflow");
    return Variant(Currency::FromScaled(r));
  }
  std::int64_t r = 0;
  bool overflow = false;
  switch (op) {
    case '+': overflow = __builtin_add_overflow(x.whole, y.whole, &r); break;
    case '-': overflow = __builtin_sub_overflow(x.whole, y.whole, &r); break;
    default: overflow = __builtin_mul_overflow(x.whole, y.whole, &r); break;
  }
  if (overflow) return RealResult(RealOp(op, RealOf(x), RealOf(y)), Num::Double);
  return IntegerResult(r, kind == Num::Int64);
}

}  // namespace

Variant operator+(const Variant& a, const Variant& b) { return Arithmetic('+', a, b); }
Variant operator-(const Variant& a, const Variant& b) { return Arithmetic('-', a, b); }
Variant operator*(const Variant& a, const Variant& b) { return Arithmetic('*', a, b); }
Variant operator/(const Variant& a, const Variant& b) { return Arithmetic('/', a, b); }
