// vistro-cli write: one write through the write engine into a running target, then the
// symbol's new current value.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include "core/app_sampling.h"
#include "core/app_symbol_access.h"
#include "core/app_write.h"
#include "symbols/bitfield_member.h"
#include "logic/logic_format.h"
#include "logic/logic_value.h"
#include "platform/sys_text.h"
#include "platform/sys_thread.h"
#include "platform/sys_time.h"
#include "tools/cli_command.h"
#include "tools/cli_engine_common.h"

namespace {

constexpr const char* kUsage =
    "write ELF --symbol PATH --op set|invert|add|sub|mul|div|mod|and|or|xor|shl|shr --value V "
    "[--min-write X] [--max-write Y] [--catch-overflow 0|1] [--device NAME] "
    "[--usb SN | --ip HOST[:PORT] | --openocd HOST:PORT] [--interface SWD|JTAG|FINE] [--speed KHZ] [--script FILE] "
    "[--sim COMMAND]...";

constexpr const char* kOpNames[APP_WRITE_OP_COUNT] = {"set", "invert", "add", "sub", "mul", "div",
                                                      "mod", "and",    "or",  "xor", "shl", "shr"};

// How long a read-modify-write waits for the symbol's first sample.
constexpr uint32_t kFirstSampleTimeoutMs = 3000;

int Usage(const char* reason, const char* arg) {
  if (reason != nullptr) std::fprintf(stderr, "error: %s%s%s\n", reason, arg ? " " : "", arg ? arg : "");
  std::fprintf(stderr, "usage: vistro-cli %s\n", kUsage);
  return CLI_USAGE;
}

bool ParseDouble(const char* text, double& out) {
  if (text == nullptr || *text == '\0') return false;
  errno = 0;
  char* end = nullptr;
  out = std::strtod(text, &end);
  return errno == 0 && *end == '\0';
}

// The operand text as the 64 bits the engine reads at the type's width. Integers must fit
// the type (decimal, or 0x hexadecimal for the bit pattern of unsigned and signed types).
bool ParseOperand(const char* text, uint32_t type, uint64_t& out) {
  VALUE_SLOT v{};
  if (type == TYPEID_FLOAT || type == TYPEID_DOUBLE) {
    double d = 0.0;
    if (!ParseDouble(text, d)) return false;
    if (type == TYPEID_FLOAT) {
      if (std::isfinite(d) && std::fabs(d) > 3.4028234663852886e38) return false;
      v.f32 = static_cast<float>(d);
    } else {
      v.f64 = d;
    }
    out = v.raw;
    return true;
  }
  if (type == TYPEID_BOOL) {
    if (strcasecmp(text, "true") == 0 || std::strcmp(text, "1") == 0) {
      out = 1;
    } else if (strcasecmp(text, "false") == 0 || std::strcmp(text, "0") == 0) {
      out = 0;
    } else {
      return false;
    }
    return true;
  }
  if (*text == '\0') return false;
  const uint32_t bits = 8 * LOGIC_TypeWidth(type);
  const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  errno = 0;
  char* end = nullptr;
  if (hex) {
    const unsigned long long u = std::strtoull(text, &end, 16);
    if (errno != 0 || *end != '\0' || u > (1ULL << bits) - 1) return false;
    out = u;
    return true;
  }
  const long long s = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0') return false;
  const long long lo = LOGIC_IsSignedType(type) ? -(1LL << (bits - 1)) : 0;
  const long long hi = LOGIC_IsSignedType(type) ? (1LL << (bits - 1)) - 1 : (1LL << bits) - 1;
  if (s < lo || s > hi) return false;
  out = static_cast<uint64_t>(s) & ((1ULL << bits) - 1);
  return true;
}

int RunWrite(std::span<char* const> args) {
  CLI_Connection connection = CLI_DefaultConnection();
  const char* elf = nullptr;
  const char* path = nullptr;
  const char* value_text = nullptr;
  int op = -1;
  bool has_min = false, has_max = false;
  double min_write = 0.0, max_write = 0.0;
  int catch_overflow = -1;
  for (size_t i = 0; i < args.size();) {
    const int parsed = CLI_ParseConnectionOption(args, i, connection);
    if (parsed < 0) return Usage(nullptr, nullptr);
    if (parsed > 0) continue;
    const char* arg = args[i];
    const char* value = i + 1 < args.size() ? args[i + 1] : nullptr;
    const bool is_option = std::strcmp(arg, "--symbol") == 0 || std::strcmp(arg, "--op") == 0 ||
                           std::strcmp(arg, "--value") == 0 || std::strcmp(arg, "--min-write") == 0 ||
                           std::strcmp(arg, "--max-write") == 0 ||
                           std::strcmp(arg, "--catch-overflow") == 0;
    if (!is_option) {
      if (elf != nullptr || arg[0] == '-') return Usage("unknown argument", arg);
      elf = arg;
      i += 1;
      continue;
    }
    if (value == nullptr) return Usage("missing value of", arg);
    i += 2;
    if (std::strcmp(arg, "--symbol") == 0) {
      path = value;
    } else if (std::strcmp(arg, "--op") == 0) {
      op = -1;
      for (int k = 0; k < static_cast<int>(APP_WRITE_OP_COUNT); ++k) {
        if (strcasecmp(value, kOpNames[k]) == 0) op = k;
      }
      if (op < 0) return Usage("unknown operation", value);
    } else if (std::strcmp(arg, "--value") == 0) {
      value_text = value;
    } else if (std::strcmp(arg, "--min-write") == 0) {
      if (!ParseDouble(value, min_write)) return Usage("bad --min-write", value);
      has_min = true;
    } else if (std::strcmp(arg, "--max-write") == 0) {
      if (!ParseDouble(value, max_write)) return Usage("bad --max-write", value);
      has_max = true;
    } else {
      if (std::strcmp(value, "0") != 0 && std::strcmp(value, "1") != 0) {
        return Usage("bad --catch-overflow (0 or 1)", value);
      }
      catch_overflow = value[0] - '0';
    }
  }
  if (elf == nullptr) return Usage("missing ELF file", nullptr);
  if (path == nullptr) return Usage("missing --symbol", nullptr);
  if (op < 0) return Usage("missing --op", nullptr);
  if (value_text == nullptr && op != APP_WRITE_INVERT) return Usage("missing --value", nullptr);
  SYS_CopyText(connection.config.ElfFile, sizeof connection.config.ElfFile, elf);

  CLI_EngineSession session;
  int status = CLI_OpenSymbols(elf, {path}, session);
  APP_WRITE_REQUEST request;
  if (status == CLI_OK) {
    ACTIVE_SYMBOL& s = *session.symbols[0];
    if (s.BitSize != 0) {
      std::fprintf(stderr, "error: %s\n", ACTSYM_BITFIELD_WRITE_REFUSED);
      status = CLI_USAGE;
    } else if (value_text != nullptr && !ParseOperand(value_text, s.ValueType, request.Operand)) {
      std::fprintf(stderr, "error: bad value '%s' for a symbol of type %s\n", value_text,
                   LOGIC_TypeName(s.ValueType));
      status = CLI_USAGE;
    }
    if (has_min) s.MinWrite = min_write;
    if (has_max) s.MaxWrite = max_write;
    if (catch_overflow >= 0) s.CatchOverflow = static_cast<uint8_t>(catch_overflow);
    SYS_CopyText(request.Symbol.Name, sizeof request.Symbol.Name, s.Name);
    request.Symbol.Address = s.Address;
    request.Operation = static_cast<uint32_t>(op);
  }
  if (status == CLI_OK && !CLI_SendSimCommands(connection)) status = CLI_FAILED;
  // Sampling connects the probe and gives a read-modify-write its base value.
  if (status == CLI_OK && !CLI_StartSampling(connection, session)) {
    std::fprintf(stderr, "error: write refused: not connected\n");
    status = CLI_FAILED;
  }
  if (status == CLI_OK) {
    ACTIVE_SYMBOL& s = *session.symbols[0];
    const uint32_t start = SYS_GetTickMs();
    while (op != APP_WRITE_SET && !APP_LoadHasData(s) && APP_IsReading() &&
           SYS_GetTickMs() - start < kFirstSampleTimeoutMs) {
      SYS_Sleep(1);
    }
    JOB_BUSY busy{0};
    int32_t result = -1;
    if (APP_WriteSymbolData(&busy, &request, &result) < 0) {
      std::fprintf(stderr, "error: write refused\n");
      status = CLI_FAILED;
    } else {
      while (busy.load() != 0) SYS_Sleep(1);
      if (result < 0) {
        std::fprintf(stderr, "error: write failed\n");
        status = CLI_FAILED;
      } else {
        std::printf("written=%s\n", LOGIC_FormatWatchValue(APP_LoadCurrentValue(s), s.ValueType, false).c_str());
        std::fflush(stdout);
      }
    }
  }
  CLI_CloseSymbols(session);
  return status;
}

}  // namespace

CLI_REGISTER("write", kUsage, RunWrite);
