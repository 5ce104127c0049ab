// libtavimore-d2xx-sim.so: a D2XX library with simulated FT245RL devices, so that every
// FT245RL instruction runs and can be tested on any machine.
//
// The devices come from the configuration file named by TAVIMORE_SIM_CONFIG, read at
// the first call:
//
//   [ftdi]
//   devices = SIM00001, SIM00002   ; serial numbers, device 0 first (default SIM00001;
//                                  ; empty: no device attached)
//   [log]
//   file = d2xx.log                ; every call and its result, one line each;
//                                  ; relative to the configuration's folder;
//                                  ; /dev/stderr and /dev/stdout name the streams
//
// Each device has an output latch, a pin-direction mask and a receive queue. In a
// bit-bang mode a written byte drives the latch; the pins read back the latch where
// the mask makes them outputs and 0 where it makes them inputs. Every written byte is
// also queued for FT_Read (up to 64 KiB; further bytes are lost, as on an overrun).
// A device opens once: opening it again before closing fails, as a claimed USB
// device does.
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "D2xx.h"
#include "sim/IniFile.h"

#define D2XX_EXPORT extern "C" __attribute__((visibility("default")))

using namespace d2xx;

namespace {

constexpr size_t kQueueLimit = 65536;
constexpr const char* kDefaultSerial = "SIM00001";
constexpr const char* kDescription = "FT245R USB FIFO";

struct CSimDevice {
    std::string serial;
    bool open = false;
    uint8_t mode = FT_BITMODE_RESET;
    uint8_t mask = 0;
    uint8_t latch = 0;
    uint32_t baudRate = 9600;
    std::deque<uint8_t> received;

    uint8_t Pins() const { return static_cast<uint8_t>(latch & mask); }
};

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

class CSimulator {
public:
    std::mutex lock;
    std::vector<CSimDevice> devices;

    CSimulator() { ReadConfiguration(); }
    ~CSimulator()
    {
        if (m_logFd > 2) close(m_logFd);
    }

    CSimDevice* Device(FT_HANDLE handle)
    {
        for (CSimDevice& d : devices)
            if (&d == handle && d.open) return &d;
        return nullptr;
    }

    void Log(const std::string& line)
    {
        if (m_logFd < 0) return;
        std::string text = "d2xx: " + line + "\n";
        // One write per line, so that lines of several writers never mix.
        ssize_t ignored = write(m_logFd, text.data(), text.size());
        (void)ignored;
    }

private:
    int m_logFd = -1;

    void ReadConfiguration()
    {
        std::vector<std::string> serials{kDefaultSerial};
        std::string logFile;
        std::string folder;
        const char* path = std::getenv("TAVIMORE_SIM_CONFIG");
        if (path != nullptr && *path != '\0') {
            std::string p = path;
            size_t slash = p.rfind('/');
            folder = slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
            // A configuration the port library would refuse is still read as far as it
            // goes here: a D2XX library has no way to report it.
            CIniFile ini;
            std::string error;
            ini.Read(p, error, CIniFile::Malformed::Skip);
            if (const std::string* value = ini.Find("ftdi", "devices")) {
                serials.clear();
                size_t start = 0;
                while (start <= value->size()) {
                    size_t comma = value->find(',', start);
                    if (comma == std::string::npos) comma = value->size();
                    std::string serial = Trim(value->substr(start, comma - start));
                    if (!serial.empty()) serials.push_back(serial);
                    start = comma + 1;
                }
            }
            if (const std::string* value = ini.Find("log", "file")) logFile = *value;
        }
        for (const std::string& s : serials) {
            CSimDevice d;
            d.serial = s;
            devices.push_back(d);
        }
        if (logFile == "/dev/stderr")
            m_logFd = 2;
        else if (logFile == "/dev/stdout")
            m_logFd = 1;
        else if (!logFile.empty()) {
            if (logFile.front() != '/') logFile = folder + logFile;
            // D2XX has no way to report it to the program: the log stays off and
            // standard error says why.
            std::string why;
            m_logFd = OpenUserFile(logFile, O_WRONLY | O_CREAT | O_APPEND, why);
            if (m_logFd < 0) std::fprintf(stderr, "d2xx-sim: no call log: %s\n", why.c_str());
        }
    }
};

CSimulator& Sim()
{
    static CSimulator simulator;
    return simulator;
}

const char* StatusName(FT_STATUS status)
{
    switch (status) {
    case FT_OK:
        return "FT_OK";
    case FT_INVALID_HANDLE:
        return "FT_INVALID_HANDLE";
    case FT_DEVICE_NOT_FOUND:
        return "FT_DEVICE_NOT_FOUND";
    case FT_DEVICE_NOT_OPENED:
        return "FT_DEVICE_NOT_OPENED";
    case FT_INVALID_PARAMETER:
        return "FT_INVALID_PARAMETER";
    case FT_INVALID_BAUD_RATE:
        return "FT_INVALID_BAUD_RATE";
    default:
        return "FT_OTHER_ERROR";
    }
}

std::string Hex(uint8_t b)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", b);
    return text;
}

// "<call> <what> -> <status>[, <detail>]", the form of every log line.
FT_STATUS Done(const std::string& call, FT_STATUS status, const std::string& detail = {})
{
    std::string line = call + " -> " + StatusName(status);
    if (!detail.empty()) line += ", " + detail;
    Sim().Log(line);
    return status;
}

std::string Name(const CSimDevice* d)
{
    return d ? d->serial : std::string("(invalid handle)");
}

void CopyText(const std::string& text, void* buffer, size_t size)
{
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    static_cast<char*>(buffer)[n] = '\0';
}

} // namespace

D2XX_EXPORT FT_STATUS FT_ListDevices(void* arg1, void* arg2, DWORD flags)
{
    CSimulator& sim = Sim();
    std::lock_guard<std::mutex> hold(sim.lock);
    if (flags & FT_LIST_NUMBER_ONLY) {
        if (arg1 == nullptr) return Done("FT_ListDevices count", FT_INVALID_PARAMETER);
        *static_cast<DWORD*>(arg1) = static_cast<DWORD>(sim.devices.size());
        return Done("FT_ListDevices count", FT_OK, std::to_string(sim.devices.size()));
    }
    if (flags & FT_LIST_BY_INDEX) {
        auto index = static_cast<DWORD>(reinterpret_cast<uintptr_t>(arg1));
        const bool serial = flags & FT_OPEN_BY_SERIAL_NUMBER;
        std::string call = std::string("FT_ListDevices ") + (serial ? "serial " : "description ") +
                           std::to_string(index);
        if (arg2 == nullptr || !(flags & (FT_OPEN_BY_SERIAL_NUMBER | FT_OPEN_BY_DESCRIPTION)))
            return Done(call, FT_INVALID_PARAMETER);
        if (index >= sim.devices.size()) return Done(call, FT_DEVICE_NOT_FOUND);
        const std::string text = serial ? sim.devices[index].serial : std::string(kDescription);
        CopyText(text, arg2, serial ? kSerialNumberSize : kDescriptionSize);
        return Done(call, FT_OK, static_cast<char*>(arg2));
    }
    return Done("FT_ListDevices flags " + std::to_string(flags), FT_NOT_SUPPORTED);
}

D2XX_EXPORT FT_STATUS FT_Open(int deviceNumber, FT_HANDLE* handle)
{
    CSimulator& sim = Sim();
    std::lock_guard<std::mutex> hold(sim.lock);
    const std::string call = "FT_Open " + std::to_string(deviceNumber);
    if (handle == nullptr) return Done(call, FT_INVALID_PARAMETER);
    if (deviceNumber < 0 || static_cast<size_t>(deviceNumber) >= sim.devices.size())
        return Done(call, FT_DEVICE_NOT_FOUND);
    CSimDevice& d = sim.devices[static_cast<size_t>(deviceNumber)];
    if (d.open) return Done(call, FT_DEVICE_NOT_OPENED, d.serial + " is already open");
    d.open = true;
    *handle = &d;
    return Done(call, FT_OK, d.serial);
}

D2XX_EXPORT FT_STATUS FT_Close(FT_HANDLE handle)
{
    CSimulator& sim = Sim();
    std::lock_guard<std::mutex> hold(sim.lock);
    CSimDevice* d = sim.Device(handle);
    if (d == nullptr) return Done("FT_Close (invalid handle)", FT_INVALID_HANDLE);
    d->open = false;
    return Done("FT_Close " + d->serial, FT_OK);
}

D2XX_EXPORT FT_STATUS FT_SetBitMode(FT_HANDLE handle, unsigned char mask, unsigned char mode)
{
    CSimulator& sim = Sim();
    std::lock_guard<std::mutex> hold(sim.lock);
    CSimDevice* d = sim.Device(handle);
    const std::string call =
        "FT_SetBitMode " + Name(d) + " mask " + Hex(mask) + " mode " + std::to_string(mode);
    if (d == nullptr) return Done(call, FT_INVALID_HANDLE);
    d->mode = mode;
    d->mask = mode == FT_BITMODE_RESET ? 0 : mask;
    return Done(call, FT_OK);
}

D2XX_EXPORT FT_STATUS FT_Write(FT_HANDLE handle, void* buffer, DWORD bytesToWrite,
                               DWORD* bytesWritten)
{
    CSimulator& sim = Sim();
    std::lock_guard<std::mutex> hold(sim.lock);
    CSimDevice* d = sim.Device(handle);
    std::string call = "FT_Write " + Name(d);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    for (DWORD i = 0; bytes != nullptr && i < bytesToWrite && i < 16; ++i)
        call += " " + Hex(bytes[i]);
    if (bytesToWrite > 16) call += " ...";
    if (d == nullptr) return Done(call, FT_INVALID_HANDLE);
    if ((buffer == nullptr && bytesToWrite > 0) || bytesWritten == nullptr)
        return Done(call, FT_INVALID_PARAMETER);
    for (DWORD i = 0; i < bytesToWrite; ++i) {
        if (d->mode != FT_BITMODE_RESET) d->latch = bytes[i];
        if (d->received.size() < kQueueLimit) d->received.push_back(bytes[i]);
    }
    *bytesWritten = bytesToWrite;
    return Done(call, FT_OK, std::to_string(bytesToWrite) + " written");
}

D2XX_EXPORT FT_STATUS FT_GetBitMode(FT_HANDLE handle, unsigned char* pins)
{
    CSimulator& sim = Sim();
    std::lock_guard<std::mutex> hold(sim.lock);
    CSimDevice* d = sim.Device(handle);
    const std::string call = "FT_GetBitMode " + Name(d);
    if (d == nullptr) return Done(call, FT_INVALID_HANDLE);
    if (pins == nullptr) return Done(call, FT_INVALID_PARAMETER);
    *pins = d->Pins();
    return Done(call, FT_OK, "pins " + Hex(*pins));
}

D2XX_EXPORT FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, DWORD bytesToRead, DWORD* bytesRead)
{
    CSimulator& sim = Sim();
    std::lock_guard<std::mutex> hold(sim.lock);
    CSimDevice* d = sim.Device(handle);
    const std::string call = "FT_Read " + Name(d) + " " + std::to_string(bytesToRead);
    if (d == nullptr) return Done(call, FT_INVALID_HANDLE);
    if ((buffer == nullptr && bytesToRead > 0) || bytesRead == nullptr)
        return Done(call, FT_INVALID_PARAMETER);
    // Returns at once with what is waiting, as a read whose time-out has passed.
    auto* bytes = static_cast<uint8_t*>(buffer);
    DWORD n = 0;
    std::string got;
    for (; n < bytesToRead && !d->received.empty(); ++n) {
        bytes[n] = d->received.front();
        d->received.pop_front();
        if (n < 16) got += " " + Hex(bytes[n]);
    }
    *bytesRead = n;
    return Done(call, FT_OK, std::to_string(n) + " read" + got);
}

D2XX_EXPORT FT_STATUS FT_ResetDevice(FT_HANDLE handle)
{
    CSimulator& sim = Sim();
    std::lock_guard<std::mutex> hold(sim.lock);
    CSimDevice* d = sim.Device(handle);
    const std::string call = "FT_ResetDevice " + Name(d);
    if (d == nullptr) return Done(call, FT_INVALID_HANDLE);
    d->received.clear();
    return Done(call, FT_OK);
}

D2XX_EXPORT FT_STATUS FT_SetBaudRate(FT_HANDLE handle, DWORD baudRate)
{
    CSimulator& sim = Sim();
    std::lock_guard<std::mutex> hold(sim.lock);
    CSimDevice* d = sim.Device(handle);
    const std::string call = "FT_SetBaudRate " + Name(d) + " " + std::to_string(baudRate);
    if (d == nullptr) return Done(call, FT_INVALID_HANDLE);
    if (baudRate == 0) return Done(call, FT_INVALID_BAUD_RATE);
    d->baudRate = baudRate;
    return Done(call, FT_OK);
}
