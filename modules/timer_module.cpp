#include "modules/timer_module.h"

#include <QPainter>

#include "modules/display_module_util.h"
#include "modules/timer_dialog.h"
#include "platform/sys_time.h"

TimerModule::TimerModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

TimerModule::~TimerModule() { writes_.StopAll(CONTROL_GetWriteSink()); }

bool TimerModule::ReadsSymbol(const ACTIVE_SYMBOL* symbol) const {
  return std::any_of(part_.Writes.begin(), part_.Writes.end(),
                     [symbol](const WRITE_OPERATION& op) { return DisplayUsesSymbol(op.Calculation, symbol); });
}

bool TimerModule::UsesSymbol(const ACTIVE_SYMBOL* symbol) const {
  return std::any_of(part_.Writes.begin(), part_.Writes.end(),
                     [symbol](const WRITE_OPERATION& op) { return WriteOperationUses(op, symbol); });
}

void TimerModule::RemoveSymbol(const ACTIVE_SYMBOL* symbol) {
  std::erase_if(part_.Writes, [symbol](const WRITE_OPERATION& op) { return WriteOperationUses(op, symbol); });
}

bool TimerModule::CanAddSymbol() const { return part_.Writes.size() < MODULE_MAX_WRITE_OPERATIONS; }

bool TimerModule::AddSymbol(const ACTIVE_SYMBOL* symbol) {
  if (symbol == nullptr || !CanAddSymbol()) return false;
  WRITE_OPERATION op{NewSymbolId(symbol), CalculationPtr(LOGIC_NewUnitCalculation(symbol->ValueType)), 1};
  if (!op.Symbol || !op.Calculation) return false;
  part_.Writes.push_back(std::move(op));
  return true;
}

QString TimerModule::GetInfoText() const {
  return QStringLiteral("If time is up: %1 writes\nRepeat cycle: %2ms\n").arg(part_.Writes.size()).arg(part_.IntervalMS);
}

uint32_t TimerModule::Interval() const { return CONTROL_ClampInterval(static_cast<uint32_t>(std::max(part_.IntervalMS, 0))); }

void TimerModule::EnterEditMode() {
  writes_.StopAll(CONTROL_GetWriteSink());
  update();
}

void TimerModule::EnterRunMode() {
  writes_.EnterRun(CONTROL_GetWriteSink(), WriteOperationViews(part_.Writes), Interval(), SYS_GetTickMs());
  update();
}

void TimerModule::EnterPreviewMode() {
  writes_.StopAll(CONTROL_GetWriteSink());  // Preview writes nothing, also straight after Run
  update();
}

void TimerModule::RunUpdate() {
  if (part_.Animate != 0) update();
}

ToolModuleDialog* TimerModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new TimerDialog(this, initial, parent);
}

TIMER_FACE_STATE TimerModule::PaintState() const {
  TIMER_FACE_STATE s;
  s.rect = QRectF(rect());
  s.color = ModuleColor(part_.ColorRGBA);
  s.interval_ms = part_.IntervalMS;
  s.animated = part_.Animate != 0;
  s.progress = writes_.Progress(Interval(), SYS_GetTickMs());
  return s;
}

void TimerModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintTimerFace(painter, PaintState());
}
