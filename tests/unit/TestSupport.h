// What every test program shares: cp932 from readable UTF-8 and back, a temporary
// folder removed with its contents, whole-file reads and writes in binary, and a
// library opened by the test itself.
#pragma once

#include <dlfcn.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "Encoding.h"

// UTF-8 to cp932 and back, for writing readable tests.
inline std::string Sj(std::string_view utf8)
{
    return encoding::Utf8ToCp932(utf8);
}
inline std::string Utf(std::string_view cp932)
{
    return encoding::Cp932ToUtf8(cp932);
}

// A window id as eight upper-case hex digits, as HANDLELIST shows it.
inline std::string Hex8(uint32_t window)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", window);
    return text;
}

class CTempDir {
public:
    CTempDir()
    {
        char pattern[] = "/tmp/tavimore-test-XXXXXX";
        if (mkdtemp(pattern) != nullptr) m_strPath = pattern;
    }
    ~CTempDir()
    {
        std::error_code ignored;
        if (!m_strPath.empty()) std::filesystem::remove_all(m_strPath, ignored);
    }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::string& Path() const { return m_strPath; }
    std::string File(const std::string& name) const { return m_strPath + "/" + name; }

private:
    std::string m_strPath;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A shared library the test opens itself: the file the code under test loads is then
// the same library, so a fake's controls and records are reached through this one.
class CLibrary {
public:
    explicit CLibrary(const char* path) : m_pModule(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~CLibrary()
    {
        if (m_pModule != nullptr) dlclose(m_pModule);
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;
    bool Loaded() const { return m_pModule != nullptr; }
    // The function named name as a Pointer (a function pointer type); null when missing.
    template <class Pointer> Pointer Get(const char* name) const
    {
        return m_pModule == nullptr ? nullptr : reinterpret_cast<Pointer>(dlsym(m_pModule, name));
    }

private:
    void* m_pModule;
};

// Writes text and returns the path, so a test can name the file where it needs it.
inline std::string WriteFile(const std::string& path, const std::string& text,
                             bool executable = false)
{
    std::ofstream(path, std::ios::binary) << text;
    if (executable) chmod(path.c_str(), 0755);
    return path;
}

// The expected output in the file at path, to compare the actual text with; with
// TAVIMORE_UPDATE_GOLDEN=1 the actual text is written there first.
inline std::string GoldenText(const std::string& path, const std::string& actual)
{
    if (const char* update = std::getenv("TAVIMORE_UPDATE_GOLDEN"); update && *update == '1')
        WriteFile(path, actual);
    return ReadFile(path);
}
