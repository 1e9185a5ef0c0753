#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace gsf::script {

/// One word of a script line, with whether it was written in quotes (so a
/// quoted "null" is a text and a bare null is the absence of a value) and
/// where it starts in the line (for commands that read a part of the line
/// as written, such as a list of call arguments).
struct Word {
    std::string text;
    bool quoted = false;
    /// Offset of the word's first character (a quote included) in the line.
    size_t begin = 0;
    /// Two words are equal by what they say, wherever they stand.
    bool operator==(const Word& other) const { return text == other.text && quoted == other.quoted; }
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
