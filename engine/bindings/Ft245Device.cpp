#include "Ft245Device.h"

#include <cstdint>
#include <cstring>

#include "Messages.h"

using namespace d2xx;

namespace {

bool InTable(int device)
{
    return device >= 0 && device < CFt245Device::kSlots;
}

} // namespace

CFt245Device::CFt245Device(CHost& host) : m_host(host) {}

CFt245Device::~CFt245Device()
{
    // Closing needs the library; when it was never loaded no device is open, and
    // loading it now only to count devices would touch the hardware for nothing.
    if (m_library.IsOpen()) CloseAll();
    m_ftStatus = 0;
    for (FT_HANDLE& slot : m_hDevices)
        slot = nullptr;
}

bool CFt245Device::IsAvailable()
{
    if (m_bLoaded == 1) return true;
    if (Load()) {
        m_bLoaded = 1;
        return true;
    }
    m_host.ShowAppMessage(msg::kFtLibraryMissing);
    return false;
}

bool CFt245Device::Load()
{
    if (!m_library.Open(m_host, DeviceLibrary::Ftdi)) return false;

    // In this order; the first one missing releases the library.
    const bool resolved = m_library.Resolve("FT_Open", m_pOpen) &&
                          m_library.Resolve("FT_Close", m_pClose) &&
                          m_library.Resolve("FT_ListDevices", m_pListDevices) &&
                          m_library.Resolve("FT_SetBitMode", m_pSetBitMode) &&
                          m_library.Resolve("FT_Write", m_pWrite) &&
                          m_library.Resolve("FT_GetBitMode", m_pGetBitMode) &&
                          m_library.Resolve("FT_Read", m_pRead) &&
                          m_library.Resolve("FT_ResetDevice", m_pResetDevice) &&
                          m_library.Resolve("FT_SetBaudRate", m_pSetBaudRate);
    if (!resolved) {
        Release();
        return false;
    }

    m_bOpened = OpenAll() ? 1 : 0;
    return true;
}

void CFt245Device::Release()
{
    m_library.Close();
    m_pOpen = nullptr;
    m_pClose = nullptr;
    m_pListDevices = nullptr;
    m_pSetBitMode = nullptr;
    m_pWrite = nullptr;
    m_pGetBitMode = nullptr;
    m_pRead = nullptr;
    m_pResetDevice = nullptr;
    m_pSetBaudRate = nullptr;
}

bool CFt245Device::EnsureListDevices()
{
    if (!m_library.Open(m_host, DeviceLibrary::Ftdi)) return false;
    if (m_pListDevices == nullptr && !m_library.Resolve("FT_ListDevices", m_pListDevices)) {
        Release();
        return false;
    }
    return true;
}

int32_t CFt245Device::CountDevices()
{
    if (!EnsureListDevices()) return 0;
    DWORD count = 0;
    char scratch[kSerialBufferSize] = {};
    if (m_pListDevices(&count, scratch, FT_LIST_NUMBER_ONLY) != FT_OK) return 0;
    // A count beyond the int range is no count at all.
    return count > INT32_MAX ? 0 : static_cast<int32_t>(count);
}

bool CFt245Device::OpenAll()
{
    m_nDevices = CountDevices();
    if (m_pOpen == nullptr) return false; // the library is not loaded
    const int last = m_nDevices < kSlots ? m_nDevices : kSlots;
    for (int n = 0; n < last; ++n) {
        // A device still open from an earlier open-all keeps its handle.
        if (m_hDevices[n] != nullptr) continue;
        FT_HANDLE handle = nullptr;
        m_ftStatus = m_pOpen(n, &handle);
        if (m_ftStatus != FT_OK) return false;
        m_hDevices[n] = handle;
    }
    return true;
}

bool CFt245Device::CloseAll()
{
    m_nDevices = CountDevices();
    if (m_pClose == nullptr) return true; // loaded for counting only: nothing was opened
    const int last = m_nDevices < kSlots ? m_nDevices : kSlots;
    for (int n = 0; n < last; ++n) {
        if (m_hDevices[n] == nullptr) continue;
        m_ftStatus = m_pClose(m_hDevices[n]);
        if (m_ftStatus != FT_OK) return false;
        m_hDevices[n] = nullptr;
    }
    return true;
}

FT_HANDLE CFt245Device::Handle(int device)
{
    if (!InTable(device)) {
        m_ftStatus = FT_DEVICE_NOT_FOUND;
        return nullptr;
    }
    if (m_hDevices[device] == nullptr || m_bLoaded == 0) {
        m_ftStatus = FT_INVALID_HANDLE;
        return nullptr;
    }
    return m_hDevices[device];
}

void CFt245Device::ReopenIfNeeded()
{
    if (m_bOpened == 0 && m_bLoaded == 1) OpenAll();
}

bool CFt245Device::SetBitMode(int device, uint8_t mask)
{
    FT_HANDLE handle = Handle(device);
    if (handle == nullptr) return false;
    m_ftStatus = m_pSetBitMode(handle, mask, FT_BITMODE_ASYNC_BITBANG);
    if (m_ftStatus != FT_OK) return false;
    m_bBitModeSet = 1;
    return true;
}

bool CFt245Device::WriteByte(int device, uint8_t byte)
{
    ReopenIfNeeded();
    if (m_bBitModeSet == 0) SetBitMode(device, 0xFF);
    FT_HANDLE handle = Handle(device);
    if (handle == nullptr) return false;
    DWORD written = 0;
    m_ftStatus = m_pWrite(handle, &byte, 1, &written);
    return m_ftStatus == FT_OK;
}

bool CFt245Device::GetBitMode(int device, uint8_t* pins)
{
    ReopenIfNeeded();
    if (m_bBitModeSet == 0) SetBitMode(device, 0x00);
    FT_HANDLE handle = Handle(device);
    if (handle == nullptr) return false;
    m_ftStatus = m_pGetBitMode(handle, pins);
    return m_ftStatus == FT_OK;
}

bool CFt245Device::ReadByte(int device, uint8_t* byte)
{
    ReopenIfNeeded();
    if (m_bBitModeSet == 0) SetBitMode(device, 0x00);
    FT_HANDLE handle = Handle(device);
    if (handle == nullptr) return false;
    // Read into a copy so that a library that writes nothing, or fails half-way,
    // leaves the caller's byte as it was.
    uint8_t received = *byte;
    DWORD count = 0;
    m_ftStatus = m_pRead(handle, &received, 1, &count);
    if (count == 1) *byte = received;
    return m_ftStatus == FT_OK;
}

bool CFt245Device::ResetDevice(int device)
{
    ReopenIfNeeded();
    FT_HANDLE handle = Handle(device);
    if (handle == nullptr) return false;
    m_ftStatus = m_pResetDevice(handle);
    return m_ftStatus == FT_OK;
}

bool CFt245Device::SetBaudRate(int device, uint32_t rate)
{
    ReopenIfNeeded();
    FT_HANDLE handle = Handle(device);
    if (handle == nullptr) return false;
    m_ftStatus = m_pSetBaudRate(handle, rate);
    return m_ftStatus == FT_OK;
}

const char* CFt245Device::GetSerialNumber(int device)
{
    m_szSerial[0] = '\0';
    if (!EnsureListDevices()) return m_szSerial;
    // The index travels as the pointer argument's value, as D2XX expects.
    void* index = reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<uint32_t>(device)));
    if (m_pListDevices(index, m_szSerial, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER) != FT_OK)
        m_szSerial[0] = '\0';
    m_szSerial[kSerialBufferSize - 1] = '\0';
    return m_szSerial;
}

bool CFt245Device::GetSerialNumberInto(int device, char* buffer)
{
    if (!EnsureListDevices()) return false;
    buffer[0] = '\0';
    void* index = reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<uint32_t>(device)));
    // The status is not examined: an index D2XX cannot list gives the empty text.
    if (m_pListDevices(index, buffer, FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER) != FT_OK)
        buffer[0] = '\0';
    buffer[kSerialBufferSize - 1] = '\0';
    return true;
}
