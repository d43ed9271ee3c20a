#include "gui/msgbox_text.h"

#include <cstdio>
#include <cstring>

namespace {

// Appends whole pieces only; once one does not fit, nothing more is written.
struct Writer {
  char* out;
  size_t size;
  size_t used = 0;
  bool is_full = false;
  void Put(const char* piece, size_t n) {
    if (is_full || used + n + 1 > size) {
      is_full = true;
      return;
    }
    memcpy(out + used, piece, n);
    used += n;
    out[used] = 0;
  }
  void Put(const char* piece) { Put(piece, strlen(piece)); }
  // Text with the characters of the escape table replaced; `line_breaks` applies the line
  // rules (link parts take no line breaks: they hold none).
  void PutEscaped(const char* text, size_t n, bool line_breaks) {
    for (size_t i = 0; i < n && !is_full; ++i) {
      const char c = text[i];
      switch (c) {
        case '>': Put("&gt;"); break;
        case '<': Put("&lt;"); break;
        case '&': Put("&amp;"); break;
        case '"': Put("&quot;"); break;
        case '\'': Put("&apos;"); break;
        case '\n':
          if (line_breaks) Put("<br>"); else Put(&c, 1);
          break;
        case '\r':
          // Dropped; a lone carriage return still breaks the line.
          if (line_breaks && (i + 1 >= n || text[i + 1] != '\n')) Put("<br>");
          break;
        default:
          Put(&c, 1);
          break;
      }
    }
  }
};

const char* FindLink(const char* from) {
  const char* a = strstr(from, "http://");
  const char* b = strstr(from, "https://");
  if (a == nullptr) return b;
  if (b == nullptr) return a;
  return a < b ? a : b;
}

bool EndsUrl(char c) {
  return c == 0 || c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '"' || c == '(' ||
         c == ')' || c == ',';
}

}  // namespace

bool MSGBOX_ConvertText(const char* text, char* out, size_t size) {
  if (out == nullptr || size == 0) return false;
  out[0] = 0;
  if (text == nullptr) return false;
  Writer w{out, size};
  bool has_link = false;
  const char* p = text;
  while (*p != 0 && !w.is_full) {
    const char* link = FindLink(p);
    if (link == nullptr) {
      w.PutEscaped(p, strlen(p), true);
      break;
    }
    const char* close = link > text && link[-1] == '[' ? strchr(link, ']') : nullptr;
    // The text before the link; a "[" that opens the bracketed form is not shown.
    w.PutEscaped(p, static_cast<size_t>(link - p) - (close != nullptr ? 1 : 0), true);
    const char* url_end;
    const char* label;
    const char* label_end;
    if (close != nullptr) {
      url_end = link;
      while (url_end < close && *url_end != ' ') ++url_end;
      label = url_end < close ? url_end + 1 : link;
      label_end = url_end < close ? close : url_end;
      p = close + 1;
    } else {
      url_end = link;
      while (!EndsUrl(*url_end)) ++url_end;
      label = link;
      label_end = url_end;
      p = url_end;
    }
    w.Put("<a href=\"");
    w.PutEscaped(link, static_cast<size_t>(url_end - link), false);
    w.Put("\">");
    w.PutEscaped(label, static_cast<size_t>(label_end - label), false);
    w.Put("</a>");
    has_link = true;
  }
  return has_link;
}

bool MSGBOX_CountdownTick(int32_t* remaining_ms, const char* base_title, char* title,
                          size_t size) {
  if (*remaining_ms < 11) {
    *remaining_ms = 0;
    snprintf(title, size, "%s (closing now)", base_title);
    return true;
  }
  *remaining_ms -= 10;
  snprintf(title, size, "%s (closing in %d seconds)", base_title, *remaining_ms / 1000 + 1);
  return false;
}

std::string MSGBOX_BuildCopyText(const std::string& title, const std::string& message,
                                 const char* button0, const char* button1, size_t max_chars) {
  static const char kLine[] = "---------------------------";
  std::string s = std::string(kLine) + "\r\n" + title + "\r\n" + kLine + "\r\n" + message +
                  "\r\n" + kLine + "\r\n";
  if (button0 != nullptr) s += std::string(button0) + "   ";
  if (button1 != nullptr) s += std::string(button1) + "   ";
  if (button0 != nullptr || button1 != nullptr) s += std::string("\r\n") + kLine + "\r\n";
  if (s.size() > max_chars) s.resize(max_chars);
  return s;
}
