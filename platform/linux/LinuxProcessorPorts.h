// Port output with the processor's own instruction, on Linux.
#pragma once

#include "ProcessorPorts.h"

// The one instance; on x86 it asks the kernel for the port (ioperm, which needs
// CAP_SYS_RAWIO) and writes with outb; elsewhere it always refuses.
CProcessorPorts& LinuxProcessorPorts();
