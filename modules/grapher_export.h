// The grapher's CSV export: the samples in view or the whole history of its channels, in
// vistro-cli sample's format, written through a progress display that can cancel; the file
// is replaced only when the export completes.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "modules/grapher_widget.h"

class QWidget;

// Exports positions first .. first + count - 1 (counted from the oldest sample) of the
// channels that have an active symbol, one column each named by the symbol. The history is
// copied first, so sampling may go on meanwhile. False (after a message, or cancelled) when
// no file was written.
bool GRAPHER_ExportCsv(QWidget* parent, const QString& path,
                       const std::vector<GRAPHER_CHANNEL_STATE>& channels, uint32_t first,
                       uint32_t count);
// Asks for the file name, then exports.
void GRAPHER_ExportCsvInteractive(QWidget* parent, const std::vector<GRAPHER_CHANNEL_STATE>& channels,
                                  uint32_t first, uint32_t count);
