#include "CommandLine.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

} // namespace

bool SplitCommandLine(std::string_view line, std::vector<std::string>& words)
{
    words.clear();
    std::string word;
    bool inWord = false; // a quote opens a word even when it stays empty
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (IsBlank(c)) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            ++i;
        } else if (c == '\\') {
            if (i + 1 < line.size()) {
                if (line[i + 1] != '\n') {
                    word += line[i + 1];
                    inWord = true;
                }
                i += 2;
            } else { // a backslash that ends the line stands for itself
                word += c;
                inWord = true;
                ++i;
            }
        } else if (c == '\'') {
            size_t close = line.find('\'', i + 1);
            if (close == std::string_view::npos) return false;
            word.append(line.substr(i + 1, close - i - 1));
            inWord = true;
            i = close + 1;
        } else if (c == '"') {
            inWord = true;
            for (++i;; ++i) {
                if (i >= line.size()) return false;
                char d = line[i];
                if (d == '"') break;
                if (d == '\\' && i + 1 < line.size()) {
                    char next = line[i + 1];
                    if (next == '$' || next == '`' || next == '"' || next == '\\') {
                        word += next;
                        ++i;
                        continue;
                    }
                    if (next == '\n') {
                        ++i;
                        continue;
                    }
                }
                word += d;
            }
            ++i;
        } else {
            word += c;
            inWord = true;
            ++i;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return true;
}
