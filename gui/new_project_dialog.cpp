#include "gui/new_project_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "gui/target_device_dialog.h"
#include "gui/tif_speed_combo.h"
#include "persist/settings_file.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"

const NewProjectDialog::InterfaceEntry NewProjectDialog::kInterfaces[3] = {
    {"JTAG", PROBE_TIF_JTAG}, {"SWD", PROBE_TIF_SWD}, {"FINE", PROBE_TIF_FINE}};

namespace {

constexpr uint32_t kDefaultSpeedKHz = 4000;

QString FieldText(const char* field) { return QString::fromUtf8(field); }

void StoreText(char* field, size_t size, const QString& text) {
  SYS_CopyText(field, size, text.toUtf8().constData());
}

QPushButton* BrowseButton() {
  auto* button = new QPushButton(QStringLiteral("..."));
  button->setFixedWidth(32);
  return button;
}

}  // namespace

QString SamplingRateText(const QString& period_text) {
  // The period is the integer part of the decimal number typed (at most 64 characters).
  const double period = period_text.left(64).toDouble();
  const uint64_t period_us = period >= 1.0 && period < 1e18 ? uint64_t(period) : 0;
  uint64_t rate = 0;
  const char* unit = "Hz";
  if (period_us != 0) {
    rate = 1000000u / period_us;
    if (rate >= 1000) {
      rate /= 1000;
      unit = "kHz";
    }
  }
  return QStringLiteral("us, Sample Rate: %1%2").arg(rate).arg(QLatin1String(unit));
}

NewProjectDialog::NewProjectDialog(const QString& title, PROJECT_CONFIG& record,
                                   QWidget* parent)
    : QDialog(parent), record_(record) {
  setWindowTitle(title);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  // Connection.
  auto* connection = new QGroupBox(QStringLiteral("Connection to Veltra"));
  auto* conn_grid = new QGridLayout(connection);
  usb_ = new QRadioButton(QStringLiteral("USB"));
  ip_ = new QRadioButton(QStringLiteral("TCP/IP"));
  serial_check_ = new QCheckBox(QStringLiteral("Serial No."));
  serial_edit_ = new QLineEdit;
  serial_edit_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), this));
  // Hidden, the serial edit keeps its room so the form does not jump.
  QSizePolicy keep = serial_edit_->sizePolicy();
  keep.setRetainSizeWhenHidden(true);
  serial_edit_->setSizePolicy(keep);
  ip_edit_ = new QLineEdit;
  ip_edit_->setPlaceholderText(QStringLiteral("host or host:port"));
  conn_grid->addWidget(usb_, 0, 0);
  conn_grid->addWidget(serial_check_, 0, 1);
  conn_grid->addWidget(serial_edit_, 0, 2);
  conn_grid->addWidget(ip_, 1, 0);
  conn_grid->addWidget(ip_edit_, 1, 1, 1, 2);
  layout->addWidget(connection);

  // Device.
  auto* device = new QGroupBox(QStringLiteral("Specify Target Device"));
  auto* device_row = new QHBoxLayout(device);
  device_edit_ = new QLineEdit;
  QPushButton* device_button = BrowseButton();
  device_row->addWidget(device_edit_);
  device_row->addWidget(device_button);
  layout->addWidget(device);

  // Script.
  auto* script = new QGroupBox(QStringLiteral("Script file (optional)"));
  auto* script_row = new QHBoxLayout(script);
  script_edit_ = new QLineEdit;
  QPushButton* script_button = BrowseButton();
  script_row->addWidget(script_edit_);
  script_row->addWidget(script_button);
  layout->addWidget(script);

  // Interface and speed.
  auto* tif = new QGroupBox(QStringLiteral("Target Interface && Speed"));
  auto* tif_row = new QHBoxLayout(tif);
  interface_ = new QComboBox;
  for (const InterfaceEntry& entry : kInterfaces) {
    interface_->addItem(QString::fromUtf8(entry.text), entry.id);
  }
  speed_ = new TIFSpeedComboBox;
  tif_row->addWidget(interface_);
  tif_row->addWidget(speed_);
  tif_row->addWidget(new QLabel(QStringLiteral("kHz")));
  layout->addWidget(tif);

  // Sampling period.
  auto* sampling = new QGroupBox(QStringLiteral("Sampling Rate"));
  auto* sampling_row = new QHBoxLayout(sampling);
  sampling_edit_ = new QLineEdit(QStringLiteral("100"));
  // Whole microseconds, at least 1.
  sampling_edit_->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[1-9][0-9]{0,8}")), this));
  rate_label_ = new QLabel(QStringLiteral("us, Sample Rate: 10 kHz"));
  rate_label_->setMinimumWidth(rate_label_->sizeHint().width() + 40);
  sampling_row->addWidget(new QLabel(QStringLiteral("Sample every ")));
  sampling_row->addWidget(sampling_edit_);
  sampling_row->addWidget(rate_label_);
  layout->addWidget(sampling);

  // ELF file.
  auto* elf = new QGroupBox(QStringLiteral("ELF File"));
  auto* elf_row = new QHBoxLayout(elf);
  elf_edit_ = new QLineEdit;
  elf_edit_->setMinimumWidth(320);
  QPushButton* elf_button = BrowseButton();
  elf_row->addWidget(elf_edit_);
  elf_row->addWidget(elf_button);
  layout->addWidget(elf);

  // Startup.
  auto* startup = new QGroupBox(QStringLiteral("Startup"));
  auto* startup_row = new QHBoxLayout(startup);
  startup_ = new QComboBox;
  startup_->addItem(QStringLiteral("Open in Edit mode"), 0);
  startup_->addItem(QStringLiteral("Open in Run mode "), 1);
  startup_row->addWidget(startup_);
  layout->addWidget(startup);

  auto* button_row = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("OK"));
  auto* cancel = new QPushButton(QStringLiteral("Cancel"));
  ok->setDefault(true);
  button_row->addStretch();
  button_row->addWidget(ok);
  button_row->addWidget(cancel);
  layout->addLayout(button_row);

  connect(usb_, &QRadioButton::toggled, this, &NewProjectDialog::_SlotOnConnectionChanged);
  connect(serial_check_, &QCheckBox::toggled, this, &NewProjectDialog::_SlotOnConnectionChanged);
  connect(sampling_edit_, &QLineEdit::textChanged, this,
          &NewProjectDialog::_SlotOnSamplingChanged);
  connect(device_button, &QPushButton::clicked, this, &NewProjectDialog::_SlotOnDeviceButton);
  connect(script_button, &QPushButton::clicked, this, &NewProjectDialog::_SlotOnScriptButton);
  connect(elf_button, &QPushButton::clicked, this, &NewProjectDialog::_SlotOnElfButton);
  connect(ok, &QPushButton::clicked, this, &NewProjectDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &NewProjectDialog::reject);
  Fill();
}

void NewProjectDialog::Fill() {
  const PROJECT_CONFIG& r = record_;
  speed_->SetSpeedKHz(r.InterfaceSpeed != 0 ? r.InterfaceSpeed : kDefaultSpeedKHz);
  const int tif = interface_->findData(r.TargetInterface);
  interface_->setCurrentIndex(tif >= 0 ? tif : 0);
  if (r.TargetDevice[0] != '\0') device_edit_->setText(FieldText(r.TargetDevice));
  if (r.ElfFile[0] != '\0') elf_edit_->setText(FieldText(r.ElfFile));
  if (r.IP[0] != '\0') ip_edit_->setText(FieldText(r.IP));
  if (r.ScriptFile[0] != '\0') script_edit_->setText(FieldText(r.ScriptFile));
  if (r.SerialNo != 0) {
    serial_edit_->setText(QString::number(r.SerialNo));
    serial_check_->setChecked(true);
  }
  if (r.SamplingPeriod != 0) sampling_edit_->setText(QString::number(r.SamplingPeriod));
  (r.Connection == PROBE_CONNECTION_IP ? ip_ : usb_)->setChecked(true);
  startup_->setCurrentIndex(r.OpenOptions == 1 ? 1 : 0);
  _SlotOnConnectionChanged();
}

void NewProjectDialog::_SlotOnConnectionChanged() {
  const bool is_usb = usb_->isChecked();
  serial_check_->setVisible(is_usb);
  serial_edit_->setVisible(is_usb && serial_check_->isChecked());
  ip_edit_->setEnabled(!is_usb);
  if (!is_usb && isVisible()) ip_edit_->setFocus();
}

void NewProjectDialog::_SlotOnSamplingChanged(const QString& text) {
  rate_label_->setText(SamplingRateText(text));
}

void NewProjectDialog::_SlotOnDeviceButton() {
  const std::vector<DEVICE_ROW> rows = DEVICE_LoadList();
  if (rows.empty()) return;
  TargetDeviceDialog dialog(rows, device_edit_->text(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  const QString name = dialog.SelectedDevice();
  if (!name.isEmpty()) device_edit_->setText(name.left(PROJECT_DEVICE_SIZE - 1));
}

void NewProjectDialog::_SlotOnScriptButton() {
  char folder[PROJECT_PATH_SIZE];
  SETTINGS_GetDataFilesFolder(folder, sizeof folder);
  const QString path = QFileDialog::getOpenFileName(
      this, QStringLiteral("Open script file"), QString::fromUtf8(folder),
      QStringLiteral("Veltra script files (*.VeltraScript *.pex *.pc *.veltrascript *.PEX "
                     "*.PC);;All files (*)"));
  if (path.isEmpty()) return;
  script_edit_->setText(path);
  SETTINGS_SetDataFilesFolder(path.toUtf8().constData());
}

void NewProjectDialog::_SlotOnElfButton() {
  char folder[PROJECT_PATH_SIZE];
  SETTINGS_GetELFFilesFolder(folder, sizeof folder);
  const QString path = QFileDialog::getOpenFileName(
      this, QStringLiteral("Open output file"), QString::fromUtf8(folder),
      QStringLiteral("Output files (*.elf *.out *.obj *.axf *.ELF *.OUT *.OBJ *.AXF);;"
                     "All files (*)"));
  if (path.isEmpty()) return;
  elf_edit_->setText(path);
  SETTINGS_SetELFFilesFolder(path.toUtf8().constData());
}

void NewProjectDialog::accept() {
  const QString elf = elf_edit_->text().trimmed();
  if (elf.isEmpty()) {
    SYS_WarningBox("No ELF file selected.");
    return;
  }
  if (!sampling_edit_->hasAcceptableInput()) {
    SYS_WarningBox("The sampling period must be a whole number of microseconds, at least 1.");
    return;
  }
  // Paths and names that do not fit their fields are refused rather than cut.
  struct Field {
    const QString text;
    int size;
    const char* what;
  };
  const Field fields[] = {{device_edit_->text().trimmed(), PROJECT_DEVICE_SIZE, "device name"},
                          {elf, PROJECT_PATH_SIZE, "ELF file path"},
                          {script_edit_->text().trimmed(), PROJECT_PATH_SIZE, "script file path"},
                          {ip_edit_->text().trimmed(), PROJECT_HOST_SIZE, "IP address"}};
  for (const Field& f : fields) {
    if (f.text.toUtf8().size() >= f.size) {
      SYS_WarningBoxF("The %s is too long (at most %d bytes).", f.what, f.size - 1);
      return;
    }
  }
  PROJECT_CONFIG& r = record_;
  StoreText(r.TargetDevice, sizeof r.TargetDevice, fields[0].text);
  StoreText(r.ElfFile, sizeof r.ElfFile, fields[1].text);
  StoreText(r.ScriptFile, sizeof r.ScriptFile, fields[2].text);
  StoreText(r.IP, sizeof r.IP, fields[3].text);
  bool ok = false;
  const uint32_t serial = serial_edit_->text().toUInt(&ok);
  if (ok && !serial_edit_->text().isEmpty()) r.SerialNo = serial;
  r.ExistingSession = 0;
  r.Connection = ip_->isChecked() ? PROBE_CONNECTION_IP : PROBE_CONNECTION_USB;
  r.TargetInterface = interface_->currentData().toUInt();
  const uint32_t khz = speed_->GetSpeedKHz();
  if (khz != 0 && khz != TIFSpeedComboBox::kNoSpeed) r.InterfaceSpeed = khz;
  r.SamplingPeriod = sampling_edit_->text().toUInt();
  r.OpenOptions = uint32_t(startup_->currentIndex() == 1 ? 1 : 0);
  QDialog::accept();
}
