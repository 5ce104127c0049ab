// CLibraryLoader: run-time loading of a shared library and its entry points.
//
// The device bindings load their libraries through this interface, which the host
// provides (dlopen on Linux; LoadLibraryA can stand behind it on Windows), so that the
// bindings stay free of operating-system calls and tests can hand them fakes.
#pragma once

#include <string>

class CLibraryLoader {
public:
    using Handle = void*;
    virtual ~CLibraryLoader() = default;

    // Loads the library file; null when it cannot be loaded (LastError says why).
    virtual Handle Open(const std::string& file) = 0;
    // The entry point of that name, or null when the library has none.
    virtual void* Symbol(Handle library, const char* name) = 0;
    virtual void Close(Handle library) = 0;
    // Why the last Open failed, naming the file.
    virtual std::string LastError() const = 0;
};
