// The dialog that creates a virtual symbol: a value type and a name.
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;

class VirtualSymbolCreationDialog : public QDialog {
  Q_OBJECT
 public:
  explicit VirtualSymbolCreationDialog(QWidget* parent = nullptr);
  QComboBox* TypeBox() const { return type_box_; }
  QLineEdit* NameEdit() const { return name_edit_; }

 public slots:
  void _SlotOnOkClicked();
  void _SlotOnCloseClicked();

 private:
  QComboBox* type_box_ = nullptr;
  QLineEdit* name_edit_ = nullptr;
};
