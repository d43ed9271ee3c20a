// Files and folders.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/sys_types.h"

// A file handle wraps a POSIX descriptor; SYS_INVALID_FILE is "none".
using SYS_File = intptr_t;
constexpr SYS_File SYS_INVALID_FILE = -1;

// Open flags.
constexpr uint32_t SYS_OPEN_READ = 0x1;
constexpr uint32_t SYS_OPEN_WRITE = 0x2;
constexpr uint32_t SYS_OPEN_SHARE_READ = 0x4;
constexpr uint32_t SYS_OPEN_SHARE_WRITE = 0x8;
constexpr uint32_t SYS_OPEN_CREATE = 0x10;
constexpr uint32_t SYS_OPEN_TRUNCATE = 0x20;
constexpr uint32_t SYS_OPEN_APPEND = 0x40;
constexpr uint32_t SYS_OPEN_NEW_ONLY = 0x80;
constexpr uint32_t SYS_OPEN_SHARE_DELETE = 0x100;
constexpr uint32_t SYS_OPEN_OVERLAPPED = 0x200;
constexpr uint32_t SYS_OPEN_BACKUP = 0x400;

// Error codes callers compare with SYS_GetLastError().
constexpr uint32_t SYS_ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t SYS_ERROR_PATH_NOT_FOUND = 3;
constexpr uint32_t SYS_ERROR_ACCESS_DENIED = 5;
constexpr uint32_t SYS_ERROR_INVALID_DRIVE = 15;
constexpr uint32_t SYS_ERROR_FILE_EXISTS = 80;
constexpr uint32_t SYS_ERROR_INVALID_NAME = 123;

// Attribute bits of SYS_GetFileAttributes.
constexpr uint32_t SYS_ATTR_READONLY = 0x1;
constexpr uint32_t SYS_ATTR_DIRECTORY = 0x10;
constexpr uint32_t SYS_ATTR_NORMAL = 0x80;
constexpr uint32_t SYS_INVALID_ATTRIBUTES = 0xFFFFFFFFu;

SYS_File SYS_OpenFile(const char* path, uint32_t flags, uint32_t retries, uint32_t delay_ms);
SYS_File SYS_OpenFileSimple(const char* path, uint32_t flags);
void SYS_CloseFile(SYS_File file);  // SYS_INVALID_FILE ignored
// Bytes transferred, or -1.
int32_t SYS_ReadFile(SYS_File file, void* buffer, uint32_t count);
int32_t SYS_WriteFile(SYS_File file, const void* buffer, uint32_t count);
uint32_t SYS_GetFileSize(SYS_File file);
// Writes the file's data through to the disk. 0 or -1.
int SYS_FlushFile(SYS_File file);
// Moves `from` over `to` in one step (both in the same folder): readers see either the old
// or the new file. 0 or -1 (SYS_GetLastError tells why).
int SYS_ReplaceFile(const char* from, const char* to);
// 0 or -1.
int SYS_DeleteFile(const char* path);
// True when both paths name the same existing file (also through links).
bool SYS_SameFile(const char* a, const char* b);
// Copies `from` to `to` through a temporary file beside `to`, so that `to` is either the old
// or the complete new file. Copying a file onto itself does nothing and succeeds. 0 or -1.
int SYS_CopyFile(const char* from, const char* to);
int SYS_GetFileTimes(SYS_File file, SYS_DateTime* last_access, SYS_DateTime* last_write);
bool SYS_FileExists(const char* path);
uint32_t SYS_GetFileAttributes(const char* path);
// The error of the calling thread's last failed platform call, as one of the codes above
// where it maps to one, else the raw errno value plus 0x10000.
uint32_t SYS_GetLastError();
int SYS_MakeDirs(const char* path);
// $XDG_CONFIG_HOME (else ~/.config) + "/Tarvik", created when missing. 0 or -1.
int SYS_GetAppDataFolder(char* buffer, size_t size);
// Folder of the running program (from /proc/self/exe), without a trailing '/'. 0 or -1.
int SYS_GetModuleFolder(char* buffer, size_t size);
// Joins `relative` to the folder of `base`; absolute relative paths are returned unchanged.
void SYS_ResolvePath(const char* base, const char* relative, char* buffer, size_t size);

// Operating-system version code; 0x1000 ("unknown") on systems without the version table.
constexpr uint32_t SYS_OS_VERSION_UNKNOWN = 0x1000;
uint32_t SYS_GetWindowsVersion();
