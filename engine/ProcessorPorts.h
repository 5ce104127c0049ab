// CProcessorPorts: port output with the processor's own instruction.
//
// テスト出力 writes a fixed byte to a fixed port without the port-access library. The
// engine cannot do that itself, so the host offers it where the platform allows it.
#pragma once

#include <cstdint>

class CProcessorPorts {
public:
    virtual ~CProcessorPorts() = default;
    // Writes the byte to the I/O port; false when the platform does not let this
    // process do so (no privilege, or a processor without port instructions).
    virtual bool WriteByte(uint16_t port, uint8_t value) = 0;
};
