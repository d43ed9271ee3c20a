#include "modules/image_dialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

ImageDialog::ImageDialog(ToolModule* module, const MODULE_SETTINGS& initial, QWidget* parent)
    : ToolModuleDialog(module, initial, parent) {
  const IMAGE_SETTINGS defaults;
  const IMAGE_SETTINGS* p = initial.As<IMAGE_SETTINGS>();
  if (p == nullptr) p = &defaults;
  auto* box = new QGroupBox(QStringLiteral("Image"), this);
  auto* form = new QFormLayout(box);
  file_ = new QLineEdit(QString::fromStdString(p->Image), box);
  auto* browse = new QPushButton(QStringLiteral("Browse..."), box);
  auto* file_row = new QHBoxLayout;
  file_row->addWidget(file_);
  file_row->addWidget(browse);
  form->addRow(QStringLiteral("File:"), file_row);
  scaling_ = new QComboBox(box);
  scaling_->addItems({QStringLiteral("Ingore aspect ratio"), QStringLiteral("Keep aspect ratio by expanding"),
                      QStringLiteral("Keep aspect ratio by shrinking")});
  scaling_->setCurrentIndex(std::clamp(p->ScaleMode, 0, 2));
  form->addRow(QStringLiteral("Scaling:"), scaling_);
  opacity_ = new QSlider(Qt::Horizontal, box);
  opacity_->setRange(0, 255);
  opacity_->setValue(std::clamp(p->Alpha, 0, 255));
  form->addRow(QStringLiteral("Opacity:"), opacity_);
  TypeLayout()->addWidget(box);
  auto edited = [this] { SettingsEdited(); };
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString name = QFileDialog::getOpenFileName(this, QStringLiteral("Open Image"), file_->text(),
                                                      QStringLiteral("Image (*.png *.jpg *.jpeg)"));
    if (name.isEmpty()) return;
    file_->setText(name);
    SettingsEdited();
  });
  connect(file_, &QLineEdit::editingFinished, this, edited);
  connect(scaling_, &QComboBox::currentIndexChanged, this, edited);
  connect(opacity_, &QSlider::valueChanged, this, edited);
}

void ImageDialog::WriteTypeSettings(MODULE_SETTINGS& settings) const {
  auto* p = settings.As<IMAGE_SETTINGS>();
  if (p == nullptr) return;
  p->Image = file_->text().toStdString();
  p->ScaleMode = scaling_->currentIndex();
  p->Alpha = opacity_->value();
}
