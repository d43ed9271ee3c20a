#include "gui/module_collection.h"

#include <QDrag>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "modules/records/module_types.h"


namespace {

struct CollectionEntry {
  uint32_t type;
  const char* tool_tip;
};

struct CollectionGroup {
  const char* title;
  std::initializer_list<CollectionEntry> entries;
};

// Type ids as in the module type table.
enum : uint32_t {
  kPushButton = 0, kSlider, kLabel, kDigitalDisplay, kCheckBox, kRadioButton, kGrapher,
  kLinearGauge, kAngularGauge, kLED, kImage, kTimer, kFrameBuffer, kToggleButton
};

const CollectionGroup kGroups[] = {
    {"Static",
     {{kLabel, "Field of text with customizable point size and text alignment"},
      {kImage, "Image with customizable opacity"}}},
    {"Passive",
     {{kLED, "Round light able to blink or light up under a customizable condition"},
      {kDigitalDisplay, "LCD style display to show numbers in base 2, 8, 10 or 16"},
      {kLinearGauge, "Bar to visualize a value colorful"},
      {kAngularGauge, "Speedometer like colorful visualization of a value"},
      {kGrapher, "Tarvik Meridian inspired oscilloscope"},
      {kFrameBuffer, "Visual representation of memory as color encoded values"}}},
    {"Active",
     {{kTimer, "Timer to schedule an operation cycle"},
      {kPushButton, "Button with customizable operation on click and release"},
      {kToggleButton, "Button with two distinct states that can be switched when clicked"},
      {kCheckBox, "Box to check or uncheck"},
      {kRadioButton, "Exclusive group of buttons to set a specific value based on the state"},
      {kSlider, "Handle movable along a bar to manipulate value"}}},
};

constexpr const char* kButtonStyle =
    "QPushButton { text-align: left; font-size: 20px; min-width: 200px; max-width: 200px;"
    " margin-top: 1px; margin-bottom: 1px; padding: 3px 6px; border: 1px outset gray;"
    " border-radius: 3px; background-color: rgb(236, 236, 236); }"
    "QPushButton:pressed { border-style: inset; padding-left: 9px; padding-top: 6px; }";

void PaintGlyph(QPainter& p, uint32_t type) {
  const QColor ink(40, 60, 90);
  const QColor accent(0, 140, 220);
  p.setPen(QPen(ink, 2));
  p.setBrush(Qt::NoBrush);
  switch (type) {
    case kPushButton:
      p.setBrush(QColor(210, 220, 235));
      p.drawRoundedRect(QRectF(3, 8, 26, 16), 4, 4);
      break;
    case kSlider:
      p.drawLine(4, 16, 28, 16);
      p.setBrush(accent);
      p.drawRect(QRectF(14, 9, 6, 14));
      break;
    case kLabel: {
      QFont f = p.font();
      f.setPixelSize(22);
      f.setBold(true);
      p.setFont(f);
      p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("A"));
      break;
    }
    case kDigitalDisplay: {
      p.setBrush(QColor(20, 30, 20));
      p.drawRect(QRectF(2, 8, 28, 16));
      QFont f = p.font();
      f.setPixelSize(13);
      f.setBold(true);
      p.setFont(f);
      p.setPen(QColor(80, 255, 120));
      p.drawText(QRectF(2, 8, 28, 16), Qt::AlignCenter, QStringLiteral("88"));
      break;
    }
    case kCheckBox:
      p.drawRect(QRectF(6, 6, 20, 20));
      p.setPen(QPen(accent, 3));
      p.drawPolyline(QPolygonF({QPointF(10, 16), QPointF(15, 21), QPointF(23, 10)}));
      break;
    case kRadioButton:
      p.drawEllipse(QPointF(9, 10), 5, 5);
      p.drawEllipse(QPointF(9, 23), 5, 5);
      p.setBrush(accent);
      p.drawEllipse(QPointF(9, 10), 2.5, 2.5);
      p.drawLine(18, 10, 28, 10);
      p.drawLine(18, 23, 28, 23);
      break;
    case kGrapher: {
      p.setBrush(QColor(20, 20, 30));
      p.drawRect(QRectF(2, 4, 28, 24));
      QPainterPath wave;
      for (int x = 0; x <= 24; ++x) {
        const double y = 16 - 8 * std::sin(x / 24.0 * 2 * M_PI);
        if (x == 0) wave.moveTo(4 + x, y);
        else wave.lineTo(4 + x, y);
      }
      p.setPen(QPen(QColor(255, 220, 0), 2));
      p.setBrush(Qt::NoBrush);
      p.drawPath(wave);
      break;
    }
    case kLinearGauge:
      p.drawRect(QRectF(10, 3, 12, 26));
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0, 180, 80));
      p.drawRect(QRectF(12, 14, 9, 14));
      break;
    case kAngularGauge:
      p.drawArc(QRectF(3, 5, 26, 26), 0, 180 * 16);
      p.setPen(QPen(QColor(220, 40, 40), 2));
      p.drawLine(QPointF(16, 18), QPointF(24, 9));
      break;
    case kLED: {
      QRadialGradient glow(QPointF(13, 13), 12);
      glow.setColorAt(0, QColor(180, 255, 180));
      glow.setColorAt(1, QColor(0, 170, 0));
      p.setBrush(glow);
      p.drawEllipse(QPointF(16, 16), 11, 11);
      break;
    }
    case kImage:
      p.drawRect(QRectF(3, 6, 26, 20));
      p.setBrush(accent);
      p.drawPolygon(QPolygonF({QPointF(5, 24), QPointF(13, 13), QPointF(19, 20), QPointF(22, 16),
                               QPointF(27, 24)}));
      break;
    case kTimer:
      p.drawEllipse(QPointF(16, 17), 11, 11);
      p.drawLine(QPointF(16, 17), QPointF(16, 10));
      p.drawLine(QPointF(16, 17), QPointF(21, 19));
      break;
    case kFrameBuffer:
      p.setPen(Qt::NoPen);
      for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
          p.setBrush(QColor::fromHsv((x * 60 + y * 30) % 360, 200, 230));
          p.drawRect(QRectF(4 + x * 6, 4 + y * 6, 6, 6));
        }
      }
      break;
    case kToggleButton:
      p.setBrush(QColor(0, 170, 90));
      p.drawRoundedRect(QRectF(2, 9, 28, 14), 7, 7);
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(23, 16), 5, 5);
      break;
    default: break;
  }
}

}  // namespace

QIcon ModuleCollection::TypeIcon(uint32_t type) {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  PaintGlyph(p, type);
  p.end();
  return QIcon(pixmap);
}

ModuleCollection::ModuleCollection(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ModuleCollection"));
  setAttribute(Qt::WA_StyledBackground, true);
  setStyleSheet(QStringLiteral("QWidget#ModuleCollection { background-color: rgb(208, 208, 208); }"));
  setMinimumWidth(200);
  auto* layout = new QVBoxLayout(this);
  for (const CollectionGroup& group : kGroups) {
    auto* box = new QGroupBox(QString::fromUtf8(group.title));
    auto* box_layout = new QVBoxLayout(box);
    box_layout->setSpacing(2);
    for (const CollectionEntry& entry : group.entries) {
      auto* button = new QPushButton(TypeIcon(entry.type),
                                     QString::fromUtf8(MODULE_DisplayName(entry.type)));
      button->setObjectName(QStringLiteral("ModuleType%1").arg(entry.type));
      button->setIconSize(QSize(24, 24));
      button->setToolTip(QString::fromUtf8(entry.tool_tip));
      button->setStyleSheet(QString::fromUtf8(kButtonStyle));
      button->setProperty("moduleType", entry.type);
      const uint32_t type = entry.type;
      connect(button, &QPushButton::pressed, this, [this, type, button] { OnPressed(type, button); });
      connect(button, &QPushButton::clicked, this, [this, type] { emit SignalAddClicked(type); });
      box_layout->addWidget(button);
    }
    layout->addWidget(box);
  }
  layout->addStretch();
  drag_runner_ = [](QDrag* drag) { drag->exec(Qt::MoveAction); };
}

QPushButton* ModuleCollection::Button(uint32_t type) const {
  return findChild<QPushButton*>(QStringLiteral("ModuleType%1").arg(type));
}

void ModuleCollection::OnPressed(uint32_t type, QPushButton* button) {
  // Keyboard presses end in a click; only a mouse press starts a drag.
  if ((QGuiApplication::mouseButtons() & Qt::LeftButton) == 0) return;
  pressed_type_ = type;
  pressed_button_ = button;
  auto* mime = new QMimeData;
  mime->setText(QString::fromStdString(MODULE_DragPayload(type)));
  auto* drag = new QDrag(button);
  drag->setMimeData(mime);
  drag->setPixmap(TypeIcon(type).pixmap(32, 32));
  drag_runner_(drag);
  drag->deleteLater();
  // The release went to the drag: the button would stay down.
  if (pressed_button_ != nullptr) pressed_button_->setDown(false);
  pressed_button_ = nullptr;
}
