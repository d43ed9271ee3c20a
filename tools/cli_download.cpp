// vistro-cli download: connects, programs the target with an ELF file and lets it run.
#include <cstdio>
#include <span>

#include "platform/sys_file.h"
#include "platform/sys_msgbox.h"
#include "platform/sys_text.h"
#include "probe/probe_library.h"
#include "tools/cli_command.h"
#include "tools/cli_probe_common.h"

namespace {

int RunDownload(std::span<char* const> args) {
  CLI_Connection connection = CLI_DefaultConnection();
  const char* elf = nullptr;
  for (size_t i = 0; i < args.size();) {
    const int parsed = CLI_ParseConnectionOption(args, i, connection);
    if (parsed < 0) return CLI_USAGE;
    if (parsed > 0) continue;
    if (elf != nullptr || args[i][0] == '-') {
      std::fprintf(stderr, "error: unknown argument '%s'\nusage: vistro-cli download ELF %s\n",
                   args[i], CLI_CONNECTION_USAGE);
      return CLI_USAGE;
    }
    elf = args[i++];
  }
  if (elf == nullptr) {
    std::fprintf(stderr, "usage: vistro-cli download ELF %s\n", CLI_CONNECTION_USAGE);
    return CLI_USAGE;
  }
  if (!SYS_FileExists(elf)) {
    std::fprintf(stderr, "error: ELF file '%s' not found\n", elf);
    return CLI_USAGE;
  }
  SYS_CopyText(connection.config.ElfFile, sizeof(connection.config.ElfFile), elf);
  if (!CLI_SendSimCommands(connection)) return CLI_FAILED;
  if (!CLI_Connect(connection)) return CLI_FAILED;

  int status = CLI_OK;
  if (PROBE_VELTRA_DownloadFile(elf, 0) < 0) {
    SYS_WarningBox("Failed to program target with ELF file");
    status = CLI_FAILED;
  } else {
    if (PROBE_VELTRA_IsHalted() > 0) PROBE_VELTRA_Go();
    std::printf("downloaded=%s\n", elf);
    std::fflush(stdout);
  }
  CLI_Disconnect();
  return status;
}

}  // namespace

CLI_REGISTER("download",
             "download ELF [--device NAME] [--usb SN | --ip HOST[:PORT] | --openocd HOST:PORT] "
             "[--interface SWD|JTAG|FINE] [--speed KHZ] [--script FILE] [--sim COMMAND]...",
             RunDownload);
