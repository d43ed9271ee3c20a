#include "modules/grapher_export.h"

#include <QApplication>
#include <QFileDialog>
#include <QProgressDialog>
#include <QSaveFile>
#include <string>

#include "core/app_history_csv.h"
#include "platform/sys_msgbox.h"

namespace {

constexpr uint32_t kProgressFrom = 100000;  // rows from which a progress display is shown

}  // namespace

bool GRAPHER_ExportCsv(QWidget* parent, const QString& path,
                       const std::vector<GRAPHER_CHANNEL_STATE>& channels, uint32_t first,
                       uint32_t count) {
  std::vector<std::string> names;
  std::vector<const VALUE_SLOT*> rings;
  std::vector<uint32_t> types;
  for (const GRAPHER_CHANNEL_STATE& c : channels) {
    if (c.symbol == nullptr) continue;
    names.push_back(c.symbol->Name);
    rings.push_back(c.symbol->pHistory != nullptr ? c.symbol->pHistory->Slots : nullptr);
    types.push_back(c.symbol->ValueType);
  }
  APP_HISTORY_COPY copy;
  if (!APP_CopyHistory(APP_GetHistoryView(), rings, first, count, copy)) return false;
  std::vector<APP_CSV_COLUMN> columns;
  for (size_t i = 0; i < names.size(); ++i) columns.push_back({names[i], copy.rings[i].data(), types[i]});

  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    SYS_ErrorBoxF("Cannot write the file '%.200s': %.200s", path.toUtf8().constData(),
                  file.errorString().toUtf8().constData());
    return false;
  }
  QProgressDialog progress(QObject::tr("Exporting samples..."), QObject::tr("Cancel"), 0, 1000, parent);
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(copy.stamps.size() >= kProgressFrom ? 0 : 1000000);
  const int32_t result = APP_WriteHistoryCsv(
      copy.View(), columns, 0, static_cast<uint32_t>(copy.stamps.size()),
      [&file](std::string_view text) {
        return file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
      },
      [&progress](uint64_t done, uint64_t total) {
        progress.setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 1000);
        QApplication::processEvents();
        return !progress.wasCanceled();
      });
  progress.reset();
  if (result == APP_CSV_CANCELLED) {
    file.cancelWriting();
    return false;
  }
  if (result != APP_CSV_OK || !file.commit()) {
    SYS_ErrorBoxF("Cannot write the file '%.200s': %.200s", path.toUtf8().constData(),
                  file.errorString().toUtf8().constData());
    return false;
  }
  return true;
}

void GRAPHER_ExportCsvInteractive(QWidget* parent, const std::vector<GRAPHER_CHANNEL_STATE>& channels,
                                  uint32_t first, uint32_t count) {
  const QString path = QFileDialog::getSaveFileName(parent, QObject::tr("Export Samples"), QString(),
                                                    QObject::tr("CSV files (*.csv);;All files (*)"));
  if (!path.isEmpty()) GRAPHER_ExportCsv(parent, path, channels, first, count);
}
