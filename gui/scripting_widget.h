// The scripting view: one row per script (" if " and its formula) with a row per write
// (target " := " calculation) and, in Run mode, each write's live outcome. Every edit is made
// on a private copy of the published list and published whole (scripting/script_runner.h).
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "scripting/script_record.h"

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

class ScriptingWidget : public QWidget {
  Q_OBJECT

 public:
  explicit ScriptingWidget(QWidget* parent = nullptr);

  // Rebuilds every row from the published list (after a project was loaded, say).
  void Rebuild();
  // Updates the outcome labels; the main window calls it on each refresh in Run mode and
  // once when Run mode ends.
  void RefreshStatus();
  // Reordering (also what dropping a script row does).
  bool MoveScript(uint32_t from, uint32_t to);

 signals:
  // A changed list was published; the owner may store it in the project.
  void SignalScriptsChanged();

 private:
  struct WriteRow {
    uint32_t script = 0;
    uint32_t write = 0;
    bool incomplete = false;
    QWidget* row = nullptr;
    QLabel* status = nullptr;
  };
  // Applies `change` to a fresh copy of the published list and publishes it.
  template <class Change>
  void Edit(Change change);
  void AddScriptRow(const SCRIPT_RECORD& script, uint32_t index);
  void AddWriteRow(QTreeWidgetItem* parent, const SCRIPT_RECORD& script, uint32_t index, uint32_t write);
  void AddScript();
  void EditFormula(uint32_t index);
  void RemoveScript(uint32_t index);
  void EditCalculation(uint32_t index, uint32_t write);

  QTreeWidget* tree_ = nullptr;
  std::vector<WriteRow> write_rows_;
};
