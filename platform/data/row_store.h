#pragma once

#include "platform/data/packet.h"
#include "platform/data/value.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace gsf::data {

/// A growable array of plain values in one block from malloc, so that it can
/// grow and shrink with realloc: a large block is then moved by the kernel's
/// page tables instead of being copied.
template <typename T>
class GrowBuffer {
public:
    GrowBuffer() = default;
    ~GrowBuffer() { std::free(data_); }
    GrowBuffer(GrowBuffer&& other) noexcept : data_(other.data_), size_(other.size_), capacity_(other.capacity_)
    {
        other.data_ = nullptr;
        other.size_ = other.capacity_ = 0;
    }
    GrowBuffer& operator=(GrowBuffer&& other) noexcept
    {
        if (this != &other) {
            std::free(data_);
            data_ = other.data_;
            size_ = other.size_;
            capacity_ = other.capacity_;
            other.data_ = nullptr;
            other.size_ = other.capacity_ = 0;
        }
        return *this;
    }
    GrowBuffer(const GrowBuffer&) = delete;
    GrowBuffer& operator=(const GrowBuffer&) = delete;

    T* data() { return data_; }
    const T* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }

    /// Makes room for @p more items past the end. @throws std::bad_alloc.
    void reserveMore(std::size_t more)
    {
        if (size_ + more <= capacity_)
            return;
        std::size_t wanted = capacity_ + capacity_ / 2;
        if (wanted < size_ + more)
            wanted = size_ + more;
        if (wanted < 16)
            wanted = 16;
        setCapacity(wanted);
    }
    /// Adds @p count items, uninitialised. @return the first of them.
    T* grow(std::size_t count)
    {
        reserveMore(count);
        T* at = data_ + size_;
        size_ += count;
        return at;
    }
    /// Gives back the room past the end.
    void shrinkToFit()
    {
        if (capacity_ > size_)
            setCapacity(size_);
    }

private:
    void setCapacity(std::size_t capacity)
    {
        if (capacity == 0) {
            std::free(data_);
            data_ = nullptr;
            capacity_ = 0;
            return;
        }
        void* moved = std::realloc(data_, capacity * sizeof(T));
        if (!moved)
            throw std::bad_alloc();
        data_ = static_cast<T*>(moved);
        capacity_ = capacity;
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

/// Rows ("slots") of typed cells, eight bytes each, the storage of a dataset.
///
/// A number cell holds its double; a text cell holds a text of up to seven
/// bytes itself and a longer one as a place in one byte arena shared by the
/// store, so that no cell owns memory of its own; null is a mark of its own in
/// both kinds. A text equal to the one in the same column of the slot above
/// shares its bytes. Slots are only ever added: a replaced value stays in the
/// arena until the store goes, so a cell's bytes never move.
class RowStore {
public:
    RowStore() = default;
    /// A store of rows with one column per type.
    explicit RowStore(std::vector<FieldType> types);
    RowStore(RowStore&&) noexcept = default;
    RowStore& operator=(RowStore&&) noexcept = default;

    int Width() const { return static_cast<int>(types_.size()); }
    bool IsNumber(int column) const { return types_[static_cast<std::size_t>(column)] == FieldType::Float; }
    std::uint32_t Slots() const { return slots_; }
    /// Bytes of text held in the arena.
    std::size_t TextBytes() const { return arena_.size(); }

    /// A new slot, every cell null. @return its number.
    std::uint32_t AddSlot();
    /// A new slot with the cells of @p from. @return its number.
    std::uint32_t CopySlot(std::uint32_t from);
    /// Room for @p slots more slots and @p textBytes more bytes of text.
    void Reserve(std::size_t slots, std::size_t textBytes);
    /// Gives back the room reserved past what is used.
    void ShrinkToFit();

    bool IsNull(std::uint32_t slot, int column) const;
    /// The number of a number cell that is not null.
    double Number(std::uint32_t slot, int column) const;
    /// The text of a text cell that is not null; valid until a slot is added.
    std::string_view Text(std::uint32_t slot, int column) const;
    /// The cell as a value (null, a number or a text).
    Value Get(std::uint32_t slot, int column) const;

    void SetNull(std::uint32_t slot, int column);
    void SetNumber(std::uint32_t slot, int column, double value);
    /// @throws DataError when the arena would pass 4 GiB.
    void SetText(std::uint32_t slot, int column, std::string_view text);
    /// Stores @p value, which must be null or of the column's kind.
    /// @throws std::invalid_argument for a value of the other kind.
    void Set(std::uint32_t slot, int column, const Value& value);
    /// Whether the cell holds @p value (null-safe: null equals only null).
    bool Holds(std::uint32_t slot, int column, const Value& value) const;

    /// The raw cell, for copying between stores that share one arena.
    std::uint64_t Cell(std::uint32_t slot, int column) const { return cells_.data()[at(slot, column)]; }

    /// A store whose columns are @p columns of this one, in that order, its
    /// slots in the same order; the arena moves to it, so this store must
    /// not be read afterwards.
    RowStore TakeColumns(const std::vector<int>& columns);

    /// Bytes of memory the store holds.
    std::size_t HeapBytes() const;

private:
    std::size_t at(std::uint32_t slot, int column) const
    {
        return static_cast<std::size_t>(slot) * types_.size() + static_cast<std::size_t>(column);
    }

    std::vector<FieldType> types_;
    GrowBuffer<std::uint64_t> cells_;
    GrowBuffer<char> arena_;
    std::uint32_t slots_ = 0;
};

/// -1, 0 or 1: cell @p a of @p as against cell @p b of @p bs, column
/// @p column of both: a null before any value, numbers by value, texts byte
/// by byte.
int compareCells(const RowStore& as, std::uint32_t a, const RowStore& bs, std::uint32_t b, int column);

} // namespace gsf::data
