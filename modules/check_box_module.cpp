#include "modules/check_box_module.h"

#include <QCheckBox>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "modules/check_box_dialog.h"
#include "modules/display_module_util.h"
#include "modules/text_fitter.h"

CheckBoxModule::CheckBoxModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  box_ = new QCheckBox(this);
  box_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  layout->addWidget(box_);
  connect(box_, &QCheckBox::toggled, this, &CheckBoxModule::_SlotOnToggled);
  PartChanged();
}

CheckBoxModule::~CheckBoxModule() = default;

bool CheckBoxModule::ReadsSymbol(const ACTIVE_SYMBOL* symbol) const {
  return part_.ForceValue != 0 && SymbolIdIs(part_.Symbol, symbol);
}

bool CheckBoxModule::UsesSymbol(const ACTIVE_SYMBOL* symbol) const { return SymbolIdIs(part_.Symbol, symbol); }

void CheckBoxModule::RemoveSymbol(const ACTIVE_SYMBOL* symbol) {
  if (UsesSymbol(symbol)) part_.Symbol.reset();
}

bool CheckBoxModule::CanAddSymbol() const { return !part_.Symbol; }

bool CheckBoxModule::AddSymbol(const ACTIVE_SYMBOL* symbol) {
  if (!CanAddSymbol()) return false;
  part_.Symbol = NewSymbolId(symbol);
  return static_cast<bool>(part_.Symbol);
}

void CheckBoxModule::FitContents() {
  indicator_px_ = FitIndicatorSize(size());
  if (part_.Font.UseFixPointSize == 0) {
    QFont font = box_->font();
    const QSize room(std::max(1, width() - indicator_px_ - 8), height());
    font.setPointSizeF(std::max(1.0, FitTextPointSize(font, box_->text(), room, kTextFitMargin)));
    box_->setFont(font);
  }
  ModuleSetStyleSheet(*box_, GetFrameStyleSheet());
}

QString CheckBoxModule::GetInfoText() const {
  return QStringLiteral("Symbol: %1\nChecked Value: %2\nUnchecked Value: %3\nChecked by dafault: %4\nForce value: %5\n")
      .arg(part_.Symbol ? QString::fromUtf8(part_.Symbol->Name) : QStringLiteral("none"))
      .arg(part_.CheckedValue)
      .arg(part_.UncheckedValue)
      .arg(part_.CheckedByDefault != 0 ? QStringLiteral("true") : QStringLiteral("false"),
           part_.ForceValue != 0 ? QStringLiteral("true") : QStringLiteral("false"));
}

QString CheckBoxModule::GetFrameStyleSheet() const {
  QString style = QStringLiteral("QCheckBox { color: %1; background-color: %2; ")
                      .arg(ModuleRgbaCss(part_.ColorTextRGBA), ModuleRgbaCss(part_.ColorBackgroundRGBA));
  if (part_.Font.UseFixPointSize != 0) style += QStringLiteral("font-size: %1px; ").arg(part_.Font.FixPointSize);
  return style + QStringLiteral("} QCheckBox::indicator { width: %1px; height: %1px; }").arg(indicator_px_);
}

CHECK_BOX_VALUES CheckBoxModule::Values() const {
  CHECK_BOX_VALUES v;
  if (part_.Symbol) v.symbol = *part_.Symbol.get();
  v.checked = part_.CheckedValue;
  v.unchecked = part_.UncheckedValue;
  v.force = part_.ForceValue != 0;
  return v;
}

void CheckBoxModule::ShowState() {
  const QSignalBlocker block(box_);
  box_->setChecked(writes_.Checked());
}

void CheckBoxModule::PartChanged() {
  box_->setText(QString::fromStdString(part_.Text));
  writes_.EnterEdit(part_.CheckedByDefault != 0);
  ShowState();
  FitContents();
}

void CheckBoxModule::EnterEditMode() {
  writes_.EnterEdit(part_.CheckedByDefault != 0);
  ShowState();
}

void CheckBoxModule::EnterRunMode() {
  writes_.EnterRun(CONTROL_GetWriteSink(), Values());
  ShowState();
}

void CheckBoxModule::EnterPreviewMode() {
  writes_.EnterPreview(part_.CheckedByDefault != 0);
  ShowState();
}

void CheckBoxModule::RunUpdate() { writes_.Refresh(CONTROL_GetWriteSink(), Values()); }

ToolModuleDialog* CheckBoxModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new CheckBoxDialog(this, initial, parent);
}

void CheckBoxModule::_SlotOnToggled(bool checked) { writes_.Toggle(CONTROL_GetWriteSink(), Values(), checked); }
