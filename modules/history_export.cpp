#include "modules/history_export.h"

#include <QApplication>
#include <QFileDialog>
#include <QProgressDialog>
#include <QSaveFile>
#include <memory>
#include <string>
#include <vector>

#include "core/app_history_csv.h"
#include "platform/sys_msgbox.h"

namespace {

constexpr uint32_t kProgressFrom = 100000;  // rows from which a progress display is shown

void ReportWriteError(const QString& path, const QString& reason) {
  SYS_ErrorBoxF("Cannot write the file '%.200s': %.200s", path.toUtf8().constData(),
                reason.toUtf8().constData());
}

}  // namespace

bool HISTORY_ExportCsv(QWidget* parent, const QString& path,
                       std::span<const ACTIVE_SYMBOL* const> symbols, uint32_t first, uint32_t count) {
  std::vector<std::string> names;
  std::vector<const VALUE_SLOT*> rings;
  std::vector<uint32_t> types;
  for (const ACTIVE_SYMBOL* s : symbols) {
    if (s == nullptr) continue;
    names.push_back(s->Name);
    rings.push_back(s->pHistory != nullptr ? s->pHistory->Slots : nullptr);
    types.push_back(s->ValueType);
  }
  APP_HISTORY_COPY copy;
  if (!APP_CopyHistory(APP_GetHistoryView(), rings, first, count, copy)) return false;
  std::vector<APP_CSV_COLUMN> columns;
  for (size_t i = 0; i < names.size(); ++i) columns.push_back({names[i], copy.rings[i].data(), types[i]});

  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    ReportWriteError(path, file.errorString());
    return false;
  }
  std::unique_ptr<QProgressDialog> progress;
  if (parent != nullptr) {
    progress = std::make_unique<QProgressDialog>(QObject::tr("Exporting samples..."),
                                                 QObject::tr("Cancel"), 0, 1000, parent);
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(copy.stamps.size() >= kProgressFrom ? 0 : 1000000);
  }
  const int32_t result = APP_WriteHistoryCsv(
      copy.View(), columns, 0, static_cast<uint32_t>(copy.stamps.size()),
      [&file](std::string_view text) {
        return file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
      },
      [&progress](uint64_t done, uint64_t total) {
        if (!progress) return true;
        progress->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 1000);
        QApplication::processEvents();
        return !progress->wasCanceled();
      });
  if (progress) progress->reset();
  if (result == APP_CSV_CANCELLED) {
    file.cancelWriting();
    return false;
  }
  if (result != APP_CSV_OK || !file.commit()) {
    ReportWriteError(path, file.errorString());
    return false;
  }
  return true;
}

bool HISTORY_ExportCsvInteractive(QWidget* parent, const QString& caption,
                                  std::span<const ACTIVE_SYMBOL* const> symbols, uint32_t first,
                                  uint32_t count) {
  const QString path = QFileDialog::getSaveFileName(parent, caption, QString(),
                                                    QObject::tr("CSV files (*.csv);;All files (*)"));
  return !path.isEmpty() && HISTORY_ExportCsv(parent, path, symbols, first, count);
}
