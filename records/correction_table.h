#pragma once

// The shape of a group's price-correction table: a run of intervals that
// starts at 0 and where each interval starts exactly where the one before it
// ends. Bounds are compared as they are shown (two decimals), so a value that
// older versions stored with more decimals meets a neighbour that shows the
// same.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gsf::records {

/// One row of a correction table; empty values are nullopt.
struct Interval {
    std::optional<double> start;      ///< VRPEINICGRUP, excluded; empty counts as 0
    std::optional<double> end;        ///< VRPEFIMGRUP, included
    std::optional<double> correction; ///< VRPECORRGRUP
    std::int64_t id = 0;              ///< the stored row, for telling identical intervals apart
};

/// Whether @p a comes before @p b in the table's order (see sortIntervals).
bool intervalBefore(const Interval& a, const Interval& b);

/// Puts @p intervals in the table's order: an empty end first, then by end,
/// start (empty as 0) and id. This is the order the screen lists them in, so
/// the last one holds the largest end.
void sortIntervals(std::vector<Interval>& intervals);

/// "intervalo de 10,00% a 25,00%" (an empty bound reads "(vazio)").
std::string intervalName(const Interval& interval);

/// The join in front of position @p at of the sorted table @p sorted: between
/// the end of the interval before it (or 0 for the first) and the start of
/// the interval at @p at. Nothing is judged past the last interval.
/// @return "" when they meet, otherwise "lacuna entre 25,00% e 50,00%" or
/// "sobreposição entre 20,00% e 25,00%".
std::string joinProblem(const std::vector<Interval>& sorted, std::size_t at);

/// The values of one interval against the single-row rules: end in (0, 100)
/// and above the start, start in [0, 100), correction given and in (0, 100),
/// an end given whenever there is a start.
/// @return "" or the problems, separated by "; ".
std::string valueProblems(const Interval& interval);

/// Everything wrong with a whole table (in any order): each gap (a first start
/// above 0 included), each overlap, each interval with values out of bounds.
/// @return one line per problem; empty for a sound table.
std::vector<std::string> tableProblems(std::vector<Interval> intervals);

} // namespace gsf::records
