#include "modules/label_dialog.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

LabelDialog::LabelDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  const LABEL_SETTINGS defaults;
  const LABEL_SETTINGS* p = initial.As<LABEL_SETTINGS>();
  if (p == nullptr) p = &defaults;
  auto* box = new QGroupBox(QStringLiteral("Label"), this);
  auto* form = new QFormLayout(box);
  text_ = new QLineEdit(QString::fromStdString(p->Text), box);
  text_->setMaxLength(static_cast<int>(MODULE_MAX_TEXT_CHARS));
  form->addRow(QStringLiteral("Text:"), text_);
  alignment_ = NewAlignmentChoice(box, static_cast<uint32_t>(p->Alignment));
  form->addRow(QStringLiteral("Alignment:"), alignment_);
  style_.Build(box, form, p->Font, p->ColorTextRGBA, p->ColorBackgroundRGBA, [this] { SettingsEdited(); });
  TypeLayout()->addWidget(box);
  auto edited = [this] { SettingsEdited(); };
  connect(text_, &QLineEdit::textEdited, this, edited);
  connect(alignment_, &QComboBox::currentIndexChanged, this, edited);
}

void LabelDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<LABEL_SETTINGS>();
  if (p == nullptr) return;
  p->Text = text_->text().left(static_cast<int>(MODULE_MAX_TEXT_CHARS)).toStdString();
  p->Alignment = static_cast<int32_t>(ChosenAlignment(alignment_));
  p->Font = style_.Font();
  p->ColorTextRGBA = style_.text->Rgba();
  p->ColorBackgroundRGBA = style_.background->Rgba();
}
