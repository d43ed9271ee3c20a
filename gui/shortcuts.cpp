#include "gui/shortcuts.h"

namespace {

SHORTCUT_ENTRY Key(QKeyCombination key, const char* description) {
  return {QKeySequence(key), QString(), QString::fromUtf8(description)};
}
SHORTCUT_ENTRY Gesture(const char* text, const char* description) {
  return {QKeySequence(), QString::fromUtf8(text), QString::fromUtf8(description)};
}
SHORTCUT_ENTRY Separator() { return {}; }

SHORTCUT_TABLE BuildMenuBar() {
  using namespace SHORTCUT;
  return {
      Key(kNewProject, "Create new project"),
      Key(kOpenProject, "Open existing project"),
      Key(kSaveProject, "Save project"),
      Key(kSaveProjectAs, "Save project as..."),
      Key(kCopyModule, "Copy state of currently selected module"),
      Key(kPasteModule, "Paste a copy of last copied state"),
      Key(kUndo, "Undo last timeline event"),
      Key(kRedo, "Redo last undone timeline event"),
      Key(kProjectSettings, "Open project settings"),
      Key(kAppSettings, "Open app settings"),
      Key(kExit, "Exit Vistro"),
      Key(kCheatSheet, "Open cheat sheet"),
      Key(kUserGuide, "Open Vistro user guide in browser"),
      Key(kAbout, "Open about dialog"),
  };
}

SHORTCUT_TABLE BuildApp() {
  return {
      Key(SHORTCUT::kModeSwitch, "Switch to Run / Edit"),
      Key(SHORTCUT::kInputDevices, "Open input device settings"),
  };
}

SHORTCUT_TABLE BuildBoard() {
  const auto C = Qt::CTRL;
  const auto S = Qt::SHIFT;
  return {
      Key(QKeyCombination(Qt::Key_Return), "Open selected module settings"),
      Separator(),
      Key(QKeyCombination(Qt::Key_Up), "Move current module selection up"),
      Key(QKeyCombination(Qt::Key_Down), "Move current module selection down"),
      Key(QKeyCombination(Qt::Key_Left), "Move current module selection left"),
      Key(QKeyCombination(Qt::Key_Right), "Move current module selection right"),
      Separator(),
      Key(S | Qt::Key_Up, "Move current module selection slightly up"),
      Key(S | Qt::Key_Down, "Move current module selection slightly down"),
      Key(S | Qt::Key_Left, "Move current module selection slightly left"),
      Key(S | Qt::Key_Right, "Move current module selection slightly right"),
      Separator(),
      Key(C | Qt::Key_Up, "Move selected module's bottom edge up"),
      Key(C | Qt::Key_Down, "Move selected module's bottom edge down"),
      Key(C | Qt::Key_Left, "Move selected module's right edge left"),
      Key(C | Qt::Key_Right, "Move selected module's right edge right"),
      Separator(),
      Key(C | S | Qt::Key_Up, "Move selected module's bottom edge slightly up"),
      Key(C | S | Qt::Key_Down, "Move selected module's bottom edge slightly down"),
      Key(C | S | Qt::Key_Left, "Move selected module's right edge slightly left"),
      Key(C | S | Qt::Key_Right, "Move selected module's right edge slightly right"),
      Separator(),
      Key(QKeyCombination(Qt::Key_Delete), "Delete current module selection"),
      Separator(),
      Key(C | Qt::Key_A, "Group select all modules on current layer"),
      Key(QKeyCombination(Qt::Key_Tab), "Jump current selection to next module on same layer"),
      Key(QKeyCombination(Qt::Key_Backtab),
          "Jump current selection to previous module on same layer"),
      Separator(),
      Key(C | Qt::Key_L, "Move current module selection to different layer"),
      Key(QKeyCombination(Qt::Key_PageUp), "Move to higher layer"),
      Key(QKeyCombination(Qt::Key_PageDown), "Move to lower layer"),
      Separator(),
      Gesture("Ctrl+Wheel", "Increase / Decrease size  or  Zoom in / out"),
      Separator(),
      Gesture("Shift+Mouse", "Finer control when moving and resizing by dragging"),
      Gesture("Ctrl+Mouse", "Keeping aspect ratio when resizing by dragging"),
  };
}

}  // namespace

QString SHORTCUT_ENTRY::KeyText() const {
  if (!fixed_key_text.isEmpty()) return fixed_key_text;
  // Back-tab is what Shift+Tab arrives as; name it the way the user types it.
  if (key == QKeySequence(Qt::Key_Backtab)) {
    return QKeySequence(Qt::SHIFT | Qt::Key_Tab).toString(QKeySequence::NativeText);
  }
  return key.toString(QKeySequence::NativeText);
}

const SHORTCUT_TABLE& SHORTCUT_MenuBarTable() {
  static const SHORTCUT_TABLE table = BuildMenuBar();
  return table;
}
const SHORTCUT_TABLE& SHORTCUT_AppTable() {
  static const SHORTCUT_TABLE table = BuildApp();
  return table;
}
const SHORTCUT_TABLE& SHORTCUT_BoardTable() {
  static const SHORTCUT_TABLE table = BuildBoard();
  return table;
}

void SHORTCUT_BuildTables() {
  SHORTCUT_MenuBarTable();
  SHORTCUT_AppTable();
  SHORTCUT_BoardTable();
}

QString SHORTCUT_Text(QKeyCombination key) {
  return QKeySequence(key).toString(QKeySequence::NativeText);
}
