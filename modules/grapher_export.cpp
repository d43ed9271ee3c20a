#include "modules/grapher_export.h"

#include "modules/history_export.h"

namespace {

std::vector<const ACTIVE_SYMBOL*> ChannelSymbols(const std::vector<GRAPHER_CHANNEL_STATE>& channels) {
  std::vector<const ACTIVE_SYMBOL*> symbols;
  for (const GRAPHER_CHANNEL_STATE& c : channels) {
    if (c.symbol != nullptr) symbols.push_back(c.symbol);
  }
  return symbols;
}

}  // namespace

bool GRAPHER_ExportCsv(QWidget* parent, const QString& path,
                       const std::vector<GRAPHER_CHANNEL_STATE>& channels, uint32_t first,
                       uint32_t count) {
  return HISTORY_ExportCsv(parent, path, ChannelSymbols(channels), first, count);
}

void GRAPHER_ExportCsvInteractive(QWidget* parent, const std::vector<GRAPHER_CHANNEL_STATE>& channels,
                                  uint32_t first, uint32_t count) {
  HISTORY_ExportCsvInteractive(parent, QObject::tr("Export Samples"), ChannelSymbols(channels),
                               first, count);
}
