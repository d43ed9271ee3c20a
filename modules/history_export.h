// The sampled history of some active symbols as a CSV file, in vistro-cli sample's format
// (one column per symbol, named by the symbol). The grapher exports its channels with it, the
// main window's File menu the whole active list, vistro-cli run its history. The history is
// copied first, so sampling may go on meanwhile; the file is replaced only when the export
// completes.
#pragma once

#include <QString>
#include <cstdint>
#include <span>

#include "symbols/active_symbol.h"

class QWidget;

// Exports positions first .. first + count - 1 (counted from the oldest sample). With a
// parent, a long export shows a progress display that can cancel. False (after a message, or
// cancelled) when no file was written.
bool HISTORY_ExportCsv(QWidget* parent, const QString& path,
                       std::span<const ACTIVE_SYMBOL* const> symbols, uint32_t first, uint32_t count);
// Asks for the file name (`caption` on the dialog), then exports. False when nothing was written.
bool HISTORY_ExportCsvInteractive(QWidget* parent, const QString& caption,
                                  std::span<const ACTIVE_SYMBOL* const> symbols, uint32_t first,
                                  uint32_t count);
