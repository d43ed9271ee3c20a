// Helpers of the probe tests: captured messages and temporary folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One message shown through the message sink.
struct CapturedMessage {
  std::string title;
  std::string text;
  uint32_t flags = 0;  // system boxes: their flags; other boxes: the icon
  bool system = false;
};

// Installs capturing handlers for the message boxes and the system boxes for its lifetime.
class MessageCapture {
 public:
  MessageCapture();
  ~MessageCapture();
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;

  std::vector<CapturedMessage> Take();  // returns and forgets what was captured
  std::vector<std::string> TakeTexts();
};

// A fresh folder below /tmp, removed with its contents at the end of its life.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string Make(const std::string& relative) const;  // creates a sub-folder, returns its path
  std::string Write(const std::string& relative, const std::string& content) const;

 private:
  std::string path_;
};
