// ELF image reader: open, close, the handle table and the header/section/program header/
// symbol accessors.
//
// Bounds: the ELF header, the program header and section header tables must lie inside the
// file, else the open fails with 73 ("error reading file data": the data the header promises
// is not there). A symbol table, string or section that lies (partly) outside the file is not
// used: the table yields no symbols, the string reads as "", the section has no data.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>

#include "symbols/elf_internal.h"

namespace {

constexpr uint32_t kSectionNoBits = 8;
constexpr uint32_t kSymTab = 2;
constexpr uint32_t kDynSym = 11;
constexpr uint64_t kMaxFileSize = 0x7FFFFFFFull;  // images of 2 GiB and more are refused

ELF_FILE* g_slots[ELF_MAX_OPEN_FILES] = {};
ELF_FILE* g_current = nullptr;
bool g_opening = false;
bool g_closing = false;

// Bounds-checked reads from the image in the file's byte order.
struct Reader {
  const uint8_t* data;
  uint64_t size;
  bool big_endian;

  bool Inside(uint64_t offset, uint64_t count) const {
    return offset <= size && count <= size - offset;
  }
  uint64_t Get(uint64_t offset, int bytes) const {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) {
      const uint64_t b = data[offset + uint64_t(i)];
      v |= big_endian ? b << (8 * (bytes - 1 - i)) : b << (8 * i);
    }
    return v;
  }
  uint16_t U16(uint64_t o) const { return uint16_t(Get(o, 2)); }
  uint32_t U32(uint64_t o) const { return uint32_t(Get(o, 4)); }
  uint64_t U64(uint64_t o) const { return Get(o, 8); }
  // Address-sized field: 4 bytes in a 32-bit file, 8 in a 64-bit file.
  uint64_t Addr(uint64_t o, bool is64) const { return is64 ? U64(o) : U32(o); }
};

bool ReadHeader(ELF_FILE& elf, const Reader& r) {
  ELF_HEADER& h = elf.header;
  if (!r.Inside(0, 16)) {
    std::memcpy(h.ident, elf.image.get(), size_t(std::min<uint64_t>(16, elf.file_size)));
  } else {
    std::memcpy(h.ident, elf.image.get(), 16);
  }
  if (elf.file_size < 4 || std::memcmp(h.ident, "\x7F" "ELF", 4) != 0) {
    ELF_Report(ELF_ERR_NO_MAGIC);
    return false;
  }
  elf.is64 = h.ident[4] == 2;
  const uint64_t header_size = elf.is64 ? 64 : 52;
  if (!r.Inside(0, header_size)) {
    ELF_Report(ELF_ERR_READ);
    return false;
  }
  h.type = r.U16(16);
  h.machine = r.U16(18);
  h.version = r.U32(20);
  uint64_t o = 24;
  h.entry = r.Addr(o, elf.is64);
  o += elf.is64 ? 8 : 4;
  h.phoff = r.Addr(o, elf.is64);
  o += elf.is64 ? 8 : 4;
  h.shoff = r.Addr(o, elf.is64);
  o += elf.is64 ? 8 : 4;
  h.flags = r.U32(o);
  h.ehsize = r.U16(o + 4);
  h.phentsize = r.U16(o + 6);
  h.phnum = r.U16(o + 8);
  h.shentsize = r.U16(o + 10);
  h.shnum = r.U16(o + 12);
  h.shstrndx = r.U16(o + 14);
  if (h.type != 2) {
    ELF_Report(ELF_ERR_NOT_EXECUTABLE);
    return false;
  }
  if (h.ident[4] == 0) {
    ELF_Report(ELF_ERR_CLASS_NONE);
    return false;
  }
  if (h.ident[5] != 1 && h.ident[5] != 2) {
    ELF_Report(ELF_ERR_DATA_NONE);
    return false;
  }
  if (h.ident[6] != 1) {
    ELF_Report(ELF_ERR_HEADER_VERSION);
    return false;
  }
  if (h.version == 0) {
    ELF_Report(ELF_ERR_FILE_VERSION);
    return false;
  }
  return true;
}

bool ReadProgramHeaders(ELF_FILE& elf, const Reader& r) {
  const ELF_HEADER& h = elf.header;
  if (h.phnum == 0) return true;
  const uint64_t need = elf.is64 ? 56 : 32;
  if (h.phentsize < need || !r.Inside(h.phoff, uint64_t(h.phnum) * h.phentsize)) {
    ELF_Report(ELF_ERR_READ);
    return false;
  }
  elf.program_headers.resize(h.phnum);
  for (uint32_t i = 0; i < h.phnum; ++i) {
    const uint64_t o = h.phoff + uint64_t(i) * h.phentsize;
    ELF_PROGRAM_HEADER& p = elf.program_headers[i];
    p.type = r.U32(o);
    if (elf.is64) {
      p.flags = r.U32(o + 4);
      p.offset = r.U64(o + 8);
      p.vaddr = r.U64(o + 16);
      p.paddr = r.U64(o + 24);
      p.filesz = r.U64(o + 32);
      p.memsz = r.U64(o + 40);
      p.align = r.U64(o + 48);
    } else {  // the 32-bit layout keeps the flags after the memory size
      p.offset = r.U32(o + 4);
      p.vaddr = r.U32(o + 8);
      p.paddr = r.U32(o + 12);
      p.filesz = r.U32(o + 16);
      p.memsz = r.U32(o + 20);
      p.flags = r.U32(o + 24);
      p.align = r.U32(o + 28);
    }
  }
  return true;
}

void ReadSection(const ELF_FILE& elf, const Reader& r, uint64_t o, ELF_SECTION& s) {
  s.name = r.U32(o);
  s.type = r.U32(o + 4);
  if (elf.is64) {
    s.flags = r.U64(o + 8);
    s.addr = r.U64(o + 16);
    s.offset = r.U64(o + 24);
    s.size = r.U64(o + 32);
    s.link = r.U32(o + 40);
    s.info = r.U32(o + 44);
    s.addralign = r.U64(o + 48);
    s.entsize = r.U64(o + 56);
  } else {
    s.flags = r.U32(o + 8);
    s.addr = r.U32(o + 12);
    s.offset = r.U32(o + 16);
    s.size = r.U32(o + 20);
    s.link = r.U32(o + 24);
    s.info = r.U32(o + 28);
    s.addralign = r.U32(o + 32);
    s.entsize = r.U32(o + 36);
  }
}

bool ReadSections(ELF_FILE& elf, const Reader& r) {
  const ELF_HEADER& h = elf.header;
  if (h.shoff == 0) return true;  // no section header table
  const uint64_t need = elf.is64 ? 64 : 40;
  if (h.shentsize < need || !r.Inside(h.shoff, h.shentsize)) {
    if (h.shnum == 0 && h.shentsize == 0) return true;
    ELF_Report(ELF_ERR_READ);
    return false;
  }
  ELF_SECTION first;
  ReadSection(elf, r, h.shoff, first);
  uint64_t count = h.shnum != 0 ? h.shnum : first.size;  // extended numbering
  if (count > 0xFFFFFFFFull || !r.Inside(h.shoff, count * h.shentsize)) {
    ELF_Report(ELF_ERR_READ);
    return false;
  }
  elf.section_count = uint32_t(count);
  elf.sections.resize(size_t(count));
  for (uint32_t i = 0; i < elf.section_count; ++i) {
    ReadSection(elf, r, h.shoff + uint64_t(i) * h.shentsize, elf.sections[i]);
  }
  elf.shstrndx = h.shstrndx >= 0xFFFF ? first.link : h.shstrndx;
  elf.strtab = ELF_FindSection(&elf, ".strtab");
  elf.symtab = ELF_FindSection(&elf, ".symtab");
  elf.symtab_shndx = ELF_FindSection(&elf, ".symtab_shndx");
  elf.debug_info = ELF_FindSection(&elf, ".debug_info");
  elf.debug_types = ELF_FindSection(&elf, ".debug_types");
  return true;
}

void ReadSymbols(ELF_FILE& elf, const Reader& r) {
  const uint64_t need = elf.is64 ? 24 : 16;
  for (uint32_t si = 0; si < elf.section_count; ++si) {
    const ELF_SECTION& s = elf.sections[si];
    if ((s.type != kSymTab && s.type != kDynSym) || s.entsize == 0) continue;
    if (s.entsize < need || !r.Inside(s.offset, s.size)) continue;
    const uint64_t n = s.size / s.entsize;
    if (elf.symbols.size() + n > 0xFFFFFFF0ull) break;
    const bool is_symtab = int64_t(si) == elf.symtab;
    for (uint64_t i = 0; i < n; ++i) {
      const uint64_t o = s.offset + i * s.entsize;
      ELF_SYMBOL sym;
      sym.name = r.U32(o);
      if (elf.is64) {
        sym.info = elf.image[o + 4];
        sym.other = elf.image[o + 5];
        sym.shndx = r.U16(o + 6);
        sym.value = r.U64(o + 8);
        sym.size = r.U64(o + 16);
      } else {
        sym.value = r.U32(o + 4);
        sym.size = r.U32(o + 8);
        sym.info = elf.image[o + 12];
        sym.other = elf.image[o + 13];
        sym.shndx = r.U16(o + 14);
      }
      sym.strtab = s.link;
      if (is_symtab) sym.shndx_entry = uint32_t(i);
      elf.symbols.push_back(sym);
    }
  }
}

int FreeSlot() {
  for (int i = 0; i < ELF_MAX_OPEN_FILES; ++i) {
    if (!g_slots[i]) return i;
  }
  return -1;
}

void FreeHandle(ELF_FILE* elf) {
  for (auto& slot : g_slots) {
    if (slot == elf) slot = nullptr;
  }
  if (g_current == elf) g_current = nullptr;
  delete elf;
}

// Open, steps after the image is in memory. Takes ownership of `elf` (in its slot).
ELF_FILE* FinishOpen(ELF_FILE* elf, bool full_parse) {
  const Reader r{elf->image.get(), elf->file_size, elf->file_size > 5 && elf->image[5] == 2};
  elf->big_endian = r.big_endian;
  const bool ok = ReadHeader(*elf, r) && ReadProgramHeaders(*elf, r) && ReadSections(*elf, r);
  if (!ok) {
    g_closing = true;
    FreeHandle(elf);
    g_closing = false;
    g_opening = false;
    return nullptr;
  }
  ReadSymbols(*elf, r);
  ELF_PostProcessSymbols(*elf);
  ELF_PrepareDwarfSections(*elf);
  if (full_parse) {
    elf->ready = 1;  // the parse queries its own handle
    DWARF_Parse(*elf);
  }
  g_opening = false;
  elf->ready = 1;
  return elf;
}

// Steps 1-6 of open for an image already read: slot, handle, ownership.
ELF_FILE* StartOpen(std::unique_ptr<uint8_t[]> image, uint64_t size, int slot) {
  ELF_FILE* elf = new (std::nothrow) ELF_FILE;
  if (!elf) {
    ELF_Report(ELF_ERR_OUT_OF_MEMORY);
    return nullptr;
  }
  elf->image = std::move(image);
  elf->file_size = size;
  elf->slot = uint32_t(slot);
  g_slots[slot] = elf;
  g_current = elf;
  return elf;
}

const ELF_FILE* Check(const ELF_FILE* elf) {
  if (!elf) return nullptr;
  for (ELF_FILE* slot : g_slots) {
    if (slot == elf) return elf;
  }
  return nullptr;
}

const ELF_SECTION* Section(const ELF_FILE* elf, uint32_t index) {
  if (!Check(elf) || index >= elf->section_count) return nullptr;
  return &elf->sections[index];
}

const ELF_PROGRAM_HEADER* Program(const ELF_FILE* elf, uint32_t index) {
  if (!Check(elf) || index >= elf->program_headers.size()) return nullptr;
  return &elf->program_headers[index];
}

const ELF_SYMBOL* Symbol(const ELF_FILE* elf, uint32_t index) {
  if (!Check(elf) || index >= elf->symbols.size()) return nullptr;
  return &elf->symbols[index];
}

// A zero-terminated string at `offset` of string table section `table`, or "".
const char* StringAt(const ELF_FILE* elf, uint64_t table, uint64_t offset) {
  if (table >= elf->section_count) return "";
  const ELF_SECTION& s = elf->sections[table];
  if (s.type == kSectionNoBits || s.offset > elf->file_size ||
      s.size > elf->file_size - s.offset || offset >= s.size) {
    return "";
  }
  const char* start = reinterpret_cast<const char*>(elf->image.get() + s.offset + offset);
  const size_t room = size_t(s.size - offset);
  return std::memchr(start, 0, room) ? start : "";
}

}  // namespace

ELF_FILE* ELF_ReadyFileInSlot(uint32_t slot) {
  if (slot >= ELF_MAX_OPEN_FILES || g_closing) return nullptr;
  ELF_FILE* elf = g_slots[slot];
  return elf && elf->ready ? elf : nullptr;
}

bool ELF_IsBusy() { return g_closing; }

ELF_FILE* ELF_Open(const char* path, bool full_parse) {
  if (g_opening || g_closing) return nullptr;
  g_opening = true;
  const int slot = FreeSlot();
  if (slot < 0) {
    ELF_Report(ELF_ERR_TOO_MANY_FILES);
    g_opening = false;
    return nullptr;
  }
  std::ifstream in(path ? path : "", std::ios::binary);
  if (!path || !in) {
    ELF_Report(ELF_ERR_OPEN_FAILED, path);
    g_opening = false;
    return nullptr;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  in.seekg(0, std::ios::beg);
  if (end <= 0 || uint64_t(end) > kMaxFileSize) {
    ELF_Report(ELF_ERR_FILE_SIZE);
    g_opening = false;
    return nullptr;
  }
  const uint64_t size = uint64_t(end);
  std::unique_ptr<uint8_t[]> image(new (std::nothrow) uint8_t[size]);
  if (!image) {
    ELF_Report(ELF_ERR_OUT_OF_MEMORY);
    g_opening = false;
    return nullptr;
  }
  in.read(reinterpret_cast<char*>(image.get()), std::streamsize(size));
  if (uint64_t(in.gcount()) != size) {
    ELF_Report(ELF_ERR_READ);
    g_opening = false;
    return nullptr;
  }
  ELF_FILE* elf = StartOpen(std::move(image), size, slot);
  if (!elf) {
    g_opening = false;
    return nullptr;
  }
  return FinishOpen(elf, full_parse);
}

ELF_FILE* ELF_OpenImage(std::span<const uint8_t> bytes, bool full_parse) {
  if (g_opening || g_closing) return nullptr;
  g_opening = true;
  const int slot = FreeSlot();
  if (slot < 0) {
    ELF_Report(ELF_ERR_TOO_MANY_FILES);
    g_opening = false;
    return nullptr;
  }
  if (bytes.empty() || bytes.size() > kMaxFileSize) {
    ELF_Report(ELF_ERR_FILE_SIZE);
    g_opening = false;
    return nullptr;
  }
  std::unique_ptr<uint8_t[]> image(new (std::nothrow) uint8_t[bytes.size()]);
  if (!image) {
    ELF_Report(ELF_ERR_OUT_OF_MEMORY);
    g_opening = false;
    return nullptr;
  }
  std::memcpy(image.get(), bytes.data(), bytes.size());
  ELF_FILE* elf = StartOpen(std::move(image), bytes.size(), slot);
  if (!elf) {
    g_opening = false;
    return nullptr;
  }
  return FinishOpen(elf, full_parse);
}

void ELF_Close(ELF_FILE* elf) {
  if (!Check(elf) || g_closing) return;
  g_closing = true;
  FreeHandle(elf);
  g_closing = false;
}

ELF_FILE* ELF_GetCurrentFile() { return g_current; }

bool ELF_IsOpen(const ELF_FILE* elf) { return Check(elf) && elf->ready; }

int ELF_GetSlot(const ELF_FILE* elf) { return Check(elf) ? int(elf->slot) : -1; }

ELF_FILE* ELF_GetFileInSlot(uint32_t slot) {
  return slot < ELF_MAX_OPEN_FILES ? g_slots[slot] : nullptr;
}

uint32_t ELF_GetClass(const ELF_FILE* elf) { return Check(elf) ? elf->header.ident[4] : 0; }

uint32_t ELF_GetDataEncoding(const ELF_FILE* elf) {
  if (!Check(elf)) return 2;
  const uint8_t d = elf->header.ident[5];
  return d == 1 ? 0 : d == 2 ? 1 : 2;
}

const char* ELF_GetDataEncodingText(uint32_t encoding) {
  return encoding == 0 ? "Little Endian" : encoding == 1 ? "Big Endian" : "Unknown data encoding";
}

uint32_t ELF_GetType(const ELF_FILE* elf) { return Check(elf) ? elf->header.type : 0; }
uint32_t ELF_GetMachine(const ELF_FILE* elf) { return Check(elf) ? elf->header.machine : 0; }
uint32_t ELF_GetFlags(const ELF_FILE* elf) { return Check(elf) ? elf->header.flags : 0; }
uint32_t ELF_GetIdentVersion(const ELF_FILE* elf) {
  return Check(elf) ? elf->header.ident[6] : 0;
}
uint32_t ELF_GetVersion(const ELF_FILE* elf) { return Check(elf) ? elf->header.version : 0; }
uint64_t ELF_GetEntryPoint(const ELF_FILE* elf) { return Check(elf) ? elf->header.entry : 0; }
uint64_t ELF_GetFileSize(const ELF_FILE* elf) { return Check(elf) ? elf->file_size : 0; }

uint32_t ELF_GetSectionCount(const ELF_FILE* elf) {
  return Check(elf) ? elf->section_count : 0;
}

const char* ELF_GetSectionName(const ELF_FILE* elf, uint32_t index) {
  const ELF_SECTION* s = Section(elf, index);
  return s ? StringAt(elf, elf->shstrndx, s->name) : "";
}

uint32_t ELF_GetSectionType(const ELF_FILE* elf, uint32_t index) {
  const ELF_SECTION* s = Section(elf, index);
  return s ? s->type : 0;
}

uint64_t ELF_GetSectionFlags(const ELF_FILE* elf, uint32_t index) {
  const ELF_SECTION* s = Section(elf, index);
  return s ? s->flags : 0;
}

uint64_t ELF_GetSectionAddress(const ELF_FILE* elf, uint32_t index) {
  const ELF_SECTION* s = Section(elf, index);
  return s ? s->addr : ~0ull;
}

uint64_t ELF_GetSectionFileOffset(const ELF_FILE* elf, uint32_t index) {
  const ELF_SECTION* s = Section(elf, index);
  return s ? s->offset : 0;
}

uint64_t ELF_GetSectionSize(const ELF_FILE* elf, uint32_t index) {
  const ELF_SECTION* s = Section(elf, index);
  if (!s) return 0;
  return std::min<uint64_t>(s->size, ~uint64_t(0) - s->addr);
}

uint64_t ELF_GetSectionEntrySize(const ELF_FILE* elf, uint32_t index) {
  const ELF_SECTION* s = Section(elf, index);
  return s ? s->entsize : 0;
}

const uint8_t* ELF_GetSectionData(const ELF_FILE* elf, uint32_t index) {
  const ELF_SECTION* s = Section(elf, index);
  if (!s || s->type == kSectionNoBits || s->size == 0 || s->offset > elf->file_size ||
      s->size > elf->file_size - s->offset) {
    return nullptr;
  }
  return elf->image.get() + s->offset;
}

int64_t ELF_FindSection(const ELF_FILE* elf, const char* name) {
  if (!elf || !name) return -1;
  for (uint32_t i = 0; i < elf->section_count; ++i) {
    if (std::strcmp(StringAt(elf, elf->shstrndx, elf->sections[i].name), name) == 0) return i;
  }
  return -1;
}

uint32_t ELF_GetProgramHeaderCount(const ELF_FILE* elf) {
  return Check(elf) ? uint32_t(elf->program_headers.size()) : 0;
}
uint32_t ELF_GetProgramHeaderType(const ELF_FILE* elf, uint32_t i) {
  const ELF_PROGRAM_HEADER* p = Program(elf, i);
  return p ? p->type : 0;
}
uint32_t ELF_GetProgramHeaderFlags(const ELF_FILE* elf, uint32_t i) {
  const ELF_PROGRAM_HEADER* p = Program(elf, i);
  return p ? p->flags : 0;
}
uint64_t ELF_GetProgramHeaderFileOffset(const ELF_FILE* elf, uint32_t i) {
  const ELF_PROGRAM_HEADER* p = Program(elf, i);
  return p ? p->offset : 0;
}
uint64_t ELF_GetProgramHeaderVirtualAddress(const ELF_FILE* elf, uint32_t i) {
  const ELF_PROGRAM_HEADER* p = Program(elf, i);
  return p ? p->vaddr : 0;
}
uint64_t ELF_GetProgramHeaderPhysicalAddress(const ELF_FILE* elf, uint32_t i) {
  const ELF_PROGRAM_HEADER* p = Program(elf, i);
  return p ? p->paddr : 0;
}
uint64_t ELF_GetProgramHeaderFileSize(const ELF_FILE* elf, uint32_t i) {
  const ELF_PROGRAM_HEADER* p = Program(elf, i);
  return p ? p->filesz : 0;
}
uint64_t ELF_GetProgramHeaderMemorySize(const ELF_FILE* elf, uint32_t i) {
  const ELF_PROGRAM_HEADER* p = Program(elf, i);
  return p ? p->memsz : 0;
}

uint32_t ELF_GetSymbolCount(const ELF_FILE* elf) {
  return Check(elf) ? uint32_t(elf->symbols.size()) : 0;
}

const char* ELF_GetSymbolName(const ELF_FILE* elf, uint32_t index) {
  const ELF_SYMBOL* s = Symbol(elf, index);
  return s ? StringAt(elf, s->strtab, s->name) : "";
}

uint32_t ELF_GetSymbolType(const ELF_FILE* elf, uint32_t index) {
  const ELF_SYMBOL* s = Symbol(elf, index);
  return s ? s->info & 0xFu : 0;
}

int64_t ELF_GetSymbolSectionIndex(const ELF_FILE* elf, uint32_t index) {
  const ELF_SYMBOL* s = Symbol(elf, index);
  if (!s) return -1;
  if (s->shndx < 0xFFFF) return s->shndx;
  // Extended index: the symbol's entry in .symtab_shndx (4 bytes per symbol).
  const uint8_t* table =
      elf->symtab_shndx >= 0 ? ELF_GetSectionData(elf, uint32_t(elf->symtab_shndx)) : nullptr;
  if (!table || s->shndx_entry == 0xFFFFFFFFu) return -1;
  const uint64_t size = elf->sections[size_t(elf->symtab_shndx)].size;
  if (uint64_t(s->shndx_entry) * 4 + 4 > size) return -1;
  const Reader r{table, size, elf->big_endian};
  const uint32_t v = r.U32(uint64_t(s->shndx_entry) * 4);
  return v == 0xFFFF ? -1 : int64_t(v);
}

uint64_t ELF_GetSymbolAddress(const ELF_FILE* elf, uint32_t index) {
  const ELF_SYMBOL* s = Symbol(elf, index);
  return s ? s->value : 0;
}

uint64_t ELF_GetSymbolSize(const ELF_FILE* elf, uint32_t index) {
  const ELF_SYMBOL* s = Symbol(elf, index);
  return s ? s->size : 0;
}

SYM_HANDLE ELF_GetSymbolHandle(const ELF_FILE* elf, uint32_t index) {
  if (!Check(elf) || index >= elf->symbols.size()) return SYM_NONE;
  return SYM_MakeElfHandle(elf->slot, index);
}

std::span<const uint32_t> ELF_GetFunctionSymbols(const ELF_FILE* elf) {
  if (!Check(elf)) return {};
  return elf->function_symbols;
}

std::span<const uint32_t> ELF_GetFileSymbols(const ELF_FILE* elf) {
  if (!Check(elf)) return {};
  return elf->file_symbols;
}
