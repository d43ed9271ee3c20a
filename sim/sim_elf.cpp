#include "sim/sim_elf.h"

#include <cstring>
#include <fstream>

namespace {

constexpr uint32_t kPtLoad = 1;
constexpr uint32_t kShtSymtab = 2;
constexpr uint16_t kEmArm = 40;
constexpr uint16_t kEtExec = 2;
constexpr size_t kMaxFileBytes = 64u << 20;

// Bounds-checked little-endian reads with a sticky failure flag.
struct Reader {
  std::span<const uint8_t> bytes;
  bool failed = false;

  uint32_t U32(uint64_t off) {
    if (off + 4 > bytes.size()) { failed = true; return 0; }
    return uint32_t(bytes[off]) | uint32_t(bytes[off + 1]) << 8 | uint32_t(bytes[off + 2]) << 16 |
           uint32_t(bytes[off + 3]) << 24;
  }
  uint16_t U16(uint64_t off) {
    if (off + 2 > bytes.size()) { failed = true; return 0; }
    return uint16_t(bytes[off] | bytes[off + 1] << 8);
  }
  bool Has(uint64_t off, uint64_t size) const { return off <= bytes.size() && size <= bytes.size() - off; }
};

bool Fail(std::string& error, const char* text) {
  error = text;
  return false;
}

}  // namespace

bool SIM_ElfParse(std::span<const uint8_t> bytes, SIM_ElfImage& image, std::string& error) {
  image = {};
  Reader r{bytes};
  if (bytes.size() < 52 || std::memcmp(bytes.data(), "\x7f" "ELF", 4) != 0) return Fail(error, "not an ELF file");
  if (bytes[4] != 1) return Fail(error, "not a 32-bit ELF file");
  if (bytes[5] != 1) return Fail(error, "not a little-endian ELF file");
  if (r.U16(16) != kEtExec) return Fail(error, "not an executable ELF file");
  if (r.U16(18) != kEmArm) return Fail(error, "not an ARM ELF file");
  image.entry = r.U32(24);
  const uint32_t phoff = r.U32(28);
  const uint16_t phentsize = r.U16(42);
  const uint16_t phnum = r.U16(44);
  if (phnum == 0) return Fail(error, "ELF file has no program headers");
  if (phentsize < 32 || !r.Has(phoff, uint64_t(phentsize) * phnum)) return Fail(error, "bad program header table");
  for (uint32_t i = 0; i < phnum; ++i) {
    const uint64_t ph = phoff + uint64_t(i) * phentsize;
    if (r.U32(ph) != kPtLoad) continue;
    const uint32_t offset = r.U32(ph + 4);
    const uint32_t paddr = r.U32(ph + 12);
    const uint32_t filesz = r.U32(ph + 16);
    const uint32_t memsz = r.U32(ph + 20);
    if (memsz == 0) continue;
    if (filesz > memsz || !r.Has(offset, filesz)) return Fail(error, "loadable segment outside the file");
    if (uint64_t(paddr) + memsz > 0x100000000ull) return Fail(error, "loadable segment beyond 4 GB");
    SIM_Segment seg;
    seg.paddr = paddr;
    seg.mem_size = memsz;
    seg.data.assign(bytes.begin() + offset, bytes.begin() + offset + filesz);
    image.segments.push_back(std::move(seg));
  }
  if (r.failed) return Fail(error, "truncated ELF header");
  image.bytes.assign(bytes.begin(), bytes.end());
  return true;
}

bool SIM_ElfLoadFile(const std::string& path, SIM_ElfImage& image, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(error, "cannot open file");
  std::vector<uint8_t> bytes;
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    if (bytes.size() > kMaxFileBytes) return Fail(error, "file too large");
  }
  return SIM_ElfParse(bytes, image, error);
}

bool SIM_ElfFindSymbol(const SIM_ElfImage& image, std::string_view name, SIM_ElfSymbol& symbol) {
  Reader r{image.bytes};
  const uint32_t shoff = r.U32(32);
  const uint16_t shentsize = r.U16(46);
  const uint16_t shnum = r.U16(48);
  if (r.failed || shentsize < 40 || !r.Has(shoff, uint64_t(shentsize) * shnum)) return false;
  for (uint32_t i = 0; i < shnum; ++i) {
    const uint64_t sh = shoff + uint64_t(i) * shentsize;
    if (r.U32(sh + 4) != kShtSymtab) continue;
    const uint32_t off = r.U32(sh + 16), size = r.U32(sh + 20), link = r.U32(sh + 24);
    if (link >= shnum || !r.Has(off, size)) return false;
    const uint64_t strsh = shoff + uint64_t(link) * shentsize;
    const uint32_t stroff = r.U32(strsh + 16), strsize = r.U32(strsh + 20);
    if (!r.Has(stroff, strsize)) return false;
    const std::string_view strtab(reinterpret_cast<const char*>(image.bytes.data()) + stroff, strsize);
    for (uint64_t s = off; s + 16 <= uint64_t(off) + size; s += 16) {
      const uint32_t name_off = r.U32(s);
      if (name_off >= strtab.size()) continue;
      const std::string_view sym = strtab.substr(name_off, strtab.find('\0', name_off) - name_off);
      if (sym == name) {
        symbol.value = r.U32(s + 4);
        symbol.size = r.U32(s + 8);
        return !r.failed;
      }
    }
  }
  return false;
}
