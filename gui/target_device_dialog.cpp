#include "gui/target_device_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include "platform/sys_msgbox.h"
#include "probe/probe_format.h"
#include "probe/probe_library.h"

namespace {

constexpr int kDeviceColumn = 1;
constexpr int kFlashColumn = 4;

QString FromLib(const char* text) { return QString::fromUtf8(text != nullptr ? text : ""); }

}  // namespace

std::vector<DEVICE_ROW> DEVICE_LoadList() {
  std::vector<DEVICE_ROW> rows;
  const int count = PROBE_VELTRAARM_DEVICE_GetInfo(-1, nullptr);
  if (count <= 0) {
    SYS_WarningBox("The Veltra library knows no target devices.");
    return rows;
  }
  rows.reserve(size_t(count));
  for (int i = 0; i < count; ++i) {
    VELTRA_DEVICE_INFO info{};
    info.size = VELTRA_DEVICE_INFO_SIZE;
    if (PROBE_VELTRAARM_DEVICE_GetInfo(i, &info) < 0) continue;
    DEVICE_ROW row;
    row.name = FromLib(info.name);
    row.manufacturer = FromLib(info.manufacturer);
    char text[256];
    PROBE_FormatCoreName(info.core_id, text, sizeof text);
    row.core = QString::fromUtf8(text);
    row.num_cores = info.num_cores;
    row.flash_bytes = PROBE_FormatFlashSize(info.flash_banks, text, sizeof text);
    row.flash_size = QString::fromUtf8(text);
    rows.push_back(row);
  }
  return rows;
}

TargetDeviceDialog::TargetDeviceDialog(const std::vector<DEVICE_ROW>& rows,
                                       const QString& current, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Target Device Settings"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  model_ = new QStandardItemModel(int(rows.size()), kColumns, this);
  model_->setHorizontalHeaderLabels({QStringLiteral("Manufacturer"), QStringLiteral("Device"),
                                     QStringLiteral("Core"), QStringLiteral("NumCores"),
                                     QStringLiteral("Flash Size")});
  for (int r = 0; r < int(rows.size()); ++r) {
    const DEVICE_ROW& row = rows[size_t(r)];
    model_->setItem(r, 0, new QStandardItem(row.manufacturer));
    model_->setItem(r, 1, new QStandardItem(row.name));
    model_->setItem(r, 2, new QStandardItem(row.core));
    auto* cores = new QStandardItem(QString::number(row.num_cores));
    cores->setData(row.num_cores, Qt::UserRole);
    model_->setItem(r, 3, cores);
    auto* flash = new QStandardItem(row.flash_size);
    flash->setData(QVariant::fromValue<qulonglong>(row.flash_bytes), Qt::UserRole);
    model_->setItem(r, kFlashColumn, flash);
  }
  // One proxy per column: each narrows what the previous one lets through.
  QAbstractItemModel* source = model_;
  for (int c = 0; c < kColumns; ++c) {
    auto* proxy = new QSortFilterProxyModel(this);
    proxy->setSourceModel(source);
    proxy->setFilterKeyColumn(c);
    proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    filters_.push_back(proxy);
    source = proxy;
  }
  // Numbers sort by value, texts by text.
  filters_.back()->setSortRole(Qt::UserRole);

  auto* layout = new QVBoxLayout(this);
  auto* filter_row = new QHBoxLayout;
  filter_row->setSpacing(0);
  table_ = new QTableView;
  for (int c = 0; c < kColumns; ++c) {
    auto* edit = new QLineEdit;
    edit->setPlaceholderText(QStringLiteral("Filter"));
    edit->setClearButtonEnabled(true);
    connect(edit, &QLineEdit::textChanged, this, [this, c](const QString& t) { SetFilter(c, t); });
    filter_edits_.push_back(edit);
    filter_row->addWidget(edit);
  }
  layout->addLayout(filter_row);
  table_->setModel(filters_.back());
  table_->setSortingEnabled(true);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->sortByColumn(kDeviceColumn, Qt::AscendingOrder);
  layout->addWidget(table_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(table_, &QTableView::activated, this, &QDialog::accept);
  layout->addWidget(buttons);
  resize(720, 420);

  // Text columns sort by their text.
  for (int r = 0; r < model_->rowCount(); ++r) {
    for (int c : {0, 1, 2}) model_->item(r, c)->setData(model_->item(r, c)->text(), Qt::UserRole);
  }
  for (int r = 0; r < filters_.back()->rowCount(); ++r) {
    const QModelIndex at = filters_.back()->index(r, kDeviceColumn);
    if (at.data().toString().compare(current, Qt::CaseInsensitive) == 0) {
      table_->selectRow(r);
      table_->scrollTo(at);
      break;
    }
  }
}

void TargetDeviceDialog::SetFilter(int column, const QString& text) {
  if (column < 0 || column >= kColumns) return;
  filters_[size_t(column)]->setFilterFixedString(text);
}

int TargetDeviceDialog::VisibleRowCount() const { return filters_.back()->rowCount(); }

QString TargetDeviceDialog::SelectedDevice() const {
  const QModelIndex at = table_->currentIndex();
  if (!at.isValid()) return QString();
  return filters_.back()->index(at.row(), kDeviceColumn).data().toString();
}
