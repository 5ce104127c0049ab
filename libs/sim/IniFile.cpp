#include "IniFile.h"

#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <sstream>

#include "Elevation.h"

namespace {

std::string Trim(const std::string& s)
{
    size_t b = 0;
    size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

bool CIniFile::Read(const std::string& path, std::string& error, Malformed malformed)
{
    const int fd = OpenUserFile(path, O_RDONLY, error);
    if (fd < 0) {
        error = path + ": cannot be read (" + error + ")";
        return false;
    }
    std::string bytes;
    char buffer[4096];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = path + ": cannot be read (" + std::strerror(errno) + ")";
            close(fd);
            return false;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    std::istringstream in(bytes);
    std::string section;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        // A comment starts at ';' or '#' at the start of a line or after white space.
        for (size_t i = 0; i < line.size(); ++i) {
            if ((line[i] == ';' || line[i] == '#') &&
                (i == 0 || std::isspace(static_cast<unsigned char>(line[i - 1])))) {
                line.erase(i);
                break;
            }
        }
        line = Trim(line);
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line.back() != ']') {
                if (malformed == Malformed::Skip) continue;
                error = path + ":" + std::to_string(number) + ": a section name must end with ]";
                return false;
            }
            section = Lower(Trim(line.substr(1, line.size() - 2)));
            sections[section];
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos || section.empty()) {
            if (malformed == Malformed::Skip) continue;
            error = path + ":" + std::to_string(number) +
                    (section.empty() ? ": a setting before the first [section]"
                                     : ": expected key = value");
            return false;
        }
        sections[section][Lower(Trim(line.substr(0, equals)))] = {Trim(line.substr(equals + 1)),
                                                                  number};
    }
    return true;
}

bool CIniFile::HasSection(const std::string& section) const
{
    return sections.count(section) != 0;
}

const std::string* CIniFile::Find(const std::string& section, const std::string& key) const
{
    auto s = sections.find(section);
    if (s == sections.end()) return nullptr;
    auto k = s->second.find(key);
    return k == s->second.end() ? nullptr : &k->second.first;
}

int OpenUserFile(const std::string& path, int flags, std::string& error)
{
    const bool elevated = ProcessIsElevated();
    int fd = -1;
    if (elevated) {
        // The kernel then checks the access as it would for the user who started us.
        const int oldGid = setfsgid(getgid());
        const int oldUid = setfsuid(getuid());
        fd = open(path.c_str(), flags | O_CLOEXEC | O_NOFOLLOW, 0644);
        const int openError = errno;
        setfsuid(static_cast<uid_t>(oldUid));
        setfsgid(static_cast<gid_t>(oldGid));
        errno = openError;
    } else {
        fd = open(path.c_str(), flags | O_CLOEXEC, 0644);
    }
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return -1;
    }
    struct stat status {};
    if (elevated &&
        (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != getuid())) {
        close(fd);
        error = path +
                ": refused: with elevated privilege only regular files of the user's own are used";
        return -1;
    }
    return fd;
}
