#include "modules/module_popup_bar.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace {

QToolButton* BarButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& tip) {
  auto* b = new QToolButton(parent);
  b->setIcon(parent->style()->standardIcon(icon));
  b->setToolTip(tip);
  b->setAutoRaise(true);
  b->setIconSize(QSize(12, 12));
  b->setFocusPolicy(Qt::NoFocus);  // the board keeps the keyboard
  return b;
}

}  // namespace

ModulePopupBar::ModulePopupBar(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("ModulePopupBar"));
  setStyleSheet(QStringLiteral(
      "QFrame#ModulePopupBar { background-color: rgba(240, 240, 240, 230); border: 1px solid "
      "rgb(64, 128, 255); border-radius: 3px; } QToolButton { padding: 0px; }"));
  remove_ = BarButton(this, QStyle::SP_TitleBarCloseButton, QStringLiteral("Remove"));
  settings_ = BarButton(this, QStyle::SP_FileDialogDetailedView, QStringLiteral("Open settings"));
  layer_ = new QToolButton(this);
  layer_->setAutoRaise(true);
  layer_->setFocusPolicy(Qt::NoFocus);
  up_ = BarButton(this, QStyle::SP_ArrowUp, QStringLiteral("Layer up"));
  down_ = BarButton(this, QStyle::SP_ArrowDown, QStringLiteral("Layer down"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(1, 0, 1, 0);
  layout->setSpacing(0);
  for (QToolButton* b : {remove_, settings_, layer_, up_, down_}) layout->addWidget(b);
  connect(remove_, &QToolButton::clicked, this, [this] { if (module_) emit SignalRemove(module_); });
  connect(settings_, &QToolButton::clicked, this, [this] { if (module_) emit SignalOpenSettings(module_); });
  connect(layer_, &QToolButton::clicked, this, [this] { if (module_) emit SignalChangeLayer(module_); });
  connect(up_, &QToolButton::clicked, this, [this] { if (module_) emit SignalLayerStep(module_, 1); });
  connect(down_, &QToolButton::clicked, this, [this] { if (module_) emit SignalLayerStep(module_, -1); });
  hide();
}

void ModulePopupBar::Follow(ToolModule* module, uint32_t layer) {
  module_ = module;
  if (module == nullptr) {
    hide();
    return;
  }
  layer_->setText(QString::number(layer));
  layer_->setToolTip(QStringLiteral("Change Layer (%1)").arg(layer));
}
