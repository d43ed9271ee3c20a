// ToolModuleDialog: the base of every module's settings dialog.
//
// It copies the record it is opened with and shows the common part: X/Y position (with
// "Current position" and "Marked position"), width and height. A type adds its controls to
// TypeLayout(), writes them into a record in WriteTypeSettings and refuses bad input in
// Validate. Whenever a control changes, the type calls SettingsEdited(): the module then
// previews the dialog's record live (nothing is recorded until OK).
//
// OK: Validate, then accept (the module applies and reports the change). Cancel, Escape and
// closing the window: when the dialog's record differs from the initial one, the question
// "Are you sure to cancel?" comes first; "No" keeps the dialog open.
#pragma once

#include <optional>

#include <QDialog>

#include "modules/records/module_settings.h"

class QLineEdit;
class QPushButton;
class QVBoxLayout;
class ToolModule;

class ToolModuleDialog : public QDialog {
  Q_OBJECT

 public:
  // `module` may be null (a dialog shown on its own); the dialog never outlives it.
  ToolModuleDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent);
  ~ToolModuleDialog() override;

  // The record the controls describe: the initial record with the common part and the
  // type's part (WriteTypeSettings) written over it.
  virtual MODULE_SETTINGS GetDialogSettings() const;
  // True when the inputs may be applied; shows why not otherwise.
  virtual bool Validate() { return true; }

  const MODULE_SETTINGS& InitialSettings() const { return initial_; }

  // Tests and the main window press the buttons through these.
  QPushButton* OkButton() const { return ok_button_; }
  QPushButton* CancelButton() const { return cancel_button_; }

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  // The type's controls go here (between the position group and the buttons).
  QVBoxLayout* TypeLayout() const { return type_layout_; }
  // Writes the type's controls into `settings` (whose part is of the dialog's type).
  virtual void WriteTypeSettings(MODULE_SETTINGS& settings) const { (void)settings; }
  // A control changed: live preview on the module.
  void SettingsEdited();
  ToolModule* Module() const { return module_; }

 protected slots:
  void _SlotOnBtnCloseClicked();
  void _SlotOnBtnApplyClicked();
  void _SlotOnBtnSetCurrentPosition();
  void _SlotOnBtnSetMarkedPosition();

 private:
  ToolModule* module_ = nullptr;
  MODULE_SETTINGS initial_;
  // The record the controls showed when the dialog opened: an unplaced module's record has no
  // position and size, while the controls show 0 and the minimum.
  std::optional<MODULE_SETTINGS> shown_initial_;
  QLineEdit* x_edit_ = nullptr;
  QLineEdit* y_edit_ = nullptr;
  QLineEdit* width_edit_ = nullptr;
  QLineEdit* height_edit_ = nullptr;
  QPushButton* current_button_ = nullptr;
  QPushButton* marked_button_ = nullptr;
  QVBoxLayout* type_layout_ = nullptr;
  QPushButton* ok_button_ = nullptr;
  QPushButton* cancel_button_ = nullptr;
};
