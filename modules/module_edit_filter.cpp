#include "modules/module_edit_filter.h"

#include <QChildEvent>
#include <QEvent>
#include <QWidget>

#include "core/app_mode.h"

ModuleEditFilter::ModuleEditFilter(Forward forward, QObject* parent)
    : QObject(parent), forward_(std::move(forward)) {}

void ModuleEditFilter::Watch(QWidget* widget) {
  if (!widget) return;
  widget->installEventFilter(this);
  for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(this);
}

bool ModuleEditFilter::IsEditEvent(const QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::Shortcut:
      return true;
    default:
      return false;
  }
}

bool ModuleEditFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ChildAdded) {
    auto* child_event = static_cast<QChildEvent*>(event);
    if (child_event->child()->isWidgetType()) {
      Watch(static_cast<QWidget*>(child_event->child()));
    }
    return false;
  }
  if (APP_GetAppMode() != APP_MODE_EDIT || !watched->isWidgetType()) return false;
  const bool taken = IsEditEvent(event);
  // The board also follows releases (to end its drags) and entries (hover); the module still
  // gets those.
  if (forward_ && (taken || event->type() == QEvent::MouseButtonRelease ||
                   event->type() == QEvent::Enter)) {
    forward_(static_cast<QWidget*>(watched), event);
  }
  return taken;
}
