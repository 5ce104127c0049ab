// CFt245Device: the binding to the D2XX library, through which scripts drive FTDI
// FT245RL USB FIFO chips as eight-pin ports.
//
// The library is loaded inside the first statement that needs it and kept for the
// engine's life; loading resolves the nine D2XX functions by name and opens every
// attached device. Device N is the N-th device in the order D2XX enumerates them and
// has slot N of a ten-slot handle table. Device actions put a device into
// asynchronous bit-bang mode on first use (all pins outputs before the first write,
// all inputs before the first pin or byte read), unless a bit mode was already set on
// any device: the flag that records it is one for all devices.
//
// Invariants kept for the sake of the devices and of the library:
// - A device number outside 0..9 never reaches the library and never indexes the
//   table: the operation fails with FT_DEVICE_NOT_FOUND.
// - A slot holds a handle only while its device is open: closing clears the slot, so
//   a handle is never closed twice or used after closing, and opening all devices
//   again leaves the open ones as they are. An operation on a device without a
//   handle fails with FT_INVALID_HANDLE without calling the library.
// - More than ten attached devices: the first ten are opened and closed, the rest
//   are counted and listed but never opened.
// - Counting and serial numbers work without a successful load; without the library
//   they give 0 and an empty text.
#pragma once

#include <cstdint>
#include <string>

#include "D2xx.h"
#include "DeviceLibrary.h"

class CHost;

class CFt245Device {
public:
    static constexpr int kSlots = 10;
    static constexpr int kSerialBufferSize = 100;

    // The library file and the loader come from the host when the library is needed.
    explicit CFt245Device(CHost& host);
    virtual ~CFt245Device();
    CFt245Device(const CFt245Device&) = delete;
    CFt245Device& operator=(const CFt245Device&) = delete;

    // Loads on first use; on failure shows the application message box and returns
    // false. Each later call tries again.
    bool IsAvailable();

    int32_t CountDevices();
    bool OpenAll();
    bool CloseAll();

    bool SetBitMode(int device, uint8_t mask);
    bool WriteByte(int device, uint8_t byte);
    // The instantaneous value of the eight pins.
    bool GetBitMode(int device, uint8_t* pins);
    // One byte from the device's receive buffer; *byte keeps its value when none came.
    bool ReadByte(int device, uint8_t* byte);
    bool ResetDevice(int device);
    bool SetBaudRate(int device, uint32_t rate);

    // The serial number of device N (empty when it cannot be had), kept in m_szSerial.
    const char* GetSerialNumber(int device);
    // The serial number into a buffer of kSerialBufferSize bytes; false only when the
    // library or its FT_ListDevices cannot be found.
    bool GetSerialNumberInto(int device, char* buffer);

    // The D2XX status of the last recorded call (0 = success).
    d2xx::FT_STATUS GetLastStatus() const { return m_ftStatus; }

private:
    bool Load();
    // Loads the library when it is not loaded and resolves FT_ListDevices; false (and
    // the library released) when either is missing.
    bool EnsureListDevices();
    void Release();
    // The open handle of device N, or null with m_ftStatus saying why.
    d2xx::FT_HANDLE Handle(int device);
    // What every device action does first: open all devices again while the open-all
    // of the load has not succeeded.
    void ReopenIfNeeded();

    CHost& m_host;

    // Fields in the order of the data model.
    char m_szSerial[kSerialBufferSize] = {};
    CDeviceLibrary m_library; // the D2XX library; kept loaded for the program's life once open
    d2xx::FtOpenFn m_pOpen = nullptr;
    d2xx::FtCloseFn m_pClose = nullptr;
    d2xx::FtListDevicesFn m_pListDevices = nullptr;
    d2xx::FtSetBitModeFn m_pSetBitMode = nullptr;
    d2xx::FtWriteFn m_pWrite = nullptr;
    d2xx::FtGetBitModeFn m_pGetBitMode = nullptr;
    d2xx::FtReadFn m_pRead = nullptr;
    d2xx::FtResetDeviceFn m_pResetDevice = nullptr;
    d2xx::FtSetBaudRateFn m_pSetBaudRate = nullptr;
    uint8_t m_bBitModeSet = 0;
    uint8_t m_bOpened = 0;
    int32_t m_nDevices = 0;
    d2xx::FT_STATUS m_ftStatus = 0;
    d2xx::FT_HANDLE m_hDevices[kSlots] = {};
    uint8_t m_bLoaded = 0;
};
