#include "modules/push_button_module.h"

#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/app_mode.h"
#include "modules/display_module_util.h"
#include "modules/push_button_dialog.h"
#include "modules/text_fitter.h"

QString PushButtonAlignmentText(uint32_t alignment) {
  switch (alignment) {
    case 0x84: return QStringLiteral("center center");
    case 0x81: return QStringLiteral("center left  ");
    case 0x82: return QStringLiteral("center right ");
    case 0x24: return QStringLiteral("top    center");
    case 0x21: return QStringLiteral("top    left  ");
    case 0x22: return QStringLiteral("top    right ");
    case 0x44: return QStringLiteral("bottom center");
    case 0x41: return QStringLiteral("bottom left  ");
    case 0x42: return QStringLiteral("bottom right ");
    default: return {};
  }
}

PushButtonModule::PushButtonModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  button_ = new QPushButton(this);
  button_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  layout->addWidget(button_);
  repeat_timer_.setSingleShot(true);
  connect(button_, &QPushButton::pressed, this, &PushButtonModule::_SlotOnPressed);
  // Released, not clicked: the button reports it also when the pointer leaves it while pressed.
  // A button let go outside without a move out first reports nothing, so the release of the
  // mouse is watched as well: holding and its repeat writes always end.
  connect(button_, &QPushButton::released, this, &PushButtonModule::_SlotOnReleased);
  button_->installEventFilter(this);
  connect(&repeat_timer_, &QTimer::timeout, this, &PushButtonModule::_SlotOnHoldRepeat);
  PartChanged();
}

PushButtonModule::~PushButtonModule() { writes_.StopAll(CONTROL_GetWriteSink()); }

bool PushButtonModule::ReadsSymbol(const ACTIVE_SYMBOL* symbol) const {
  for (const auto* ops : {&part_.Press, &part_.Release}) {
    for (const WRITE_OPERATION& op : *ops) {
      if (DisplayUsesSymbol(op.Calculation, symbol)) return true;
    }
  }
  return false;
}

bool PushButtonModule::UsesSymbol(const ACTIVE_SYMBOL* symbol) const {
  for (const auto* ops : {&part_.Press, &part_.Release}) {
    for (const WRITE_OPERATION& op : *ops) {
      if (WriteOperationUses(op, symbol)) return true;
    }
  }
  return false;
}

void PushButtonModule::RemoveSymbol(const ACTIVE_SYMBOL* symbol) {
  for (auto* ops : {&part_.Press, &part_.Release}) {
    std::erase_if(*ops, [symbol](const WRITE_OPERATION& op) { return WriteOperationUses(op, symbol); });
  }
}

bool PushButtonModule::CanAddSymbol() const {
  return part_.Press.size() < MODULE_MAX_WRITE_OPERATIONS && part_.Release.size() < MODULE_MAX_WRITE_OPERATIONS;
}

bool PushButtonModule::AddSymbol(const ACTIVE_SYMBOL* symbol) {
  if (symbol == nullptr || !CanAddSymbol()) return false;
  WRITE_OPERATION press{NewSymbolId(symbol), CalculationPtr(LOGIC_NewUnitCalculation(symbol->ValueType)), 1};
  WRITE_OPERATION release{NewSymbolId(symbol), CalculationPtr(LOGIC_NewConstantCalculation(symbol->ValueType)), 1};
  if (!press.Symbol || !press.Calculation || !release.Symbol || !release.Calculation) return false;
  part_.Press.push_back(std::move(press));
  part_.Release.push_back(std::move(release));
  return true;
}

void PushButtonModule::FitContents() {
  if (part_.Font.UseFixPointSize != 0) return;
  QFont font = button_->font();
  font.setPointSizeF(std::max(1.0, FitTextPointSize(font, button_->text(), button_->size(), kTextFitMargin * kTextFitMargin)));
  button_->setFont(font);
}

QString PushButtonModule::GetInfoText() const {
  QString text = QStringLiteral("On press: %1 writes\n").arg(part_.Press.size());
  if (part_.HoldRepeat != 0) text += QStringLiteral("with repeat cycle: %1\n").arg(part_.IntervalMS);
  return text + QStringLiteral("On release: %1 writes").arg(part_.Release.size());
}

QString PushButtonModule::GetFrameStyleSheet() const {
  QString button, pressed;
  if (part_.Font.UseFixPointSize != 0) {
    button = QStringLiteral("QPushButton { font-size: %1px; color: %2; ")
                 .arg(part_.Font.FixPointSize)
                 .arg(ModuleRgbaCss(part_.ColorText));
    pressed = QStringLiteral("QPushButton:pressed { font-size: %1px; ").arg(part_.Font.FixPointSize);
  } else {
    button = QStringLiteral("QPushButton { color: %1; ").arg(ModuleRgbaCss(part_.ColorText));
    pressed = QStringLiteral("QPushButton:pressed { ");
  }
  const QString align = QStringLiteral("text-align: %1; ").arg(PushButtonAlignmentText(part_.Alignment));
  button += align;
  pressed += align;
  if (APP_IsRunMode()) {
    button += QStringLiteral("border-radius: 3px; border-width: 4px; border-color: gray; border-style: outset; ");
    pressed += QStringLiteral("padding-top: 4px; padding-left: 4px; border-style: inset; ");
  }
  button += QStringLiteral("background-color: %1; }").arg(ModuleRgbaCss(part_.ColorBackground));
  pressed += QStringLiteral("}");
  return button + pressed;
}

void PushButtonModule::Restyle() { ModuleSetStyleSheet(*button_, GetFrameStyleSheet()); }

void PushButtonModule::PartChanged() {
  button_->setText(QString::fromStdString(part_.Text));
  Restyle();
  FitContents();
}

void PushButtonModule::EnterEditMode() {
  pressed_ = false;
  repeat_timer_.stop();
  writes_.StopAll(CONTROL_GetWriteSink());
  Restyle();
}

void PushButtonModule::EnterRunMode() { Restyle(); }

void PushButtonModule::EnterPreviewMode() {
  pressed_ = false;
  repeat_timer_.stop();
  writes_.StopAll(CONTROL_GetWriteSink());
  Restyle();
}

ToolModuleDialog* PushButtonModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new PushButtonDialog(this, initial, parent);
}

bool PushButtonModule::eventFilter(QObject* watched, QEvent* event) {
  if (watched == button_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    _SlotOnReleased();
  }
  return TypedToolModule::eventFilter(watched, event);
}

void PushButtonModule::_SlotOnPressed() {
  pressed_ = true;
  const auto press = WriteOperationViews(part_.Press);
  if (writes_.Press(CONTROL_GetWriteSink(), press, part_.HoldRepeat != 0)) {
    repeat_timer_.start(static_cast<int>(CONTROL_ClampInterval(static_cast<uint32_t>(std::max(part_.IntervalMS, 0)))));
  }
}

void PushButtonModule::_SlotOnReleased() {
  if (!pressed_) return;
  pressed_ = false;
  repeat_timer_.stop();
  writes_.Release(CONTROL_GetWriteSink(), WriteOperationViews(part_.Release));
}

void PushButtonModule::_SlotOnHoldRepeat() {
  const uint32_t interval = CONTROL_ClampInterval(static_cast<uint32_t>(std::max(part_.IntervalMS, 0)));
  if (writes_.HoldRepeat(CONTROL_GetWriteSink(), WriteOperationViews(part_.Press), part_.HoldRepeat != 0, interval)) {
    repeat_timer_.start(static_cast<int>(interval));
  }
}
