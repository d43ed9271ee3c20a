#include "probe/probe_format.h"

#include <cinttypes>
#include <cstdio>
#include <string>

namespace {

struct ExactName {
  uint32_t id;
  const char* name;
};

const char* FindExact(std::span<const ExactName> table, uint32_t id, const char* fallback) {
  for (const ExactName& e : table) {
    if (e.id == id) return e.name;
  }
  return fallback;
}

constexpr ExactName kCortexA[] = {
    {0x080800FF, "Cortex-A7"},  {0x080900FF, "Cortex-A9"},  {0x080A00FF, "Cortex-A12"},
    {0x080B00FF, "Cortex-A15"}, {0x080C00FF, "Cortex-A17"},
};

constexpr ExactName kArm11[] = {
    {0x0B36FFFF, "ARM1136"},    {0x0B3602FF, "ARM1136J"},    {0x0B3603FF, "ARM1136J-S"},
    {0x0B3606FF, "ARM1136JF"},  {0x0B3607FF, "ARM11JF-S"},   {0x0B56FFFF, "ARM1156"},
    {0x0B76FFFF, "ARM1176"},    {0x0B7602FF, "ARM1176J"},    {0x0B7603FF, "ARM1176J-S"},
    {0x0B7606FF, "ARM1176JF"},  {0x0B7607FF, "ARM1176JF-S"},
};

// Family 13: ids 0x0Dnn FFFF.
constexpr ExactName kRx[] = {
    {0x0D00FFFF, "RX610"}, {0x0D01FFFF, "RX62N"}, {0x0D02FFFF, "RX62T"}, {0x0D03FFFF, "RX63N"},
    {0x0D04FFFF, "RX630"}, {0x0D05FFFF, "RX631"}, {0x0D06FFFF, "RX621"}, {0x0D07FFFF, "RX62G"},
    {0x0D08FFFF, "RX631"}, {0x0D0AFFFF, "RX66T"}, {0x0D0BFFFF, "RX72T"}, {0x0D0CFFFF, "RX66N"},
    {0x0D0DFFFF, "RX72M"}, {0x0D0EFFFF, "RX72N"}, {0x0D0FFFFF, "RX660"}, {0x0D10FFFF, "RX210"},
    {0x0D11FFFF, "RX21A"}, {0x0D12FFFF, "RX220"}, {0x0D13FFFF, "RX230"}, {0x0D14FFFF, "RX231"},
    {0x0D15FFFF, "RX23T"}, {0x0D17FFFF, "RX26T"}, {0x0D18FFFF, "RX260"}, {0x0D19FFFF, "RX261"},
    {0x0D20FFFF, "RX111"}, {0x0D21FFFF, "RX110"}, {0x0D22FFFF, "RX113"}, {0x0D23FFFF, "RX130"},
    {0x0D24FFFF, "RX140"}, {0x0D25FFFF, "RX13T"}, {0x0D30FFFF, "RX64M"}, {0x0D31FFFF, "RX71M"},
    {0x0D32FFFF, "RX671"},
};

constexpr ExactName kCortexM[] = {
    {0x0E0000FF, "Cortex-M4"},  {0x0E0100FF, "Cortex-M7"}, {0x0E0200FF, "Cortex-M33"},
    {0x0E0300FF, "Cortex-M55"}, {0x0E0400FF, "STAR"},      {0x0E0500FF, "Cortex-M85"},
    {0x0E0600FF, "Cortex-M52"},
};

constexpr ExactName kCortexA64[] = {
    {0x1401FFFF, "Cortex-A57"}, {0x1402FFFF, "Cortex-A72"}, {0x1403FFFF, "Cortex-A35"},
    {0x1404FFFF, "Cortex-R52"}, {0x1405FFFF, "Cortex-A55"}, {0x1406FFFF, "Cortex-A32"},
    {0x1407FFFF, "Cortex-A76"},
};

constexpr ExactName kXtensa[] = {
    {0x16040000, "Xtensa LX7"}, {0x16040001, "HiFi 1"}, {0x16040002, "HiFi 3"},
    {0x16040003, "HiFi 3z"},    {0x16040004, "HiFi 4"}, {0x16040005, "HiFi 5"},
    {0x16040008, "Fusion F1"},
};

const char* Arm9SubName(uint32_t variant) {
  switch (variant) {
    case 0: return "TDMI";
    case 32: return "20T";
    case 34: return "22T";
    case 38: return "26EJ";
    case 70: return "46E";
    case 102: return "66E";
    case 104: return "68E";
    default: return "";
  }
}

// How the revision and patch fields are written for a family.
enum class RevisionStyle { kNone, kRevPatch, kRevOnly };

}  // namespace

void PROBE_FormatCoreName(uint32_t core_id, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return;
  const uint32_t family = core_id >> 24;
  const uint32_t variant = (core_id >> 16) & 0xFF;
  const uint32_t sub_variant = (core_id >> 8) & 0xFF;
  const uint32_t revision = (core_id >> 4) & 0xF;
  const uint32_t patch = core_id & 0xF;

  const char* name = "Unspecified";
  const char* sub_name = "";
  const char* suffix = "";
  RevisionStyle style = RevisionStyle::kNone;
  switch (family) {
    case 0: name = "None"; break;
    case 1: name = "Cortex-M1"; style = RevisionStyle::kRevPatch; break;
    case 3: name = "Cortex-M3"; style = RevisionStyle::kRevPatch; break;
    case 4: name = "Simulator"; break;
    case 6:
      name = variant == 1 ? "Cortex-M23" : "Cortex-M0";
      style = RevisionStyle::kRevPatch;
      break;
    case 7:
      name = "ARM7";
      if (variant == 0) sub_name = "TDMI";
      if (sub_variant == 1) suffix = "-S";
      style = RevisionStyle::kRevOnly;
      break;
    case 8: name = FindExact(kCortexA, core_id, "Cortex-A8"); break;
    case 9:
      name = "ARM9";
      sub_name = Arm9SubName(variant);
      if (sub_variant == 1) suffix = "-S";
      style = RevisionStyle::kRevOnly;
      break;
    case 10: name = "ARM10"; break;
    case 11: name = FindExact(kArm11, core_id, "ARM11"); break;
    case 12:
      name = variant == 1 ? "Cortex-R5" : variant == 2 ? "Cortex-R8"
                                        : variant == 3 ? "Cortex-R7" : "Cortex-R4";
      break;
    case 13: name = FindExact(kRx, core_id, "RX"); break;
    case 14:
      name = FindExact(kCortexM, core_id, "Unknown Cortex-M4 like");
      style = RevisionStyle::kRevPatch;
      break;
    case 15: name = "Cortex-A5"; style = RevisionStyle::kRevPatch; break;
    case 16:
      name = (sub_variant % 2 == 1 && sub_variant < 255) ? "PowerPC (Nexus 2+)"
                                                          : "PowerPC (Nexus 1)";
      break;
    case 17:
      name = variant == 0 ? "MIPS M4K" : variant == 1 ? "MIPS MicroAptiv"
                                       : variant == 2 ? "MIPS M14K" : "MIPS";
      break;
    case 18: name = "8051"; break;
    case 19: name = "RISC-V"; break;
    case 20: name = FindExact(kCortexA64, core_id, "Cortex-A53"); break;
    case 21: name = "BT5511"; break;
    case 22: name = FindExact(kXtensa, core_id, "Unknown type"); break;
    default: break;  // 2, 5 and 23 and above
  }

  char revision_text[16] = {};
  char patch_text[16] = {};
  if (style != RevisionStyle::kNone && revision < 15) {
    std::snprintf(revision_text, sizeof(revision_text),
                  style == RevisionStyle::kRevOnly ? "Rev.%u" : "r%u", revision);
  }
  if (style == RevisionStyle::kRevPatch && patch < 15) {
    std::snprintf(patch_text, sizeof(patch_text), "p%u", patch);
  }
  if (revision_text[0] != '\0' || patch_text[0] != '\0') {
    std::snprintf(buffer, size, "%s%s%s %s%s", name, sub_name, suffix, revision_text,
                  patch_text);
  } else {
    std::snprintf(buffer, size, "%s%s%s", name, sub_name, suffix);
  }
}

void PROBE_FormatSize(uint64_t bytes, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return;
  struct Unit {
    uint64_t bytes;
    const char* name;
  };
  static constexpr Unit kUnits[] = {{1ULL << 30, "GB"}, {1ULL << 20, "MB"}, {1ULL << 10, "KB"}};
  if (bytes == 0) {
    std::snprintf(buffer, size, "%d Bytes", 0);
    return;
  }
  for (const Unit& unit : kUnits) {
    if (bytes % unit.bytes == 0) {
      std::snprintf(buffer, size, "%" PRIu64 " %s", bytes / unit.bytes, unit.name);
      return;
    }
    if (bytes >= unit.bytes && bytes % (unit.bytes / 2) == 0) {
      const uint64_t tenths = (bytes % unit.bytes) * 10 / unit.bytes;
      std::snprintf(buffer, size, "%" PRIu64 ".%" PRIu64 " %s", bytes / unit.bytes, tenths,
                    unit.name);
      return;
    }
  }
  std::snprintf(buffer, size, "%" PRIu64 " Byte%s", bytes, bytes == 1 ? "" : "s");
}

uint64_t PROBE_FormatFlashSize(std::span<const VELTRA_FLASH_BANK> banks, char* buffer,
                               size_t size) {
  // A region list without its terminator must not run away: no bank has more regions.
  constexpr size_t kMaxRegions = 256;
  std::string text;
  uint64_t total = 0;
  for (const VELTRA_FLASH_BANK& bank : banks) {
    if (bank.regions == nullptr) continue;
    uint64_t bank_bytes = 0;
    for (size_t i = 0; i < kMaxRegions && bank.regions[i].sector_count != 0; ++i) {
      bank_bytes += uint64_t{bank.regions[i].sector_count} * bank.regions[i].sector_size;
    }
    char part[32];
    PROBE_FormatSize(bank_bytes, part, sizeof(part));
    if (!text.empty()) text += " + ";
    text += part;
    total += bank_bytes;
  }
  if (buffer != nullptr && size > 0) {
    std::snprintf(buffer, size, "%s", text.empty() ? "-" : text.c_str());
  }
  return total;
}
