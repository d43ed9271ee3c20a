// vistro-cli formula: parses a formula text over declared virtual symbols, evaluates it and
// prints "value=true|false flags=F text=RENDERED".
#include <cstdio>
#include <span>

#include "logic/logic_eval.h"
#include "logic/logic_parser.h"
#include "logic/logic_render.h"
#include "tools/cli_command.h"
#include "tools/cli_logic_common.h"

namespace {

int RunFormula(std::span<char* const> args) {
  CLI_LogicSession session;
  const int rc = CLI_ParseLogicArgs(args, session);
  if (rc != CLI_OK) return rc;
  FORMULA_NODE* formula = nullptr;
  const LOGIC_TextResult parsed = LOGIC_ParseFormulaText(session.text, &formula);
  if (parsed.parse_failed) {
    LOGIC_FreeFormula(formula);
    return CLI_USAGE;  // the parser has printed its message
  }
  const bool value = parsed.flags == 0 && LOGIC_EvalFormula(formula);
  const std::string text = LOGIC_FormulaText(formula, false, nullptr);
  std::printf("value=%s flags=%u text=%s\n", value ? "true" : "false", parsed.flags, text.c_str());
  LOGIC_FreeFormula(formula);
  return parsed.flags == 0 ? CLI_OK : CLI_FAILED;
}

}  // namespace

CLI_REGISTER("formula",
             "formula [--symbol NAME:TYPE=VALUE]... [--catch-overflow NAME]... [--run] TEXT",
             RunFormula);
