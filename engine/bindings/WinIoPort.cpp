#include "WinIoPort.h"

#include "Host.h"
#include "LibraryLoader.h"
#include "Messages.h"

namespace {

// What the entry points are while no library is loaded: nothing is touched, every
// read gives 0 and every call reports failure.
int32_t NoInitialize() { return 0; }
void NoShutdown() {}
int32_t NoGetPortVal(uint32_t, uint32_t* value, uint32_t)
{
    if (value) *value = 0;
    return 0;
}
int32_t NoSetPortVal(uint32_t, uint32_t, uint32_t) { return 0; }
uint8_t* NoMapPhysToLin(uint32_t, uint32_t, void** handle)
{
    if (handle) *handle = nullptr;
    return nullptr;
}
int32_t NoUnmapPhysicalMemory(void*, uint8_t*) { return 0; }
int32_t NoGetPhysLong(uint32_t, uint32_t* value)
{
    if (value) *value = 0;
    return 0;
}
int32_t NoSetPhysLong(uint32_t, uint32_t) { return 0; }

// Resolves one entry point into its field; false when the library lacks it.
template <typename Fn>
bool Resolve(CLibraryLoader& loader, void* module, const char* name, Fn& field)
{
    void* symbol = loader.Symbol(module, name);
    if (symbol == nullptr) return false;
    field = reinterpret_cast<Fn>(symbol);
    return true;
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
        Release();
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

void CWinIoPort::Release()
{
    if (m_hModule != nullptr && m_pLoader != nullptr) m_pLoader->Close(m_hModule);
    m_hModule = nullptr;
    m_pLoader = nullptr;
}

bool CWinIoPort::Load()
{
    CLibraryLoader* loader = m_host.Loader();
    const std::string file = m_host.LibraryFile(DeviceLibrary::Ports);
    if (loader == nullptr || file.empty()) return false;
    m_hModule = loader->Open(file);
    if (m_hModule == nullptr) return false;
    m_pLoader = loader;

    const bool resolved =
        Resolve(*loader, m_hModule, "InitializeWinIo", InitializeWinIo) &&
        Resolve(*loader, m_hModule, "ShutdownWinIo", ShutdownWinIo) &&
        Resolve(*loader, m_hModule, "GetPortVal", GetPortVal) &&
        Resolve(*loader, m_hModule, "SetPortVal", SetPortVal) &&
        Resolve(*loader, m_hModule, "MapPhysToLin", MapPhysToLin) &&
        Resolve(*loader, m_hModule, "UnmapPhysicalMemory", UnmapPhysicalMemory) &&
        Resolve(*loader, m_hModule, "GetPhysLong", GetPhysLong) &&
        Resolve(*loader, m_hModule, "SetPhysLong", SetPhysLong);
    // A library that refuses to initialise (the process lacks the privilege) would
    // otherwise make every port instruction silently do nothing: it counts as absent.
    if (!resolved || InitializeWinIo() == 0) {
        Release();
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
