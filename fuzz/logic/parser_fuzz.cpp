// Fuzz target for the formula text parser: the first byte chooses calculation (odd) or formula
// text, the rest is the text. Every tree that comes out is checked, evaluated (in both
// modes), rendered, re-parsed from its rendering, copied, compared, normalised and freed.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "logic/logic_eval.h"
#include "logic/logic_parser.h"
#include "logic/logic_render.h"
#include "logic/logic_tree.h"
#include "logic/logic_warning.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"

namespace {

void Quiet(SYS_MsgBoxRequest& request) { request.pressed_button = request.default_result; }

struct Symbols {
  ACTIVE_SYMBOL records[6];
  VALUE_SLOT samples[6] = {};
  ACTIVE_SYMBOL_CELL cells[6];

  Symbols() {
    const char* names[6] = {"a", "b", "x", "y", "f", "arr[3]"};
    const uint32_t types[6] = {TYPEID_U8,   TYPEID_I16,   TYPEID_U32,
                               TYPEID_BOOL, TYPEID_FLOAT, TYPEID_DOUBLE};
    samples[0].u8 = 200;
    samples[1].i16 = -5;
    samples[2].u32 = 0;
    samples[3].u8 = 1;
    samples[4].f32 = 1.5f;
    samples[5].f64 = -0.0;
    for (int i = 0; i < 6; ++i) {
      SYS_CopyText(records[i].Name, sizeof records[i].Name, names[i]);
      records[i].ValueType = types[i];
      records[i].Address = 0x1000u + 4u * static_cast<uint32_t>(i);
      records[i].CatchOverflow = static_cast<uint8_t>(i & 1);
      records[i].pLatestSample = &samples[i];
      cells[i].pSymbol = &records[i];
      cells[i].pNext = i + 1 < 6 ? &cells[i + 1] : nullptr;
    }
  }
};

void ExerciseCalculation(CALCULATION_NODE* c) {
  for (bool run : {false, true}) {
    LOGIC_SetRunMode(run);
    VALUE_SLOT v{};
    uint32_t t = 0;
    (void)LOGIC_EvalCalculation(c, &v, &t);
    (void)LOGIC_CheckCalculation(c);
    (void)LOGIC_ScanDivisors(c);
  }
  LOGIC_SetRunMode(false);
  int pos = -1;
  (void)LOGIC_CalculationText(c, true, &pos);
  const std::string text = LOGIC_CalculationText(c);
  CALCULATION_NODE* again = nullptr;
  (void)LOGIC_ParseCalculationText(text, &again);
  LOGIC_FreeCalculation(again);
  CALCULATION_NODE* copy = LOGIC_CloneCalculation(c);
  (void)LOGIC_CalculationEquals(c, copy);
  LOGIC_NormalizeCalculation(&copy);
  (void)LOGIC_CalculationUsesSymbol(copy, MAIN_pActiveSymbols->pSymbol);
  LOGIC_FreeCalculation(copy);
}

void ExerciseFormula(FORMULA_NODE* f) {
  (void)LOGIC_EvalFormula(f);
  (void)LOGIC_ComposeCheckReport(LOGIC_CheckFormula(f), true);
  int pos = -1;
  (void)LOGIC_FormulaText(f, true, &pos);
  const std::string text = LOGIC_FormulaText(f);
  FORMULA_NODE* again = nullptr;
  (void)LOGIC_ParseFormulaText(text, &again);
  LOGIC_FreeFormula(again);
  FORMULA_NODE* copy = LOGIC_CloneFormula(f);
  (void)LOGIC_FormulaEquals(f, copy);
  LOGIC_NormalizeFormula(&copy);
  (void)LOGIC_FormulaUsesSymbol(copy, MAIN_pActiveSymbols->pSymbol);
  LOGIC_FreeFormula(copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Symbols symbols;
  static const bool init = [] {
    SYS_SetMsgBoxHandler(&Quiet);
    MAIN_pActiveSymbols = &symbols.cells[0];
    return true;
  }();
  (void)init;
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  if ((data[0] & 1) != 0) {  // odd first byte ("c"): calculation; even ("f"): formula
    CALCULATION_NODE* c = nullptr;
    (void)LOGIC_ParseCalculationText(text, &c);
    if (c != nullptr) ExerciseCalculation(c);
    LOGIC_FreeCalculation(c);
  } else {
    FORMULA_NODE* f = nullptr;
    (void)LOGIC_ParseFormulaText(text, &f);
    if (f != nullptr) ExerciseFormula(f);
    LOGIC_FreeFormula(f);
  }
  return 0;
}
