// "Human Interface Devices": the game-pad mappings of the four pad slots, one row per input
// (operations, values, symbols, hold repeat and "Only on change"), with the rows of inputs that
// are active on a pad outlined. "Apply" checks each row and installs the valid ones.
#pragma once

#include <QDialog>
#include <vector>

#include "input/gamepad_mapping.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTimer;

class HIDDialog : public QDialog {
  Q_OBJECT

 public:
  // Shows copies of `mappings`.
  explicit HIDDialog(const GAMEPAD_MAPPING (&mappings)[GAMEPAD_SLOTS], QWidget* parent = nullptr);
  ~HIDDialog() override;

  // The mappings as last applied (the ones given until then).
  const GAMEPAD_MAPPING& Mapping(uint32_t pad) const { return mappings_[pad]; }
  // The row of an input, for highlighting and tests.
  QWidget* Row(uint32_t pad, uint32_t input) const { return rows_[pad][input].row; }

 signals:
  // The valid rows were stored and installed for the pads (GAMEPAD_SetMappings).
  void SignalMappingsApplied();

 public slots:
  void reject() override;

 private slots:
  void _SlotOnApplyClicked();
  void _SlotOnPollTimer();

 private:
  struct RowWidgets {
    QWidget* row = nullptr;
    QComboBox* press_op = nullptr;
    QLineEdit* press_value = nullptr;
    QComboBox* press_symbol = nullptr;
    QCheckBox* hold = nullptr;
    QSpinBox* interval = nullptr;
    QComboBox* release_op = nullptr;
    QLineEdit* release_value = nullptr;
    QComboBox* release_symbol = nullptr;
    QCheckBox* only_on_change = nullptr;
  };
  QWidget* BuildPad(uint32_t pad);
  QComboBox* SymbolSelector(const SYMBOL_ID* current) const;
  // The active symbol chosen in a selector (null for "none").
  const ACTIVE_SYMBOL* Chosen(const QComboBox* selector) const;
  // Reads a row into `out`; false (after the message) when the row is refused.
  bool ReadRow(uint32_t input, const RowWidgets& w, GAMEPAD_INPUT& out);

  GAMEPAD_MAPPING mappings_[GAMEPAD_SLOTS];
  RowWidgets rows_[GAMEPAD_SLOTS][GAMEPAD_INPUTS];
  std::vector<const ACTIVE_SYMBOL*> symbols_;
  QTimer* poll_timer_ = nullptr;
};
