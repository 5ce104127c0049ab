// What every test program shares: cp932 from readable UTF-8 and back, a temporary
// folder removed with its contents, and whole-file reads and writes in binary.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

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

// Writes text and returns the path, so a test can name the file where it needs it.
inline std::string WriteFile(const std::string& path, const std::string& text,
                             bool executable = false)
{
    std::ofstream(path, std::ios::binary) << text;
    if (executable) chmod(path.c_str(), 0755);
    return path;
}
