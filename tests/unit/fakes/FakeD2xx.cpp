// A D2XX library for the binding's unit tests: a number of devices that the test sets,
// failures on demand, and a log of every call the binding made.
//
// Built twice: complete, and without FT_SetBaudRate (FAKE_D2XX_WITHOUT_SET_BAUD_RATE)
// for the library that lacks one of the nine functions. The test reaches the controls
// below by loading the same file.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "D2xx.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

using namespace d2xx;

namespace {

constexpr int kMaxDevices = 16;

struct CFakeState {
    int devices = 2;
    int failOpenAt = -1;    // FT_Open of this device fails
    int failListAt = -1;    // listing this device's serial number fails
    bool failCount = false; // counting fails
    bool open[kMaxDevices] = {};
    int cells[kMaxDevices] = {}; // their addresses are the handles
    std::string serial0;         // device 0's serial bytes as stored, when set
    std::string log;
};

CFakeState g_state;

void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Log(const char* format, ...)
{
    char line[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    g_state.log += line;
    g_state.log += '\n';
}

// The open device the handle names, or -1.
int DeviceOf(FT_HANDLE handle)
{
    for (int n = 0; n < kMaxDevices; ++n)
        if (handle == &g_state.cells[n] && g_state.open[n]) return n;
    return -1;
}

} // namespace

// Device 0's serial number, byte for byte (CR, LF and NUL included), as an EEPROM
// may hold it.
FAKE_EXPORT void FakeD2xxSetSerial(const char* bytes, int length)
{
    g_state.serial0.assign(bytes, static_cast<size_t>(length));
}

FAKE_EXPORT void FakeD2xxReset(int devices)
{
    g_state = CFakeState();
    g_state.devices = devices;
}
// Failures on demand: FT_Open of device openAt, the listing of device listAt's serial
// number (-1: none of either), and counting when count is not 0.
FAKE_EXPORT void FakeD2xxFail(int openAt, int listAt, int count)
{
    g_state.failOpenAt = openAt;
    g_state.failListAt = listAt;
    g_state.failCount = count != 0;
}
// The calls since the last reset or the last call of this function.
FAKE_EXPORT const char* FakeD2xxTakeLog()
{
    static std::string taken;
    taken = g_state.log;
    g_state.log.clear();
    return taken.c_str();
}

FAKE_EXPORT FT_STATUS FT_ListDevices(void* arg1, void* arg2, DWORD flags)
{
    if (flags == FT_LIST_NUMBER_ONLY) {
        Log("count");
        *static_cast<DWORD*>(arg1) = static_cast<DWORD>(g_state.devices);
        return g_state.failCount ? FT_IO_ERROR : FT_OK;
    }
    auto index = static_cast<int>(reinterpret_cast<uintptr_t>(arg1));
    Log("serial %d", index);
    if (flags != (FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER)) return FT_INVALID_PARAMETER;
    if (index == g_state.failListAt) {
        std::strcpy(static_cast<char*>(arg2), "garbage");
        return FT_IO_ERROR;
    }
    if (index >= g_state.devices) return FT_DEVICE_NOT_FOUND;
    if (index == 0 && !g_state.serial0.empty())
        std::memcpy(arg2, g_state.serial0.c_str(), g_state.serial0.size() + 1);
    else
        std::snprintf(static_cast<char*>(arg2), kSerialNumberSize, "FAKE%04d", index);
    return FT_OK;
}

FAKE_EXPORT FT_STATUS FT_Open(int deviceNumber, FT_HANDLE* handle)
{
    Log("open %d", deviceNumber);
    if (deviceNumber < 0 || deviceNumber >= g_state.devices || deviceNumber >= kMaxDevices)
        return FT_DEVICE_NOT_FOUND;
    if (deviceNumber == g_state.failOpenAt || g_state.open[deviceNumber])
        return FT_DEVICE_NOT_OPENED;
    g_state.open[deviceNumber] = true;
    *handle = &g_state.cells[deviceNumber];
    return FT_OK;
}

FAKE_EXPORT FT_STATUS FT_Close(FT_HANDLE handle)
{
    int n = DeviceOf(handle);
    Log("close %d", n);
    if (n < 0) return FT_INVALID_HANDLE;
    g_state.open[n] = false;
    return FT_OK;
}

FAKE_EXPORT FT_STATUS FT_SetBitMode(FT_HANDLE handle, unsigned char mask, unsigned char mode)
{
    int n = DeviceOf(handle);
    Log("bitmode %d %02X %d", n, mask, mode);
    return n < 0 ? FT_INVALID_HANDLE : FT_OK;
}

FAKE_EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, DWORD bytesToWrite,
                               DWORD* bytesWritten)
{
    int n = DeviceOf(handle);
    Log("write %d %02X x%u", n, *static_cast<unsigned char*>(buffer), bytesToWrite);
    if (n < 0) return FT_INVALID_HANDLE;
    *bytesWritten = bytesToWrite;
    return FT_OK;
}

FAKE_EXPORT FT_STATUS FT_GetBitMode(FT_HANDLE handle, unsigned char* pins)
{
    int n = DeviceOf(handle);
    Log("pins %d", n);
    if (n < 0) return FT_INVALID_HANDLE;
    *pins = 0x3C;
    return FT_OK;
}

FAKE_EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void* /*buffer*/, DWORD bytesToRead,
                              DWORD* bytesRead)
{
    int n = DeviceOf(handle);
    Log("read %d x%u", n, bytesToRead);
    if (n < 0) return FT_INVALID_HANDLE;
    *bytesRead = 0; // nothing ever arrives
    return FT_OK;
}

FAKE_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    int n = DeviceOf(handle);
    Log("reset %d", n);
    return n < 0 ? FT_INVALID_HANDLE : FT_OK;
}

#ifndef FAKE_D2XX_WITHOUT_SET_BAUD_RATE
FAKE_EXPORT FT_STATUS FT_SetBaudRate(FT_HANDLE handle, DWORD baudRate)
{
    int n = DeviceOf(handle);
    Log("baud %d %u", n, baudRate);
    return n < 0 ? FT_INVALID_HANDLE : FT_OK;
}
#endif
