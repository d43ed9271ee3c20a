// Tokenizer of the formula text parser. Each token kind is one pattern; at the current
// position the kinds are tried in a fixed order and the first kind that matches there takes
// the longest text it can match (so "<=" is one comparison, never "<" and "=").
#include <string>

#include "logic/logic_parser.h"
#include "logic/logic_tokens.h"
#include "platform/sys_msgbox.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBin(char c) { return c == '0' || c == '1'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsNameStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsNameChar(char c) { return IsNameStart(c) || IsDigit(c); }

char At(std::string_view s, size_t i) { return i < s.size() ? s[i] : '\0'; }

size_t Run(std::string_view s, size_t i, bool (*pred)(char)) {
  size_t n = 0;
  while (i + n < s.size() && pred(s[i + n])) ++n;
  return n;
}

// Length of a UTF-8 sequence starting with `lead`, for quoting one whole character.
size_t CharLength(std::string_view s, size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  size_t n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (i + n > s.size()) n = s.size() - i;
  return n;
}

enum class Mode { kCalculation, kFormula };

bool Tokenize(std::string_view raw, Mode mode, LOGIC_TokenList& tokens) {
  tokens.clear();
  std::string text;
  text.reserve(raw.size());
  for (char c : raw) {
    if (c != ' ') text += c;
  }
  const std::string_view s(text);
  size_t i = 0;
  while (i < s.size()) {
    size_t n = LOGIC_MatchNumber(s, i);
    if (n == 0) n = LOGIC_MatchName(s, i);
    if (n == 0) {
      n = LOGIC_MatchCalcOperator(s, i);
      // "&&", "||" and "^^" are logical operators in a formula, not two bitwise ones.
      if (n != 0 && mode == Mode::kFormula && LOGIC_MatchLogical(s, i) != 0) n = 0;
    }
    if (n == 0) n = LOGIC_MatchParenthesis(s, i);
    if (n == 0 && mode == Mode::kFormula) n = LOGIC_MatchComparison(s, i);
    if (n == 0 && mode == Mode::kFormula) n = LOGIC_MatchLogical(s, i);
    if (n == 0) {
      const std::string ch(s.substr(i, CharLength(s, i)));
      SYS_ErrorBoxF("Unrecognized token '%s'", ch.c_str());
      tokens.clear();
      return false;
    }
    if (tokens.size() >= LOGIC_MAX_TOKENS) {
      SYS_ErrorBox("Formula text is too long.");
      tokens.clear();
      return false;
    }
    tokens.emplace_back(s.substr(i, n));
    i += n;
  }
  return true;
}

}  // namespace

size_t LOGIC_MatchNumber(std::string_view s, size_t i) {
  if (i >= s.size() || !IsDigit(s[i])) return 0;
  size_t best = 0;
  if (s[i] == '0' && At(s, i + 1) == 'b') {
    const size_t n = Run(s, i + 2, IsBin);
    if (n > 0) best = 2 + n;
  }
  if (s[i] == '0' && At(s, i + 1) == 'x') {
    const size_t n = Run(s, i + 2, IsHex);
    if (n > 0 && 2 + n > best) best = 2 + n;
  }
  size_t n = Run(s, i, IsDigit);
  if (At(s, i + n) == '.' && IsDigit(At(s, i + n + 1))) {
    n += 1 + Run(s, i + n + 1, IsDigit);
    if (At(s, i + n) == 'f') ++n;
  }
  return n > best ? n : best;
}

size_t LOGIC_MatchName(std::string_view s, size_t i) {
  if (i >= s.size() || !IsNameStart(s[i])) return 0;
  size_t n = 1 + Run(s, i + 1, IsNameChar);
  if (At(s, i + n) == '[') {
    const size_t d = Run(s, i + n + 1, IsDigit);
    if (d > 0 && At(s, i + n + 1 + d) == ']') n += d + 2;
  }
  return n;
}

size_t LOGIC_MatchCalcOperator(std::string_view s, size_t i) {
  const char c = At(s, i);
  if ((c == '<' || c == '>') && At(s, i + 1) == c) return 2;
  switch (c) {
    case '+':
    case '-':
    case '*':
    case '/':
    case '%':
    case '&':
    case '|':
    case '^':
    case '~':
      return 1;
    default:
      return 0;
  }
}

size_t LOGIC_MatchParenthesis(std::string_view s, size_t i) {
  const char c = At(s, i);
  return c == '(' || c == ')' ? 1 : 0;
}

size_t LOGIC_MatchComparison(std::string_view s, size_t i) {
  const char c = At(s, i);
  const char d = At(s, i + 1);
  if ((c == '=' || c == '!' || c == '<' || c == '>') && d == '=') return 2;
  return c == '<' || c == '>' ? 1 : 0;
}

size_t LOGIC_MatchLogical(std::string_view s, size_t i) {
  const char c = At(s, i);
  if ((c == '&' || c == '|' || c == '^') && At(s, i + 1) == c) return 2;
  return c == '!' ? 1 : 0;
}

bool LOGIC_TokenizeCalculation(std::string_view text, LOGIC_TokenList& tokens) {
  return Tokenize(text, Mode::kCalculation, tokens);
}

bool LOGIC_TokenizeFormula(std::string_view text, LOGIC_TokenList& tokens) {
  return Tokenize(text, Mode::kFormula, tokens);
}
