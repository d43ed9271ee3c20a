#include "logic/logic_value.h"

#include <cmath>
#include <cstring>

namespace {

// Supported types in table order: float, double, bool, U8, U16, U32, I8, I16, I32.
// Returns the table index, or -1.
int TypeIndex(uint32_t type) {
  switch (type) {
    case TYPEID_FLOAT:
      return 0;
    case TYPEID_DOUBLE:
      return 1;
    case TYPEID_BOOL:
      return 2;
    case TYPEID_U8:
      return 3;
    case TYPEID_U16:
      return 4;
    case TYPEID_U32:
      return 5;
    case TYPEID_I8:
      return 6;
    case TYPEID_I16:
      return 7;
    case TYPEID_I32:
      return 8;
    default:
      return -1;
  }
}

constexpr uint32_t F = TYPEID_FLOAT, D = TYPEID_DOUBLE, B = TYPEID_BOOL, U8 = TYPEID_U8,
                   U16 = TYPEID_U16, U32 = TYPEID_U32, I8 = TYPEID_I8, I16 = TYPEID_I16,
                   I32 = TYPEID_I32;

// Promotion table, symmetric; rows and columns in TypeIndex order.
constexpr uint32_t kCommon[9][9] = {
    /* float  */ {F, D, F, F, F, F, F, F, F},
    /* double */ {D, D, D, D, D, D, D, D, D},
    /* bool   */ {F, D, B, U8, U16, U32, I8, I16, I32},
    /* U8     */ {F, D, U8, U8, U16, U32, I16, I16, I32},
    /* U16    */ {F, D, U16, U16, U16, U32, I32, I32, I32},
    /* U32    */ {F, D, U32, U32, U32, U32, F, F, F},
    /* I8     */ {F, D, I8, I16, I32, F, I8, I16, I32},
    /* I16    */ {F, D, I16, I16, I32, F, I16, I16, I32},
    /* I32    */ {F, D, I32, I32, I32, F, I32, I32, I32},
};

// Real to integer truncation toward zero with the x86 rule for values out of range (and NaN):
// the most negative integer of the width. No undefined behaviour for any input.
int32_t TruncI32(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(v);
}
int64_t TruncI64(double v) {
  if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return INT64_MIN;
  return static_cast<int64_t>(v);
}

double ReadReal(const VALUE_SLOT& s, uint32_t type) {
  return type == TYPEID_FLOAT ? static_cast<double>(s.f32) : s.f64;
}

// Stores an integer at the type's width into a cleared slot (wrap-around).
void StoreInteger(VALUE_SLOT& s, uint32_t type, int64_t v) {
  s.raw = 0;
  switch (type) {
    case TYPEID_BOOL:
      s.u8 = v != 0 ? 1 : 0;
      break;
    case TYPEID_U8:
      s.u8 = static_cast<uint8_t>(v);
      break;
    case TYPEID_I8:
      s.i8 = static_cast<int8_t>(v);
      break;
    case TYPEID_U16:
      s.u16 = static_cast<uint16_t>(v);
      break;
    case TYPEID_I16:
      s.i16 = static_cast<int16_t>(v);
      break;
    case TYPEID_U32:
      s.u32 = static_cast<uint32_t>(v);
      break;
    case TYPEID_I32:
      s.i32 = static_cast<int32_t>(v);
      break;
    default:
      break;
  }
}


const VALUE_SLOT kZero{};

const VALUE_SLOT& Or0(const VALUE_SLOT* s) { return s != nullptr ? *s : kZero; }

enum class Arith { kAdd, kSub, kMul };

void Arithmetic(Arith op, const VALUE_SLOT* lp, const VALUE_SLOT* rp, uint32_t type,
                VALUE_SLOT* result, bool saturate) {
  if (result == nullptr) return;
  const VALUE_SLOT& l = Or0(lp);
  const VALUE_SLOT& r = Or0(rp);
  VALUE_SLOT out{};
  if (type == TYPEID_FLOAT) {
    out.f32 = op == Arith::kAdd ? l.f32 + r.f32 : op == Arith::kSub ? l.f32 - r.f32 : l.f32 * r.f32;
  } else if (type == TYPEID_DOUBLE) {
    out.f64 = op == Arith::kAdd ? l.f64 + r.f64 : op == Arith::kSub ? l.f64 - r.f64 : l.f64 * r.f64;
  } else if (LOGIC_IsIntegerType(type)) {
    // 64 bits hold every exact sum, difference and product of two values of up to 32 bits,
    // except the U32 product, which is done unsigned.
    const int64_t a = LOGIC_ReadInteger(l, type);
    const int64_t b = LOGIC_ReadInteger(r, type);
    int64_t lo = 0, hi = 0;
    LOGIC_IntegerRange(type, &lo, &hi);
    if (op == Arith::kMul && type == TYPEID_U32) {
      const uint64_t p = static_cast<uint64_t>(a) * static_cast<uint64_t>(b);
      const uint64_t v = saturate && p > 4294967295ULL ? 4294967295ULL : p;
      StoreInteger(out, type, static_cast<int64_t>(v & 0xFFFFFFFFULL));
    } else {
      int64_t e = op == Arith::kAdd ? a + b : op == Arith::kSub ? a - b : a * b;
      if (saturate) e = e < lo ? lo : e > hi ? hi : e;
      StoreInteger(out, type, e);
    }
  }
  *result = out;
}

}  // namespace

bool LOGIC_IsSupportedType(uint32_t type) { return TypeIndex(type) >= 0; }

bool LOGIC_IsUnsupportedType(uint32_t type) { return type <= 14 && ((0x6219u >> type) & 1u) != 0; }

bool LOGIC_IsIntegerType(uint32_t type) {
  return type == TYPEID_U8 || type == TYPEID_U16 || type == TYPEID_U32 || type == TYPEID_I8 ||
         type == TYPEID_I16 || type == TYPEID_I32;
}

bool LOGIC_IsSignedType(uint32_t type) {
  return type == TYPEID_I8 || type == TYPEID_I16 || type == TYPEID_I32;
}

void LOGIC_IntegerRange(uint32_t type, int64_t* lo, int64_t* hi) {
  switch (type) {
    case TYPEID_U8: *lo = 0; *hi = UINT8_MAX; break;
    case TYPEID_U16: *lo = 0; *hi = UINT16_MAX; break;
    case TYPEID_U32: *lo = 0; *hi = UINT32_MAX; break;
    case TYPEID_I8: *lo = INT8_MIN; *hi = INT8_MAX; break;
    case TYPEID_I16: *lo = INT16_MIN; *hi = INT16_MAX; break;
    default: *lo = INT32_MIN; *hi = INT32_MAX; break;
  }
}

bool LOGIC_IsRealType(uint32_t type) { return type == TYPEID_FLOAT || type == TYPEID_DOUBLE; }

uint32_t LOGIC_TypeWidth(uint32_t type) {
  switch (type) {
    case TYPEID_BOOL:
    case TYPEID_U8:
    case TYPEID_I8:
      return 1;
    case TYPEID_U16:
    case TYPEID_I16:
      return 2;
    case TYPEID_FLOAT:
    case TYPEID_U32:
    case TYPEID_I32:
      return 4;
    case TYPEID_DOUBLE:
      return 8;
    default:
      return 0;
  }
}

const char* LOGIC_TypeName(uint32_t type) {
  static const char* const kNames[9] = {"float", "double", "bool", "U8", "U16",
                                        "U32",   "I8",     "I16",  "I32"};
  const int i = TypeIndex(type);
  return i < 0 ? "" : kNames[i];
}

const char* LOGIC_TypeCastText(uint32_t type) {
  static const char* const kCasts[9] = {"(float)", "(double)", "(bool)", "(U8)", "(U16)",
                                        "(U32)",   "(I8)",     "(I16)",  "(I32)"};
  const int i = TypeIndex(type);
  return i < 0 ? "" : kCasts[i];
}

int64_t LOGIC_ReadInteger(const VALUE_SLOT& s, uint32_t type) {
  switch (type) {
    case TYPEID_BOOL:
      return s.u8 != 0 ? 1 : 0;
    case TYPEID_U8:
      return s.u8;
    case TYPEID_I8:
      return s.i8;
    case TYPEID_U16:
      return s.u16;
    case TYPEID_I16:
      return s.i16;
    case TYPEID_U32:
      return s.u32;
    case TYPEID_I32:
      return s.i32;
    default:
      return 0;
  }
}

bool LOGIC_IsZero(const VALUE_SLOT& s, uint32_t type) {
  if (type == TYPEID_FLOAT) return s.f32 == 0.0f;
  if (type == TYPEID_DOUBLE) return s.f64 == 0.0;
  if (type == TYPEID_BOOL) return s.u8 == 0;
  if (LOGIC_IsIntegerType(type)) return LOGIC_ReadInteger(s, type) == 0;
  return false;
}

void LOGIC_ConvertValue(VALUE_SLOT* slot, uint32_t from, uint32_t to) {
  if (slot == nullptr || to < 1 || to > 12) return;
  if (!LOGIC_IsSupportedType(from) || !LOGIC_IsSupportedType(to)) return;
  if (from == to) return;
  VALUE_SLOT& s = *slot;
  VALUE_SLOT out{};
  if (LOGIC_IsRealType(from)) {
    const double v = ReadReal(s, from);
    switch (to) {
      case TYPEID_FLOAT:
        out.f32 = static_cast<float>(v);
        break;
      case TYPEID_DOUBLE:
        out.f64 = v;
        break;
      case TYPEID_BOOL:
        out.u8 = v == 0.0 ? 0 : 1;
        break;  // NaN gives 1
      case TYPEID_U32:
        StoreInteger(out, to, TruncI64(v));
        break;
      default:
        StoreInteger(out, to, TruncI32(v));
        break;
    }
  } else {
    // bool and integers: the value at the source width, extended by the source's sign.
    // Zero- or sign-extension to a wider target and truncation to a narrower one (the
    // table's "keep") both amount to storing that value at the target width.
    const int64_t v = LOGIC_ReadInteger(s, from);
    switch (to) {
      case TYPEID_FLOAT:
        out.f32 = static_cast<float>(v);
        break;
      case TYPEID_DOUBLE:
        out.f64 = static_cast<double>(v);
        break;
      default:
        StoreInteger(out, to, v);
        break;
    }
  }
  s = out;
}

uint32_t LOGIC_CommonType(uint32_t left_type, uint32_t right_type) {
  const int l = TypeIndex(left_type);
  const int r = TypeIndex(right_type);
  if (l < 0 || r < 0) return 0;
  return kCommon[l][r];
}

uint32_t LOGIC_CheckOperation(uint32_t type, uint32_t op, const VALUE_SLOT* right) {
  if (type > 14) return 0;
  if (LOGIC_IsUnsupportedType(type)) return CHECK_UNSUPPORTED_TYPE;
  const VALUE_SLOT& r = Or0(right);
  if (LOGIC_IsRealType(type)) {
    if (op >= CALC_MOD && op <= CALC_XOR) return CHECK_REAL_BITWISE;
    if (op == CALC_DIV && LOGIC_IsZero(r, type)) return CHECK_DIVISION_BY_ZERO;
    return 0;
  }
  if (type == TYPEID_BOOL) {
    return op >= CALC_ADD && op <= CALC_SHR ? CHECK_BOOL_ARITHMETIC : 0;
  }
  if ((op == CALC_DIV || op == CALC_MOD) && LOGIC_ReadInteger(r, type) == 0) {
    return CHECK_DIVISION_BY_ZERO;
  }
  return 0;
}

void LOGIC_Add(const VALUE_SLOT* l, const VALUE_SLOT* r, uint32_t type, VALUE_SLOT* res,
               bool saturate) {
  Arithmetic(Arith::kAdd, l, r, type, res, saturate);
}

void LOGIC_Subtract(const VALUE_SLOT* l, const VALUE_SLOT* r, uint32_t type, VALUE_SLOT* res,
                    bool saturate) {
  Arithmetic(Arith::kSub, l, r, type, res, saturate);
}

void LOGIC_Multiply(const VALUE_SLOT* l, const VALUE_SLOT* r, uint32_t type, VALUE_SLOT* res,
                    bool saturate) {
  Arithmetic(Arith::kMul, l, r, type, res, saturate);
}

void LOGIC_Divide(const VALUE_SLOT* lp, const VALUE_SLOT* rp, uint32_t type, VALUE_SLOT* res) {
  if (res == nullptr) return;
  const VALUE_SLOT& l = Or0(lp);
  const VALUE_SLOT& r = Or0(rp);
  VALUE_SLOT out{};
  if (type == TYPEID_FLOAT) {
    if (r.f32 != 0.0f) out.f32 = l.f32 / r.f32;
  } else if (type == TYPEID_DOUBLE) {
    if (r.f64 != 0.0) out.f64 = l.f64 / r.f64;
  } else if (LOGIC_IsIntegerType(type)) {
    const int64_t a = LOGIC_ReadInteger(l, type);
    const int64_t b = LOGIC_ReadInteger(r, type);
    // In 64 bits even -2147483648 / -1 is exact; storing wraps it back to -2147483648.
    if (b != 0) StoreInteger(out, type, a / b);
  }
  *res = out;
}

void LOGIC_Modulo(const VALUE_SLOT* lp, const VALUE_SLOT* rp, uint32_t type, VALUE_SLOT* res) {
  if (res == nullptr) return;
  VALUE_SLOT out{};
  if (LOGIC_IsIntegerType(type)) {
    const int64_t a = LOGIC_ReadInteger(Or0(lp), type);
    const int64_t b = LOGIC_ReadInteger(Or0(rp), type);
    if (b != 0) StoreInteger(out, type, a % b);  // sign of the left operand
  }
  *res = out;
}

void LOGIC_ShiftLeft(const VALUE_SLOT* lp, const VALUE_SLOT* rp, uint32_t type, VALUE_SLOT* res) {
  if (res == nullptr) return;
  VALUE_SLOT out{};
  if (LOGIC_IsIntegerType(type)) {
    const uint32_t a = static_cast<uint32_t>(LOGIC_ReadInteger(Or0(lp), type));
    const uint32_t n = static_cast<uint32_t>(LOGIC_ReadInteger(Or0(rp), type)) & 31u;
    StoreInteger(out, type, static_cast<int64_t>(a << n));
  }
  *res = out;
}

void LOGIC_ShiftRight(const VALUE_SLOT* lp, const VALUE_SLOT* rp, uint32_t type, VALUE_SLOT* res) {
  if (res == nullptr) return;
  VALUE_SLOT out{};
  if (LOGIC_IsIntegerType(type)) {
    const int64_t a = LOGIC_ReadInteger(Or0(lp), type);
    const uint32_t n = static_cast<uint32_t>(LOGIC_ReadInteger(Or0(rp), type)) & 31u;
    if (LOGIC_IsSignedType(type)) {
      StoreInteger(out, type, static_cast<int32_t>(a) >> n);  // arithmetic shift
    } else {
      StoreInteger(out, type, static_cast<uint32_t>(a) >> n);  // logical shift
    }
  }
  *res = out;
}

namespace {

enum class Bitwise { kAnd, kOr, kXor };

void BitwiseOp(Bitwise op, const VALUE_SLOT* lp, const VALUE_SLOT* rp, uint32_t type,
               VALUE_SLOT* res) {
  if (res == nullptr) return;
  VALUE_SLOT out{};
  const VALUE_SLOT& l = Or0(lp);
  const VALUE_SLOT& r = Or0(rp);
  if (type == TYPEID_BOOL) {
    const bool a = l.u8 != 0;
    const bool b = r.u8 != 0;
    out.u8 = (op == Bitwise::kAnd ? (a && b) : op == Bitwise::kOr ? (a || b) : (a != b)) ? 1 : 0;
  } else if (LOGIC_IsIntegerType(type)) {
    const int64_t a = LOGIC_ReadInteger(l, type);
    const int64_t b = LOGIC_ReadInteger(r, type);
    StoreInteger(out, type, op == Bitwise::kAnd ? (a & b) : op == Bitwise::kOr ? (a | b) : (a ^ b));
  }
  *res = out;
}

}  // namespace

void LOGIC_And(const VALUE_SLOT* l, const VALUE_SLOT* r, uint32_t type, VALUE_SLOT* res) {
  BitwiseOp(Bitwise::kAnd, l, r, type, res);
}

void LOGIC_Or(const VALUE_SLOT* l, const VALUE_SLOT* r, uint32_t type, VALUE_SLOT* res) {
  BitwiseOp(Bitwise::kOr, l, r, type, res);
}

void LOGIC_Xor(const VALUE_SLOT* l, const VALUE_SLOT* r, uint32_t type, VALUE_SLOT* res) {
  BitwiseOp(Bitwise::kXor, l, r, type, res);
}

void LOGIC_Invert(const VALUE_SLOT* operand, uint32_t type, VALUE_SLOT* res) {
  if (res == nullptr) return;
  VALUE_SLOT out{};
  const VALUE_SLOT& v = Or0(operand);
  if (type == TYPEID_BOOL) {
    out.u8 = v.u8 == 0 ? 1 : 0;
  } else if (LOGIC_IsIntegerType(type)) {
    StoreInteger(out, type, ~LOGIC_ReadInteger(v, type));
  }
  *res = out;
}

void LOGIC_Apply(uint32_t op, const VALUE_SLOT* l, const VALUE_SLOT* r, uint32_t type,
                 VALUE_SLOT* res, bool saturate) {
  if (res == nullptr) return;
  switch (op) {
    case CALC_NOP: {
      VALUE_SLOT out{};
      if (l != nullptr && LOGIC_IsSupportedType(type)) std::memcpy(&out, l, LOGIC_TypeWidth(type));
      *res = out;
      break;
    }
    case CALC_ADD:
      LOGIC_Add(l, r, type, res, saturate);
      break;
    case CALC_SUB:
      LOGIC_Subtract(l, r, type, res, saturate);
      break;
    case CALC_MUL:
      LOGIC_Multiply(l, r, type, res, saturate);
      break;
    case CALC_DIV:
      LOGIC_Divide(l, r, type, res);
      break;
    case CALC_MOD:
      LOGIC_Modulo(l, r, type, res);
      break;
    case CALC_SHL:
      LOGIC_ShiftLeft(l, r, type, res);
      break;
    case CALC_SHR:
      LOGIC_ShiftRight(l, r, type, res);
      break;
    case CALC_INVERT:
      LOGIC_Invert(l, type, res);
      break;
    case CALC_AND:
      LOGIC_And(l, r, type, res);
      break;
    case CALC_OR:
      LOGIC_Or(l, r, type, res);
      break;
    case CALC_XOR:
      LOGIC_Xor(l, r, type, res);
      break;
    default:
      res->raw = 0;
      break;
  }
}

bool LOGIC_Compare(uint32_t cond, const VALUE_SLOT* lp, uint32_t left_type, const VALUE_SLOT* rp,
                   uint32_t right_type) {
  if (cond >= COND_COUNT) return false;
  const uint32_t type = LOGIC_CommonType(left_type, right_type);
  if (type == 0) return false;
  VALUE_SLOT l = Or0(lp);
  VALUE_SLOT r = Or0(rp);
  LOGIC_ConvertValue(&l, left_type, type);
  LOGIC_ConvertValue(&r, right_type, type);
  if (LOGIC_IsRealType(type)) {
    const double a = ReadReal(l, type);
    const double b = ReadReal(r, type);
    switch (cond) {
      case COND_EQ:
        return a == b;
      case COND_NE:
        return !(a == b);
      case COND_LT:
        return a < b;
      case COND_LE:
        return a <= b;
      case COND_GT:
        return a > b;
      default:
        return a >= b;
    }
  }
  // Integers and bool: read at the width, signed types sign-extended, so one 64-bit
  // comparison gives both the equality on the width and the right ordering.
  int64_t a = LOGIC_ReadInteger(l, type);
  int64_t b = LOGIC_ReadInteger(r, type);
  if (type == TYPEID_BOOL) {  // compared on the byte, not on its truth
    a = l.u8;
    b = r.u8;
  }
  switch (cond) {
    case COND_EQ:
      return a == b;
    case COND_NE:
      return a != b;
    case COND_LT:
      return a < b;
    case COND_LE:
      return a <= b;
    case COND_GT:
      return a > b;
    default:
      return a >= b;
  }
}
