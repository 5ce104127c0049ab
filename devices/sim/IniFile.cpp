#include "IniFile.h"

#include <cctype>
#include <fstream>

namespace {

std::string Trim(const std::string& s)
{
    size_t b = 0;
    size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

std::string Lower(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

bool CIniFile::Read(const std::string& path, std::string& error, Malformed malformed)
{
    std::ifstream in(path);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
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
                    (section.empty() ? ": a setting before the first [section]" : ": expected key = value");
            return false;
        }
        sections[section][Lower(Trim(line.substr(0, equals)))] = {Trim(line.substr(equals + 1)), number};
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
