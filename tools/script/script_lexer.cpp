#include "tools/script/script_lexer.h"

namespace gsf::script {

std::vector<Word> splitLine(const std::string& line)
{
    std::vector<Word> words;
    Word current;
    bool inWord = false;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (inWord) {
                words.push_back(std::move(current));
                current = {};
                inWord = false;
            }
            ++i;
        } else if (c == '#' && !inWord) {
            break;
        } else if (!inWord) {
            current.begin = i;
            inWord = true;
        } else if (c == '\\') {
            if (i + 1 >= n)
                throw SyntaxError("barra invertida no fim da linha");
            current.text += line[i + 1];
            inWord = true;
            i += 2;
        } else if (c == '"' || c == '\'') {
            const char quote = c;
            ++i;
            bool closed = false;
            while (i < n) {
                if (line[i] == quote) {
                    closed = true;
                    ++i;
                    break;
                }
                // Single quotes keep everything as written, as a shell does.
                if (quote == '"' && line[i] == '\\' && i + 1 < n) {
                    current.text += line[i + 1];
                    i += 2;
                    continue;
                }
                current.text += line[i++];
            }
            if (!closed)
                throw SyntaxError(std::string("aspas ") + quote + " sem fechamento");
            current.quoted = true;
            inWord = true;
        } else {
            current.text += c;
            inWord = true;
            ++i;
        }
    }
    if (inWord)
        words.push_back(std::move(current));
    return words;
}

} // namespace gsf::script
