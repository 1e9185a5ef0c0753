#include "platform/ui/edit_mask.h"

namespace gsf::ui {

namespace {

constexpr char32_t replacement = 0xFFFD;

bool isDigit(char32_t c)
{
    return c >= U'0' && c <= U'9';
}

// Letter places take ASCII letters only: masks hold codes (branches,
// registration numbers), which the server accepts in ASCII alone, and the
// Qt input masks they become accept no other letters either.
bool isLetter(char32_t c)
{
    return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z');
}

char32_t toUpper(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 32;
    return c;
}

char32_t toLower(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 32;
    return c;
}

bool isPlaceChar(char32_t c)
{
    switch (c) {
    case U'0':
    case U'9':
    case U'#':
    case U'L':
    case U'l':
    case U'A':
    case U'a':
    case U'C':
    case U'c': return true;
    default: return false;
    }
}

bool isRequiredPlace(char32_t c)
{
    return c == U'0' || c == U'L' || c == U'A' || c == U'C';
}

} // namespace

std::u32string utf8Decode(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (b0 < 0x80) {
            out.push_back(b0);
            ++i;
            continue;
        }
        if ((b0 & 0xE0) == 0xC0) {
            extra = 1;
            cp = b0 & 0x1F;
            min = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            extra = 2;
            cp = b0 & 0x0F;
            min = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            extra = 3;
            cp = b0 & 0x07;
            min = 0x10000;
        } else {
            out.push_back(replacement);
            ++i;
            continue;
        }
        if (i + static_cast<std::size_t>(extra) >= n) {
            out.push_back(replacement);
            ++i;
            continue;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const auto b = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((b & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(replacement);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string utf8Encode(char32_t c)
{
    std::string out;
    if (c >= 0xD800 && c <= 0xDFFF)
        c = replacement;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c <= 0x10FFFF) {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        return utf8Encode(replacement);
    }
    return out;
}

std::string utf8Encode(std::u32string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        out += utf8Encode(c);
    return out;
}

int utf8Length(std::string_view text)
{
    return static_cast<int>(utf8Decode(text).size());
}

EditMask::EditMask(std::string_view source) : source_(source)
{
    const std::u32string src = utf8Decode(source);
    // Split "mask;save;blank" at the first two semicolons that are not escaped.
    std::size_t maskEnd = src.size();
    std::size_t saveEnd = src.size();
    for (std::size_t i = 0; i < src.size(); ++i) {
        if (src[i] == U'\\') {
            ++i;
            continue;
        }
        if (src[i] == U';') {
            if (maskEnd == src.size()) {
                maskEnd = i;
            } else {
                saveEnd = i;
                break;
            }
        }
    }
    if (maskEnd < src.size()) {
        const std::size_t saveStart = maskEnd + 1;
        if (saveStart < saveEnd && src[saveStart] == U'0')
            saveLiterals_ = false;
        if (saveEnd + 1 < src.size())
            blank_ = src[saveEnd + 1];
    }

    Case caseMode = Case::None;
    for (std::size_t i = 0; i < maskEnd; ++i) {
        const char32_t c = src[i];
        if (c == U'\\') {
            if (i + 1 < maskEnd)
                slots_.push_back({Kind::Literal, src[++i], caseMode, false});
            continue;
        }
        if (c == U'<' && i + 1 < maskEnd && src[i + 1] == U'>') {
            caseMode = Case::None;
            ++i;
        } else if (c == U'>') {
            caseMode = Case::Upper;
        } else if (c == U'<') {
            caseMode = Case::Lower;
        } else if (isPlaceChar(c)) {
            slots_.push_back({Kind::Place, c, caseMode, isRequiredPlace(c)});
        } else {
            slots_.push_back({Kind::Literal, c, caseMode, false});
        }
    }
}

int EditMask::PlaceCount() const
{
    int count = 0;
    for (const Slot& s : slots_)
        count += s.kind == Kind::Place ? 1 : 0;
    return count;
}

bool EditMask::Accepts(const Slot& slot, char32_t ch) const
{
    if (slot.kind != Kind::Place)
        return false;
    switch (slot.ch) {
    case U'0':
    case U'9': return isDigit(ch);
    case U'#': return isDigit(ch) || ch == U'+' || ch == U'-';
    case U'L':
    case U'l': return isLetter(ch);
    case U'A':
    case U'a': return isLetter(ch) || isDigit(ch);
    default: // C, c: any printable character
        return !isControlChar(ch);
    }
}

std::string EditMask::Fit(std::string_view text) const
{
    return fit(text, true);
}

std::string EditMask::FitPlaces(std::string_view chars) const
{
    return fit(chars, false);
}

std::string EditMask::FitValue(std::string_view value) const
{
    return fit(value, saveLiterals_);
}

std::string EditMask::fit(std::string_view text, bool matchLiterals) const
{
    if (slots_.empty())
        return std::string(text);
    const std::u32string in = utf8Decode(text);
    std::u32string out;
    out.reserve(slots_.size());
    std::size_t i = 0;
    for (const Slot& slot : slots_) {
        if (slot.kind == Kind::Literal) {
            if (matchLiterals && i < in.size() && in[i] == slot.ch)
                ++i;
            out.push_back(slot.ch);
            continue;
        }
        char32_t placed = blank_;
        while (i < in.size()) {
            const char32_t c = in[i++];
            if (c == blank_)
                break; // an empty place, kept empty so a fitted text fits unchanged
            if (Accepts(slot, c)) {
                placed = slot.caseMode == Case::Upper ? toUpper(c) : slot.caseMode == Case::Lower ? toLower(c) : c;
                break;
            }
        }
        out.push_back(placed);
    }
    return utf8Encode(out);
}

std::string EditMask::TextOf(std::string_view editText) const
{
    if (slots_.empty())
        return std::string(editText);
    const std::u32string fitted = utf8Decode(Fit(editText));
    std::u32string out;
    for (std::size_t k = 0; k < slots_.size(); ++k) {
        if (slots_[k].kind == Kind::Literal) {
            if (saveLiterals_)
                out.push_back(slots_[k].ch);
        } else if (fitted[k] != blank_) {
            out.push_back(fitted[k]);
        }
    }
    return utf8Encode(out);
}

std::string EditMask::PlaceChars(std::string_view editText) const
{
    if (slots_.empty())
        return std::string(editText);
    const std::u32string fitted = utf8Decode(Fit(editText));
    std::u32string out;
    for (std::size_t k = 0; k < slots_.size(); ++k) {
        if (slots_[k].kind == Kind::Place && fitted[k] != blank_)
            out.push_back(fitted[k]);
    }
    return utf8Encode(out);
}

bool EditMask::IsComplete(std::string_view editText) const
{
    const std::u32string fitted = utf8Decode(Fit(editText));
    for (std::size_t k = 0; k < slots_.size(); ++k) {
        if (slots_[k].required && fitted[k] == blank_)
            return false;
    }
    return true;
}

std::string FormatMaskText(std::string_view mask, std::string_view value)
{
    return EditMask(mask).FitValue(value);
}

bool applyTypedKey(std::u32string& text, char32_t ch)
{
    if (ch == U'\b') {
        if (text.empty())
            return false;
        text.pop_back();
        return true;
    }
    if (isControlChar(ch))
        return false;
    text.push_back(ch);
    return true;
}

bool isControlChar(char32_t ch)
{
    return ch < 0x20 || (ch >= 0x7F && ch <= 0x9F);
}

std::string withoutControlChars(std::string_view text)
{
    std::u32string kept;
    for (char32_t ch : utf8Decode(text))
        if (!isControlChar(ch))
            kept.push_back(ch);
    return utf8Encode(kept);
}

} // namespace gsf::ui
