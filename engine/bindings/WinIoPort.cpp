#include "WinIoPort.h"

#include "Messages.h"

namespace {

// What the entry points are while no library is loaded: nothing is touched, every
// read gives 0 and every call reports failure.
int32_t NoInitialize()
{
    return 0;
}
void NoShutdown() {}
int32_t NoGetPortVal(uint32_t, uint32_t* value, uint32_t)
{
    if (value) *value = 0;
    return 0;
}
int32_t NoSetPortVal(uint32_t, uint32_t, uint32_t)
{
    return 0;
}
uint8_t* NoMapPhysToLin(uint32_t, uint32_t, void** handle)
{
    if (handle) *handle = nullptr;
    return nullptr;
}
int32_t NoUnmapPhysicalMemory(void*, uint8_t*)
{
    return 0;
}
int32_t NoGetPhysLong(uint32_t, uint32_t* value)
{
    if (value) *value = 0;
    return 0;
}
int32_t NoSetPhysLong(uint32_t, uint32_t)
{
    return 0;
}

} // namespace

CWinIoPort::CWinIoPort(CHost& host) : m_host(host)
{
    UseStandIns();
}

CWinIoPort::~CWinIoPort()
{
    if (m_bLoaded == 1) {
        // The library may hold open devices and port permissions: let it let go of
        // them before it is unloaded.
        ShutdownWinIo();
        m_library.Close();
    }
}

void CWinIoPort::UseStandIns()
{
    InitializeWinIo = NoInitialize;
    ShutdownWinIo = NoShutdown;
    GetPortVal = NoGetPortVal;
    SetPortVal = NoSetPortVal;
    MapPhysToLin = NoMapPhysToLin;
    UnmapPhysicalMemory = NoUnmapPhysicalMemory;
    GetPhysLong = NoGetPhysLong;
    SetPhysLong = NoSetPhysLong;
}

bool CWinIoPort::Load()
{
    if (!m_library.Open(m_host, DeviceLibrary::Ports)) return false;

    // In this order; the first one missing releases the library.
    const bool resolved = m_library.Resolve("InitializeWinIo", InitializeWinIo) &&
                          m_library.Resolve("ShutdownWinIo", ShutdownWinIo) &&
                          m_library.Resolve("GetPortVal", GetPortVal) &&
                          m_library.Resolve("SetPortVal", SetPortVal) &&
                          m_library.Resolve("MapPhysToLin", MapPhysToLin) &&
                          m_library.Resolve("UnmapPhysicalMemory", UnmapPhysicalMemory) &&
                          m_library.Resolve("GetPhysLong", GetPhysLong) &&
                          m_library.Resolve("SetPhysLong", SetPhysLong);
    // A library that refuses to initialise (the process lacks the privilege) would
    // otherwise make every port instruction silently do nothing: it counts as absent.
    if (!resolved || InitializeWinIo() == 0) {
        m_library.Close();
        UseStandIns(); // nothing may call into the released library
        return false;
    }
    m_bLoaded = 1;
    return true;
}

bool CWinIoPort::LoadAndReport()
{
    if (!Load()) {
        m_host.ShowAppMessage(msg::kWinIoUnavailable);
        return false;
    }
    return m_bLoaded != 0;
}
