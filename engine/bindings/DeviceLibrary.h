// CDeviceLibrary: a device library opened through the host's loader.
//
// Both bindings open their library, resolve its entry points and release it through
// this one class, in the same steps: Open (the file the host names), Resolve each entry
// point in order, Close when one is missing or the binding goes.
#pragma once

#include "Host.h"
#include "LibraryLoader.h"

class CDeviceLibrary {
public:
    // The library stays loaded until Close: the binding decides whether to close it
    // when it goes.
    CDeviceLibrary() = default;
    ~CDeviceLibrary() = default;
    CDeviceLibrary(const CDeviceLibrary&) = delete;
    CDeviceLibrary& operator=(const CDeviceLibrary&) = delete;

    // Opens the file the host names for the library, unless it is open already. False
    // when the host has no loader or names no file, or the file cannot be opened.
    bool Open(CHost& host, DeviceLibrary which)
    {
        if (m_hModule != nullptr) return true;
        CLibraryLoader* loader = host.Loader();
        if (loader == nullptr) return false;
        const std::string file = host.LibraryFile(which);
        if (file.empty()) return false;
        m_hModule = loader->Open(file);
        if (m_hModule != nullptr) m_pLoader = loader;
        return m_hModule != nullptr;
    }
    bool IsOpen() const { return m_hModule != nullptr; }

    // Resolves one entry point into field; false, with field unchanged, when the
    // library lacks it (or is not open).
    template <typename Fn> bool Resolve(const char* name, Fn& field)
    {
        if (m_hModule == nullptr) return false;
        void* symbol = m_pLoader->Symbol(m_hModule, name);
        if (symbol == nullptr) return false;
        field = reinterpret_cast<Fn>(symbol);
        return true;
    }

    // Closes the library through the loader that opened it.
    void Close()
    {
        if (m_hModule != nullptr) m_pLoader->Close(m_hModule);
        m_hModule = nullptr;
        m_pLoader = nullptr;
    }

private:
    CLibraryLoader* m_pLoader = nullptr; // the loader that opened m_hModule
    CLibraryLoader::Handle m_hModule = nullptr;
};
