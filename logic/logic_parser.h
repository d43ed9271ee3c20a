// The formula text parser: turns the text typed in the logic editor's "Edit manually" window
// into formula and calculation trees.
//
// The grammar is flat: all binary operators of one level have the same precedence and group
// from the left (a + b * c means (a + b) * c); parentheses group otherwise; unary +, - and ~
// bind tighter than binary operators. Errors are shown once through the message sink (error
// boxes; a warning box for a too-big decimal literal) as soon as they are found, and parsing
// stops. Runs on the GUI thread; reads the active symbol list to resolve names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "logic/logic_tree.h"

using LOGIC_TokenList = std::vector<std::string>;

// Texts longer than this many tokens, or nested deeper than LOGIC_MAX_NESTING parentheses
// and unary operators, are refused with a message; a typed formula never comes near them.
constexpr size_t LOGIC_MAX_TOKENS = 1000;
constexpr int LOGIC_MAX_NESTING = 64;

// Split the text (blanks removed) into tokens. False after showing
// "Unrecognized token '%1'" when a character starts no token.
bool LOGIC_TokenizeCalculation(std::string_view text, LOGIC_TokenList& tokens);
bool LOGIC_TokenizeFormula(std::string_view text, LOGIC_TokenList& tokens);

// Stores the integer in the smallest fitting type (U8, I8, U16, I16, U32, I32; the signed
// types only for literals written without "0b"/"0x") and returns the type; 0 after showing
// the too-big message. The slot is cleared first.
uint32_t LOGIC_TypeIntegerLiteral(VALUE_SLOT* slot, int64_t value, bool prefixed);

// The one active symbol with that name (ASCII case ignored), or null. No match shows
// "Symbol "%1" not found!", several show "Symbol name "%1" not unique!".
ACTIVE_SYMBOL* LOGIC_FindSymbolByName(const char* name);

// Unary modes of LOGIC_ParseCalculation.
constexpr int UNARY_NONE = 0;
constexpr int UNARY_PLUS = 1;
constexpr int UNARY_MINUS = 2;
constexpr int UNARY_INVERT = 3;

// Parses from tokens[start]; *end is left on the last token used (so the caller sees the
// next one). With a unary mode, parses one operand only. With `left`, the calculation
// continues after that already parsed tree (ownership passes in; tokens[start] is then the
// token after it). Returns the tree (owned by the caller), or null after a message.
CALCULATION_NODE* LOGIC_ParseCalculation(const LOGIC_TokenList& tokens, size_t start, size_t* end,
                                         int unary, CALCULATION_NODE* left);
CONDITION_NODE* LOGIC_ParseCondition(const LOGIC_TokenList& tokens, size_t start, size_t* end);
// With `negate`, parses one element and wraps it in a negation. With `left`, continues after
// that already parsed formula (ownership passes in).
FORMULA_NODE* LOGIC_ParseFormula(const LOGIC_TokenList& tokens, size_t start, size_t* end,
                                 bool negate, FORMULA_NODE* left);

// What the editor calls when manual text is confirmed: tokenize, parse from the first token,
// and check. `parse_failed` tells that a message was shown (tokenizer: flags 256 and no tree).
struct LOGIC_TextResult {
  uint32_t flags = 0;
  bool parse_failed = false;
};
[[nodiscard]] LOGIC_TextResult LOGIC_ParseCalculationText(std::string_view text,
                                                          CALCULATION_NODE** out);
[[nodiscard]] LOGIC_TextResult LOGIC_ParseFormulaText(std::string_view text, FORMULA_NODE** out);
