// Attribute encodings of the project file. Every attribute is text; these helpers read it
// with bounds (a number that does not fit is clamped, text that is no number reads as 0) and
// write it so that it reads back to the same value.
#pragma once

#include <cstdint>
#include <string>

#include <tinyxml2.h>

using tinyxml2::XMLElement;

// ---- reading (false when the attribute is missing; `out` is then untouched) -------------

// Base-10 integer, clamped to the signed 32-bit range.
bool PROJECT_ReadInt(const XMLElement* e, const char* name, int32_t* out);
// Int read, then checked against [lo, hi]: an out-of-range value reads as `fallback`.
bool PROJECT_ReadIntIn(const XMLElement* e, const char* name, int32_t lo, int32_t hi,
                       int32_t fallback, int32_t* out);
bool PROJECT_ReadFlag(const XMLElement* e, const char* name, uint8_t* out);
// Floating-point number; NaN and text that is no number read as 0.
bool PROJECT_ReadReal(const XMLElement* e, const char* name, double* out);
// "0x"/"0X" and hex digits, or a decimal (negative values are taken as the unsigned 32-bit
// pattern). False also for a value outside the 32-bit range.
bool PROJECT_ReadHexAddress(const XMLElement* e, const char* name, uint32_t* out);
// Decimal int taken as the unsigned 32-bit pattern (or "0x" hex).
bool PROJECT_ReadDecAddress(const XMLElement* e, const char* name, uint32_t* out);
// Text cut to `size` - 1 bytes.
bool PROJECT_ReadText(const XMLElement* e, const char* name, char* out, uint32_t size);

// ---- writing ---------------------------------------------------------------------------

void PROJECT_WriteInt(XMLElement* e, const char* name, int64_t value);
void PROJECT_WriteFlag(XMLElement* e, const char* name, bool value);
// Shortest text that reads back to the same double.
void PROJECT_WriteReal(XMLElement* e, const char* name, double value);
// Shortest text that reads back to the same float.
void PROJECT_WriteFloat(XMLElement* e, const char* name, float value);
// Integral values that fit 64 bits as integers, others as reals (never overflows).
void PROJECT_WriteTruncated(XMLElement* e, const char* name, double value);
void PROJECT_WriteHexAddress(XMLElement* e, const char* name, uint32_t address);
// The address as a signed 32-bit int (the top bit set gives a negative number).
void PROJECT_WriteDecAddress(XMLElement* e, const char* name, uint32_t address);
void PROJECT_WriteText(XMLElement* e, const char* name, const char* text);

// A new child element appended to `parent`.
XMLElement* PROJECT_AddChild(XMLElement* parent, const char* name);

// The file name and extension of a stored path: the part after the last '/' or '\\'
// whatever the system, "" when that is empty, "." or "..".
std::string PROJECT_BaseName(const char* stored);
