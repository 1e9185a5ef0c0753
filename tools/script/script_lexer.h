#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace gsf::script {

/// One word of a script line, with whether it was written in quotes (so a
/// quoted "null" is a text and a bare null is the absence of a value).
struct Word {
    std::string text;
    bool quoted = false;
    bool operator==(const Word&) const = default;
};

/// A line that cannot be split into words; the message is in Portuguese.
class SyntaxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Splits one script line into words the way a shell does: blanks separate
/// words; double or single quotes keep blanks inside one word; inside double
/// quotes and outside quotes a backslash takes the next character literally;
/// a `#` at the start of a word begins a comment that runs to the end of
/// the line. Adjacent quoted and bare parts form one word (`a"b c"` is `ab c`).
/// @return the words; empty for a blank or comment-only line.
/// @throws SyntaxError for an unclosed quote or a trailing backslash.
std::vector<Word> splitLine(const std::string& line);

} // namespace gsf::script
