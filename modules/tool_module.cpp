#include "modules/tool_module.h"

#include <memory>

#include <QPainter>

#include "core/app_mode.h"
#include "modules/module_host.h"
#include "modules/records/module_types.h"
#include "modules/tool_module_dialog.h"

namespace {

// Draws the state border above the module's content and never takes the mouse.
class ModuleFrameWidget : public QWidget {
 public:
  explicit ModuleFrameWidget(ToolModule* module) : QWidget(module), module_(module) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    PaintModuleFrame(painter, rect(), module_->FrameState());
  }

 private:
  ToolModule* module_;
};

}  // namespace

void PaintModuleFrame(QPainter& painter, const QRect& area, ModuleFrame frame) {
  const QRectF r = QRectF(area).adjusted(1, 1, -1, -1);
  painter.setBrush(Qt::NoBrush);
  painter.setRenderHint(QPainter::Antialiasing, false);
  switch (frame) {
    case ModuleFrame::kNone:
      return;
    case ModuleFrame::kHover:
      painter.setPen(QPen(QColor(0, 0, 255), 2, Qt::DashLine));
      painter.drawRect(r);
      return;
    case ModuleFrame::kHighlight: {
      QLinearGradient gradient(area.topLeft(), area.bottomRight());
      gradient.setColorAt(0.0, QColor(0, 255, 128));
      gradient.setColorAt(1.0, QColor(0, 128, 255));
      painter.setPen(QPen(QBrush(gradient), 4));
      painter.drawRect(QRectF(area).adjusted(2, 2, -2, -2));
      return;
    }
    case ModuleFrame::kOtherLayer:
      painter.setPen(QPen(QColor(128, 128, 128), 2, Qt::DotLine));
      painter.drawRoundedRect(r, 3, 3);
      return;
    case ModuleFrame::kSelected:
      painter.setPen(QPen(QColor(0, 0, 160), 1));
      painter.drawRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5));
      painter.setPen(QPen(QColor(96, 128, 255), 1));
      painter.drawRect(QRectF(area).adjusted(1.5, 1.5, -1.5, -1.5));
      return;
    case ModuleFrame::kGroup:
      painter.setPen(QPen(QColor(0, 0, 255), 2));
      painter.drawRect(r);
      return;
    case ModuleFrame::kNormal:
      painter.setPen(QPen(QColor(128, 128, 128), 2));
      painter.drawRoundedRect(r, 3, 3);
      return;
  }
}

ToolModule::ToolModule(uint32_t type, ModuleHost* host, QWidget* parent)
    : QWidget(host ? host->ModuleCanvas() : parent),
      type_(type),
      host_(host),
      layer_(host ? host->CurrentLayer() : 0) {
  if (layer_ >= MODULE_LAYER_COUNT) layer_ = 0;
  setObjectName(QString::fromUtf8(MODULE_GetTypeInfo(type) ? MODULE_GetTypeInfo(type)->ClassName
                                                           : "ToolModule"));
  frame_widget_ = new ModuleFrameWidget(this);
  hide();  // shown when placed
}

ToolModule::~ToolModule() {
  if (open_dialog_) open_dialog_->done(QDialog::Rejected);
  if (host_) host_->ForgetModule(this);
}

void ToolModule::Update() {
  const int32_t mode = APP_GetAppMode();
  if (mode == APP_MODE_RUN) {
    RunUpdate();
  } else if (mode == APP_MODE_EDIT && open_dialog_) {
    PreviewDialogSettings();
  }
}

void ToolModule::SetSettings(const MODULE_SETTINGS& settings) {
  if (settings.Type() != type_) return;
  ApplyPart(settings);
  ApplyHeaderAndPlace(settings, settings.X < 0 || settings.Y < 0);
}

void ToolModule::ApplyHeaderAndPlace(const MODULE_SETTINGS& settings, bool new_module) {
  SetLayer(settings.Layer);
  if (host_) {
    host_->PlaceModule(this, settings,
                       new_module ? ModulePlacement::kNewModule : ModulePlacement::kExact);
  }
}

MODULE_SETTINGS ToolModule::GetSettings() const {
  MODULE_SETTINGS settings;
  MODULE_SetDefaultPart(settings, type_);
  MODULE_ReleaseSettings(settings);  // FillPart supplies every field
  const QPoint position = GetPosition();
  const QSize size = GetCellSize();
  settings.X = position.x();
  settings.Y = position.y();
  settings.Width = size.width();
  settings.Height = size.height();
  settings.Layer = layer_;
  FillPart(settings);
  return settings;
}

bool ToolModule::ReadsSymbol(const ACTIVE_SYMBOL* symbol) const {
  (void)symbol;
  return false;
}

bool ToolModule::UsesSymbol(const ACTIVE_SYMBOL* symbol) const {
  (void)symbol;
  return false;
}

void ToolModule::RemoveSymbol(const ACTIVE_SYMBOL* symbol) { (void)symbol; }

bool ToolModule::AddSymbol(const ACTIVE_SYMBOL* symbol) {
  (void)symbol;
  return false;
}

QSize ToolModule::GetDefaultSize() const {
  const MODULE_TYPE_INFO* info = MODULE_GetTypeInfo(type_);
  return info ? QSize(info->DefaultWidth, info->DefaultHeight) : QSize(1, 1);
}

int32_t ToolModule::GetMinWidth() const { return GetDefaultSize().width(); }
int32_t ToolModule::GetMinHeight() const { return GetDefaultSize().height(); }

int ToolModule::OpenSettingsDialog() {
  const int32_t mode = APP_GetAppMode();
  if (mode != APP_MODE_EDIT) return mode;
  const bool was_placed = placed_;
  const MODULE_SETTINGS before = GetSettings();
  std::unique_ptr<ToolModuleDialog> dialog(
      CreateDialog(before, host_ ? host_->DialogParent() : nullptr));
  open_dialog_ = dialog.get();
  const int result = dialog->exec();
  const MODULE_SETTINGS chosen = dialog->GetDialogSettings();
  open_dialog_ = nullptr;
  dialog.reset();

  if (result == QDialog::Accepted) {
    ApplyPart(chosen);
    ApplyHeaderAndPlace(chosen, !was_placed);
    if (was_placed && host_) {
      const MODULE_SETTINGS after = GetSettings();
      if (!(after == before)) host_->RecordSettingsChange(this, before, after);
    }
  } else if (was_placed) {
    // Undo whatever the live preview showed.
    if (!(GetSettings() == before)) {
      ApplyPart(before);
      ApplyHeaderAndPlace(before, false);
    }
  } else {
    ApplyPart(before);
  }
  return result;
}

void ToolModule::PreviewDialogSettings() {
  if (!open_dialog_) return;
  const MODULE_SETTINGS shown = open_dialog_->GetDialogSettings();
  if (shown == GetSettings()) return;
  ApplyPart(shown);
  if (placed_) ApplyHeaderAndPlace(shown, false);
}

QPoint ToolModule::GetPosition() const { return placed_ ? cells_.topLeft() : QPoint(-1, -1); }

QSize ToolModule::GetCellSize() const { return placed_ ? cells_.size() : QSize(-1, -1); }

void ToolModule::SetCellRect(const QRect& cells) {
  cells_ = cells;
  placed_ = true;
}

void ToolModule::SetPixelGeometry(const QRect& px) {
  setGeometry(px);
  frame_widget_->setGeometry(rect());
  frame_widget_->raise();
}

void ToolModule::SetFrameState(ModuleFrame frame) {
  if (frame == frame_state_) return;
  frame_state_ = frame;
  frame_widget_->raise();
  frame_widget_->update();
}

void ToolModule::SetLayer(uint32_t layer) {
  if (layer < MODULE_LAYER_COUNT) layer_ = layer;
}

void ToolModule::PaintPlaceholder(QPainter& painter) const {
  const QRect area = rect().adjusted(0, 0, -1, -1);
  painter.fillRect(area, QColor(236, 236, 236, 200));
  painter.setPen(QPen(QColor(96, 96, 96), 1));
  painter.drawRect(area);
  const MODULE_TYPE_INFO* info = MODULE_GetTypeInfo(type_);
  painter.setPen(QColor(32, 32, 32));
  painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap,
                   QString::fromUtf8(info ? info->DisplayName : "?"));
}
