// vistro-cli calc: parses a calculation text over declared virtual symbols, evaluates it and
// prints "value=V type=T flags=F text=RENDERED".
#include <cstdio>
#include <span>

#include "logic/logic_eval.h"
#include "logic/logic_format.h"
#include "logic/logic_parser.h"
#include "logic/logic_render.h"
#include "tools/cli_command.h"
#include "tools/cli_logic_common.h"

namespace {

int RunCalc(std::span<char* const> args) {
  CLI_LogicSession session;
  const int rc = CLI_ParseLogicArgs(args, session);
  if (rc != CLI_OK) return rc;
  CALCULATION_NODE* calc = nullptr;
  const LOGIC_TextResult parsed = LOGIC_ParseCalculationText(session.text, &calc);
  if (parsed.parse_failed) {
    LOGIC_FreeCalculation(calc);
    return CLI_USAGE;  // the parser has printed its message
  }
  VALUE_SLOT value{};
  uint32_t type = 0;
  const uint32_t eval_flags = LOGIC_EvalCalculation(calc, &value, &type);
  const uint32_t flags = parsed.flags | eval_flags;
  const std::string text = LOGIC_CalculationText(calc, false, nullptr);
  if (flags == 0 && type != 0) {
    std::printf("value=%s type=%s flags=%u text=%s\n",
                LOGIC_FormatWatchValue(value, type, false).c_str(), LOGIC_TypeName(type), flags,
                text.c_str());
  } else {
    std::printf("value=N/A type=none flags=%u text=%s\n", flags, text.c_str());
  }
  LOGIC_FreeCalculation(calc);
  return flags == 0 ? CLI_OK : CLI_FAILED;
}

}  // namespace

CLI_REGISTER("calc", "calc [--symbol NAME:TYPE=VALUE]... [--catch-overflow NAME]... [--run] TEXT",
             RunCalc);
