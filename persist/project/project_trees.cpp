#include "persist/project/project_trees.h"

#include <cmath>
#include <cstring>

#include "core/app_active_list.h"
#include "logic/logic_symbol_ids.h"
#include "logic/logic_value.h"
#include "platform/sys_msgbox.h"

namespace {

// Counts the nesting of the element being read; beyond the limit the read fails.
class DepthScope {
 public:
  explicit DepthScope(PROJECT_TREE_READ& ctx) : ctx_(ctx) { ++depth_; }
  ~DepthScope() { --depth_; }
  DepthScope(const DepthScope&) = delete;
  DepthScope& operator=(const DepthScope&) = delete;
  bool Ok() {
    if (depth_ > LOGIC_MAX_TREE_DEPTH) ctx_.failed = true;
    return !ctx_.failed;
  }

 private:
  PROJECT_TREE_READ& ctx_;
  static thread_local uint32_t depth_;
};
thread_local uint32_t DepthScope::depth_ = 0;

bool Named(const XMLElement* e, const char* name) { return std::strcmp(e->Name(), name) == 0; }

bool ReadType(const XMLElement* e, const char* name, uint32_t count, uint32_t* out) {
  int32_t v = 0;
  if (!PROJECT_ReadInt(e, name, &v) || v < 0 || static_cast<uint32_t>(v) >= count) return false;
  *out = static_cast<uint32_t>(v);
  return true;
}

VALUE_SLOT ReadConstantValue(const XMLElement* c, uint32_t type, bool* ok) {
  VALUE_SLOT slot{};
  double real = 0.0;
  int32_t i = 0;
  *ok = true;
  switch (type) {
    case TYPEID_FLOAT:
      *ok = PROJECT_ReadReal(c, "vFloat", &real);
      slot.f32 = static_cast<float>(real);
      break;
    case TYPEID_DOUBLE:
      *ok = PROJECT_ReadReal(c, "vDouble", &real);
      slot.f64 = real;
      break;
    case TYPEID_BOOL:
      *ok = PROJECT_ReadInt(c, "vU8", &i);
      slot.b = i != 0;
      break;
    case TYPEID_U8:
      *ok = PROJECT_ReadInt(c, "vU8", &i);
      slot.u8 = static_cast<uint8_t>(i);
      break;
    case TYPEID_U16:
      *ok = PROJECT_ReadInt(c, "vU16", &i);
      slot.u16 = static_cast<uint16_t>(i);
      break;
    case TYPEID_U32: {
      // Written unsigned; files of other writers may hold the signed pattern.
      uint32_t bits = 0;
      *ok = PROJECT_ReadDecAddress(c, "vU32", &bits);
      slot.u32 = bits;
      break;
    }
    case TYPEID_I8:
      *ok = PROJECT_ReadInt(c, "vI8", &i);
      slot.i8 = static_cast<int8_t>(i);
      break;
    case TYPEID_I16:
      *ok = PROJECT_ReadInt(c, "vI16", &i);
      slot.i16 = static_cast<int16_t>(i);
      break;
    case TYPEID_I32:
      *ok = PROJECT_ReadInt(c, "vI32", &i);
      slot.i32 = i;
      break;
    default: *ok = false;
  }
  return slot;
}

VALUE_NODE* ReadValue(const XMLElement* e, PROJECT_TREE_READ& ctx) {
  DepthScope scope(ctx);
  if (!scope.Ok()) return nullptr;
  if (const XMLElement* s = e->FirstChildElement("Symbol")) {
    SYMBOL_ID* id = PROJECT_ReadSymbolId(s, false, ctx);
    if (id == nullptr) return nullptr;
    VALUE_NODE* v = LOGIC_NewValueNode();
    if (v == nullptr) {
      SYS_ErrorBox("Insufficient memory! Failed to load value.");
      LOGIC_FreeSymbolId(id);
      ctx.failed = true;
      return nullptr;
    }
    v->pSymbol = id;
    const ACTIVE_SYMBOL* active = APP_FindActiveSymbol(id);
    v->DataType = active != nullptr ? active->ValueType : 0;
    return v;
  }
  const XMLElement* c = e->FirstChildElement("Constant");
  if (c == nullptr) return nullptr;
  int32_t type = 0;
  int32_t base = 0;
  if (!PROJECT_ReadInt(c, "DataType", &type) || !LOGIC_IsSupportedType(static_cast<uint32_t>(type))) {
    return nullptr;
  }
  if (!PROJECT_ReadIntIn(c, "BaseToDisplayIn", 0, 2, 0, &base)) base = 0;
  bool ok = false;
  const VALUE_SLOT slot = ReadConstantValue(c, static_cast<uint32_t>(type), &ok);
  if (!ok) return nullptr;
  VALUE_NODE* v = LOGIC_NewConstantValue(static_cast<uint32_t>(type), slot, static_cast<uint32_t>(base));
  if (v == nullptr) {
    SYS_ErrorBox("Insufficient memory! Failed to load constant.");
    ctx.failed = true;
  }
  return v;
}

// One side of a calculation: a sub-calculation or a value element.
void ReadCalcSide(const XMLElement* e, CALCULATION_NODE** calc, VALUE_NODE** value,
                  PROJECT_TREE_READ& ctx) {
  if (Named(e, "Calculation")) {
    *calc = PROJECT_ReadCalculation(e, ctx);
  } else if (Named(e, "Value")) {
    *value = ReadValue(e, ctx);
  }
}

CONDITION_NODE* ReadCondition(const XMLElement* e, PROJECT_TREE_READ& ctx) {
  DepthScope scope(ctx);
  if (!scope.Ok()) return nullptr;
  uint32_t type = 0;
  if (!ReadType(e, "ConditionType", COND_COUNT, &type)) return nullptr;
  const XMLElement* left = e->FirstChildElement("Calculation");
  if (left == nullptr) return nullptr;
  CONDITION_NODE* cond = LOGIC_NewConditionNode(type);
  if (cond == nullptr) {
    SYS_ErrorBox("Insufficient memory! Failed to load condition.");
    ctx.failed = true;
    return nullptr;
  }
  cond->pLeftCalc = PROJECT_ReadCalculation(left, ctx);
  if (const XMLElement* right = left->NextSiblingElement("Calculation")) {
    cond->pRightCalc = PROJECT_ReadCalculation(right, ctx);
  }
  if (cond->pLeftCalc == nullptr || ctx.failed) {
    LOGIC_FreeCondition(cond);
    return nullptr;
  }
  return cond;
}

void ReadFormulaSide(const XMLElement* e, FORMULA_NODE** formula, CONDITION_NODE** cond,
                     PROJECT_TREE_READ& ctx) {
  if (Named(e, "Formula")) {
    *formula = PROJECT_ReadFormula(e, ctx);
  } else if (Named(e, "Condition")) {
    *cond = ReadCondition(e, ctx);
  }
}

void WriteValue(XMLElement* parent, const VALUE_NODE* v) {
  if (v == nullptr || (v->pSymbol == nullptr && v->pConstant == nullptr)) return;
  XMLElement* e = PROJECT_AddChild(parent, "Value");
  if (v->pSymbol != nullptr) {
    PROJECT_WriteSymbolId(e, "Symbol", *v->pSymbol, false);
    return;
  }
  XMLElement* c = PROJECT_AddChild(e, "Constant");
  const VALUE_SLOT& s = *v->pConstant;
  PROJECT_WriteInt(c, "DataType", v->DataType);
  PROJECT_WriteInt(c, "BaseToDisplayIn", v->BaseToDisplayIn);
  switch (v->DataType) {
    case TYPEID_FLOAT: PROJECT_WriteFloat(c, "vFloat", s.f32); break;
    case TYPEID_DOUBLE: PROJECT_WriteReal(c, "vDouble", s.f64); break;
    case TYPEID_BOOL: PROJECT_WriteInt(c, "vU8", s.b ? 1 : 0); break;
    case TYPEID_U8: PROJECT_WriteInt(c, "vU8", s.u8); break;
    case TYPEID_U16: PROJECT_WriteInt(c, "vU16", s.u16); break;
    case TYPEID_U32: PROJECT_WriteInt(c, "vU32", s.u32); break;  // unsigned: keeps the bits
    case TYPEID_I8: PROJECT_WriteInt(c, "vI8", s.i8); break;
    case TYPEID_I16: PROJECT_WriteInt(c, "vI16", s.i16); break;
    case TYPEID_I32: PROJECT_WriteInt(c, "vI32", s.i32); break;
    default: break;
  }
}

void WriteCalcSide(XMLElement* parent, const CALCULATION_NODE* calc, const VALUE_NODE* value) {
  if (calc != nullptr) {
    PROJECT_WriteCalculation(parent, calc);
  } else {
    WriteValue(parent, value);
  }
}

void WriteCondition(XMLElement* parent, const CONDITION_NODE* cond) {
  if (cond == nullptr) return;
  XMLElement* e = PROJECT_AddChild(parent, "Condition");
  PROJECT_WriteInt(e, "ConditionType", cond->ConditionType);
  PROJECT_WriteCalculation(e, cond->pLeftCalc);
  PROJECT_WriteCalculation(e, cond->pRightCalc);
}

void WriteFormulaSide(XMLElement* parent, const FORMULA_NODE* formula, const CONDITION_NODE* cond) {
  if (formula != nullptr) {
    PROJECT_WriteFormula(parent, formula);
  } else {
    WriteCondition(parent, cond);
  }
}

}  // namespace

SYMBOL_ID* PROJECT_ReadSymbolId(const XMLElement* e, bool hex_address, PROJECT_TREE_READ& ctx) {
  char name[SYMBOL_ID_NAME_SIZE] = {};
  uint32_t address = 0;
  if (!PROJECT_ReadText(e, "Name", name, sizeof name)) return nullptr;
  const bool has_address = hex_address ? PROJECT_ReadHexAddress(e, "Address", &address)
                                       : PROJECT_ReadDecAddress(e, "Address", &address);
  if (!has_address) return nullptr;
  SYMBOL_ID* id = LOGIC_NewSymbolIdFrom(name, address);
  if (id == nullptr) {
    SYS_ErrorBox("Insufficient memory! Failed to load symbol id.");
    ctx.failed = true;
  }
  return id;
}

CALCULATION_NODE* PROJECT_ReadCalculation(const XMLElement* e, PROJECT_TREE_READ& ctx) {
  DepthScope scope(ctx);
  if (e == nullptr || !scope.Ok()) return nullptr;
  uint32_t type = 0;
  if (!ReadType(e, "CalculationType", CALC_COUNT, &type)) return nullptr;
  const XMLElement* left = e->FirstChildElement();
  if (left == nullptr) return nullptr;
  CALCULATION_NODE* calc = LOGIC_NewCalculationNode(type);
  if (calc == nullptr) {
    SYS_ErrorBox("Insufficient memory! Failed to load calculation.");
    ctx.failed = true;
    return nullptr;
  }
  ReadCalcSide(left, &calc->pLeftCalc, &calc->pLeftValue, ctx);
  if (!LOGIC_IsUnaryCalculation(type)) {
    if (const XMLElement* right = left->NextSiblingElement()) {
      ReadCalcSide(right, &calc->pRightCalc, &calc->pRightValue, ctx);
    }
  }
  if (ctx.failed) {
    LOGIC_FreeCalculation(calc);
    return nullptr;
  }
  return calc;
}

FORMULA_NODE* PROJECT_ReadFormula(const XMLElement* e, PROJECT_TREE_READ& ctx) {
  DepthScope scope(ctx);
  if (e == nullptr || !scope.Ok()) return nullptr;
  uint32_t type = 0;
  if (!ReadType(e, "JunctionType", JUNC_XOR + 1, &type)) return nullptr;
  const XMLElement* left = e->FirstChildElement();
  if (left == nullptr) return nullptr;
  FORMULA_NODE* formula = LOGIC_NewFormulaNode(type);
  if (formula == nullptr) {
    SYS_ErrorBox("Insufficient memory! Failed to load formula.");
    ctx.failed = true;
    return nullptr;
  }
  ReadFormulaSide(left, &formula->pLeftFormula, &formula->pLeftCondition, ctx);
  if (!LOGIC_IsUnaryJunction(type)) {
    if (const XMLElement* right = left->NextSiblingElement()) {
      ReadFormulaSide(right, &formula->pRightFormula, &formula->pRightCondition, ctx);
    }
  }
  if (ctx.failed) {
    LOGIC_FreeFormula(formula);
    return nullptr;
  }
  return formula;
}

void PROJECT_WriteSymbolId(XMLElement* parent, const char* element, const SYMBOL_ID& id,
                           bool hex_address) {
  XMLElement* e = PROJECT_AddChild(parent, element);
  PROJECT_WriteText(e, "Name", id.Name);
  if (hex_address) {
    PROJECT_WriteHexAddress(e, "Address", id.Address);
  } else {
    PROJECT_WriteDecAddress(e, "Address", id.Address);
  }
}

void PROJECT_WriteCalculation(XMLElement* parent, const CALCULATION_NODE* calc) {
  if (calc == nullptr) return;
  XMLElement* e = PROJECT_AddChild(parent, "Calculation");
  PROJECT_WriteInt(e, "CalculationType", calc->CalculationType);
  WriteCalcSide(e, calc->pLeftCalc, calc->pLeftValue);
  if (!LOGIC_IsUnaryCalculation(calc->CalculationType)) {
    WriteCalcSide(e, calc->pRightCalc, calc->pRightValue);
  }
}

void PROJECT_WriteFormula(XMLElement* parent, const FORMULA_NODE* formula) {
  if (formula == nullptr) return;
  XMLElement* e = PROJECT_AddChild(parent, "Formula");
  PROJECT_WriteInt(e, "JunctionType", formula->JunctionType);
  WriteFormulaSide(e, formula->pLeftFormula, formula->pLeftCondition);
  if (!LOGIC_IsUnaryJunction(formula->JunctionType)) {
    WriteFormulaSide(e, formula->pRightFormula, formula->pRightCondition);
  }
}

bool PROJECT_ReadWriteCalcs(const XMLElement* list, std::vector<PROJECT_WRITE_CALC>& out,
                            PROJECT_TREE_READ& ctx) {
  for (const XMLElement* w = list->FirstChildElement("WriteCalculation");
       w != nullptr && out.size() < PROJECT_MAX_WRITE_CALCS;
       w = w->NextSiblingElement("WriteCalculation")) {
    PROJECT_WRITE_CALC entry;
    if (!PROJECT_ReadFlag(w, "Enabled", &entry.Enabled)) entry.Enabled = 0;
    if (const XMLElement* s = w->FirstChildElement("Symbol")) {
      entry.pSymbol = PROJECT_ReadSymbolId(s, false, ctx);
    }
    entry.pCalculation = PROJECT_ReadCalculation(w->FirstChildElement("Calculation"), ctx);
    out.push_back(entry);
    if (ctx.failed) return false;
  }
  return true;
}

void PROJECT_FreeWriteCalcs(std::vector<PROJECT_WRITE_CALC>& list) {
  for (PROJECT_WRITE_CALC& w : list) {
    LOGIC_FreeSymbolId(w.pSymbol);
    LOGIC_FreeCalculation(w.pCalculation);
  }
  list.clear();
}

void PROJECT_WriteWriteCalcs(XMLElement* list, const PROJECT_WRITE_CALC* entries, uint32_t count) {
  for (uint32_t i = 0; i < count && i < PROJECT_MAX_WRITE_CALCS; ++i) {
    const PROJECT_WRITE_CALC& w = entries[i];
    XMLElement* e = PROJECT_AddChild(list, "WriteCalculation");
    PROJECT_WriteFlag(e, "Enabled", w.Enabled != 0);
    if (w.pSymbol != nullptr) PROJECT_WriteSymbolId(e, "Symbol", *w.pSymbol, false);
    PROJECT_WriteCalculation(e, w.pCalculation);
  }
}

bool PROJECT_CalculationFits(const CALCULATION_NODE* calc) {
  return LOGIC_CalculationDepth(calc, LOGIC_MAX_TREE_DEPTH + 1) <= LOGIC_MAX_TREE_DEPTH;
}

bool PROJECT_FormulaFits(const FORMULA_NODE* formula) {
  return LOGIC_FormulaDepth(formula, LOGIC_MAX_TREE_DEPTH + 1) <= LOGIC_MAX_TREE_DEPTH;
}
