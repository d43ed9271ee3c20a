// The project settings form: how the probe is reached, the target device, an optional probe
// script, the target interface and speed, the sampling period, the ELF file and the mode the
// project opens in. Serves a new project ("New Project Settings") and an open one ("Project
// Settings"). The caller's record changes only when the form is confirmed.
#pragma once

#include <QDialog>
#include <QString>

#include "probe/probe_config.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class TIFSpeedComboBox;

// "us, Sample Rate: 10kHz" for a period text of "100" (microseconds).
QString SamplingRateText(const QString& period_text);

class NewProjectDialog : public QDialog {
  Q_OBJECT

 public:
  NewProjectDialog(const QString& title, PROJECT_CONFIG& record, QWidget* parent = nullptr);

  // Interface table: display text and the id the probe library takes.
  struct InterfaceEntry {
    const char* text;
    uint32_t id;
  };
  static const InterfaceEntry kInterfaces[3];

 public slots:
  void accept() override;

 private slots:
  void _SlotOnConnectionChanged();
  void _SlotOnSamplingChanged(const QString& text);
  void _SlotOnDeviceButton();
  void _SlotOnScriptButton();
  void _SlotOnElfButton();

 private:
  void Fill();

  PROJECT_CONFIG& record_;
  QRadioButton* usb_ = nullptr;
  QRadioButton* ip_ = nullptr;
  QCheckBox* serial_check_ = nullptr;
  QLineEdit* serial_edit_ = nullptr;
  QLineEdit* ip_edit_ = nullptr;
  QLineEdit* device_edit_ = nullptr;
  QLineEdit* script_edit_ = nullptr;
  QComboBox* interface_ = nullptr;
  TIFSpeedComboBox* speed_ = nullptr;
  QLineEdit* sampling_edit_ = nullptr;
  QLabel* rate_label_ = nullptr;
  QLineEdit* elf_edit_ = nullptr;
  QComboBox* startup_ = nullptr;
};
