// CWinIoPort: the run-time binding to the port-access library.
//
// The library is loaded inside the first statement that needs a port, through the
// host's loader and the library file the host names, and stays loaded for the
// engine's life. All eight entry points must be present and InitializeWinIo must
// succeed; otherwise the library is released again, the user is told, and the next
// statement that needs a port tries (and tells) again.
//
// The entry points are the library's own once IsAvailable has returned true. Before
// that, and after a failed load, they are stand-ins that touch nothing and read 0, so
// that a caller which skips the availability check (the bit and infrared sampling
// loops must) can never call into a released library.
#pragma once

#include <cstdint>

#include "DeviceLibrary.h"
#include "WinIoApi.h"

class CHost;

class CWinIoPort {
public:
    explicit CWinIoPort(CHost& host);
    virtual ~CWinIoPort();
    CWinIoPort(const CWinIoPort&) = delete;
    CWinIoPort& operator=(const CWinIoPort&) = delete;

    // Whether port access can be used. Loads the library on first use; when that
    // fails, shows the application's message and returns false. Once loaded it
    // costs one byte test.
    bool IsAvailable() { return m_bLoaded != 0 || LoadAndReport(); }
    // Loads the library, resolves the eight names in order and initialises it.
    bool Load();

    uint8_t m_bLoaded = 0; // 1 once loaded, resolved and initialised; never reset
    PFN_InitializeWinIo InitializeWinIo;
    PFN_ShutdownWinIo ShutdownWinIo;
    PFN_GetPortVal GetPortVal;
    PFN_SetPortVal SetPortVal;
    PFN_MapPhysToLin MapPhysToLin;
    PFN_UnmapPhysicalMemory UnmapPhysicalMemory;
    PFN_GetPhysLong GetPhysLong;
    PFN_SetPhysLong SetPhysLong;

private:
    bool LoadAndReport();
    void UseStandIns();

    CHost& m_host;
    CDeviceLibrary m_library;
};
