#include "platform/sys_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/sys_last_error.h"
#include "platform/sys_thread.h"

// POSIX has no share modes, no overlapped handles and no backup semantics: the share flags
// and SYS_OPEN_OVERLAPPED are accepted and ignored; without SYS_OPEN_BACKUP a folder does not
// open (access denied), as on the system the flags come from.

namespace {

thread_local uint32_t t_last_error = 0;

bool FolderOfExists(const char* path) {
  if (path == nullptr) return false;
  const char* slash = strrchr(path, '/');
  if (slash == nullptr) return true;  // relative to the current folder
  if (slash == path) return true;     // the root
  char folder[PATH_MAX];
  const size_t n = static_cast<size_t>(slash - path);
  if (n >= sizeof folder) return false;
  memcpy(folder, path, n);
  folder[n] = 0;
  struct stat st;
  return stat(folder, &st) == 0 && S_ISDIR(st.st_mode);
}

// Errors worth another try: the ones that can go away by themselves.
bool IsTransient(int err) {
  return err == EINTR || err == EAGAIN || err == EBUSY || err == ETXTBSY || err == EMFILE ||
         err == ENFILE || err == ENOMEM;
}

int OpenFlags(uint32_t flags, bool* ok) {
  *ok = true;
  int access = O_RDONLY;
  if ((flags & SYS_OPEN_WRITE) && (flags & SYS_OPEN_READ)) {
    access = O_RDWR;
  } else if (flags & SYS_OPEN_WRITE) {
    access = O_WRONLY;
  }
  int disposition = 0;
  const bool create = flags & SYS_OPEN_CREATE;
  const bool truncate = flags & SYS_OPEN_TRUNCATE;
  if (create && (flags & SYS_OPEN_NEW_ONLY)) {
    disposition = O_CREAT | O_EXCL;
  } else if (create && truncate) {
    disposition = O_CREAT | O_TRUNC;
  } else if (create) {
    disposition = O_CREAT;
  } else if (truncate) {
    disposition = O_TRUNC;  // existing files only
  }
  // Truncation needs write access.
  if ((disposition & O_TRUNC) && !(flags & SYS_OPEN_WRITE)) *ok = false;
  return access | disposition | O_CLOEXEC;
}

bool ToDateTime(const struct timespec& ts, SYS_DateTime* out) {
  if (out == nullptr) return true;
  struct tm tm;
  if (localtime_r(&ts.tv_sec, &tm) == nullptr) return false;
  out->year = static_cast<uint16_t>(tm.tm_year + 1900);
  out->month = static_cast<uint16_t>(tm.tm_mon + 1);
  out->day = static_cast<uint16_t>(tm.tm_mday);
  out->hour = static_cast<uint16_t>(tm.tm_hour);
  out->minute = static_cast<uint16_t>(tm.tm_min);
  out->second = static_cast<uint16_t>(tm.tm_sec);
  out->millisecond = static_cast<uint16_t>(ts.tv_nsec / 1000000L);
  return true;
}

}  // namespace

void SYS_SetLastErrorCode(uint32_t code) { t_last_error = code; }

void SYS_SetLastErrorFromErrno(int err, const char* path) {
  switch (err) {
    case ENOENT:
      t_last_error = FolderOfExists(path) ? SYS_ERROR_FILE_NOT_FOUND : SYS_ERROR_PATH_NOT_FOUND;
      break;
    case ENOTDIR:
      t_last_error = SYS_ERROR_PATH_NOT_FOUND;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      t_last_error = SYS_ERROR_ACCESS_DENIED;
      break;
    case EEXIST:
      t_last_error = SYS_ERROR_FILE_EXISTS;
      break;
    case ENAMETOOLONG:
    case EINVAL:
      t_last_error = SYS_ERROR_INVALID_NAME;
      break;
    default:
      t_last_error = static_cast<uint32_t>(err) + 0x10000u;
      break;
  }
}

uint32_t SYS_GetLastError() { return t_last_error; }

SYS_File SYS_OpenFile(const char* path, uint32_t flags, uint32_t retries, uint32_t delay_ms) {
  if (path == nullptr || path[0] == 0) {
    SYS_SetLastErrorCode(SYS_ERROR_PATH_NOT_FOUND);
    return SYS_INVALID_FILE;
  }
  bool ok = true;
  const int oflags = OpenFlags(flags, &ok);
  if (!ok) {
    SYS_SetLastErrorCode(SYS_ERROR_ACCESS_DENIED);
    return SYS_INVALID_FILE;
  }
  for (uint32_t attempt = 0;; ++attempt) {
    const int fd = open(path, oflags, 0644);
    if (fd >= 0) {
      struct stat st;
      if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && !(flags & SYS_OPEN_BACKUP)) {
        close(fd);
        SYS_SetLastErrorCode(SYS_ERROR_ACCESS_DENIED);
        return SYS_INVALID_FILE;
      }
      if (flags & SYS_OPEN_APPEND) lseek(fd, 0, SEEK_END);
      return fd;
    }
    const int err = errno;
    SYS_SetLastErrorFromErrno(err, path);
    if (attempt >= retries || !IsTransient(err)) return SYS_INVALID_FILE;
    if (delay_ms != 0) SYS_Sleep(delay_ms);
  }
}

SYS_File SYS_OpenFileSimple(const char* path, uint32_t flags) {
  return SYS_OpenFile(path, flags, 0, 0);
}

void SYS_CloseFile(SYS_File file) {
  if (file != SYS_INVALID_FILE) close(static_cast<int>(file));
}

int32_t SYS_ReadFile(SYS_File file, void* buffer, uint32_t count) {
  if (file == SYS_INVALID_FILE || (buffer == nullptr && count != 0)) return -1;
  if (count > INT32_MAX) count = INT32_MAX;
  size_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < count) {
    const ssize_t n = read(static_cast<int>(file), p + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      SYS_SetLastErrorFromErrno(errno, nullptr);
      return -1;
    }
    if (n == 0) break;  // end of file
    done += static_cast<size_t>(n);
  }
  return static_cast<int32_t>(done);
}

int32_t SYS_WriteFile(SYS_File file, const void* buffer, uint32_t count) {
  if (file == SYS_INVALID_FILE || (buffer == nullptr && count != 0)) return -1;
  if (count > INT32_MAX) count = INT32_MAX;
  size_t done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    const ssize_t n = write(static_cast<int>(file), p + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      SYS_SetLastErrorFromErrno(errno, nullptr);
      return -1;
    }
    done += static_cast<size_t>(n);
  }
  return static_cast<int32_t>(done);
}

uint32_t SYS_GetFileSize(SYS_File file) {
  struct stat st;
  if (file == SYS_INVALID_FILE || fstat(static_cast<int>(file), &st) != 0) return 0xFFFFFFFFu;
  // Files of 4 GiB and more report the largest size rather than their size modulo 4 GiB.
  if (static_cast<uint64_t>(st.st_size) >= 0xFFFFFFFFull) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(st.st_size);
}

int SYS_FlushFile(SYS_File file) {
  if (file == SYS_INVALID_FILE || fsync(static_cast<int>(file)) != 0) return -1;
  return 0;
}

int SYS_ReplaceFile(const char* from, const char* to) {
  if (from == nullptr || to == nullptr) return -1;
  if (rename(from, to) != 0) {
    SYS_SetLastErrorFromErrno(errno, to);
    return -1;
  }
  return 0;
}

int SYS_DeleteFile(const char* path) {
  if (path == nullptr || unlink(path) != 0) {
    SYS_SetLastErrorFromErrno(path == nullptr ? ENOENT : errno, path);
    return -1;
  }
  return 0;
}

bool SYS_SameFile(const char* a, const char* b) {
  struct stat sa;
  struct stat sb;
  if (a == nullptr || b == nullptr || stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int SYS_CopyFile(const char* from, const char* to) {
  if (from == nullptr || to == nullptr) return -1;
  if (SYS_SameFile(from, to)) return 0;  // a copy onto itself would truncate the source
  char temp[PATH_MAX];
  if (snprintf(temp, sizeof temp, "%s.copy-%ld", to, static_cast<long>(getpid())) >=
      static_cast<int>(sizeof temp)) {
    SYS_SetLastErrorCode(SYS_ERROR_INVALID_NAME);
    return -1;
  }
  const int in = open(from, O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    SYS_SetLastErrorFromErrno(errno, from);
    return -1;
  }
  const int out = open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0) {
    SYS_SetLastErrorFromErrno(errno, temp);
    close(in);
    return -1;
  }
  char buf[65536];
  bool ok = true;
  for (;;) {
    const ssize_t n = read(in, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    for (ssize_t done = 0; done < n && ok;) {
      const ssize_t w = write(out, buf + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) ok = false;
      else done += w;
    }
    if (!ok) break;
  }
  if (ok && fsync(out) != 0) ok = false;
  if (!ok) SYS_SetLastErrorFromErrno(errno, to);
  close(in);
  if (close(out) != 0) ok = false;
  if (ok && rename(temp, to) != 0) {
    SYS_SetLastErrorFromErrno(errno, to);
    ok = false;
  }
  if (!ok) unlink(temp);
  return ok ? 0 : -1;
}

int SYS_GetFileTimes(SYS_File file, SYS_DateTime* last_access, SYS_DateTime* last_write) {
  struct stat st;
  if (file == SYS_INVALID_FILE || fstat(static_cast<int>(file), &st) != 0) return -1;
  if (!ToDateTime(st.st_atim, last_access) || !ToDateTime(st.st_mtim, last_write)) return -1;
  return 0;
}

bool SYS_FileExists(const char* path) {
  struct stat st;
  if (path == nullptr || stat(path, &st) != 0) return false;
  return !S_ISDIR(st.st_mode);
}

uint32_t SYS_GetFileAttributes(const char* path) {
  struct stat st;
  if (path == nullptr || stat(path, &st) != 0) {
    SYS_SetLastErrorFromErrno(path == nullptr ? ENOENT : errno, path);
    return SYS_INVALID_ATTRIBUTES;
  }
  uint32_t attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= SYS_ATTR_DIRECTORY;
  if (access(path, W_OK) != 0) attributes |= SYS_ATTR_READONLY;
  return attributes == 0 ? SYS_ATTR_NORMAL : attributes;
}
