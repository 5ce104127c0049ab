// The part of FTDI's D2XX interface that the FT245RL binding uses, declared as FTDI's
// library for Linux declares it: handles are opaque pointers, statuses and DWORDs are
// 32-bit unsigned, the functions use the C calling convention.
//
// The binding never links against these functions: it finds them by name in whichever
// D2XX library it loads at run time (FTDI's own, our adapter over libftdi1, or the
// simulated one). The libraries we ship define them from these declarations, so that
// a mismatch between what they export and what the binding calls fails to compile.
#pragma once

#include <cstdint>

namespace d2xx {
typedef void* FT_HANDLE;
typedef uint32_t FT_STATUS;
typedef uint32_t DWORD;
} // namespace d2xx

extern "C" {

d2xx::FT_STATUS FT_Open(int deviceNumber, d2xx::FT_HANDLE* handle);
d2xx::FT_STATUS FT_Close(d2xx::FT_HANDLE handle);
// With FT_LIST_NUMBER_ONLY: arg1 points at a DWORD that receives the device count.
// With FT_LIST_BY_INDEX | FT_OPEN_BY_SERIAL_NUMBER (or _DESCRIPTION): arg1 is the
// device index itself, cast to a pointer; arg2 receives the text.
d2xx::FT_STATUS FT_ListDevices(void* arg1, void* arg2, d2xx::DWORD flags);
d2xx::FT_STATUS FT_SetBitMode(d2xx::FT_HANDLE handle, unsigned char mask, unsigned char mode);
d2xx::FT_STATUS FT_Write(d2xx::FT_HANDLE handle, void* buffer, d2xx::DWORD bytesToWrite,
                         d2xx::DWORD* bytesWritten);
d2xx::FT_STATUS FT_GetBitMode(d2xx::FT_HANDLE handle, unsigned char* pins);
d2xx::FT_STATUS FT_Read(d2xx::FT_HANDLE handle, void* buffer, d2xx::DWORD bytesToRead,
                        d2xx::DWORD* bytesRead);
d2xx::FT_STATUS FT_ResetDevice(d2xx::FT_HANDLE handle);
d2xx::FT_STATUS FT_SetBaudRate(d2xx::FT_HANDLE handle, d2xx::DWORD baudRate);

} // extern "C"

namespace d2xx {

// Statuses (FT_STATUS values).
enum : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_INVALID_ARGS = 16,
    FT_NOT_SUPPORTED = 17,
    FT_OTHER_ERROR = 18,
};

// FT_ListDevices flags.
constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 0x00000001;
constexpr DWORD FT_OPEN_BY_DESCRIPTION = 0x00000002;
constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000;
constexpr DWORD FT_LIST_BY_INDEX = 0x40000000;

// FT_SetBitMode modes.
constexpr unsigned char FT_BITMODE_RESET = 0x00;
constexpr unsigned char FT_BITMODE_ASYNC_BITBANG = 0x01;

// Longest texts FT_ListDevices writes by index, terminator included.
constexpr int kSerialNumberSize = 16;
constexpr int kDescriptionSize = 64;

// The entry points the binding resolves, in the order it resolves them.
using FtOpenFn = decltype(&FT_Open);
using FtCloseFn = decltype(&FT_Close);
using FtListDevicesFn = decltype(&FT_ListDevices);
using FtSetBitModeFn = decltype(&FT_SetBitMode);
using FtWriteFn = decltype(&FT_Write);
using FtGetBitModeFn = decltype(&FT_GetBitMode);
using FtReadFn = decltype(&FT_Read);
using FtResetDeviceFn = decltype(&FT_ResetDevice);
using FtSetBaudRateFn = decltype(&FT_SetBaudRate);

} // namespace d2xx
