// libtavimore-d2xx.so: the nine D2XX functions the FT245RL binding uses, implemented
// over libftdi1, so that FT245RL devices work on Linux without FTDI's own library.
//
// Devices are FTDI's standard USB ids as libftdi1 knows them (vendor 0x0403), listed in
// libusb's order; device N is the N-th of that list at the moment of the call, as with
// D2XX. Each open device has its own libftdi1 context, and a handle is valid from a
// successful FT_Open until its FT_Close: any other handle is refused with
// FT_INVALID_HANDLE instead of being followed.
//
// The user needs access to the USB device node (see the README: a udev rule). libftdi1
// detaches the kernel's ftdi_sio driver from the device when it opens it.
#include <ftdi.h>

#include <climits>
#include <cstring>
#include <mutex>
#include <set>

#include "D2xx.h"

#define D2XX_EXPORT extern "C" __attribute__((visibility("default")))

using namespace d2xx;

namespace {

struct CAdapterDevice {
    ftdi_context* ftdi = nullptr;
};

std::mutex g_lock;
std::set<CAdapterDevice*> g_open;

// The FTDI devices attached now, enumerated with the given context (whose USB context
// then owns whatever is opened from the list).
class CDeviceList {
public:
    explicit CDeviceList(ftdi_context* ftdi) : m_ftdi(ftdi)
    {
        if (m_ftdi != nullptr) m_nCount = ftdi_usb_find_all(m_ftdi, &m_pList, 0, 0);
    }
    ~CDeviceList() { ftdi_list_free(&m_pList); }
    CDeviceList(const CDeviceList&) = delete;
    CDeviceList& operator=(const CDeviceList&) = delete;

    // Negative when the USB devices cannot be listed.
    int Count() const { return m_nCount; }
    libusb_device* At(DWORD index) const
    {
        DWORD n = 0;
        for (ftdi_device_list* p = m_pList; p != nullptr; p = p->next, ++n)
            if (n == index) return p->dev;
        return nullptr;
    }

private:
    ftdi_context* m_ftdi;
    ftdi_device_list* m_pList = nullptr;
    int m_nCount = -1;
};

// A context for listing only, freed with it.
struct CListContext {
    ftdi_context* ftdi = ftdi_new();
    ~CListContext()
    {
        if (ftdi != nullptr) ftdi_free(ftdi);
    }
    CListContext() = default;
    CListContext(const CListContext&) = delete;
    CListContext& operator=(const CListContext&) = delete;
};

CAdapterDevice* Device(FT_HANDLE handle)
{
    auto* d = static_cast<CAdapterDevice*>(handle);
    return g_open.count(d) ? d : nullptr;
}

FT_STATUS IoResult(int result)
{
    return result < 0 ? FT_IO_ERROR : FT_OK;
}

} // namespace

D2XX_EXPORT FT_STATUS FT_ListDevices(void* arg1, void* arg2, DWORD flags)
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (flags & FT_LIST_NUMBER_ONLY) {
        if (arg1 == nullptr) return FT_INVALID_PARAMETER;
        *static_cast<DWORD*>(arg1) = 0;
        CListContext context;
        if (context.ftdi == nullptr) return FT_OTHER_ERROR; // no USB to look at
        CDeviceList list(context.ftdi);
        if (list.Count() < 0) return FT_IO_ERROR;
        *static_cast<DWORD*>(arg1) = static_cast<DWORD>(list.Count());
        return FT_OK;
    }
    if (!(flags & FT_LIST_BY_INDEX)) return FT_NOT_SUPPORTED;
    const bool serial = flags & FT_OPEN_BY_SERIAL_NUMBER;
    if (arg2 == nullptr || !(flags & (FT_OPEN_BY_SERIAL_NUMBER | FT_OPEN_BY_DESCRIPTION)))
        return FT_INVALID_PARAMETER;
    char* text = static_cast<char*>(arg2);
    const int size = serial ? kSerialNumberSize : kDescriptionSize;
    text[0] = '\0';
    CListContext context;
    if (context.ftdi == nullptr) return FT_OTHER_ERROR;
    CDeviceList list(context.ftdi);
    libusb_device* dev = list.At(static_cast<DWORD>(reinterpret_cast<uintptr_t>(arg1)));
    if (dev == nullptr) return FT_DEVICE_NOT_FOUND;
    // Reading the strings opens the device for a moment; without access to it the
    // device is listed but its texts are not.
    int result = serial
                     ? ftdi_usb_get_strings(context.ftdi, dev, nullptr, 0, nullptr, 0, text, size)
                     : ftdi_usb_get_strings(context.ftdi, dev, nullptr, 0, text, size, nullptr, 0);
    text[size - 1] = '\0';
    if (result < 0) {
        text[0] = '\0';
        return FT_DEVICE_NOT_OPENED;
    }
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_Open(int deviceNumber, FT_HANDLE* handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (handle == nullptr) return FT_INVALID_PARAMETER;
    if (deviceNumber < 0) return FT_DEVICE_NOT_FOUND;
    ftdi_context* ftdi = ftdi_new();
    if (ftdi == nullptr) return FT_INSUFFICIENT_RESOURCES;
    FT_STATUS status = FT_OK;
    {
        CDeviceList list(ftdi);
        libusb_device* dev = list.At(static_cast<DWORD>(deviceNumber));
        if (dev == nullptr)
            status = FT_DEVICE_NOT_FOUND;
        else if (ftdi_usb_open_dev(ftdi, dev) < 0)
            status = FT_DEVICE_NOT_OPENED;
    }
    if (status != FT_OK) {
        ftdi_free(ftdi);
        return status;
    }
    auto* d = new CAdapterDevice;
    d->ftdi = ftdi;
    g_open.insert(d);
    *handle = d;
    return FT_OK;
}

D2XX_EXPORT FT_STATUS FT_Close(FT_HANDLE handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    CAdapterDevice* d = Device(handle);
    if (d == nullptr) return FT_INVALID_HANDLE;
    int result = ftdi_usb_close(d->ftdi);
    ftdi_free(d->ftdi);
    g_open.erase(d);
    delete d;
    return IoResult(result);
}

D2XX_EXPORT FT_STATUS FT_SetBitMode(FT_HANDLE handle, unsigned char mask, unsigned char mode)
{
    std::lock_guard<std::mutex> hold(g_lock);
    CAdapterDevice* d = Device(handle);
    if (d == nullptr) return FT_INVALID_HANDLE;
    // D2XX's bit-mode numbers are libftdi1's: 1 is BITMODE_BITBANG.
    return IoResult(ftdi_set_bitmode(d->ftdi, mask, mode));
}

D2XX_EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, DWORD bytesToWrite,
                               DWORD* bytesWritten)
{
    std::lock_guard<std::mutex> hold(g_lock);
    CAdapterDevice* d = Device(handle);
    if (d == nullptr) return FT_INVALID_HANDLE;
    if (bytesWritten == nullptr || (buffer == nullptr && bytesToWrite > 0) ||
        bytesToWrite > INT_MAX)
        return FT_INVALID_PARAMETER;
    *bytesWritten = 0;
    int result = ftdi_write_data(d->ftdi, static_cast<const unsigned char*>(buffer),
                                 static_cast<int>(bytesToWrite));
    if (result > 0) *bytesWritten = static_cast<DWORD>(result);
    return IoResult(result);
}

D2XX_EXPORT FT_STATUS FT_GetBitMode(FT_HANDLE handle, unsigned char* pins)
{
    std::lock_guard<std::mutex> hold(g_lock);
    CAdapterDevice* d = Device(handle);
    if (d == nullptr) return FT_INVALID_HANDLE;
    if (pins == nullptr) return FT_INVALID_PARAMETER;
    return IoResult(ftdi_read_pins(d->ftdi, pins));
}

D2XX_EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, DWORD bytesToRead, DWORD* bytesRead)
{
    std::lock_guard<std::mutex> hold(g_lock);
    CAdapterDevice* d = Device(handle);
    if (d == nullptr) return FT_INVALID_HANDLE;
    if (bytesRead == nullptr || (buffer == nullptr && bytesToRead > 0) || bytesToRead > INT_MAX)
        return FT_INVALID_PARAMETER;
    *bytesRead = 0;
    // Returns what the chip has sent, possibly nothing, within its latency time.
    int result =
        ftdi_read_data(d->ftdi, static_cast<unsigned char*>(buffer), static_cast<int>(bytesToRead));
    if (result > 0) *bytesRead = static_cast<DWORD>(result);
    return IoResult(result);
}

D2XX_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    CAdapterDevice* d = Device(handle);
    if (d == nullptr) return FT_INVALID_HANDLE;
    return IoResult(ftdi_usb_reset(d->ftdi));
}

D2XX_EXPORT FT_STATUS FT_SetBaudRate(FT_HANDLE handle, DWORD baudRate)
{
    std::lock_guard<std::mutex> hold(g_lock);
    CAdapterDevice* d = Device(handle);
    if (d == nullptr) return FT_INVALID_HANDLE;
    if (baudRate == 0 || baudRate > INT_MAX) return FT_INVALID_BAUD_RATE;
    int result = ftdi_set_baudrate(d->ftdi, static_cast<int>(baudRate));
    if (result == -1) return FT_INVALID_BAUD_RATE;
    return IoResult(result);
}
