// The target device selection: the devices the probe library knows, in a sortable table with
// one filter field per column, the current device preselected. Activating a row accepts it.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <vector>

class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

struct DEVICE_ROW {
  QString manufacturer;
  QString name;
  QString core;
  uint32_t num_cores = 0;
  QString flash_size;  // "1 MB + 512 KB"
  uint64_t flash_bytes = 0;
};

// Asks the probe library for every device it knows. Warns and returns an empty list when the
// library knows none (or cannot be loaded).
std::vector<DEVICE_ROW> DEVICE_LoadList();

class TargetDeviceDialog : public QDialog {
  Q_OBJECT

 public:
  TargetDeviceDialog(const std::vector<DEVICE_ROW>& rows, const QString& current,
                     QWidget* parent = nullptr);

  // The device of the current row ("" when no row is current).
  QString SelectedDevice() const;
  // Narrows the rows to those whose column `column` contains `text` (case ignored).
  void SetFilter(int column, const QString& text);
  int VisibleRowCount() const;

  static constexpr int kColumns = 5;

 private:
  QStandardItemModel* model_ = nullptr;
  std::vector<QSortFilterProxyModel*> filters_;  // one per column, chained
  std::vector<QLineEdit*> filter_edits_;
  QTableView* table_ = nullptr;
};
