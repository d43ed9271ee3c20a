#include "modules/display_module_util.h"

#include <algorithm>
#include <cstdio>

#include "logic/logic_eval.h"
#include "logic/logic_render.h"

QString ModuleRgbaCss(uint32_t c) {
  // Formatted once per style sheet of every module placed: a plain format is several times
  // cheaper than a chain of QString::arg.
  char text[32];
  const int n = std::snprintf(text, sizeof text, "rgba(%u, %u, %u, %u)", unsigned(MODULE_Red(c)),
                              unsigned(MODULE_Green(c)), unsigned(MODULE_Blue(c)), unsigned(MODULE_Alpha(c)));
  return QString::fromLatin1(text, std::clamp(n, 0, int(sizeof text) - 1));
}

void ModuleSetStyleSheet(QWidget& widget, const QString& sheet) {
  if (widget.styleSheet() != sheet) widget.setStyleSheet(sheet);
}

GAUGE_ZONES ModuleGaugeZones(const GAUGE_INDICATORS& indicators, bool blur) {
  GAUGE_ZONES z;
  for (int i = 0; i < 3; ++i) {
    const uint32_t c = indicators.Colors[i];
    z.colors[i] = {static_cast<uint8_t>(MODULE_Red(c)), static_cast<uint8_t>(MODULE_Green(c)),
                   static_cast<uint8_t>(MODULE_Blue(c)), static_cast<uint8_t>(MODULE_Alpha(c))};
  }
  z.borders[0] = indicators.Borders[0];
  z.borders[1] = indicators.Borders[1];
  z.blur = blur;
  return z;
}

bool DisplayEvaluate(const CalculationPtr& calc, VALUE_SLOT* value, uint32_t* type) {
  return calc && LOGIC_EvalCalculation(calc.get(), value, type) == 0;
}

QString DisplayCalculationText(const CalculationPtr& calc) {
  return calc ? QString::fromStdString(LOGIC_CalculationText(calc.get())) : QString();
}

bool DisplayUsesSymbol(const CalculationPtr& calc, const ACTIVE_SYMBOL* symbol) {
  return calc && LOGIC_CalculationUsesSymbol(calc.get(), symbol);
}

void DisplayRemoveSymbol(CalculationPtr& calc, const ACTIVE_SYMBOL* symbol) {
  if (DisplayUsesSymbol(calc, symbol)) calc.reset();
}

bool DisplayCanAddSymbol(const CalculationPtr& calc) {
  const CalculationPtr fresh(LOGIC_NewConstantCalculation(TYPEID_U8));
  return LOGIC_CalculationEquals(calc.get(), fresh.get());
}

bool DisplayAddSymbol(CalculationPtr& calc, const ACTIVE_SYMBOL* symbol) {
  CALCULATION_NODE* bound = LOGIC_NewSymbolCalculation(symbol);
  if (bound == nullptr) return false;
  calc.reset(bound);
  return true;
}

QString DisplayFrameStyle(uint32_t background_rgba) {
  return QStringLiteral("QFrame  { background-color: %1; }").arg(ModuleRgbaCss(background_rgba));
}

bool SymbolIdIs(const SymbolIdPtr& id, const ACTIVE_SYMBOL* symbol) {
  return id && symbol != nullptr && LOGIC_SymbolIdMatches(*id.get(), *symbol);
}

SymbolIdPtr NewSymbolId(const ACTIVE_SYMBOL* symbol) {
  return SymbolIdPtr(symbol != nullptr ? LOGIC_NewSymbolId(*symbol) : nullptr);
}

bool WriteOperationUses(const WRITE_OPERATION& op, const ACTIVE_SYMBOL* symbol) {
  return SymbolIdIs(op.Symbol, symbol) || DisplayUsesSymbol(op.Calculation, symbol);
}

std::vector<CONTROL_WRITE_OP> WriteOperationViews(const std::vector<WRITE_OPERATION>& ops) {
  std::vector<CONTROL_WRITE_OP> views;
  views.reserve(ops.size());
  for (const WRITE_OPERATION& op : ops) views.push_back({op.Symbol.get(), op.Calculation.get(), op.Enabled != 0});
  return views;
}
