// Fuzzes the edit-mask engine with random masks and texts (mask, a newline,
// then the text): fitting never crashes, never grows past the mask, gives a
// fitted text back unchanged, and keeps only typed characters, in their order.

#include "platform/ui/edit_mask.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using gsf::ui::EditMask;

char32_t fold(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
        return c + 32;
    return c;
}

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void checkFitted(const EditMask& mask, std::string_view typed, const std::string& fitted)
{
    const std::u32string shown = gsf::ui::utf8Decode(fitted);
    check(static_cast<int>(shown.size()) == mask.Length());
    check(mask.Fit(fitted) == fitted);
    check(gsf::ui::utf8Length(mask.TextOf(fitted)) <= mask.Length());

    check(gsf::ui::utf8Length(mask.PlaceChars(fitted)) <= mask.PlaceCount());

    // The characters kept in the places are a subsequence of the typed ones.
    const std::u32string in = gsf::ui::utf8Decode(typed);
    std::size_t next = 0;
    const auto& slots = mask.Slots();
    for (std::size_t k = 0; k < slots.size(); ++k) {
        if (slots[k].kind == EditMask::Kind::Literal) {
            check(shown[k] == slots[k].ch);
            continue;
        }
        if (shown[k] == mask.Blank())
            continue;
        while (next < in.size() && fold(in[next]) != fold(shown[k]))
            ++next;
        check(next < in.size());
        ++next;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\n');
    const std::string_view maskSource = input.substr(0, cut);
    const std::string_view typed = cut == std::string_view::npos ? std::string_view{} : input.substr(cut + 1);

    const EditMask mask(maskSource);
    check(gsf::ui::FormatMaskText(maskSource, typed) == mask.FitValue(typed));
    if (mask.Empty()) {
        check(mask.Fit(typed) == typed);
        return 0;
    }
    checkFitted(mask, typed, mask.Fit(typed));
    checkFitted(mask, typed, mask.FitPlaces(typed));
    return 0;
}
