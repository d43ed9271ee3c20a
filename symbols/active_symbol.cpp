#include "symbols/active_symbol.h"

ACTIVE_SYMBOL_CELL* MAIN_pActiveSymbols = nullptr;
