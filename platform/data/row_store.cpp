#include "platform/data/row_store.h"

#include "platform/data/field.h"

#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace gsf::data {

namespace {

static_assert(std::endian::native == std::endian::little, "text cells keep their bytes in the low bytes");

// A number cell is the double's bits; null is a signalling NaN that no
// arithmetic produces (and that a stored number, always finite, never is).
constexpr std::uint64_t kNullNumber = 0x7FF4'0000'0000'0001ULL;

// A text cell's top byte tells what it holds: 0..7, that many bytes of text
// in the cell's low bytes; kArena, a text of the arena (offset in the low 32
// bits, length in the next 24); kArenaLong, a text of the arena whose 64-bit
// length sits at the offset, before its bytes; kNullTag, null.
constexpr unsigned kInline = 7;
constexpr unsigned kArena = 0x80;
constexpr unsigned kArenaLong = 0x81;
constexpr unsigned kNullTag = 0xFF;
constexpr std::uint64_t kNullText = std::uint64_t{kNullTag} << 56;
constexpr std::uint64_t kLongText = std::uint64_t{1} << 24;

unsigned tagOf(std::uint64_t cell)
{
    return static_cast<unsigned>(cell >> 56);
}

std::uint64_t nullCell(FieldType type)
{
    return type == FieldType::Float ? kNullNumber : kNullText;
}

} // namespace

RowStore::RowStore(std::vector<FieldType> types) : types_(std::move(types)) {}

std::uint32_t RowStore::AddSlot()
{
    if (slots_ == std::numeric_limits<std::uint32_t>::max())
        throw DataError("Conjunto de dados grande demais.");
    std::uint64_t* cells = cells_.grow(types_.size());
    for (std::size_t c = 0; c < types_.size(); ++c)
        cells[c] = nullCell(types_[c]);
    return slots_++;
}

std::uint32_t RowStore::CopySlot(std::uint32_t from)
{
    const std::uint32_t slot = AddSlot();
    std::memcpy(cells_.data() + at(slot, 0), cells_.data() + at(from, 0), types_.size() * sizeof(std::uint64_t));
    return slot;
}

void RowStore::Reserve(std::size_t slots, std::size_t textBytes)
{
    cells_.reserveMore(slots * types_.size());
    arena_.reserveMore(textBytes);
}

void RowStore::ShrinkToFit()
{
    cells_.shrinkToFit();
    arena_.shrinkToFit();
}

bool RowStore::IsNull(std::uint32_t slot, int column) const
{
    const std::uint64_t cell = Cell(slot, column);
    return IsNumber(column) ? cell == kNullNumber : cell == kNullText;
}

double RowStore::Number(std::uint32_t slot, int column) const
{
    return std::bit_cast<double>(Cell(slot, column));
}

std::string_view RowStore::Text(std::uint32_t slot, int column) const
{
    const std::uint64_t* cell = cells_.data() + at(slot, column);
    const unsigned tag = tagOf(*cell);
    if (tag <= kInline)
        return {reinterpret_cast<const char*>(cell), tag};
    const std::size_t offset = *cell & 0xFFFF'FFFFu;
    if (tag == kArena)
        return {arena_.data() + offset, static_cast<std::size_t>((*cell >> 32) & 0xFF'FFFFu)};
    std::uint64_t length = 0;
    std::memcpy(&length, arena_.data() + offset, sizeof length);
    return {arena_.data() + offset + sizeof length, static_cast<std::size_t>(length)};
}

Value RowStore::Get(std::uint32_t slot, int column) const
{
    if (IsNull(slot, column))
        return {};
    if (IsNumber(column))
        return Number(slot, column);
    return std::string(Text(slot, column));
}

void RowStore::SetNull(std::uint32_t slot, int column)
{
    cells_.data()[at(slot, column)] = nullCell(types_[static_cast<std::size_t>(column)]);
}

void RowStore::SetNumber(std::uint32_t slot, int column, double value)
{
    // Only the null mark itself could be taken for a null; any other NaN is kept.
    const auto bits = std::bit_cast<std::uint64_t>(value);
    cells_.data()[at(slot, column)] =
        bits == kNullNumber ? std::bit_cast<std::uint64_t>(std::numeric_limits<double>::quiet_NaN()) : bits;
}

void RowStore::SetText(std::uint32_t slot, int column, std::string_view text)
{
    std::uint64_t cell = 0;
    if (text.size() <= kInline) {
        std::memcpy(&cell, text.data(), text.size());
        cell |= std::uint64_t{text.size()} << 56;
        cells_.data()[at(slot, column)] = cell;
        return;
    }
    // Rows of one client repeat its branch and client codes: a text equal to
    // the one above it shares its bytes.
    if (slot > 0 && !IsNull(slot - 1, column) && Text(slot - 1, column) == text) {
        cells_.data()[at(slot, column)] = Cell(slot - 1, column);
        return;
    }
    const bool isLong = text.size() >= kLongText;
    const std::size_t need = text.size() + (isLong ? sizeof(std::uint64_t) : 0);
    const std::size_t offset = arena_.size();
    if (offset + need > std::numeric_limits<std::uint32_t>::max())
        throw DataError("Textos demais para um conjunto de dados.");
    char* bytes = arena_.grow(need);
    if (isLong) {
        const std::uint64_t length = text.size();
        std::memcpy(bytes, &length, sizeof length);
        bytes += sizeof length;
        cell = std::uint64_t{kArenaLong} << 56 | offset;
    } else {
        cell = std::uint64_t{kArena} << 56 | std::uint64_t{text.size()} << 32 | offset;
    }
    std::memcpy(bytes, text.data(), text.size());
    cells_.data()[at(slot, column)] = cell;
}

void RowStore::Set(std::uint32_t slot, int column, const Value& value)
{
    if (isNull(value))
        return SetNull(slot, column);
    const auto* number = std::get_if<double>(&value);
    if ((number != nullptr) != IsNumber(column))
        throw std::invalid_argument("value of the wrong kind for its column");
    if (number)
        return SetNumber(slot, column, *number);
    SetText(slot, column, std::get<std::string>(value));
}

bool RowStore::Holds(std::uint32_t slot, int column, const Value& value) const
{
    if (isNull(value))
        return IsNull(slot, column);
    if (IsNull(slot, column))
        return false;
    if (const auto* number = std::get_if<double>(&value))
        return IsNumber(column) && Number(slot, column) == *number;
    return !IsNumber(column) && Text(slot, column) == std::get<std::string>(value);
}

RowStore RowStore::TakeColumns(const std::vector<int>& columns)
{
    std::vector<FieldType> types;
    types.reserve(columns.size());
    for (const int c : columns)
        types.push_back(types_[static_cast<std::size_t>(c)]);
    RowStore out(std::move(types));
    std::uint64_t* cells = out.cells_.grow(static_cast<std::size_t>(slots_) * columns.size());
    for (std::uint32_t s = 0; s < slots_; ++s)
        for (const int c : columns)
            *cells++ = Cell(s, c);
    out.slots_ = slots_;
    out.arena_ = std::move(arena_);
    return out;
}

std::size_t RowStore::HeapBytes() const
{
    return cells_.capacity() * sizeof(std::uint64_t) + arena_.capacity();
}

int compareCells(const RowStore& as, std::uint32_t a, const RowStore& bs, std::uint32_t b, int column)
{
    const bool aNull = as.IsNull(a, column), bNull = bs.IsNull(b, column);
    if (aNull || bNull)
        return aNull == bNull ? 0 : (aNull ? -1 : 1);
    if (as.IsNumber(column)) {
        const double x = as.Number(a, column), y = bs.Number(b, column);
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    const int c = as.Text(a, column).compare(bs.Text(b, column));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

} // namespace gsf::data
