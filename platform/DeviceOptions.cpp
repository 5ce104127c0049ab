#include "DeviceOptions.h"

#include <cstdlib>
#include <filesystem>

#include "Platform.h"

namespace {

// The option is `name VALUE` or `name=VALUE`.
bool IsOption(const std::string& arg, const std::string& name)
{
    return arg == name || arg.rfind(name + "=", 0) == 0;
}

} // namespace

CDeviceOptions DeviceOptionsFromEnvironment()
{
    CDeviceOptions options;
    if (const char* ports = std::getenv("TAVIMORE_PORTS"); ports != nullptr && *ports != '\0')
        options.ports = {ports, "TAVIMORE_PORTS"};
    if (const char* ftdi = std::getenv("TAVIMORE_FTDI"); ftdi != nullptr && *ftdi != '\0')
        options.ftdi = {ftdi, "TAVIMORE_FTDI"};
    return options;
}

DeviceOptionTaken TakeDeviceOption(const std::vector<std::string>& args, size_t& i,
                                   CDeviceOptions& options, std::string& error)
{
    const std::string& arg = args[i];
    const char* name = nullptr;
    for (const char* candidate : {"--ports", "--ftdi", "--sim-config"})
        if (IsOption(arg, candidate)) name = candidate;
    if (name == nullptr) return DeviceOptionTaken::No;

    std::string value;
    if (arg.size() > std::char_traits<char>::length(name)) {
        value = arg.substr(std::char_traits<char>::length(name) + 1);
    } else if (i + 1 < args.size()) {
        value = args[++i];
    } else {
        error = std::string(name) + " needs a value";
        return DeviceOptionTaken::Error;
    }

    if (std::string(name) == "--sim-config") {
        if (value.empty() || !platform::UserCanRead(value)) {
            error = "cannot read the simulation configuration '" + value + "'";
            return DeviceOptionTaken::Error;
        }
        std::error_code ignored;
        const std::filesystem::path absolute = std::filesystem::absolute(value, ignored);
        options.simConfig = absolute.empty() ? value : absolute.string();
        return DeviceOptionTaken::Yes;
    }
    if (value.empty()) {
        error = std::string(name) + " takes system, sim, none or a library path";
        return DeviceOptionTaken::Error;
    }
    (std::string(name) == "--ports" ? options.ports : options.ftdi) = {value, name};
    return DeviceOptionTaken::Yes;
}

std::string ApplyDeviceOptions(const CDeviceOptions& options)
{
    for (const CDeviceChoice* choice : {&options.ports, &options.ftdi}) {
        if (std::string why = DeviceLibraryRefusal(choice->source, choice->value); !why.empty())
            return why;
    }
    if (!options.simConfig.empty())
        platform::SetEnvironment("TAVIMORE_SIM_CONFIG", options.simConfig);
    return {};
}
