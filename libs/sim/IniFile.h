// A small reader of the simulated devices' INI configuration, shared by the simulated
// port library and the simulated D2XX library (they read the same file).
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
    // What a line that is neither a section, a setting nor a comment does.
    enum class Malformed { Refuse, Skip };

    // section -> key -> (value, line number)
    std::map<std::string, std::map<std::string, std::pair<std::string, int>>> sections;

    // Reads the file; on failure error says why, naming the file and line.
    bool Read(const std::string& path, std::string& error, Malformed malformed = Malformed::Refuse);
    bool HasSection(const std::string& section) const;
    // The value of a setting, or null when the file has none.
    const std::string* Find(const std::string& section, const std::string& key) const;
};

// Opens a file that the configuration names (the configuration itself, a log) with
// open(2) flags, close-on-exec; -1 when it cannot, error saying why. In an elevated
// process (Elevation.h) the file is opened with the real user's file-access identity,
// symbolic links are not followed, and only a regular file the user owns is accepted,
// so a configuration cannot make the program read or write files that are not its
// user's own.
int OpenUserFile(const std::string& path, int flags, std::string& error);
