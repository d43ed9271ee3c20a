// The object access the ELF reader hands to the DWARF library: section table, byte order,
// sizes and section bytes straight out of the in-memory image. Sections the file stores
// compressed (SHF_COMPRESSED with zlib, or GNU ".zdebug_*") are inflated on first load, and
// dsPIC images whose debug sections carry a padding ("phantom") byte after every data byte
// are compacted; both decoded copies live in the handle until close.
#include "symbols/elf_object_access.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <vector>

#include <cstring>
#include <string>

#include "symbols/elf_internal.h"

namespace {

constexpr uint64_t kShfCompressed = 0x800;
constexpr uint32_t kSectionNoBits = 8;
constexpr uint32_t kCompressZlib = 1;
constexpr uint16_t kMachineDsPic30F = 118;
constexpr uint32_t kDsPicNoPhantomByte = 0x80000000u;
// Inflated sizes beyond these are treated as corrupt input rather than allocated.
constexpr uint64_t kMaxInflatedSize = 1ull << 30;
constexpr uint64_t kMaxInflateRatio = 1100;  // zlib cannot do better than about 1032:1

uint64_t ReadBE(const uint8_t* p, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
  return v;
}

uint64_t ReadLE(const uint8_t* p, int n) {
  uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// Where the zlib stream of a compressed section starts, and its inflated size.
struct Compressed {
  uint64_t stream_offset = 0;
  uint64_t size = 0;
  bool valid = false;
};

Compressed ParseCompressed(const ELF_FILE& elf, const ELF_SECTION& s, bool zdebug) {
  Compressed c;
  const uint8_t* data = ELF_GetSectionData(&elf, uint32_t(&s - elf.sections.data()));
  if (!data) return c;
  if (zdebug) {  // "ZLIB" + 8-byte big-endian size
    if (s.size < 12 || std::memcmp(data, "ZLIB", 4) != 0) return c;
    c.size = ReadBE(data + 4, 8);
    c.stream_offset = 12;
  } else {  // Elf32_Chdr / Elf64_Chdr
    const uint64_t header = elf.is64 ? 24 : 12;
    if (s.size < header) return c;
    auto get = [&](uint64_t o, int n) {
      return elf.big_endian ? ReadBE(data + o, n) : ReadLE(data + o, n);
    };
    if (get(0, 4) != kCompressZlib) return c;
    c.size = elf.is64 ? get(8, 8) : get(4, 4);
    c.stream_offset = header;
  }
  const uint64_t packed = s.size - c.stream_offset;
  c.valid = c.size <= kMaxInflatedSize && c.size / kMaxInflateRatio <= packed + 64;
  return c;
}

bool Inflate(const uint8_t* in, uint64_t in_size, std::vector<uint8_t>& out) {
  // Both sizes are below 4 GiB (the image is below 2 GiB, the output capped at 1 GiB).
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = const_cast<Bytef*>(in);
  z.avail_in = uInt(in_size);
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  const int rc = inflate(&z, Z_FINISH);
  const bool ok = (rc == Z_STREAM_END || rc == Z_BUF_ERROR || rc == Z_OK) && z.avail_out == 0;
  inflateEnd(&z);
  return ok;
}

bool StartsWith(const std::string& s, const char* prefix) {
  return s.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

void ELF_PrepareDwarfSections(ELF_FILE& elf) {
  elf.dwarf_sections.assign(elf.section_count, {});
  const bool phantom = elf.header.machine == kMachineDsPic30F &&
                       (elf.header.flags & kDsPicNoPhantomByte) == 0;
  for (uint32_t i = 0; i < elf.section_count; ++i) {
    const ELF_SECTION& s = elf.sections[i];
    ELF_DWARF_SECTION& d = elf.dwarf_sections[i];
    d.name = ELF_GetSectionName(&elf, i);
    d.size = ELF_GetSectionSize(&elf, i);
    if (s.type == kSectionNoBits) continue;
    if (StartsWith(d.name, ".zdebug_")) {
      d.name = ".debug_" + d.name.substr(8);
      const Compressed c = ParseCompressed(elf, s, true);
      d.needs_decoding = true;
      d.size = c.valid ? c.size : 0;
    } else if ((s.flags & kShfCompressed) != 0) {
      const Compressed c = ParseCompressed(elf, s, false);
      d.needs_decoding = true;
      d.size = c.valid ? c.size : 0;
    } else if (phantom && StartsWith(d.name, ".debug_")) {
      d.needs_decoding = true;
      d.size = (s.size + 1) / 2;
    }
  }
}

const uint8_t* ELF_LoadDwarfSection(ELF_FILE& elf, uint32_t index) {
  if (index >= elf.dwarf_sections.size()) return nullptr;
  ELF_DWARF_SECTION& d = elf.dwarf_sections[index];
  const uint8_t* raw = ELF_GetSectionData(&elf, index);
  if (!d.needs_decoding) return raw;
  if (!d.decoded) {
    d.decoded = true;
    const ELF_SECTION& s = elf.sections[index];
    bool ok = raw != nullptr && d.size != 0;
    if (ok) {
      try {
        d.data.resize(size_t(d.size));
      } catch (const std::bad_alloc&) {
        ok = false;
      }
    }
    if (ok) {
      const std::string raw_name = ELF_GetSectionName(&elf, index);
      if (StartsWith(raw_name, ".zdebug_") || (s.flags & kShfCompressed) != 0) {
        const Compressed c = ParseCompressed(elf, s, StartsWith(raw_name, ".zdebug_"));
        ok = c.valid && Inflate(raw + c.stream_offset, s.size - c.stream_offset, d.data);
      } else {
        for (uint64_t k = 0; k < d.size; ++k) d.data[k] = raw[2 * k];
      }
    }
    if (!ok) {
      d.data.clear();
      d.data.shrink_to_fit();
      d.size = 0;
      ELF_Report(ELF_ERR_READ, "compressed section could not be inflated", d.name.c_str());
    }
  }
  return d.data.empty() ? nullptr : d.data.data();
}

uint64_t ELF_DwarfSectionSize(const ELF_FILE& elf, const char* name) {
  for (const ELF_DWARF_SECTION& d : elf.dwarf_sections) {
    if (d.name == name) return d.size;
  }
  return 0;
}

namespace {

ELF_FILE& File(void* obj) { return *static_cast<ELF_FILE*>(obj); }

// The DWARF library (20210528) frees a list context twice when a .debug_rnglists unit
// header is malformed. Such a section is checked here and withheld from the library: its
// ranges are then simply unavailable. Location lists (.debug_loc, .debug_loclists) are read
// by our own code (location_lists.cpp) and never handed to the library.
bool ListSectionIsSound(const uint8_t* data, uint64_t size, bool big_endian) {
  auto get = [&](uint64_t at, int n) {
    return big_endian ? ReadBE(data + at, n) : ReadLE(data + at, n);
  };
  uint64_t at = 0;
  while (at < size) {
    if (size - at < 4) return false;
    uint64_t length = get(at, 4);
    uint64_t header = 4;
    uint64_t offset_size = 4;
    if (length == 0xFFFFFFFFu) {
      if (size - at < 12) return false;
      length = get(at + 4, 8);
      header = 12;
      offset_size = 8;
    } else if (length >= 0xFFFFFFF0u) {
      return false;
    }
    if (length < 8 || length > size - at - header) return false;
    const uint64_t body = at + header;
    const uint64_t version = get(body, 2);
    const uint64_t address_size = data[body + 2];
    const uint64_t segment_size = data[body + 3];
    const uint64_t offsets = get(body + 4, 4);
    if (version != 5 || segment_size != 0 ||
        (address_size != 2 && address_size != 4 && address_size != 8)) {
      return false;
    }
    if (offsets > (length - 8) / offset_size) return false;
    at = body + length;
  }
  return true;
}


int GetSectionInfo(void* obj, Dwarf_Half index, Dwarf_Obj_Access_Section* out, int* error) {
  ELF_FILE& elf = File(obj);
  (void)error;
  if (index >= elf.section_count || index >= elf.dwarf_sections.size()) {
    out->addr = ~0ull;
    out->size = 0;
    return DW_DLV_NO_ENTRY;
  }
  const ELF_SECTION& s = elf.sections[index];
  const ELF_DWARF_SECTION& d = elf.dwarf_sections[index];
  out->addr = s.addr;
  out->type = s.type;
  // A section whose bytes are not in the file reports size 0, so the library never asks to
  // read past the image.
  const bool present = d.needs_decoding || ELF_GetSectionData(&elf, index) != nullptr;
  const bool ours = d.name == ".debug_loc" || d.name == ".debug_loclists";
  out->size = present && !ours ? d.size : 0;
  if (out->size != 0 && d.name == ".debug_rnglists") {
    const uint8_t* bytes = ELF_LoadDwarfSection(elf, index);
    if (!bytes || !ListSectionIsSound(bytes, d.size, elf.big_endian)) {
      out->size = 0;
      ELF_Report(ELF_ERR_READ, "malformed section withheld", d.name.c_str());
    }
  }
  out->name = d.name.c_str();
  out->link = s.link;
  out->info = s.info;
  out->entrysize = s.entsize;
  return DW_DLV_OK;
}

Dwarf_Endianness GetByteOrder(void* obj) {
  return File(obj).header.ident[5] == 2 ? DW_OBJECT_MSB : DW_OBJECT_LSB;
}

Dwarf_Small GetLengthSize(void* obj) { return File(obj).header.ident[4] == 2 ? 8 : 4; }

Dwarf_Small GetPointerSize(void* obj) { return File(obj).header.ident[4] == 2 ? 8 : 4; }

Dwarf_Unsigned GetSectionCount(void* obj) {
  // The library addresses sections with 16-bit indices.
  return std::min<Dwarf_Unsigned>(File(obj).section_count, 0xFFFF);
}

int LoadSection(void* obj, Dwarf_Half index, Dwarf_Small** data, int* error) {
  ELF_FILE& elf = File(obj);
  (void)error;
  const uint8_t* bytes = ELF_LoadDwarfSection(elf, index);
  if (!bytes) return DW_DLV_NO_ENTRY;
  *data = const_cast<Dwarf_Small*>(bytes);  // the library only reads
  return DW_DLV_OK;
}

constexpr Dwarf_Obj_Access_Methods kMethods = {
    GetSectionInfo, GetByteOrder, GetLengthSize, GetPointerSize,
    GetSectionCount, LoadSection, nullptr,
};

}  // namespace

const Dwarf_Obj_Access_Methods* ELF_GetDwarfAccessMethods() { return &kMethods; }
