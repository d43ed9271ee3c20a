#include "modules/radio_button_module.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "modules/display_module_util.h"
#include "modules/radio_button_dialog.h"
#include "modules/text_fitter.h"

RadioButtonModule::RadioButtonModule(ModuleHost* host, QWidget* parent) : TypedToolModule(host, parent) {
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  group_ = new QButtonGroup(this);
  group_->setExclusive(true);
  connect(group_, &QButtonGroup::idClicked, this, &RadioButtonModule::_SlotOnSelected);
  PartChanged();
}

RadioButtonModule::~RadioButtonModule() = default;

bool RadioButtonModule::ReadsSymbol(const ACTIVE_SYMBOL* symbol) const {
  (void)symbol;
  return false;
}

bool RadioButtonModule::UsesSymbol(const ACTIVE_SYMBOL* symbol) const {
  return std::any_of(part_.Buttons.begin(), part_.Buttons.end(),
                     [symbol](const RADIO_BUTTON_ENTRY& b) { return SymbolIdIs(b.Symbol, symbol); });
}

void RadioButtonModule::RemoveSymbol(const ACTIVE_SYMBOL* symbol) {
  for (RADIO_BUTTON_ENTRY& b : part_.Buttons) {
    if (SymbolIdIs(b.Symbol, symbol)) b.Symbol.reset();
  }
}

void RadioButtonModule::FitContents() {
  if (buttons_.empty()) return;
  const QSize each(width(), std::max(1, height() / static_cast<int>(buttons_.size())));
  if (part_.Font.UseFixPointSize == 0) {
    QString longest;
    for (const RADIO_BUTTON_ENTRY& b : part_.Buttons) {
      if (b.Text.size() > static_cast<size_t>(longest.size())) longest = QString::fromStdString(b.Text);
    }
    QFont font = buttons_.front()->font();
    font.setPointSizeF(std::max(1.0, FitTextPointSize(font, longest, each, kTextFitMargin)));
    for (QRadioButton* b : buttons_) b->setFont(font);
  }
}

QString RadioButtonModule::GetFrameStyleSheet() const {
  QString style = QStringLiteral("QRadioButton { color: %1; background-color: %2; padding-left: 4px; ")
                      .arg(ModuleRgbaCss(part_.ColorTextRGBA), ModuleRgbaCss(part_.ColorBackgroundRGBA));
  if (part_.Font.UseFixPointSize != 0) style += QStringLiteral("font-size: %1px; ").arg(part_.Font.FixPointSize);
  return style + QStringLiteral(
                     "} QRadioButton::indicator { width: 0px; height: 0px; } "
                     "QRadioButton:checked { background-color: rgba(0, 0, 0, 48); font-weight: bold; }");
}

std::vector<RADIO_ENTRY> RadioButtonModule::Entries() const {
  std::vector<RADIO_ENTRY> entries;
  for (const RADIO_BUTTON_ENTRY& b : part_.Buttons) entries.push_back({b.Symbol.get(), b.CheckedValue, b.UncheckedValue});
  return entries;
}

void RadioButtonModule::ShowSelection() {
  for (size_t i = 0; i < buttons_.size(); ++i) {
    const QSignalBlocker block(buttons_[i]);
    buttons_[i]->setChecked(static_cast<int>(i) == writes_.Selected());
  }
}

void RadioButtonModule::PartChanged() {
  const size_t n = std::min(part_.Buttons.size(), MODULE_MAX_RADIO_BUTTONS);
  // The same number of buttons (a module built and then given its record, a text edited):
  // the buttons stay and take the new texts, instead of being built again.
  if (buttons_.size() == n) {
    for (size_t i = 0; i < n; ++i) buttons_[i]->setText(QString::fromStdString(part_.Buttons[i].Text));
  } else {
    for (QRadioButton* b : buttons_) delete b;
    buttons_.clear();
  }
  for (size_t i = buttons_.size(); i < n; ++i) {
    auto* b = new QRadioButton(QString::fromStdString(part_.Buttons[i].Text), this);
    b->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    layout_->addWidget(b);
    group_->addButton(b, static_cast<int>(i));
    buttons_.push_back(b);
  }
  ModuleSetStyleSheet(*this, GetFrameStyleSheet());
  writes_.EnterEdit(part_.DefaultIndex);
  ShowSelection();
  FitContents();
}

void RadioButtonModule::EnterEditMode() {
  writes_.EnterEdit(part_.DefaultIndex);
  ShowSelection();
}

void RadioButtonModule::EnterRunMode() {
  writes_.EnterRun(CONTROL_GetWriteSink(), Entries(), part_.DefaultIndex);
  ShowSelection();
}

void RadioButtonModule::EnterPreviewMode() {
  writes_.EnterPreview(part_.DefaultIndex);
  ShowSelection();
}

ToolModuleDialog* RadioButtonModule::CreateDialog(const MODULE_SETTINGS& initial, QWidget* parent) {
  return new RadioButtonDialog(this, initial, parent);
}

void RadioButtonModule::_SlotOnSelected(int index) {
  writes_.Select(CONTROL_GetWriteSink(), Entries(), index);
  ShowSelection();
}
