/*
 * The Veltra probe library interface: the records and the 25 functions the application
 * resolves by name from libVeltra_x64.so (dlopen/dlsym), all with C linkage.
 *
 * The function pointer types (PFN_<export name>) are what the binding casts dlsym results to.
 * The library itself (and tests that link it directly) define VELTRA_WITH_PROTOTYPES before
 * including this header to get the prototypes as well; the binding does not need them.
 *
 * Conventions shared by every function:
 * - target addresses are 32-bit; multi-byte target values are little-endian;
 * - results: 0 or positive for success, negative (or as stated per function) for failure;
 * - every function may be called from any thread; the library serialises the calls.
 *
 * This header is plain C (C99 and later) and C++ (C++11 and later).
 */
#ifndef VISTRO_PROBE_VELTRA_API_H
#define VISTRO_PROBE_VELTRA_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Library version reported by VELTRAARM_GetDLLVersion; HSS capability queries need 51100 or more. */
#define VELTRA_DLL_VERSION_HSS_CAPS 51100u

/* Capability number of High-Speed Sampling for VELTRAARM_EMU_HasCapEx. */
#define VELTRA_CAP_HSS 53

/* Target interface numbers (VELTRAARM_TIF_Select) and the matching bits of
 * VELTRA_DEVICE_INFO.interface_mask (bit = 1 << interface number). */
#define VELTRA_TIF_JTAG 0
#define VELTRA_TIF_SWD 1
#define VELTRA_TIF_FINE 3

/* VELTRA_HSS_Start results besides success. */
#define VELTRA_HSS_ERR_GENERIC (-1)
#define VELTRA_HSS_ERR_NO_MEMORY (-2)      /* failed to allocate memory on the probe */
#define VELTRA_HSS_ERR_TOO_MANY_BLOCKS (-3) /* more blocks than the probe can sample */
#define VELTRA_HSS_ERR_NOT_SUPPORTED (-4)  /* target or probe has no HSS */

/* Size of VELTRA_DEVICE_INFO; callers store it in the record's first field. */
#define VELTRA_DEVICE_INFO_SIZE 2424u

/* Number of flash bank slots in a device information record. */
#define VELTRA_MAX_FLASH_BANKS 16

/* One flash region: sector_count sectors of sector_size bytes each. A region whose
 * sector_count is 0 ends a region list. */
typedef struct VELTRA_FLASH_REGION {
  uint32_t sector_count;
  uint32_t sector_size;
  uint32_t reserved;
} VELTRA_FLASH_REGION;

/* One flash bank. A slot whose regions pointer is null is unused. All pointers point into the
 * library's own static data and stay valid while the library is loaded. */
typedef struct VELTRA_FLASH_BANK {
  const char* name;                   /* "Internal Flash Bank 1" and the like */
  const VELTRA_FLASH_REGION* regions; /* list ended by a region with sector_count 0 */
  uint32_t base_addr;                 /* target address of the bank's first byte */
  uint32_t reserved;
} VELTRA_FLASH_BANK;

/* Device information record filled by VELTRAARM_DEVICE_GetInfo. The caller clears it and sets
 * size to VELTRA_DEVICE_INFO_SIZE before the call; the library fills at most size bytes and
 * leaves size as it was. Text pointers point into the library's static data (never null for a
 * filled record). */
typedef struct VELTRA_DEVICE_INFO {
  uint32_t size;            /* offset 0: size of this record in bytes (2424) */
  uint32_t reserved0;
  const char* name;         /* offset 8: device name, as accepted by "device = NAME" */
  const char* manufacturer; /* vendor of the device */
  uint32_t core_id;         /* family << 24 | variant << 16 | sub-variant << 8 | rev << 4 | patch */
  uint32_t num_cores;       /* number of CPU cores */
  uint32_t flash_addr;      /* start of the main flash */
  uint32_t flash_size;      /* bytes of main flash (sum of all banks) */
  uint32_t ram_addr;        /* start of the main RAM */
  uint32_t ram_size;        /* bytes of main RAM */
  uint32_t interface_mask;  /* bit (1 << VELTRA_TIF_x) set for each interface the device has */
  uint32_t endianness;      /* 0 little-endian, 1 big-endian */
  uint32_t max_speed_khz;   /* highest interface speed the device accepts */
  uint32_t reserved1;
  VELTRA_FLASH_BANK flash_banks[VELTRA_MAX_FLASH_BANKS];
  uint8_t reserved2[1976];  /* pads the record to 2424 bytes; always cleared */
} VELTRA_DEVICE_INFO;

/* HSS capabilities filled by VELTRA_HSS_GetCaps. */
typedef struct VELTRA_HSS_CAPS {
  uint32_t max_blocks;  /* maximum number of memory blocks sampled together */
  uint32_t max_freq_hz; /* maximum sampling frequency in Hz */
  uint32_t caps;        /* reserved capability bits, 0 */
  uint32_t reserved[13];
} VELTRA_HSS_CAPS;

/* One entry of an HSS block list. The list handed to VELTRA_HSS_Start holds one entry per
 * sampled block, optionally followed by an entry whose num_bytes is 0. */
typedef struct VELTRA_HSS_BLOCK {
  uint32_t addr;      /* target address of the block */
  uint32_t num_bytes; /* bytes sampled at addr */
  uint32_t flags;     /* 0 */
  uint32_t reserved;  /* 0 */
} VELTRA_HSS_BLOCK;

#if defined(__cplusplus)
static_assert(sizeof(VELTRA_DEVICE_INFO) == VELTRA_DEVICE_INFO_SIZE, "device information record size");
static_assert(offsetof(VELTRA_DEVICE_INFO, name) == 8, "device name pointer follows the size");
static_assert(sizeof(VELTRA_HSS_BLOCK) == 16, "HSS block entry size");
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
_Static_assert(sizeof(VELTRA_DEVICE_INFO) == VELTRA_DEVICE_INFO_SIZE, "device information record size");
_Static_assert(offsetof(VELTRA_DEVICE_INFO, name) == 8, "device name pointer follows the size");
_Static_assert(sizeof(VELTRA_HSS_BLOCK) == 16, "HSS block entry size");
#endif

/* Optional log and error callbacks of VELTRAARM_OpenEx (the application passes none). */
typedef void VELTRA_LOG_FUNC(const char* text);

/* Function pointer types, one per export. Arguments and results:
 *
 * OpenEx(log, error)           null on success, else a static error text.
 * Close()                      closes the probe connection (stops HSS, keeps the target running).
 * IsOpen()                     non-zero while a probe connection is open.
 * EMU_SelectByUSBSN(sn)        selects the USB probe with that serial number; negative when none.
 * SelectIP(host, port)         selects a probe reached over TCP/IP; host may be "HOST:PORT" when
 *                              port is 0; non-zero on failure.
 * ExecCommand(cmd, err, size)  runs a text command; on failure err (when given, size > 0)
 *                              holds a non-empty, NUL-terminated text; the result is negative
 *                              on failure, 0 otherwise.
 * DEVICE_SelectDialog(owner, flags, info)
 *                              index of the chosen device; negative when cancelled.
 * DEVICE_GetInfo(index, info)  index -1 (info may be null): number of devices; otherwise fills
 *                              *info and returns 0, or negative for a bad index or record.
 * TIF_Select(tif), SetSpeed(khz), ConfigJTAG(ir_pre, dr_pre)
 *                              connection settings used by Connect; no result.
 * Connect()                    connects to the target CPU; negative on failure.
 * EMU_HasCapEx(cap)            non-zero when the probe has the capability.
 * GetDLLVersion()              library version, e.g. 51200.
 * GetSN()                      serial number of the selected probe.
 * IsHalted() (both)            non-zero when the target CPU is halted; negative on error.
 * ReadMem(addr, n, buf)        0 on success, non-zero on failure (buf content then undefined).
 * WriteMem(addr, n, data)      bytes written (n); negative on failure.
 * DownloadFile(path, addr)     programs an ELF file (addr 0: load addresses of the file) and
 *                              resets the core; negative on failure.
 * Go()                         lets a halted core run.
 * HSS_GetCaps(caps)            0 on success.
 * HSS_Start(blocks, n, period_us, flags)
 *                              0 on success; VELTRA_HSS_ERR_* on failure.
 * HSS_Read(buf, size)          bytes delivered, always whole records; negative on failure.
 * HSS_Stop()                   0 on success, negative on failure.
 */
typedef const char* (*PFN_VELTRAARM_OpenEx)(VELTRA_LOG_FUNC* log, VELTRA_LOG_FUNC* error);
typedef void (*PFN_VELTRAARM_Close)(void);
typedef int (*PFN_VELTRAARM_IsOpen)(void);
typedef int (*PFN_VELTRAARM_EMU_SelectByUSBSN)(uint32_t serial_no);
typedef int (*PFN_VELTRAARM_SelectIP)(const char* host, int port);
typedef int (*PFN_VELTRAARM_ExecCommand)(const char* cmd, char* err, int err_size);
typedef int (*PFN_VELTRAARM_DEVICE_SelectDialog)(void* owner, uint32_t flags, VELTRA_DEVICE_INFO* info);
typedef int (*PFN_VELTRAARM_DEVICE_GetInfo)(int index, VELTRA_DEVICE_INFO* info);
typedef void (*PFN_VELTRAARM_TIF_Select)(int tif);
typedef void (*PFN_VELTRAARM_SetSpeed)(uint32_t speed_khz);
typedef void (*PFN_VELTRAARM_ConfigJTAG)(int ir_pre, int dr_pre);
typedef int (*PFN_VELTRAARM_Connect)(void);
typedef int (*PFN_VELTRAARM_EMU_HasCapEx)(int cap);
typedef int (*PFN_VELTRAARM_GetDLLVersion)(void);
typedef int (*PFN_VELTRAARM_GetSN)(void);
typedef int (*PFN_VELTRAARM_IsHalted)(void);
typedef int (*PFN_VELTRAARM_ReadMem)(uint32_t addr, uint32_t num_bytes, void* buf);
typedef int (*PFN_VELTRA_WriteMem)(uint32_t addr, uint32_t num_bytes, const void* data);
typedef int (*PFN_VELTRA_DownloadFile)(const char* path, uint32_t addr);
typedef int (*PFN_VELTRA_IsHalted)(void);
typedef void (*PFN_VELTRA_Go)(void);
typedef int (*PFN_VELTRA_HSS_GetCaps)(VELTRA_HSS_CAPS* caps);
typedef int (*PFN_VELTRA_HSS_Start)(VELTRA_HSS_BLOCK* blocks, int num_blocks, int period_us, int flags);
typedef int (*PFN_VELTRA_HSS_Read)(void* buf, uint32_t buf_size);
typedef int (*PFN_VELTRA_HSS_Stop)(void);

/* The 25 export names, for tables of (name, entry point): X(VELTRAARM_OpenEx) ... */
#define VELTRA_FOR_EACH_FUNCTION(X) \
  X(VELTRAARM_OpenEx)               \
  X(VELTRAARM_Close)                \
  X(VELTRAARM_IsOpen)               \
  X(VELTRAARM_EMU_SelectByUSBSN)    \
  X(VELTRAARM_SelectIP)             \
  X(VELTRAARM_ExecCommand)          \
  X(VELTRAARM_DEVICE_SelectDialog)  \
  X(VELTRAARM_DEVICE_GetInfo)       \
  X(VELTRAARM_TIF_Select)           \
  X(VELTRAARM_SetSpeed)             \
  X(VELTRAARM_ConfigJTAG)           \
  X(VELTRAARM_Connect)              \
  X(VELTRAARM_EMU_HasCapEx)         \
  X(VELTRAARM_GetDLLVersion)        \
  X(VELTRAARM_GetSN)                \
  X(VELTRAARM_IsHalted)             \
  X(VELTRAARM_ReadMem)              \
  X(VELTRA_WriteMem)                \
  X(VELTRA_DownloadFile)            \
  X(VELTRA_IsHalted)                \
  X(VELTRA_Go)                      \
  X(VELTRA_HSS_GetCaps)             \
  X(VELTRA_HSS_Start)               \
  X(VELTRA_HSS_Read)                \
  X(VELTRA_HSS_Stop)

#ifdef VELTRA_WITH_PROTOTYPES
#if defined(__GNUC__) || defined(__clang__)
#define VELTRA_EXPORT __attribute__((visibility("default")))
#else
#define VELTRA_EXPORT
#endif
VELTRA_EXPORT const char* VELTRAARM_OpenEx(VELTRA_LOG_FUNC* log, VELTRA_LOG_FUNC* error);
VELTRA_EXPORT void VELTRAARM_Close(void);
VELTRA_EXPORT int VELTRAARM_IsOpen(void);
VELTRA_EXPORT int VELTRAARM_EMU_SelectByUSBSN(uint32_t serial_no);
VELTRA_EXPORT int VELTRAARM_SelectIP(const char* host, int port);
VELTRA_EXPORT int VELTRAARM_ExecCommand(const char* cmd, char* err, int err_size);
VELTRA_EXPORT int VELTRAARM_DEVICE_SelectDialog(void* owner, uint32_t flags, VELTRA_DEVICE_INFO* info);
VELTRA_EXPORT int VELTRAARM_DEVICE_GetInfo(int index, VELTRA_DEVICE_INFO* info);
VELTRA_EXPORT void VELTRAARM_TIF_Select(int tif);
VELTRA_EXPORT void VELTRAARM_SetSpeed(uint32_t speed_khz);
VELTRA_EXPORT void VELTRAARM_ConfigJTAG(int ir_pre, int dr_pre);
VELTRA_EXPORT int VELTRAARM_Connect(void);
VELTRA_EXPORT int VELTRAARM_EMU_HasCapEx(int cap);
VELTRA_EXPORT int VELTRAARM_GetDLLVersion(void);
VELTRA_EXPORT int VELTRAARM_GetSN(void);
VELTRA_EXPORT int VELTRAARM_IsHalted(void);
VELTRA_EXPORT int VELTRAARM_ReadMem(uint32_t addr, uint32_t num_bytes, void* buf);
VELTRA_EXPORT int VELTRA_WriteMem(uint32_t addr, uint32_t num_bytes, const void* data);
VELTRA_EXPORT int VELTRA_DownloadFile(const char* path, uint32_t addr);
VELTRA_EXPORT int VELTRA_IsHalted(void);
VELTRA_EXPORT void VELTRA_Go(void);
VELTRA_EXPORT int VELTRA_HSS_GetCaps(VELTRA_HSS_CAPS* caps);
VELTRA_EXPORT int VELTRA_HSS_Start(VELTRA_HSS_BLOCK* blocks, int num_blocks, int period_us, int flags);
VELTRA_EXPORT int VELTRA_HSS_Read(void* buf, uint32_t buf_size);
VELTRA_EXPORT int VELTRA_HSS_Stop(void);
#endif /* VELTRA_WITH_PROTOTYPES */

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* VISTRO_PROBE_VELTRA_API_H */
