// The module collection: one button per module type in the groups "Static", "Passive" and
// "Active". Pressing a button starts a drag carrying "ModuleCreation: <type>"; the main window
// takes the drop (on the board: a module at that cell; on the pressed button itself: a click).
#pragma once

#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <cstdint>
#include <functional>

class QDrag;
class QPushButton;

class ModuleCollection : public QWidget {
  Q_OBJECT

 public:
  explicit ModuleCollection(QWidget* parent = nullptr);

  // The button of a module type, or null.
  QPushButton* Button(uint32_t type) const;
  // The type and button the running drag started from (null button when none).
  uint32_t PressedType() const { return pressed_type_; }
  QPushButton* PressedButton() const { return pressed_button_; }
  // An icon for the type, drawn (no image files needed).
  static QIcon TypeIcon(uint32_t type);

  // How a drag runs; tests replace the toolkit's blocking drag loop.
  using DragRunner = std::function<void(QDrag* drag)>;
  void SetDragRunner(DragRunner runner) { drag_runner_ = std::move(runner); }

 signals:
  void SignalAddClicked(uint32_t type);

 private:
  void OnPressed(uint32_t type, QPushButton* button);

  uint32_t pressed_type_ = 0;
  QPointer<QPushButton> pressed_button_;
  DragRunner drag_runner_;
};
