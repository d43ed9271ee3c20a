// Formula and calculation trees and write-calculation lists as nested elements of the project
// file. Readers return null ("no node") for an element that lacks its type attribute, has an
// unknown type code or holds nothing; they set `failed` when the tree nests deeper than the
// file may (the load then fails) and show the allocation messages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "logic/logic_tree.h"
#include "persist/project/project_xml.h"

// State of one load: the failure flag of the trees and the folder gathered files live in.
struct PROJECT_TREE_READ {
  bool failed = false;  // nesting too deep, or out of memory
  std::string folder;   // project folder, without a trailing '/'
};

CALCULATION_NODE* PROJECT_ReadCalculation(const XMLElement* e, PROJECT_TREE_READ& ctx);
FORMULA_NODE* PROJECT_ReadFormula(const XMLElement* e, PROJECT_TREE_READ& ctx);
// A `Symbol` element with `Name` and a decimal `Address`; null when an attribute is missing.
SYMBOL_ID* PROJECT_ReadSymbolId(const XMLElement* e, bool hex_address, PROJECT_TREE_READ& ctx);

// Appends the tree under `parent` (nothing for null).
void PROJECT_WriteCalculation(XMLElement* parent, const CALCULATION_NODE* calc);
void PROJECT_WriteFormula(XMLElement* parent, const FORMULA_NODE* formula);
void PROJECT_WriteSymbolId(XMLElement* parent, const char* element, const SYMBOL_ID& id,
                           bool hex_address);

// One write calculation: the symbol that receives the result and the calculation.
struct PROJECT_WRITE_CALC {
  uint8_t Enabled = 0;
  SYMBOL_ID* pSymbol = nullptr;
  CALCULATION_NODE* pCalculation = nullptr;
};
constexpr uint32_t PROJECT_MAX_WRITE_CALCS = 16;

// Reads at most 16 `WriteCalculation` children (further ones are ignored); the list owns
// what it holds until the caller moves it on. False when the tree read failed.
bool PROJECT_ReadWriteCalcs(const XMLElement* list, std::vector<PROJECT_WRITE_CALC>& out,
                            PROJECT_TREE_READ& ctx);
void PROJECT_FreeWriteCalcs(std::vector<PROJECT_WRITE_CALC>& list);
// Writes the first 16 entries.
void PROJECT_WriteWriteCalcs(XMLElement* list, const PROJECT_WRITE_CALC* entries, uint32_t count);

// True when every tree nests no deeper than the file may hold.
bool PROJECT_CalculationFits(const CALCULATION_NODE* calc);
bool PROJECT_FormulaFits(const FORMULA_NODE* formula);
