// The engine's port operations: byte, word and double-word reads and writes through
// the port-access binding.
//
// When the library is not available the binding has told the user; the operation
// then ends the run after this statement (WIN through the full stop request, which
// also closes a media window), reads give 0 and writes do nothing.
#include "ScriptEngine.h"

namespace {

uint32_t Read(CWinIoPort& winIo, uint32_t port, uint32_t size)
{
    uint32_t cell = 0;
    winIo.GetPortVal(port, &cell, size);
    return cell;
}

} // namespace

uint8_t CScriptEngine::ReadPortByte(uint32_t port)
{
    if (PortLibraryMissing()) return 0;
    return static_cast<uint8_t>(Read(m_winIo, port, 1));
}

uint16_t CScriptEngine::ReadPortWord(uint32_t port)
{
    if (PortLibraryMissing()) {
        RequestStop(); // the full stop request, which also closes a media window
        return 0;
    }
    return static_cast<uint16_t>(Read(m_winIo, port, 2));
}

uint32_t CScriptEngine::ReadPortDword(uint32_t port)
{
    if (PortLibraryMissing()) return 0;
    return Read(m_winIo, port, 4);
}

void CScriptEngine::WritePortByte(uint32_t port, uint32_t value)
{
    if (PortLibraryMissing()) return;
    m_winIo.SetPortVal(port, value & 0xFFu, 1);
}

void CScriptEngine::WritePortWord(uint32_t port, uint32_t value)
{
    if (PortLibraryMissing()) return;
    m_winIo.SetPortVal(port, value & 0xFFFFu, 2);
}

void CScriptEngine::WritePortDword(uint32_t port, uint32_t value)
{
    if (PortLibraryMissing()) return;
    m_winIo.SetPortVal(port, value, 4);
}
