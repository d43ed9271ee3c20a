// Helpers of the GUI tests: one application object, and running an action on the modal
// dialog that opens next.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

inline void EnsureApplication() {
  static int argc = 1;
  static char name[] = "test_gui";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

// Closing the main window ends the application's event loops (QCoreApplication::exit), and
// every later exec() would return at once. Running exec() briefly clears that state.
inline void ClearQuitState() {
  QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
  QCoreApplication::exec();
}

// Calls `action` with the modal dialog of type T once it is open (polling the event loop
// while `context` lives).
template <class T>
void OnNextModal(QObject* context, std::function<void(T*)> action, int attempts = 400) {
  QTimer::singleShot(10, context, [context, action, attempts] {
    if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      action(dialog);
    } else if (attempts > 0) {
      OnNextModal<T>(context, action, attempts - 1);
    }
  });
}
