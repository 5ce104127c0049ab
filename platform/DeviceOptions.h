// The device-library options both programs take: --ports, --ftdi and --sim-config,
// with the environment variables TAVIMORE_PORTS and TAVIMORE_FTDI as defaults.
//
// Each option is `NAME VALUE` or `NAME=VALUE`; the last one given counts, and the
// command line wins over the environment. A process that runs with more privilege than
// its user refuses a library path, whichever of the two named it.
#pragma once

#include <string>
#include <vector>

struct CDeviceChoice {
    std::string value = "system"; // "system", "sim", "none" or a library path
    std::string source;           // where it came from: "--ports", "TAVIMORE_PORTS"; empty: default
};

struct CDeviceOptions {
    CDeviceChoice ports;
    CDeviceChoice ftdi;
    std::string simConfig; // absolute path of the simulation's configuration; empty: none given
};

// The choices the environment makes before any option is read.
CDeviceOptions DeviceOptionsFromEnvironment();

enum class DeviceOptionTaken { No, Yes, Error };

// When args[i] is one of the three options, takes it (and its value, moving i on to
// it) into options: Yes, or Error with error saying what is wrong. No for any other
// argument, with nothing changed.
DeviceOptionTaken TakeDeviceOption(const std::vector<std::string>& args, size_t& i,
                                   CDeviceOptions& options, std::string& error);

// After the last option: why the choices are refused in this process (empty: they are
// not). When they are not, a configuration given with --sim-config is handed on to the
// simulated libraries (through TAVIMORE_SIM_CONFIG, which they read when they start).
std::string ApplyDeviceOptions(const CDeviceOptions& options);
