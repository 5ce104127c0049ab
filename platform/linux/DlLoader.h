// The Linux run-time loader (dlopen) and where the libraries we ship are found.
#pragma once

#include <string>
#include <vector>

#include "Platform.h"

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
inline constexpr const char* kPortsLibrary = "libtavimore-winio.so";        // Linux port access
inline constexpr const char* kPortsSimLibrary = "libtavimore-winio-sim.so"; // simulated ports
inline constexpr const char* kFtdiVendorLibrary = "libftd2xx.so";           // FTDI's own D2XX
inline constexpr const char* kFtdiAdapterLibrary = "libtavimore-d2xx.so";   // D2XX over libftdi1
inline constexpr const char* kFtdiSimLibrary = "libtavimore-d2xx-sim.so";   // simulated D2XX

// The folder of the running executable, or empty when it cannot be told.
std::string ExecutableFolder();

// The path of a library we ship: beside the running executable first, then in the
// install location. An elevated process (Elevation.h) looks only in the install
// location, which only the administrator can change. Always an absolute path: when no
// folder holds the library, its install path, so that the failure names it.
std::string ShippedLibraryPath(const std::string& fileName);

// Where FTDI's installer puts libftd2xx.so, in the order they are tried.
std::vector<std::string> FtdiVendorLibraryCandidates();

// DeviceLibraryRefusal and ResolveDeviceLibrary (Platform.h) are defined with the loader.
