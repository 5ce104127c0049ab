// A port-access library for the binding's tests: it records every call and answers
// from settings the test makes through the Fake* functions.
//
// Built several times with different defines, each a library the binding must treat
// in its own way:
//   FAKE_WITHOUT_SHUTDOWN   exports every entry point but ShutdownWinIo
//   FAKE_INIT_FAILS         InitializeWinIo reports failure
#include <cstdarg>
#include <cstdio>
#include <string>

#include "WinIoApi.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string g_calls;
uint32_t g_portValue = 0; // what every port read returns, all 32 bits of it
uint8_t g_memory[16] = {};

void Record(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Record(const char* format, ...)
{
    char line[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    g_calls += line;
    g_calls += '\n';
}

} // namespace

// ---- For the tests
FAKE_EXPORT const char* FakeCalls()
{
    return g_calls.c_str();
}
FAKE_EXPORT void FakeReset()
{
    g_calls.clear();
    g_portValue = 0;
}
FAKE_EXPORT void FakeSetPortValue(uint32_t value)
{
    g_portValue = value;
}

// ---- The entry points
int32_t InitializeWinIo(void)
{
#ifdef FAKE_INIT_FAILS
    Record("InitializeWinIo -> 0");
    return 0;
#else
    Record("InitializeWinIo");
    return 1;
#endif
}

#ifndef FAKE_WITHOUT_SHUTDOWN
void ShutdownWinIo(void)
{
    Record("ShutdownWinIo");
}
#endif

int32_t GetPortVal(uint32_t port, uint32_t* value, uint32_t size)
{
    Record("GetPortVal %x %u", port, size);
    *value = g_portValue; // the upper bits too: the caller keeps only its width
    return 1;
}

int32_t SetPortVal(uint32_t port, uint32_t value, uint32_t size)
{
    Record("SetPortVal %x %x %u", port, value, size);
    return 1;
}

// Physical memory is exercised through the simulated library; these only complete the
// set of entry points the binding resolves.
uint8_t* MapPhysToLin(uint32_t, uint32_t, void** handle)
{
    *handle = g_memory;
    return g_memory;
}
int32_t UnmapPhysicalMemory(void*, uint8_t*)
{
    return 1;
}
int32_t GetPhysLong(uint32_t, uint32_t* value)
{
    *value = 0;
    return 1;
}
int32_t SetPhysLong(uint32_t, uint32_t)
{
    return 1;
}
