#include "modules/toggle_button_module.h"

#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "modules/display_module_util.h"
#include "modules/toggle_button_dialog.h"

ToggleButtonModule::ToggleButtonModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  button_ = new QPushButton(this);
  button_->setCheckable(true);
  button_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  layout->addWidget(button_);
  connect(button_, &QPushButton::toggled, this, &ToggleButtonModule::_SlotOnToggled);
  PartChanged();
}

ToggleButtonModule::~ToggleButtonModule() = default;

bool ToggleButtonModule::ReadsSymbol(const ACTIVE_SYMBOL* symbol) const { return SymbolIdIs(part_.Symbol, symbol); }
bool ToggleButtonModule::UsesSymbol(const ACTIVE_SYMBOL* symbol) const { return ReadsSymbol(symbol); }

void ToggleButtonModule::RemoveSymbol(const ACTIVE_SYMBOL* symbol) {
  if (ReadsSymbol(symbol)) part_.Symbol.reset();
}

bool ToggleButtonModule::CanAddSymbol() const { return !part_.Symbol; }

bool ToggleButtonModule::AddSymbol(const ACTIVE_SYMBOL* symbol) {
  if (!CanAddSymbol()) return false;
  part_.Symbol = NewSymbolId(symbol);
  return static_cast<bool>(part_.Symbol);
}

QString ToggleButtonModule::GetInfoText() const {
  return QStringLiteral("Symbol: %1\nDefault state: %2\nState A Value: %3\nState B Value: %4\n")
      .arg(part_.Symbol ? QString::fromUtf8(part_.Symbol->Name) : QStringLiteral("none"),
           part_.DefaultState != 0 ? QString::fromStdString(part_.LabelB) : QString::fromStdString(part_.LabelA))
      .arg(part_.ValueStateA)
      .arg(part_.ValueStateB);
}

TOGGLE_VALUES ToggleButtonModule::Values() const {
  TOGGLE_VALUES v;
  if (part_.Symbol) v.symbol = *part_.Symbol.get();
  v.values[0] = part_.ValueStateA;
  v.values[1] = part_.ValueStateB;
  return v;
}

// Label and colours of the current state; the second state looks pressed in.
void ToggleButtonModule::ShowState() {
  const bool b = writes_.State();
  {
    const QSignalBlocker block(button_);
    button_->setChecked(b);
  }
  QString label = QString::fromStdString(b ? part_.LabelB : part_.LabelA);
  if (part_.IsVertical != 0) label = label.split(QString(), Qt::SkipEmptyParts).join(QLatin1Char('\n'));
  button_->setText(label);
  ModuleSetStyleSheet(
      *button_,
      QStringLiteral("QPushButton { color: %1; background-color: %2; border-radius: 5px; border-width: 3px; "
                     "border-color: rgba(0, 0, 0, 60); border-style: %3; }")
          .arg(ModuleRgbaCss(b ? part_.TextColorBRGBA : part_.TextColorARGBA),
               ModuleRgbaCss(b ? part_.BackgroundColorBRGBA : part_.BackgroundColorARGBA),
               b ? QStringLiteral("inset") : QStringLiteral("outset")));
}

void ToggleButtonModule::PartChanged() {
  writes_.EnterEdit(part_.DefaultState != 0);
  ShowState();
}

void ToggleButtonModule::EnterEditMode() {
  writes_.EnterEdit(part_.DefaultState != 0);
  ShowState();
}

void ToggleButtonModule::EnterRunMode() {
  writes_.EnterRun(CONTROL_GetWriteSink(), Values(), part_.DefaultState != 0);
  ShowState();
}

void ToggleButtonModule::EnterPreviewMode() {
  writes_.EnterPreview(part_.DefaultState != 0);
  ShowState();
}

void ToggleButtonModule::RunUpdate() {
  if (writes_.Follow(CONTROL_GetWriteSink(), Values())) ShowState();
}

ToolModuleDialog* ToggleButtonModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new ToggleButtonDialog(this, initial, parent);
}

void ToggleButtonModule::_SlotOnToggled(bool checked) {
  writes_.Toggle(CONTROL_GetWriteSink(), Values(), checked);
  ShowState();
}
