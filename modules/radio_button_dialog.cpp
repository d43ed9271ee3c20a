#include "modules/radio_button_dialog.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

RadioButtonDialog::RadioButtonDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  const RADIO_BUTTONS_SETTINGS defaults;
  const RADIO_BUTTONS_SETTINGS* p = initial.As<RADIO_BUTTONS_SETTINGS>();
  if (p == nullptr) p = &defaults;
  auto* box = new QGroupBox(QStringLiteral("Radio Buttons"), this);
  auto* column = new QVBoxLayout(box);
  grid_ = new QGridLayout;
  column->addLayout(grid_);
  auto* foot = new QHBoxLayout;
  add_ = new QPushButton(QStringLiteral("Add Radio Button"), box);
  counter_ = new QLabel(box);
  foot->addWidget(add_);
  foot->addStretch();
  foot->addWidget(counter_);
  column->addLayout(foot);
  auto* form = new QFormLayout;
  default_ = new QComboBox(box);
  form->addRow(QStringLiteral("Checked by default:"), default_);
  style_.Build(box, form, p->Font, p->ColorTextRGBA, p->ColorBackgroundRGBA, [this] { SettingsEdited(); });
  column->addLayout(form);
  TypeLayout()->addWidget(box);
  Rebuild(p->Buttons, p->DefaultIndex);

  auto edited = [this] { SettingsEdited(); };
  connect(add_, &QPushButton::clicked, this, [this] {
    Edit([](std::vector<RADIO_BUTTON_ENTRY>& e, int&) {
      if (e.size() < MODULE_MAX_RADIO_BUTTONS) e.push_back({{}, "Option " + std::to_string(e.size() + 1), 1.0, 0.0});
    });
  });
  connect(default_, &QComboBox::currentIndexChanged, this, edited);
}

std::vector<RADIO_BUTTON_ENTRY> RadioButtonDialog::Entries() const {
  std::vector<RADIO_BUTTON_ENTRY> entries;
  for (const Row& r : rows_) {
    entries.push_back({r.symbol->Symbol(), r.text->text().toStdString(), r.checked->value(), r.unchecked->value()});
  }
  return entries;
}

// Changes the list as a whole (add, remove, move) once the clicked button's slot returned.
void RadioButtonDialog::Edit(const std::function<void(std::vector<RADIO_BUTTON_ENTRY>&, int&)>& change) {
  std::vector<RADIO_BUTTON_ENTRY> entries = Entries();
  int default_index = default_->currentIndex();
  change(entries, default_index);
  QMetaObject::invokeMethod(this, [this, entries, default_index] {
    Rebuild(entries, default_index);
    SettingsEdited();
  }, Qt::QueuedConnection);
}

void RadioButtonDialog::Rebuild(const std::vector<RADIO_BUTTON_ENTRY>& entries, int default_index) {
  for (Row& r : rows_) {
    for (QWidget* w : r.widgets) delete w;
  }
  rows_.clear();
  auto edited = [this] { SettingsEdited(); };
  for (size_t i = 0; i < entries.size() && i < MODULE_MAX_RADIO_BUTTONS; ++i) {
    const RADIO_BUTTON_ENTRY& e = entries[i];
    Row r;
    r.symbol = new SymbolField(this);
    r.symbol->SetSymbol(e.Symbol);
    r.text = new QLineEdit(QString::fromStdString(e.Text), this);
    r.checked = NewValueBox(this, e.CheckedValue);
    r.unchecked = NewValueBox(this, e.UncheckedValue);
    auto* up = new QPushButton(QStringLiteral("Move Up"), this);
    auto* down = new QPushButton(QStringLiteral("Move Down"), this);
    auto* remove = new QPushButton(QStringLiteral("Remove"), this);
    r.widgets = {r.symbol, r.text, r.checked, r.unchecked, up, down, remove};
    const int row = static_cast<int>(i);
    for (int c = 0; c < static_cast<int>(r.widgets.size()); ++c) grid_->addWidget(r.widgets[c], row, c);
    up->setEnabled(i > 0);
    down->setEnabled(i + 1 < entries.size());
    connect(up, &QPushButton::clicked, this, [this, row] {
      Edit([row](std::vector<RADIO_BUTTON_ENTRY>& e, int& d) {
        std::swap(e[row], e[row - 1]);
        d = d == row ? row - 1 : d == row - 1 ? row : d;
      });
    });
    connect(down, &QPushButton::clicked, this, [this, row] {
      Edit([row](std::vector<RADIO_BUTTON_ENTRY>& e, int& d) {
        std::swap(e[row], e[row + 1]);
        d = d == row ? row + 1 : d == row + 1 ? row : d;
      });
    });
    connect(remove, &QPushButton::clicked, this, [this, row] {
      Edit([row](std::vector<RADIO_BUTTON_ENTRY>& e, int& d) {
        e.erase(e.begin() + row);
        if (d >= row && d > 0) --d;
      });
    });
    connect(r.symbol, &SymbolField::_SignalEdited, this, edited);
    connect(r.text, &QLineEdit::textEdited, this, edited);
    connect(r.checked, &QDoubleSpinBox::valueChanged, this, edited);
    connect(r.unchecked, &QDoubleSpinBox::valueChanged, this, edited);
    rows_.push_back(r);
  }
  {
    const QSignalBlocker block(default_);
    default_->clear();
    for (const RADIO_BUTTON_ENTRY& e : entries) default_->addItem(QString::fromStdString(e.Text));
    default_->setCurrentIndex(std::clamp(default_index, 0, std::max(0, default_->count() - 1)));
  }
  counter_->setText(QStringLiteral("%1 / %2 Radio Buttons").arg(rows_.size()).arg(MODULE_MAX_RADIO_BUTTONS));
  add_->setEnabled(rows_.size() < MODULE_MAX_RADIO_BUTTONS);
}

void RadioButtonDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<RADIO_BUTTONS_SETTINGS>();
  if (p == nullptr) return;
  p->Buttons = Entries();
  p->DefaultIndex = std::max(0, default_->currentIndex());
  p->Font = style_.Font();
  p->ColorTextRGBA = style_.text->Rgba();
  p->ColorBackgroundRGBA = style_.background->Rgba();
}
