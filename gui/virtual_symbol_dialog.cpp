#include "gui/virtual_symbol_dialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/app_active_list.h"
#include "core/app_virtual_symbol.h"
#include "platform/sys_msgbox.h"

VirtualSymbolCreationDialog::VirtualSymbolCreationDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Virtual Symbol Creation"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(QStringLiteral("new virtual Symbol"));
  auto* group_layout = new QHBoxLayout(group);
  type_box_ = new QComboBox;
  const struct {
    const char* text;
    uint32_t type_id;
  } kChoices[] = {{"float", TYPEID_FLOAT}, {"double", TYPEID_DOUBLE}, {"bool", TYPEID_BOOL},
                  {"U8", TYPEID_U8},       {"U16", TYPEID_U16},       {"U32", TYPEID_U32},
                  {"I8", TYPEID_I8},       {"I16", TYPEID_I16},       {"I32", TYPEID_I32}};
  for (const auto& c : kChoices) type_box_->addItem(QString::fromLatin1(c.text), c.type_id);
  name_edit_ = new QLineEdit(QStringLiteral("SymbolName"));
  name_edit_->setMaxLength(ACTIVE_SYMBOL_NAME_SIZE - 1);
  name_edit_->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("^[a-zA-Z_][a-zA-Z0-9_]*$")), name_edit_));
  group_layout->addWidget(type_box_);
  group_layout->addWidget(name_edit_, 1);
  layout->addWidget(group);
  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"));
  auto* cancel = new QPushButton(QStringLiteral("Cancel"));
  ok->setDefault(true);
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &VirtualSymbolCreationDialog::_SlotOnOkClicked);
  connect(cancel, &QPushButton::clicked, this, &VirtualSymbolCreationDialog::_SlotOnCloseClicked);
}

void VirtualSymbolCreationDialog::_SlotOnOkClicked() {
  const QByteArray name = name_edit_->text().toLatin1();
  if (APP_CreateVirtualSymbol(name.constData(), type_box_->currentData().toUInt()) != nullptr) accept();
}

void VirtualSymbolCreationDialog::_SlotOnCloseClicked() { reject(); }
