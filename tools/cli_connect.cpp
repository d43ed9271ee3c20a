// vistro-cli connect: runs the probe session's connection sequence and prints what the probe
// reports.
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "probe/probe_library.h"
#include "probe/probe_session.h"
#include "tools/cli_command.h"
#include "tools/cli_probe_common.h"

namespace {

int RunConnect(std::span<char* const> args) {
  CLI_Connection connection = CLI_DefaultConnection();
  for (size_t i = 0; i < args.size();) {
    const int parsed = CLI_ParseConnectionOption(args, i, connection);
    if (parsed < 0) return CLI_USAGE;
    if (parsed == 0) {
      std::fprintf(stderr, "error: unknown argument '%s'\nusage: vistro-cli connect %s\n",
                   args[i], CLI_CONNECTION_USAGE);
      return CLI_USAGE;
    }
  }
  if (!CLI_SendSimCommands(connection)) return CLI_FAILED;
  if (!CLI_Connect(connection)) return CLI_FAILED;

  VELTRA_HSS_CAPS caps;
  std::memset(&caps, 0, sizeof(caps));
  if (PROBE_VELTRA_HSS_GetCaps(&caps) != 0) std::memset(&caps, 0, sizeof(caps));
  const PROJECT_CONFIG config = PROBE_GetSessionConfiguration();
  std::printf("library=%d\n", PROBE_VELTRAARM_GetDLLVersion());
  std::printf("device=%s\n", config.TargetDevice);
  std::printf("serial=%d\n", PROBE_VELTRAARM_GetSN());
  std::printf("hss.max_blocks=%u\n", caps.max_blocks);
  std::printf("hss.max_hz=%u\n", caps.max_freq_hz);
  std::fflush(stdout);
  CLI_Disconnect();
  return CLI_OK;
}

}  // namespace

CLI_REGISTER("connect",
             "connect [--device NAME] [--usb SN | --ip HOST[:PORT] | --openocd HOST:PORT] [--interface SWD|JTAG|FINE] "
             "[--speed KHZ] [--script FILE] [--sim COMMAND]...",
             RunConnect);
