// The port-access library's eight entry points, as C functions.
//
// Every port-access library (the Linux one, the simulated one, and the fakes of the
// tests) exports exactly these names with these signatures, and CWinIoPort resolves
// them by name at run time. Ports, values and physical addresses are 32-bit; results
// are 0 for failure and non-zero for success.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Prepares port and physical-memory access; 0 when the process may not have it.
typedef int32_t (*PFN_InitializeWinIo)(void);
// Releases what InitializeWinIo acquired.
typedef void (*PFN_ShutdownWinIo)(void);
// Reads size bytes (1, 2 or 4) from the port into the low bits of *value; the whole
// 32-bit cell is written, the bits above size bytes as 0.
typedef int32_t (*PFN_GetPortVal)(uint32_t port, uint32_t* value, uint32_t size);
// Writes the low size bytes (1, 2 or 4) of value to the port.
typedef int32_t (*PFN_SetPortVal)(uint32_t port, uint32_t value, uint32_t size);
// Maps length bytes of physical memory; returns their address in this process, or
// null when they cannot be mapped. *handle receives what UnmapPhysicalMemory needs.
typedef uint8_t* (*PFN_MapPhysToLin)(uint32_t physAddress, uint32_t length, void** handle);
// Releases a mapping made by MapPhysToLin.
typedef int32_t (*PFN_UnmapPhysicalMemory)(void* handle, uint8_t* linearAddress);
// Reads or writes 32 bits of physical memory.
typedef int32_t (*PFN_GetPhysLong)(uint32_t physAddress, uint32_t* value);
typedef int32_t (*PFN_SetPhysLong)(uint32_t physAddress, uint32_t value);

#ifdef __cplusplus
}
#endif

// The declarations a library includes to export the entry points.
#ifdef TAVIMORE_WINIO_LIBRARY
#define TAVIMORE_WINIO_EXPORT __attribute__((visibility("default")))
#ifdef __cplusplus
extern "C" {
#endif
TAVIMORE_WINIO_EXPORT int32_t InitializeWinIo(void);
TAVIMORE_WINIO_EXPORT void ShutdownWinIo(void);
TAVIMORE_WINIO_EXPORT int32_t GetPortVal(uint32_t port, uint32_t* value, uint32_t size);
TAVIMORE_WINIO_EXPORT int32_t SetPortVal(uint32_t port, uint32_t value, uint32_t size);
TAVIMORE_WINIO_EXPORT uint8_t* MapPhysToLin(uint32_t physAddress, uint32_t length, void** handle);
TAVIMORE_WINIO_EXPORT int32_t UnmapPhysicalMemory(void* handle, uint8_t* linearAddress);
TAVIMORE_WINIO_EXPORT int32_t GetPhysLong(uint32_t physAddress, uint32_t* value);
TAVIMORE_WINIO_EXPORT int32_t SetPhysLong(uint32_t physAddress, uint32_t value);
#ifdef __cplusplus
}
#endif
#endif
