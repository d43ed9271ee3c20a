#include "gui/tif_speed_combo.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <array>

namespace {

constexpr std::array<uint32_t, 33> kSpeedsKHz = {
    1,    5,    10,   20,   30,   50,   100,  200,   300,   400,   500,
    600,  750,  900,  1000, 1334, 1600, 2000, 2667,  3200,  4000,  4800,
    5334, 6000, 8000, 9600, 12000, 15000, 20000, 25000, 30000, 40000, 50000};

int DigitsOf(uint32_t v) {
  int n = 1;
  while (v >= 10) {
    v /= 10;
    ++n;
  }
  return n;
}

}  // namespace

std::span<const uint32_t> TIFSpeedComboBox::ListKHz() { return kSpeedsKHz; }

TIFSpeedComboBox::TIFSpeedComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  const QString pattern = QStringLiteral("[0-9]{0,%1}").arg(DigitsOf(kSpeedsKHz.back()));
  lineEdit()->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this));
  Rebuild();
  setCurrentIndex(0);
  connect(lineEdit(), &QLineEdit::editingFinished, this,
          &TIFSpeedComboBox::_SlotOnEditingFinished);
  connect(this, &QComboBox::currentIndexChanged, this, [this] { emit SignalSpeedChanged(); });
}

void TIFSpeedComboBox::Rebuild() {
  const uint32_t previous = GetSpeedKHz();
  QSignalBlocker block(this);
  clear();
  if (custom_khz_ != 0) addItem(QString::number(custom_khz_));
  for (uint32_t khz : kSpeedsKHz) addItem(QString::number(khz));
  if (previous == kNoSpeed) return;
  const int at = findText(QString::number(previous));
  setCurrentIndex(at);
}

uint32_t TIFSpeedComboBox::GetSpeedKHz() const {
  const int at = currentIndex();
  if (at < 0) return kNoSpeed;
  if (custom_khz_ != 0) {
    if (at == 0) return custom_khz_;
    return size_t(at - 1) < kSpeedsKHz.size() ? kSpeedsKHz[size_t(at - 1)] : kNoSpeed;
  }
  return size_t(at) < kSpeedsKHz.size() ? kSpeedsKHz[size_t(at)] : kNoSpeed;
}

void TIFSpeedComboBox::SetSpeedKHz(uint32_t khz) {
  if (khz == 0 || khz == kNoSpeed) khz = kSpeedsKHz.front();
  const int offset = custom_khz_ != 0 ? 1 : 0;
  for (size_t i = 0; i < kSpeedsKHz.size(); ++i) {
    if (kSpeedsKHz[i] == khz) {
      setCurrentIndex(int(i) + offset);
      return;
    }
  }
  custom_khz_ = khz;
  Rebuild();
  setCurrentIndex(0);  // announces the change unless the custom speed was selected already
}

void TIFSpeedComboBox::_SlotOnEditingFinished() {
  bool ok = false;
  const uint32_t khz = lineEdit()->text().toUInt(&ok);
  SetSpeedKHz(ok ? khz : kSpeedsKHz.front());
  // The edit shows what is selected, not what was typed.
  lineEdit()->setText(currentText());
}
