#include "gui/symbol_filter_text.h"

#include <charconv>
#include <cstring>

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

void AppendLowered(std::string& out, std::string_view text) {
  const size_t at = out.size();
  out.resize(at + text.size() + 1);
  char* p = out.data() + at;
  for (char c : text) *p++ = Lower(c);
  *p = '\0';
}

template <size_t N>
std::string_view Field(const char (&field)[N]) {
  return {field, strnlen(field, N)};
}

}  // namespace

size_t SymbolFilterText::Add(const ACTIVE_SYMBOL& node) {
  begin_.push_back(text_.size());
  AppendLowered(text_, Field(node.SourceFile));
  AppendLowered(text_, Field(node.Name));
  AppendLowered(text_, Field(node.TypeName));
  // The size as "%i" and the address as "0x%X", lowered.
  char number[16];
  const auto size = std::to_chars(number, number + sizeof number, int(node.Size));
  AppendLowered(text_, std::string_view(number, size_t(size.ptr - number)));
  number[0] = '0';
  number[1] = 'x';
  const auto address = std::to_chars(number + 2, number + sizeof number, node.Address, 16);
  AppendLowered(text_, std::string_view(number, size_t(address.ptr - number)));
  return begin_.size() - 1;
}

void SymbolFilterText::SetNeedle(std::string_view filter) {
  needle_.clear();
  for (char c : filter) needle_.push_back(Lower(c));
  matches_none_ = needle_.find('\0') != std::string::npos;
}

bool SymbolFilterText::Matches(size_t handle) const {
  if (matches_none_ || handle >= begin_.size()) return false;
  const size_t end = handle + 1 < begin_.size() ? begin_[handle + 1] : text_.size();
  const std::string_view texts(text_.data() + begin_[handle], end - begin_[handle]);
  return texts.find(needle_) != std::string_view::npos;
}
