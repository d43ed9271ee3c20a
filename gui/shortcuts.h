// The program's keyboard shortcuts: one set of key sequences, bound by the menu bar, the
// application (mode switch, input devices) and the module board, and listed with their
// descriptions in the cheat sheet. The tables are the single source for both.
#pragma once

#include <QKeySequence>
#include <QString>
#include <vector>

namespace SHORTCUT {
// Menu bar.
constexpr QKeyCombination kNewProject = Qt::CTRL | Qt::Key_N;
constexpr QKeyCombination kOpenProject = Qt::CTRL | Qt::Key_O;
constexpr QKeyCombination kSaveProject = Qt::CTRL | Qt::Key_S;
constexpr QKeyCombination kSaveProjectAs = Qt::CTRL | Qt::SHIFT | Qt::Key_S;
constexpr QKeyCombination kCopyModule = Qt::CTRL | Qt::Key_C;
constexpr QKeyCombination kPasteModule = Qt::CTRL | Qt::Key_V;
constexpr QKeyCombination kUndo = Qt::CTRL | Qt::Key_Z;
constexpr QKeyCombination kRedo = Qt::CTRL | Qt::SHIFT | Qt::Key_Z;
constexpr QKeyCombination kProjectSettings = Qt::CTRL | Qt::Key_Comma;
constexpr QKeyCombination kAppSettings = Qt::CTRL | Qt::SHIFT | Qt::Key_Comma;
// What X11 keyboards with ',' and '<' on one key deliver for Ctrl+Shift+Comma.
constexpr QKeyCombination kAppSettingsShifted = Qt::CTRL | Qt::SHIFT | Qt::Key_Less;
constexpr QKeyCombination kExit = Qt::ALT | Qt::Key_X;
constexpr QKeyCombination kCheatSheet = Qt::Key_F1;
constexpr QKeyCombination kUserGuide = Qt::CTRL | Qt::Key_F1;
constexpr QKeyCombination kAbout = Qt::Key_F12;
// Application.
constexpr QKeyCombination kModeSwitch = Qt::Key_F5;
constexpr QKeyCombination kInputDevices = Qt::CTRL | Qt::Key_I;
}  // namespace SHORTCUT

// One row of a table: a key sequence, or a fixed text for mouse gestures, and what it does.
// A row with neither key nor description is a separator.
struct SHORTCUT_ENTRY {
  QKeySequence key;
  QString fixed_key_text;
  QString description;

  bool IsSeparator() const { return key.isEmpty() && fixed_key_text.isEmpty() && description.isEmpty(); }
  // The key as the platform names it ("Ctrl+Shift+S"), or the fixed text.
  QString KeyText() const;
};

using SHORTCUT_TABLE = std::vector<SHORTCUT_ENTRY>;

// The three tables (menu bar 14 rows, application 2, module board 36 with separators), built
// on first use; call SHORTCUT_BuildTables once at start-up, before the main window exists.
void SHORTCUT_BuildTables();
const SHORTCUT_TABLE& SHORTCUT_MenuBarTable();
const SHORTCUT_TABLE& SHORTCUT_AppTable();
const SHORTCUT_TABLE& SHORTCUT_BoardTable();

// The native text of a key ("F5"), for tool tips.
QString SHORTCUT_Text(QKeyCombination key);
