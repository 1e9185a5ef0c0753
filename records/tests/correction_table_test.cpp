#include "records/correction_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace gsf::records {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::optional<double> none;

TEST(CorrectionTable, TablesTheScreenBuildsAreSound)
{
    EXPECT_THAT(tableProblems({}), IsEmpty());
    EXPECT_THAT(tableProblems({{0.0, 10.0, 5.0, 1}, {10.0, 25.0, 8.0, 2}, {25.0, 50.0, 12.0, 3}}), IsEmpty());
    // A first interval without start, or without start and end, then the
    // next one starting at 0 (the largest end read as 0).
    EXPECT_THAT(tableProblems({{none, 10.0, 5.0, 1}, {10.0, 20.0, 8.0, 2}}), IsEmpty());
    EXPECT_THAT(tableProblems({{0.0, 10.0, 5.0, 2}, {none, none, 3.0, 1}}), IsEmpty());
    // Bounds meet as they are shown: an older end of 60,123 meets a start of 60,12.
    EXPECT_THAT(tableProblems({{0.0, 60.123, 5.0, 1}, {60.12, 70.0, 8.0, 2}}), IsEmpty());
}

TEST(CorrectionTable, EveryBrokenShapeIsNamed)
{
    EXPECT_THAT(tableProblems({{0.0, 10.0, 5.0, 1}, {10.0, 25.0, 8.0, 2}, {50.0, 60.0, 3.0, 3}}),
                ElementsAre("lacuna entre 25,00% e 50,00%"));
    EXPECT_THAT(tableProblems({{0.0, 10.0, 5.0, 1}, {25.0, 55.0, 8.0, 2}, {50.0, 60.0, 3.0, 3}}),
                ElementsAre("lacuna entre 10,00% e 25,00%", "sobreposição entre 50,00% e 55,00%"));
    EXPECT_THAT(tableProblems({{5.0, 10.0, 5.0, 1}}),
                ElementsAre("lacuna entre 0,00% e 5,00% antes do primeiro intervalo"));
    EXPECT_THAT(tableProblems({{0.0, 100.0, 5.0, 1}}),
                ElementsAre("intervalo de 0,00% a 100,00%: fim do intervalo deve ser menor que 100,00%"));
    EXPECT_THAT(tableProblems({{0.0, 10.0, 0.0, 1}}),
                ElementsAre("intervalo de 0,00% a 10,00%: percentual de correção deve ser maior que 0,00%"));
    EXPECT_THAT(tableProblems({{0.0, 10.0, 100.0, 1}}),
                ElementsAre("intervalo de 0,00% a 10,00%: percentual de correção deve ser menor que 100,00%"));
    EXPECT_THAT(tableProblems({{0.0, 10.0, none, 1}}),
                ElementsAre("intervalo de 0,00% a 10,00%: percentual de correção não informado"));
    // A start above its end is a value problem, besides the join it leaves.
    EXPECT_THAT(tableProblems({{0.0, 10.0, 5.0, 1}, {20.0, 15.0, 5.0, 2}}),
                ElementsAre("lacuna entre 10,00% e 20,00%",
                            "intervalo de 20,00% a 15,00%: fim do intervalo não é maior que o início do intervalo"));
}

TEST(CorrectionTable, JoinsAreJudgedOnTheirOwn)
{
    std::vector<Interval> table = {{25.0, 60.0, 3.0, 3}, {0.0, 10.0, 5.0, 1}, {10.0, 25.0, 8.0, 2}};
    sortIntervals(table);
    EXPECT_EQ(table[0].id, 1);
    EXPECT_EQ(joinProblem(table, 0), "");
    EXPECT_EQ(joinProblem(table, 2), "");
    EXPECT_EQ(joinProblem(table, 3), ""); // past the last: nothing to meet
    table[2].start = 20.0;
    EXPECT_EQ(joinProblem(table, 2), "sobreposição entre 20,00% e 25,00%");
    EXPECT_EQ(joinProblem(table, 1), "");
    // An empty end counts as 0, so an open first interval lets the next start at 0.
    std::vector<Interval> open = {{none, none, 3.0, 1}, {0.0, 5.0, 3.0, 2}};
    sortIntervals(open);
    EXPECT_EQ(joinProblem(open, 1), "");
    EXPECT_EQ(intervalName(open[0]), "intervalo de (vazio) a (vazio)");
}

} // namespace
} // namespace gsf::records
