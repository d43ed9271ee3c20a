// The message box's text work, free of widgets: plain text to rich text with links, the
// countdown title, and the clipboard text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Converts plain text into rich text: "http://" and "https://" URLs become links (a
// "[URL words]" form shows only the words), the characters > < & " ' are escaped, a line
// feed and a lone carriage return become "<br>". Writes at most size - 1 bytes (whole
// pieces only) and always terminates. Returns true when the text held a link.
bool MSGBOX_ConvertText(const char* text, char* out, size_t size);

// One 10 ms countdown tick: updates the remaining time and writes the title. Returns true
// when the box closes now ("%s (closing now)"), else false ("%s (closing in %d seconds)").
bool MSGBOX_CountdownTick(int32_t* remaining_ms, const char* base_title, char* title,
                          size_t size);

// The clipboard text of a box: separator lines, the title, the message, and each present
// button's text followed by three blanks; at most `max_chars` characters.
std::string MSGBOX_BuildCopyText(const std::string& title, const std::string& message,
                                 const char* button0, const char* button1,
                                 size_t max_chars = 2048);
