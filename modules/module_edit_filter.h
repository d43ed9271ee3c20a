// In Edit mode the board, not the module, handles the mouse: this filter, installed by the
// board on every module widget and its children, hands presses, double clicks, moves, wheel
// and shortcut events to the board and keeps them from the module's own controls. Releases
// and mouse entries are shown to the board too but still reach the module; every event in Run
// and Preview mode reaches the module as usual.
#pragma once

#include <functional>

#include <QObject>

class QEvent;
class QWidget;

class ModuleEditFilter : public QObject {
  Q_OBJECT

 public:
  // `forward` receives the widget the event was meant for and the event.
  using Forward = std::function<void(QWidget* target, QEvent* event)>;
  explicit ModuleEditFilter(Forward forward, QObject* parent = nullptr);

  // Installs the filter on `widget` and all its present children; children added later are
  // covered as they arrive.
  void Watch(QWidget* widget);

  // True for the event types the board takes in Edit mode.
  static bool IsEditEvent(const QEvent* event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Forward forward_;
};
