#include "modules/frame_buffer_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "modules/framebuffer_decode.h"
#include "platform/sys_msgbox.h"
#include "symbols/active_symbol.h"

namespace {

// "0x" and up to eight hexadecimal digits of either case (a 32-bit address).
const QRegularExpression& AddressPattern() {
  static const QRegularExpression pattern(QStringLiteral("^0[xX][0-9a-fA-F]{1,8}$"));
  return pattern;
}

QString AddressText(uint32_t address) { return QString::asprintf("0x%X", address); }

}  // namespace

FrameBufferDialog::FrameBufferDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  auto* box = new QGroupBox(QStringLiteral("Frame Buffer"), this);
  auto* form = new QFormLayout(box);
  source_ = new QComboBox(box);
  source_->addItem(QStringLiteral("Custom Address"));
  for (ACTIVE_SYMBOL_CELL* c = MAIN_pActiveSymbols; c != nullptr; c = c->pNext) {
    if (c->pSymbol != nullptr) source_->addItem(QString::fromUtf8(c->pSymbol->Name));
  }
  address_ = new QLineEdit(box);
  address_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("0[xX][0-9a-fA-F]{0,8}|0?")), address_));
  auto* address_row = new QWidget(box);
  auto* address_layout = new QVBoxLayout(address_row);
  address_layout->setContentsMargins(0, 0, 0, 0);
  address_layout->addWidget(source_);
  address_layout->addWidget(address_);
  form->addRow(QStringLiteral("Address:"), address_row);
  width_ = new QSpinBox(box);
  height_ = new QSpinBox(box);
  for (QSpinBox* s : {width_, height_}) s->setRange(0, static_cast<int>(FRAMEBUFFER_MAX_SIDE));
  form->addRow(QStringLiteral("Width:"), width_);
  form->addRow(QStringLiteral("Height:"), height_);
  encoding_ = new QComboBox(box);
  for (uint32_t e = 0; e < FRAMEBUFFER_ENCODINGS; ++e) encoding_->addItem(QString::fromLatin1(FRAMEBUFFER_EncodingText(e)));
  form->addRow(QStringLiteral("Encoding:"), encoding_);
  TypeLayout()->addWidget(box);

  if (const auto* p = initial.As<FRAME_BUFFER_SETTINGS>()) {
    address_->setText(AddressText(p->Address));
    width_->setValue(static_cast<int>(FRAMEBUFFER_ClampSide(p->PxWidth)));
    height_->setValue(static_cast<int>(FRAMEBUFFER_ClampSide(p->PxHeight)));
    encoding_->setCurrentIndex(p->Encoding < FRAMEBUFFER_ENCODINGS ? static_cast<int>(p->Encoding) : 0);
  }
  connect(source_, &QComboBox::currentIndexChanged, this, &FrameBufferDialog::SourceChosen);
  auto edited = [this] { SettingsEdited(); };
  connect(address_, &QLineEdit::textEdited, this, edited);
  connect(width_, &QSpinBox::valueChanged, this, edited);
  connect(height_, &QSpinBox::valueChanged, this, edited);
  connect(encoding_, &QComboBox::currentIndexChanged, this, edited);
}

void FrameBufferDialog::SourceChosen(int index) {
  if (index <= 0) {
    address_->setReadOnly(false);
    SettingsEdited();
    return;
  }
  ACTIVE_SYMBOL_CELL* cell = MAIN_pActiveSymbols;
  for (int i = 1; i < index && cell != nullptr; ++i) cell = cell->pNext;
  if (cell == nullptr || cell->pSymbol == nullptr) {
    SYS_ErrorBox("Index is too big as MAIN_pActiveSymbols is not that long.");
    return;
  }
  address_->setText(QString::asprintf("0x%X", cell->pSymbol->Address));
  address_->setReadOnly(true);
  SettingsEdited();
}

bool FrameBufferDialog::ParseAddress(uint32_t* address) const {
  const QString text = address_->text().trimmed();
  if (!AddressPattern().match(text).hasMatch()) return false;
  bool ok = false;
  const uint32_t value = text.mid(2).toUInt(&ok, 16);
  if (ok) *address = value;
  return ok;
}

bool FrameBufferDialog::Validate() {
  uint32_t address = 0;
  if (!ParseAddress(&address)) {
    SYS_ErrorBox("Invalid address: enter 0x and up to eight hexadecimal digits.");
    return false;
  }
  return true;
}

void FrameBufferDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<FRAME_BUFFER_SETTINGS>();
  if (p == nullptr) return;
  uint32_t address = 0;
  if (ParseAddress(&address)) p->Address = address;
  p->PxWidth = FRAMEBUFFER_ClampSide(static_cast<uint32_t>(width_->value()));
  p->PxHeight = FRAMEBUFFER_ClampSide(static_cast<uint32_t>(height_->value()));
  p->Encoding = static_cast<uint32_t>(encoding_->currentIndex());
}
