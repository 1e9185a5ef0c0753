#include "platform/data/row_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace gsf::data {
namespace {

RowStore textAndNumber()
{
    return RowStore({FieldType::String, FieldType::Float});
}

TEST(RowStore, NullEmptyAndZeroStayApartInBothKinds)
{
    RowStore store = textAndNumber();
    const std::uint32_t nulls = store.AddSlot();
    const std::uint32_t empty = store.AddSlot();
    store.SetText(empty, 0, "");
    store.SetNumber(empty, 1, 0.0);
    const std::uint32_t negativeZero = store.AddSlot();
    store.SetText(negativeZero, 0, "0");
    store.SetNumber(negativeZero, 1, -0.0);

    EXPECT_TRUE(store.IsNull(nulls, 0));
    EXPECT_TRUE(store.IsNull(nulls, 1));
    EXPECT_EQ(store.Get(nulls, 0), Value());
    EXPECT_FALSE(store.IsNull(empty, 0));
    EXPECT_FALSE(store.IsNull(empty, 1));
    EXPECT_EQ(store.Get(empty, 0), Value(std::string()));
    EXPECT_EQ(store.Get(empty, 1), Value(0.0));
    EXPECT_TRUE(std::signbit(store.Number(negativeZero, 1)));
    EXPECT_TRUE(store.Holds(empty, 0, std::string()));
    EXPECT_FALSE(store.Holds(empty, 0, Value()));
    EXPECT_FALSE(store.Holds(nulls, 1, 0.0));
    EXPECT_TRUE(store.Holds(nulls, 1, Value()));
    EXPECT_FALSE(store.Holds(negativeZero, 0, 0.0)) << "a number never equals a text";

    // A NaN stored as a number is a number, never taken for the null mark.
    store.SetNumber(nulls, 1, std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(store.IsNull(nulls, 1));
    EXPECT_TRUE(std::isnan(store.Number(nulls, 1)));
    store.SetNull(nulls, 1);
    EXPECT_TRUE(store.IsNull(nulls, 1));
}

TEST(RowStore, TextsOfEveryLengthComeBackByteForByte)
{
    RowStore store({FieldType::String});
    const std::vector<std::string> texts = {
        "",
        "a",
        "0001",
        "1234567",
        "12345678",
        "Não",
        "Grupo de serviço nº 12345",
        std::string("nul\0lo", 6),
        std::string(300, 'x'),
        std::string(70'000, 'y'),
    };
    for (const std::string& text : texts)
        store.SetText(store.AddSlot(), 0, text);
    for (std::uint32_t s = 0; s < texts.size(); ++s)
        EXPECT_EQ(store.Text(s, 0), texts[s]) << "slot " << s;
    // Overwriting a text leaves the others as they were.
    store.SetText(4, 0, "outro texto maior");
    store.SetText(1, 0, "b");
    EXPECT_EQ(store.Text(4, 0), "outro texto maior");
    EXPECT_EQ(store.Text(1, 0), "b");
    EXPECT_EQ(store.Text(5, 0), "Não");
    EXPECT_EQ(store.Text(9, 0), std::string(70'000, 'y'));
}

TEST(RowStore, ARepeatedLongTextIsKeptOnce)
{
    RowStore store({FieldType::String, FieldType::String});
    const std::string client = "00000010000001";
    for (int i = 0; i < 100; ++i) {
        const std::uint32_t slot = store.AddSlot();
        store.SetText(slot, 0, client);
        store.SetText(slot, 1, "Grupo " + std::to_string(1000 + i)); // ten bytes, each its own
    }
    EXPECT_EQ(store.TextBytes(), client.size() + 100 * 10);
    EXPECT_EQ(store.Text(57, 0), client);
    EXPECT_EQ(store.Text(57, 1), "Grupo 1057");
    // A change to one row's copy leaves the rows that share it alone.
    store.SetText(57, 0, "00000010000002");
    EXPECT_EQ(store.Text(56, 0), client);
    EXPECT_EQ(store.Text(58, 0), client);
    EXPECT_EQ(store.Text(57, 0), "00000010000002");
}

TEST(RowStore, CopiedSlotsAndTakenColumnsKeepTheirValues)
{
    RowStore store({FieldType::String, FieldType::Float, FieldType::String});
    const std::uint32_t a = store.AddSlot();
    store.SetText(a, 0, "primeira descrição");
    store.SetNumber(a, 1, 2.5);
    store.SetText(a, 2, "001");
    const std::uint32_t copy = store.CopySlot(a);
    store.Set(a, 0, std::string("alterada"));
    store.Set(a, 1, Value());
    EXPECT_EQ(store.Get(copy, 0), Value(std::string("primeira descrição")));
    EXPECT_EQ(store.Get(copy, 1), Value(2.5));
    EXPECT_EQ(store.Get(a, 0), Value(std::string("alterada")));
    EXPECT_TRUE(store.IsNull(a, 1));
    EXPECT_THROW(store.Set(a, 1, std::string("x")), std::invalid_argument);
    EXPECT_THROW(store.Set(a, 0, 1.0), std::invalid_argument);

    RowStore taken = store.TakeColumns({2, 0});
    ASSERT_EQ(taken.Width(), 2);
    ASSERT_EQ(taken.Slots(), 2u);
    EXPECT_FALSE(taken.IsNumber(0));
    EXPECT_EQ(taken.Text(a, 0), "001");
    EXPECT_EQ(taken.Text(a, 1), "alterada");
    EXPECT_EQ(taken.Text(copy, 1), "primeira descrição");
}

TEST(RowStore, CellsCompareNullsFirstThenByValue)
{
    RowStore store({FieldType::Float, FieldType::String});
    const std::uint32_t n = store.AddSlot();
    const std::uint32_t small = store.AddSlot();
    store.SetNumber(small, 0, -1);
    store.SetText(small, 1, "Abc");
    const std::uint32_t large = store.AddSlot();
    store.SetNumber(large, 0, 10);
    store.SetText(large, 1, "abc");
    EXPECT_EQ(compareCells(store, n, store, small, 0), -1);
    EXPECT_EQ(compareCells(store, small, store, n, 0), 1);
    EXPECT_EQ(compareCells(store, n, store, n, 1), 0);
    EXPECT_EQ(compareCells(store, small, store, large, 0), -1);
    EXPECT_EQ(compareCells(store, small, store, large, 1), -1) << "texts compare byte by byte";
    EXPECT_EQ(compareCells(store, large, store, large, 1), 0);
}

} // namespace
} // namespace gsf::data
