// Token patterns of the formula text parser. Each returns the length of the longest text the
// pattern matches at position i of s, or 0:
//   number      0b[01]+ | 0x[0-9a-fA-F]+ | [0-9]+(\.[0-9]+f?)?
//   name        [a-zA-Z_][a-zA-Z0-9_]*(\[[0-9]+\])?
//   calc op     << | >> | one of + - * / % & | ^ ~
//   parenthesis ( or )
//   comparison  == | != | < | <= | > | >=
//   logical     ! | && | || | ^^
#pragma once

#include <cstddef>
#include <string_view>

size_t LOGIC_MatchNumber(std::string_view s, size_t i);
size_t LOGIC_MatchName(std::string_view s, size_t i);
size_t LOGIC_MatchCalcOperator(std::string_view s, size_t i);
size_t LOGIC_MatchParenthesis(std::string_view s, size_t i);
size_t LOGIC_MatchComparison(std::string_view s, size_t i);
size_t LOGIC_MatchLogical(std::string_view s, size_t i);

// True when the whole token is of that kind.
inline bool LOGIC_IsWhole(std::string_view token, size_t (*match)(std::string_view, size_t)) {
  return !token.empty() && match(token, 0) == token.size();
}
