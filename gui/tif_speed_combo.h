// The target interface speed box of the project settings: an editable list of the usual
// probe speeds in kHz, with one custom speed at the top when the user typed or the project
// holds a speed that is not in the list.
#pragma once

#include <QComboBox>
#include <cstdint>
#include <span>

class TIFSpeedComboBox : public QComboBox {
  Q_OBJECT

 public:
  static constexpr uint32_t kNoSpeed = 0xFFFFFFFFu;

  explicit TIFSpeedComboBox(QWidget* parent = nullptr);

  // The selected speed in kHz; kNoSpeed when nothing valid is selected.
  uint32_t GetSpeedKHz() const;
  // Selects the list entry of `khz`, or makes it the custom entry at the top. 0 and kNoSpeed
  // are not speeds: they select the first list entry.
  void SetSpeedKHz(uint32_t khz);

  // The fixed list, in kHz.
  static std::span<const uint32_t> ListKHz();

 signals:
  void SignalSpeedChanged();

 private slots:
  void _SlotOnEditingFinished();

 private:
  void Rebuild();  // entries from the custom speed and the list, signals blocked

  uint32_t custom_khz_ = 0;  // 0: no custom entry
};
