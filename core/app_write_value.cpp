// APP_ComputeWriteValue: the new value of a write in the symbol's type. The arithmetic is the
// logic engine's (wrap-around or saturating at the type's range); this file adds what is
// particular to writes: the base value, which operations a type allows, the write limits,
// the saturating shifts and quotient, and the Q-format storage.
#include <cfloat>
#include <cmath>
#include <cstring>

#include "core/app_qformat.h"
#include "core/app_symbol_access.h"
#include "core/app_write.h"
#include "logic/logic_value.h"

namespace {

// The logic engine's operator for each write operation (set has none).
constexpr uint32_t kCalcOf[APP_WRITE_OP_COUNT] = {
    CALC_NOP, CALC_INVERT, CALC_ADD, CALC_SUB, CALC_MUL, CALC_DIV,
    CALC_MOD, CALC_AND,    CALC_OR,  CALC_XOR, CALC_SHL, CALC_SHR,
};

// The operand at the type's width, the rest of the slot cleared.
VALUE_SLOT OperandAt(uint64_t operand, uint32_t type) {
  VALUE_SLOT v;
  v.raw = operand;
  const uint32_t width = LOGIC_TypeWidth(type);
  if (width < 8) v.raw &= (uint64_t{1} << (8 * width)) - 1;
  return v;
}

VALUE_SLOT FromInteger(int64_t v, uint32_t type) {
  VALUE_SLOT s;
  s.raw = static_cast<uint64_t>(v);
  return OperandAt(s.raw, type);
}

bool IsAllowed(uint32_t type, uint32_t op) {
  if (LOGIC_IsRealType(type)) {
    return op == APP_WRITE_SET || (op >= APP_WRITE_ADD && op <= APP_WRITE_DIV);
  }
  if (type == TYPEID_BOOL) {
    return op == APP_WRITE_SET || op == APP_WRITE_INVERT ||
           (op >= APP_WRITE_AND && op <= APP_WRITE_XOR);
  }
  return LOGIC_IsIntegerType(type);
}

// A write limit as an integer of the type: truncated toward zero and brought into the type's
// range (a limit outside the range cannot be met by any value of the type; a NaN limit is
// no limit).
int64_t LimitAt(double limit, uint32_t type, bool is_upper) {
  int64_t lo = 0, hi = 0;
  LOGIC_IntegerRange(type, &lo, &hi);
  if (std::isnan(limit)) return is_upper ? hi : lo;
  const double t = std::trunc(limit);
  if (t <= static_cast<double>(lo)) return lo;
  if (t >= static_cast<double>(hi)) return hi;
  return static_cast<int64_t>(t);
}

int64_t ClampToLimits(int64_t v, const ACTIVE_SYMBOL& s, uint32_t type) {
  const int64_t lo = LimitAt(s.MinWrite, type, false);
  const int64_t hi = LimitAt(s.MaxWrite, type, true);
  if (v < lo) v = lo;
  if (v > hi) v = hi;
  return v;
}

// Shift left with the count's low bits taken as the saturating computation defines them:
// 5 bits for 8- and 16-bit types, 6 for 32-bit ones. The exact product, limited to the
// type's range (a value that does not fit saturates toward its sign).
int64_t SaturatingShiftLeft(int64_t a, uint32_t count, uint32_t type) {
  int64_t lo = 0, hi = 0;
  LOGIC_IntegerRange(type, &lo, &hi);
  if (a == 0) return 0;
  if (count > 31) return a < 0 ? lo : hi;  // |a| >= 1 times 2^32 or more leaves every range
  const int64_t v = a * (int64_t{1} << count);  // |a| <= 2^32, so |v| < 2^63
  return v < lo ? lo : v > hi ? hi : v;
}

int64_t WideShiftRight(int64_t a, uint32_t count, uint32_t type) {
  if (LOGIC_IsSignedType(type)) return count > 62 ? (a < 0 ? -1 : 0) : a >> count;
  return count > 62 ? 0 : static_cast<int64_t>(static_cast<uint64_t>(a) >> count);
}

int32_t ComputeInteger(const ACTIVE_SYMBOL& s, uint32_t type, uint32_t op, const VALUE_SLOT& base,
                       const VALUE_SLOT& operand, VALUE_SLOT* out) {
  if ((op == APP_WRITE_DIV || op == APP_WRITE_MOD) && LOGIC_IsZero(operand, type)) return -1;
  VALUE_SLOT r{};
  if (op == APP_WRITE_SET) {
    r = operand;
  } else if (s.CatchOverflow == 0) {
    LOGIC_Apply(kCalcOf[op], &base, &operand, type, &r, false);
  } else {
    const int64_t a = LOGIC_ReadInteger(base, type);
    const int64_t b = LOGIC_ReadInteger(operand, type);
    const uint32_t count_mask = LOGIC_TypeWidth(type) == 4 ? 63u : 31u;
    const uint32_t count = static_cast<uint32_t>(b) & count_mask;
    int64_t lo = 0, hi = 0;
    LOGIC_IntegerRange(type, &lo, &hi);
    switch (op) {
      case APP_WRITE_SHL: r = FromInteger(SaturatingShiftLeft(a, count, type), type); break;
      case APP_WRITE_SHR: r = FromInteger(WideShiftRight(a, count, type), type); break;
      case APP_WRITE_DIV:
        // The one quotient that leaves the range: the most negative value divided by -1.
        if (LOGIC_IsSignedType(type) && a == lo && b == -1) {
          r = FromInteger(hi, type);
        } else {
          LOGIC_Divide(&base, &operand, type, &r);
        }
        break;
      default: LOGIC_Apply(kCalcOf[op], &base, &operand, type, &r, true); break;
    }
  }
  *out = FromInteger(ClampToLimits(LOGIC_ReadInteger(r, type), s, type), type);
  return 1;
}

// A limit as a float; limits beyond the float range become infinities (no undefined
// conversion).
float LimitAsFloat(double limit) {
  if (limit > static_cast<double>(FLT_MAX)) return INFINITY;
  if (limit < -static_cast<double>(FLT_MAX)) return -INFINITY;
  return static_cast<float>(limit);
}

template <typename T>
T ClampReal(T v, double min_write, double max_write) {
  T lo, hi;
  if constexpr (sizeof(T) == sizeof(float)) {
    lo = LimitAsFloat(min_write);
    hi = LimitAsFloat(max_write);
  } else {
    lo = min_write;
    hi = max_write;
  }
  if (v < lo) v = lo;
  if (v > hi) v = hi;
  return v;
}

int32_t ComputeReal(const ACTIVE_SYMBOL& s, uint32_t type, uint32_t op, const VALUE_SLOT& base,
                    const VALUE_SLOT& operand, VALUE_SLOT* out) {
  // A divisor that is not a number counts as not 0.
  if (op == APP_WRITE_DIV && LOGIC_IsZero(operand, type)) return -1;
  VALUE_SLOT r{};
  if (op == APP_WRITE_SET) {
    r = operand;
  } else {
    LOGIC_Apply(kCalcOf[op], &base, &operand, type, &r, false);
  }
  VALUE_SLOT v{};
  if (type == TYPEID_FLOAT) {
    v.f32 = ClampReal(r.f32, s.MinWrite, s.MaxWrite);
  } else {
    v.f64 = ClampReal(r.f64, s.MinWrite, s.MaxWrite);
  }
  *out = v;
  return 1;
}

int32_t ComputeBool(uint32_t op, const VALUE_SLOT& base, const VALUE_SLOT& operand,
                    VALUE_SLOT* out) {
  const bool a = base.u8 != 0;
  const bool b = operand.u8 != 0;
  bool r = false;
  switch (op) {
    case APP_WRITE_SET: r = b; break;
    case APP_WRITE_INVERT: r = !a; break;
    case APP_WRITE_AND: r = a && b; break;
    case APP_WRITE_OR: r = a || b; break;
    default: r = a != b; break;  // XOR
  }
  out->raw = 0;
  out->u8 = r ? 1 : 0;
  return 1;
}

}  // namespace

bool APP_GetWriteBase(const ACTIVE_SYMBOL& s, VALUE_SLOT* out) {
  out->raw = 0;
  if (s.Virtual != 0 || APP_LoadValuePending(s)) {
    *out = APP_LoadCurrentValue(s);
    return true;
  }
  const VALUE_SLOT* latest = APP_LoadLatestSample(s);
  if (latest == nullptr) return false;
  *out = APP_LoadSlot(*latest);
  return true;
}

bool APP_StorageToValue(const ACTIVE_SYMBOL& s, const VALUE_SLOT& storage, VALUE_SLOT* out) {
  *out = storage;
  if (s.UseQFormat == 0 || s.ValueType != TYPEID_FLOAT) return true;
  float real = 0.0f;
  if (!APP_QToReal(storage.raw, APP_GetQFormat(s), &real)) return false;
  out->raw = 0;
  out->f32 = real;
  return true;
}

int32_t APP_ComputeWriteValue(const ACTIVE_SYMBOL* symbol, uint32_t op, uint64_t operand,
                              VALUE_SLOT* out) {
  if (out == nullptr) return -1;
  out->raw = 0;
  if (symbol == nullptr) return -1;
  const ACTIVE_SYMBOL& s = *symbol;
  const uint32_t type = s.ValueType;
  if (!LOGIC_IsSupportedType(type) || s.BitSize != 0) return -1;  // see ACTSYM_BITFIELD_WRITE_REFUSED
  if (op >= APP_WRITE_OP_COUNT) return 0;
  if (!IsAllowed(type, op)) return -1;
  VALUE_SLOT base{};
  if (op != APP_WRITE_SET && !APP_GetWriteBase(s, &base)) return -1;
  base = OperandAt(base.raw, type);  // only the type's width counts
  const VALUE_SLOT arg = OperandAt(operand, type);

  VALUE_SLOT value{};
  int32_t result = 0;
  if (type == TYPEID_BOOL) {
    result = ComputeBool(op, base, arg, &value);
  } else if (LOGIC_IsRealType(type)) {
    result = ComputeReal(s, type, op, base, arg, &value);
  } else {
    result = ComputeInteger(s, type, op, base, arg, &value);
  }
  if (result <= 0) return result;
  if (s.UseQFormat != 0 && type == TYPEID_FLOAT) {
    VALUE_SLOT raw{};
    if (!APP_RealToQ(value.f32, APP_GetQFormat(s), &raw)) return -1;
    *out = raw;
    return 1;
  }
  *out = value;
  return 1;
}
