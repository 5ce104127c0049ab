// A small reader of the simulated devices' INI configuration.
//
//   [section]
//   key = value          ; comment     (also # comments and whole-line comments)
//
// Section and key names are compared without regard to ASCII letter case. Values
// are trimmed; an empty value is allowed.
#pragma once

#include <map>
#include <string>

struct CIniFile {
    // section -> key -> (value, line number)
    std::map<std::string, std::map<std::string, std::pair<std::string, int>>> sections;

    // Reads the file; on failure error says why, naming the file and line.
    bool Read(const std::string& path, std::string& error);
    bool HasSection(const std::string& section) const;
};
