// The Linux run-time loader (dlopen) and where the libraries we ship are found.
#pragma once

#include <string>

#include "Host.h"
#include "LibraryLoader.h"

class CDlLoader final : public CLibraryLoader {
public:
    Handle Open(const std::string& file) override;
    void* Symbol(Handle library, const char* name) override;
    void Close(Handle library) override;
    std::string LastError() const override { return m_strError; }

private:
    std::string m_strError;
};

// File names of the device libraries we ship.
inline constexpr const char* kPortsLibrary = "libtavimore-winio.so";         // Linux port access
inline constexpr const char* kPortsSimLibrary = "libtavimore-winio-sim.so";  // simulated ports
inline constexpr const char* kFtdiVendorLibrary = "libftd2xx.so";            // FTDI's own D2XX
inline constexpr const char* kFtdiAdapterLibrary = "libtavimore-d2xx.so";    // D2XX over libftdi1
inline constexpr const char* kFtdiSimLibrary = "libtavimore-d2xx-sim.so";    // simulated D2XX

// The folder of the running executable, or empty when it cannot be told.
std::string ExecutableFolder();

// The path of a library we ship: beside the running executable first, then in the
// install location; the bare name when neither holds it.
std::string ShippedLibraryPath(const std::string& fileName);

// The library file for a device library choice: "system", "sim", "none" (the empty
// path, which never loads) or a path of the user's. For the D2XX library "system" is
// FTDI's own libftd2xx.so where it loads, else our adapter over libftdi1.
std::string ResolveDeviceLibrary(DeviceLibrary which, const std::string& choice);
