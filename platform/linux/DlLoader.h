// The Linux run-time loader (dlopen) and where the libraries we ship are found.
#pragma once

#include <string>
#include <vector>

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
// install location. An elevated process (Elevation.h) looks only in the install
// location, which only the administrator can change. Always an absolute path: when no
// folder holds the library, its install path, so that the failure names it.
std::string ShippedLibraryPath(const std::string& fileName);

// Where FTDI's installer puts libftd2xx.so, in the order they are tried.
std::vector<std::string> FtdiVendorLibraryCandidates();

// Why a device library choice ("system", "sim", "none" or a library path of the user's)
// is refused in this process, or empty when it is allowed. An elevated process loads
// only the libraries of its installation, so it refuses every path. source names where
// the choice came from ("--ports", "TAVIMORE_PORTS") for the message.
std::string DeviceLibraryRefusal(const std::string& source, const std::string& choice);

// The library file for a device library choice: "system", "sim", "none" (the empty
// path, which never loads) or a path of the user's, made absolute. For the D2XX library
// "system" is FTDI's own libftd2xx.so where it loads, else our adapter over libftdi1.
// A refused choice (DeviceLibraryRefusal) gives the empty path too.
std::string ResolveDeviceLibrary(DeviceLibrary which, const std::string& choice);
