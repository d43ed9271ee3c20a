// What the sampling and write engines tell the main window beyond the bridge's signals:
// that a symbol was written (for the symbol watch) and that a failed start of sampling must
// take the GUI back to Edit mode. The main window installs the handlers; without them (tools,
// tests) the notices are dropped.
#pragma once

struct SYMBOL_ID;

// Called on the thread that wrote (usually the worker) with a fresh identity of the written
// symbol, which the handler owns and frees with LOGIC_FreeSymbolId (typically after handing
// it to the GUI thread, which passes it to the symbol watch while in Run mode).
using APP_SymbolWrittenHandler = void (*)(SYMBOL_ID* id);
// Called on the worker when the GUI must return to Edit mode; the handler carries the change
// over to the GUI thread.
using APP_EditModeHandler = void (*)();

void APP_SetSymbolWrittenHandler(APP_SymbolWrittenHandler handler);
void APP_SetEditModeHandler(APP_EditModeHandler handler);

// Used by the engines.
void APP_NotifySymbolWritten(const struct ACTIVE_SYMBOL& symbol);
void APP_RequestEditMode();
