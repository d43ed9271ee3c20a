#include "modules/slider_module.h"

#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "logic/logic_eval.h"
#include "modules/display_module_util.h"
#include "modules/slider_dialog.h"

SliderModule::SliderModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  slider_ = new QSlider(this);
  slider_->setRange(0, SLIDER_MAX_POSITION);
  // Keys and clicks on the groove move by 1 % and 10 % of the range.
  slider_->setSingleStep(SLIDER_MAX_POSITION / 100);
  slider_->setPageStep(SLIDER_MAX_POSITION / 10);
  slider_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  layout->addWidget(slider_);
  connect(slider_, &QSlider::valueChanged, this, &SliderModule::_SlotOnValueChanged);
  PartChanged();
}

SliderModule::~SliderModule() = default;

bool SliderModule::ReadsSymbol(const ACTIVE_SYMBOL* symbol) const {
  if (SymbolIdIs(part_.Symbol, symbol)) return part_.Mode != SLIDER_MODE_WRITE_ONLY;
  return part_.Mode == SLIDER_MODE_READ_WRITE && part_.Formula && LOGIC_FormulaUsesSymbol(part_.Formula.get(), symbol);
}

bool SliderModule::UsesSymbol(const ACTIVE_SYMBOL* symbol) const {
  return SymbolIdIs(part_.Symbol, symbol) || (part_.Formula && LOGIC_FormulaUsesSymbol(part_.Formula.get(), symbol));
}

void SliderModule::RemoveSymbol(const ACTIVE_SYMBOL* symbol) {
  if (SymbolIdIs(part_.Symbol, symbol)) part_.Symbol.reset();
  if (part_.Formula && LOGIC_FormulaUsesSymbol(part_.Formula.get(), symbol)) part_.Formula.reset(LOGIC_NewDefaultFormula());
}

bool SliderModule::CanAddSymbol() const { return !part_.Symbol; }

bool SliderModule::AddSymbol(const ACTIVE_SYMBOL* symbol) {
  if (!CanAddSymbol()) return false;
  part_.Symbol = NewSymbolId(symbol);
  return static_cast<bool>(part_.Symbol);
}

QString SliderModule::GetInfoText() const {
  static const char* const kModes[] = {"Write only", "Read only", "Read / Write"};
  const int mode = std::clamp(part_.Mode, 0, 2);
  return QStringLiteral("Symbol: %1\nMode: %2\nMinimum: %3\nMaximum: %4\nOrientation: %5\n")
      .arg(part_.Symbol ? QString::fromUtf8(part_.Symbol->Name) : QStringLiteral("none"), QString::fromLatin1(kModes[mode]))
      .arg(part_.MinValue)
      .arg(part_.MaxValue)
      .arg(part_.IsHorizontal != 0 ? QStringLiteral("Horizontal") : QStringLiteral("Vertical"));
}

QString SliderModule::GetFrameStyleSheet() const {
  const QColor handle = ModuleColor(part_.ColorRGBA);
  const QColor dark = handle.darker(150);
  return QStringLiteral(
             "QSlider { background-color: transparent; }QSlider::handle { background-color: qlineargradient(x1: 0, "
             "y1: 0, x2: 0, y2: 1,stop: 0.0 %1, stop: 1.0 %2); }")
      .arg(ModuleRgbaCss(handle.rgba()), ModuleRgbaCss(dark.rgba()));
}

SLIDER_VALUES SliderModule::Values() const {
  SLIDER_VALUES v;
  if (part_.Symbol) v.symbol = *part_.Symbol.get();
  v.min = part_.MinValue;
  v.max = part_.MaxValue;
  v.mode = part_.Mode;
  return v;
}

bool SliderModule::ReadIfHolds() const {
  return part_.Mode == SLIDER_MODE_READ_WRITE && part_.Formula && LOGIC_EvalFormula(part_.Formula.get());
}

void SliderModule::PartChanged() {
  slider_->setOrientation(part_.IsHorizontal != 0 ? Qt::Horizontal : Qt::Vertical);
  ModuleSetStyleSheet(*slider_, GetFrameStyleSheet());
}

void SliderModule::EnterEditMode() { writes_.LeaveRun(); }

void SliderModule::EnterRunMode() {
  writes_.EnterRun(CONTROL_GetWriteSink(), Values(), slider_->value(), ReadIfHolds());
}

void SliderModule::RunUpdate() {
  if (const auto position = writes_.Refresh(CONTROL_GetWriteSink(), Values(), ReadIfHolds())) {
    const QSignalBlocker block(slider_);
    slider_->setValue(*position);
  }
}

ToolModuleDialog* SliderModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new SliderDialog(this, initial, parent);
}

void SliderModule::_SlotOnValueChanged(int position) {
  writes_.Moved(CONTROL_GetWriteSink(), Values(), position, ReadIfHolds());
}
