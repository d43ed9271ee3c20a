#include "persist/file_error.h"

#include <cstdio>

#include "platform/sys_file.h"

int APP_FormatFileError(const char* path, const char* verb, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  if (path == nullptr) path = "";
  if (verb == nullptr) verb = "open";
  const uint32_t error = SYS_GetLastError();
  const char* reason = nullptr;
  int result = 0;
  switch (error) {
    case SYS_ERROR_FILE_NOT_FOUND:
      reason = "File not found!";
      break;
    case SYS_ERROR_PATH_NOT_FOUND:
      reason = "Path not found!";
      break;
    case SYS_ERROR_ACCESS_DENIED: {
      const uint32_t attributes = SYS_GetFileAttributes(path);
      if (attributes != SYS_INVALID_ATTRIBUTES && (attributes & SYS_ATTR_READONLY) &&
          !(attributes & SYS_ATTR_DIRECTORY)) {
        reason = "File has read only attribute!";
        result = 1;
      } else {
        reason = "Access is denied!";
      }
      break;
    }
    case SYS_ERROR_INVALID_DRIVE:
      reason = "Invalid drive!";
      break;
    case SYS_ERROR_INVALID_NAME:
      reason = "The filename syntax is incorrect!";
      break;
    default:
      break;
  }
  if (reason != nullptr) {
    snprintf(buffer, size, "Could not %s file [%s]!\n%s", verb, path, reason);
  } else {
    snprintf(buffer, size, "Could not %s file [%s]!", verb, path);
  }
  return result;
}
