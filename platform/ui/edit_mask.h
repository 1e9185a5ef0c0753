#pragma once

// The edit-mask engine. Depends on the standard library only, so it can be
// compiled on its own (the fuzz target does).

#include <string>
#include <string_view>
#include <vector>

namespace gsf::ui {

/// A parsed edit mask "mask;save-literals;blank".
///
/// Mask characters: `0` digit required, `9` digit optional, `#` digit or sign
/// optional, `L`/`l` letter required/optional, `A`/`a` letter or digit
/// required/optional, `C`/`c` any character required/optional, `>` upper case
/// from here, `<` lower case from here, `<>` no case conversion, `\` makes the
/// next character a literal; every other character (`/` and `:` included) is a
/// literal. The second part is `0` when Text leaves the literals out (anything
/// else keeps them); the third part is the blank character shown in empty
/// places (default `_`). Lengths and positions count UTF-8 code points;
/// letter places take ASCII letters only (`c` places take any printable
/// character, accented letters included, and `>`/`<` convert Latin-1 letters too).
class EditMask {
public:
    enum class Kind { Literal, Place };
    enum class Case { None, Upper, Lower };

    /// One position of the edit text.
    struct Slot {
        Kind kind = Kind::Literal;
        char32_t ch = 0; ///< the literal, or the place's mask character
        Case caseMode = Case::None;
        bool required = false;
    };

    EditMask() = default;
    explicit EditMask(std::string_view source);

    const std::string& Source() const { return source_; }
    /// No mask at all (an empty source, or a source without positions).
    bool Empty() const { return slots_.empty(); }
    bool SaveLiterals() const { return saveLiterals_; }
    char32_t Blank() const { return blank_; }
    /// Positions of the edit text (places and literals).
    int Length() const { return static_cast<int>(slots_.size()); }
    int PlaceCount() const;
    const std::vector<Slot>& Slots() const { return slots_; }

    /// Whether place @p slot takes @p ch (before case conversion).
    bool Accepts(const Slot& slot, char32_t ch) const;

    /// Fits a typed or given text into the mask, character by character:
    /// a literal position consumes the same character when it comes next; a
    /// place takes the next character it accepts (letters forced to its case),
    /// skipping those it does not; the blank character stands for an empty
    /// place. What is left once the positions are used up is cut. No accepted
    /// character is lost or duplicated before the cut, and fitting a fitted
    /// text gives it back unchanged.
    /// @return the edit text: exactly Length() code points. Empty mask: @p text.
    std::string Fit(std::string_view text) const;
    /// Fit for characters meant for the places only: literal positions never
    /// consume a character, so a character equal to a literal is not lost.
    std::string FitPlaces(std::string_view chars) const;
    /// Lays a value into the mask: with saved literals the value carries them
    /// (Fit), otherwise it holds the place characters only (FitPlaces).
    std::string FitValue(std::string_view value) const;
    /// The value of an edit text: filled places, plus the literals when saved.
    std::string TextOf(std::string_view editText) const;
    /// The characters in the places of an edit text, no literals, no blanks.
    std::string PlaceChars(std::string_view editText) const;
    /// Every required place of @p editText holds a character.
    bool IsComplete(std::string_view editText) const;

private:
    std::string fit(std::string_view text, bool matchLiterals) const;

    std::string source_;
    std::vector<Slot> slots_;
    char32_t blank_ = U'_';
    bool saveLiterals_ = true;
};

/// Lays a value into a mask (EditMask::FitValue): FormatMaskText("000.000.000-00;0;_",
/// "11144477735") == "111.444.777-35". Places without a character show the
/// blank. An empty mask returns @p value unchanged.
std::string FormatMaskText(std::string_view mask, std::string_view value);

/// UTF-8 helpers (invalid bytes read as U+FFFD).
std::u32string utf8Decode(std::string_view text);
std::string utf8Encode(std::u32string_view text);
std::string utf8Encode(char32_t ch);
/// Number of code points.
int utf8Length(std::string_view text);

/// A key typed at the end of @p text: backspace (8) removes the last
/// character, a printable one is appended.
/// @return false, leaving @p text alone, for any other key and for a
/// backspace on empty text.
bool applyTypedKey(std::u32string& text, char32_t ch);

/// C0 and C1 control characters and DEL: never part of a typed value.
bool isControlChar(char32_t ch);
/// @p text without its control characters (a tab or line break pasted from
/// elsewhere), so that nothing the person cannot see is stored.
std::string withoutControlChars(std::string_view text);

} // namespace gsf::ui
