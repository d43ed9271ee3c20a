// The object access of the ELF reader for the DWARF library (internal to symbols/). The
// interface's object pointer is the ELF_FILE; the library never opens the file itself.
#pragma once

#include <libdwarf/dwarf.h>
#include <libdwarf/libdwarf.h>

const Dwarf_Obj_Access_Methods* ELF_GetDwarfAccessMethods();
