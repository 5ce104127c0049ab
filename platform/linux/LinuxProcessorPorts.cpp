#include "LinuxProcessorPorts.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#endif

namespace {

class CLinuxProcessorPorts final : public CProcessorPorts {
public:
    bool WriteByte(uint16_t port, uint8_t value) override
    {
#if defined(__x86_64__) || defined(__i386__)
        // The permission is kept afterwards: taking it back would also take it from
        // the port-access library, which may have been granted every port.
        if (ioperm(port, 1, 1) != 0) return false;
        outb(value, port);
        return true;
#else
        (void)port;
        (void)value;
        return false;
#endif
    }
};

} // namespace

CProcessorPorts& LinuxProcessorPorts()
{
    static CLinuxProcessorPorts ports;
    return ports;
}
