// Typed values of the logic engine: an 8-byte value slot plus a type identifier. Conversion
// between the nine supported types, promotion of two operand types to a common type, the
// operand check, the operators (wrap-around or saturating) and comparison.
//
// All functions are pure: no allocation, no locking, no messages. Any thread may call them.
// Every operator clears the whole 8-byte result slot before it stores the result at the
// type's width, so a refused or guarded operation leaves all zero bits.
#pragma once

#include <cstdint>

#include "symbols/active_symbol.h"

// Operator codes (CALCULATION_NODE::CalculationType). 0 and 8 are unary.
constexpr uint32_t CALC_NOP = 0;
constexpr uint32_t CALC_ADD = 1;
constexpr uint32_t CALC_SUB = 2;
constexpr uint32_t CALC_MUL = 3;
constexpr uint32_t CALC_DIV = 4;
constexpr uint32_t CALC_MOD = 5;
constexpr uint32_t CALC_SHL = 6;
constexpr uint32_t CALC_SHR = 7;
constexpr uint32_t CALC_INVERT = 8;
constexpr uint32_t CALC_AND = 9;
constexpr uint32_t CALC_OR = 10;
constexpr uint32_t CALC_XOR = 11;
constexpr uint32_t CALC_COUNT = 12;

// Comparison codes (CONDITION_NODE::ConditionType).
constexpr uint32_t COND_EQ = 0;
constexpr uint32_t COND_NE = 1;
constexpr uint32_t COND_LT = 2;
constexpr uint32_t COND_LE = 3;
constexpr uint32_t COND_GT = 4;
constexpr uint32_t COND_GE = 5;
constexpr uint32_t COND_COUNT = 6;

// Check flags: a bit set returned by tree checks and evaluations; 0 means valid.
// 1: a formula side has neither a sub-formula nor a condition.
// 2: a condition side has no calculation.
// 4: a calculation side has neither a sub-calculation nor a value.
// 8: a value is neither a symbol reference nor a constant.
// 16: +, -, *, /, %, << or >> on bool.
// 32: %, shifts or bitwise operations on float or double.
// 64: division or modulo by zero.
// 128: a value refers to a symbol that is not active.
// 256: an operand or common type the engine does not support.
constexpr uint32_t CHECK_MISSING_FORMULA = 1;
constexpr uint32_t CHECK_MISSING_CONDITION = 2;
constexpr uint32_t CHECK_MISSING_OPERAND = 4;
constexpr uint32_t CHECK_EMPTY_VALUE = 8;
constexpr uint32_t CHECK_BOOL_ARITHMETIC = 16;
constexpr uint32_t CHECK_REAL_BITWISE = 32;
constexpr uint32_t CHECK_DIVISION_BY_ZERO = 64;
constexpr uint32_t CHECK_UNKNOWN_SYMBOL = 128;
constexpr uint32_t CHECK_UNSUPPORTED_TYPE = 256;

// True for the nine types the engine computes with (1, 2, 5, 6, 7, 8, 10, 11, 12).
bool LOGIC_IsSupportedType(uint32_t type);
// True for the identifiers 0..14 the engine knows but refuses (mask 0x6219).
bool LOGIC_IsUnsupportedType(uint32_t type);
bool LOGIC_IsIntegerType(uint32_t type);  // U8..U32, I8..I32
// The value range of an integer type (any other type: the I32 range).
void LOGIC_IntegerRange(uint32_t type, int64_t* lo, int64_t* hi);
bool LOGIC_IsSignedType(uint32_t type);   // I8, I16, I32
bool LOGIC_IsRealType(uint32_t type);     // float, double
// Bytes a value of the type occupies in the slot (0 for unsupported types).
uint32_t LOGIC_TypeWidth(uint32_t type);
// "U8", "float", ...; "" for unsupported types.
const char* LOGIC_TypeName(uint32_t type);
// "(U8)", "(float)", ...; "" for unsupported types.
const char* LOGIC_TypeCastText(uint32_t type);

// Converts the slot in place. A null slot, a target outside 1..12 or an unsupported pair
// leaves the slot unchanged.
void LOGIC_ConvertValue(VALUE_SLOT* slot, uint32_t from_type, uint32_t to_type);

// The type a binary operation or comparison on these operand types is carried out in, or 0.
uint32_t LOGIC_CommonType(uint32_t left_type, uint32_t right_type);

// Check flags (16, 32, 64, 256 or 0) for applying `calculation_type` to operands of the
// already common `type`; `right` is the right operand after conversion (null reads as 0).
uint32_t LOGIC_CheckOperation(uint32_t type, uint32_t calculation_type, const VALUE_SLOT* right);

// The operators. Null operand slots read as 0; a null result slot does nothing.
//
// Integer division: the quotient is truncated toward zero and a zero divisor leaves 0. The
// one quotient that does not fit its type, I32 -2147483648 / -1, wraps like every other
// signed result: it gives -2147483648 and the remainder 0 (never a trap). I8 and I16 behave
// the same way (-128 / -1 gives -128).
void LOGIC_Add(const VALUE_SLOT* left, const VALUE_SLOT* right, uint32_t type, VALUE_SLOT* result,
               bool saturate);
void LOGIC_Subtract(const VALUE_SLOT* left, const VALUE_SLOT* right, uint32_t type,
                    VALUE_SLOT* result, bool saturate);
void LOGIC_Multiply(const VALUE_SLOT* left, const VALUE_SLOT* right, uint32_t type,
                    VALUE_SLOT* result, bool saturate);
void LOGIC_Divide(const VALUE_SLOT* left, const VALUE_SLOT* right, uint32_t type,
                  VALUE_SLOT* result);
void LOGIC_Modulo(const VALUE_SLOT* left, const VALUE_SLOT* right, uint32_t type,
                  VALUE_SLOT* result);
void LOGIC_ShiftLeft(const VALUE_SLOT* left, const VALUE_SLOT* right, uint32_t type,
                     VALUE_SLOT* result);
void LOGIC_ShiftRight(const VALUE_SLOT* left, const VALUE_SLOT* right, uint32_t type,
                      VALUE_SLOT* result);
void LOGIC_And(const VALUE_SLOT* left, const VALUE_SLOT* right, uint32_t type, VALUE_SLOT* result);
void LOGIC_Or(const VALUE_SLOT* left, const VALUE_SLOT* right, uint32_t type, VALUE_SLOT* result);
void LOGIC_Xor(const VALUE_SLOT* left, const VALUE_SLOT* right, uint32_t type, VALUE_SLOT* result);
void LOGIC_Invert(const VALUE_SLOT* operand, uint32_t type, VALUE_SLOT* result);

// Applies operator `calculation_type` (0..11; 0 copies the left operand). Other codes
// leave a cleared result.
void LOGIC_Apply(uint32_t calculation_type, const VALUE_SLOT* left, const VALUE_SLOT* right,
                 uint32_t type, VALUE_SLOT* result, bool saturate);

// Compares after promotion to the common type; false when there is none, for a code above
// 5, and for every test but "!=" involving NaN.
bool LOGIC_Compare(uint32_t condition_type, const VALUE_SLOT* left, uint32_t left_type,
                   const VALUE_SLOT* right, uint32_t right_type);

// True when the slot holds zero at the type's width (float/double: 0.0 or -0.0, not NaN).
bool LOGIC_IsZero(const VALUE_SLOT& slot, uint32_t type);
// An integer or bool value read at the type's width, sign- or zero-extended (bool as 0 or 1);
// 0 for every other type.
int64_t LOGIC_ReadInteger(const VALUE_SLOT& slot, uint32_t type);
