#include "modules/led_module.h"

#include <QPainter>

#include "core/app_mode.h"
#include "logic/logic_eval.h"
#include "modules/display_module_util.h"
#include "modules/led_dialog.h"
#include "platform/sys_time.h"

namespace {

// Whole milliseconds of the microsecond clock.
uint64_t NowMs() {
  static const uint64_t start = SYS_GetHighResTicks();
  return SYS_GetElapsedUs(start) / 1000;
}

}  // namespace

LEDModule::LEDModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {}

LEDModule::~LEDModule() = default;

bool LEDModule::ReadsSymbol(const ACTIVE_SYMBOL* symbol) const {
  return part_.Formula && LOGIC_FormulaUsesSymbol(part_.Formula.get(), symbol);
}

bool LEDModule::UsesSymbol(const ACTIVE_SYMBOL* symbol) const { return ReadsSymbol(symbol); }

void LEDModule::RemoveSymbol(const ACTIVE_SYMBOL* symbol) {
  if (ReadsSymbol(symbol)) part_.Formula.reset(LOGIC_NewDefaultFormula());
}

QString LEDModule::GetInfoText() const {
  return QStringLiteral("Blinking: %1\nMillis on: %2\nMillis off: %3\n")
      .arg(part_.Blinking != 0 ? QStringLiteral("true") : QStringLiteral("false"))
      .arg(part_.MillisOn)
      .arg(part_.MillisOff);
}

QString LEDModule::GetFrameStyleSheet() const { return QStringLiteral("QFrame { background-color: transparent; }"); }

ToolModuleDialog* LEDModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new LEDDialog(this, initial, parent);
}

void LEDModule::Dark() {
  blink_.Step(false, false, {}, NowMs());
  update();
}

void LEDModule::EnterEditMode() { Dark(); }
void LEDModule::EnterRunMode() { Dark(); }
void LEDModule::EnterPreviewMode() { Dark(); }

void LEDModule::RunUpdate() {
  const bool holds = part_.Formula && LOGIC_EvalFormula(part_.Formula.get());
  const LED_BLINK_SETTINGS blink{part_.Blinking != 0, static_cast<uint32_t>(std::max(part_.MillisOn, 0)),
                                 static_cast<uint32_t>(std::max(part_.MillisOff, 0))};
  blink_.Step(APP_IsRunMode(), holds, blink, NowMs());
  update();
}

LED_STATE LEDModule::PaintState() const {
  LED_STATE s;
  s.rect = QRectF(rect());
  s.lit = APP_IsRunMode() && blink_.IsLit();
  s.on_color = ModuleColor(part_.ColorOnRGBA);
  s.off_color = ModuleColor(part_.ColorOffRGBA);
  return s;
}

void LEDModule::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  PaintLed(painter, PaintState());
}
