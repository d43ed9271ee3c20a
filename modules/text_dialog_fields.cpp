#include "modules/text_dialog_fields.h"

#include <QFormLayout>
#include <QHBoxLayout>

namespace {

struct Alignment {
  uint32_t code;
  const char* name;
};
constexpr Alignment kAlignments[] = {
    {0x84, "Center"},      {0x81, "Center left"}, {0x82, "Center right"}, {0x24, "Top center"},    {0x21, "Top left"},
    {0x22, "Top right"},   {0x44, "Bottom center"}, {0x41, "Bottom left"}, {0x42, "Bottom right"},
};

}  // namespace

QComboBox* NewAlignmentChoice(QWidget* parent, uint32_t alignment) {
  auto* choice = new QComboBox(parent);
  for (const Alignment& a : kAlignments) {
    choice->addItem(QString::fromLatin1(a.name), a.code);
    if (a.code == alignment) choice->setCurrentIndex(choice->count() - 1);
  }
  return choice;
}

uint32_t ChosenAlignment(const QComboBox* choice) { return choice->currentData().toUInt(); }

void TextStyleFields::Build(QWidget* parent, QFormLayout* form, const FONT_OPTION& font, uint32_t text_rgba,
                            uint32_t background_rgba, const std::function<void()>& edited) {
  size = new QSpinBox(parent);
  size->setRange(1, 500);
  size->setValue(font.FixPointSize);
  fixed = new QCheckBox(QStringLiteral("Use fix pointsize"), parent);
  fixed->setChecked(font.UseFixPointSize != 0);
  auto* row = new QHBoxLayout;
  row->addWidget(size);
  row->addWidget(fixed);
  form->addRow(QStringLiteral("Pointsize:"), row);
  text = new ColorButton(QStringLiteral("Text"), text_rgba, parent);
  background = new ColorButton(QStringLiteral("Background"), background_rgba, parent);
  auto* colors = new QHBoxLayout;
  colors->addWidget(text);
  colors->addWidget(background);
  form->addRow(QStringLiteral("Colors"), colors);
  QObject::connect(size, &QSpinBox::valueChanged, parent, edited);
  QObject::connect(fixed, &QCheckBox::toggled, parent, edited);
  QObject::connect(text, &ColorButton::_SignalEdited, parent, edited);
  QObject::connect(background, &ColorButton::_SignalEdited, parent, edited);
}

FONT_OPTION TextStyleFields::Font() const {
  FONT_OPTION f;
  f.FixPointSize = size->value();
  f.UseFixPointSize = fixed->isChecked() ? 1 : 0;
  return f;
}
