// Pieces the display and control modules share: colours from settings records, the bound
// calculation of the gauges and the digital display (evaluation, symbol binding, info text),
// and symbol identities in write operations.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

#include <vector>

#include "modules/control_write_sink.h"
#include "modules/gauge_scale.h"
#include "modules/records/module_settings.h"

inline QColor ModuleColor(uint32_t rgba) { return QColor::fromRgba(rgba); }
// "rgba(r, g, b, a)" for a style sheet.
QString ModuleRgbaCss(uint32_t rgba);
// Gives the widget the style sheet unless it has it already: setting a sheet restyles the
// widget and its children even when the text is the same, and after the first show that
// means polishing them again.
void ModuleSetStyleSheet(QWidget& widget, const QString& sheet);
GAUGE_ZONES ModuleGaugeZones(const GAUGE_INDICATORS& indicators, bool blur);

// ---- A displayed calculation ---------------------------------------------------------------

// Evaluates the calculation; false (nothing to show) without one or with check flags.
bool DisplayEvaluate(const CalculationPtr& calc, VALUE_SLOT* value, uint32_t* type);
// The calculation as text for info texts ("" without one).
QString DisplayCalculationText(const CalculationPtr& calc);
bool DisplayUsesSymbol(const CalculationPtr& calc, const ACTIVE_SYMBOL* symbol);
// Frees the calculation when it reads the symbol.
void DisplayRemoveSymbol(CalculationPtr& calc, const ACTIVE_SYMBOL* symbol);
// A symbol may be dropped while the calculation is still the fresh U8 constant 0.
bool DisplayCanAddSymbol(const CalculationPtr& calc);
// Replaces the calculation by one that shows the symbol; false when none could be made.
bool DisplayAddSymbol(CalculationPtr& calc, const ACTIVE_SYMBOL* symbol);
// "QFrame  { background-color: rgba(...); }", the frame style of gauges.
QString DisplayFrameStyle(uint32_t background_rgba);

// ---- Symbols of controls -------------------------------------------------------------------

bool SymbolIdIs(const SymbolIdPtr& id, const ACTIVE_SYMBOL* symbol);
SymbolIdPtr NewSymbolId(const ACTIVE_SYMBOL* symbol);
// Whether a write operation writes the symbol or its calculation reads it.
bool WriteOperationUses(const WRITE_OPERATION& op, const ACTIVE_SYMBOL* symbol);
// The operations as the write decisions see them (valid while `ops` is unchanged).
std::vector<CONTROL_WRITE_OP> WriteOperationViews(const std::vector<WRITE_OPERATION>& ops);
