#include "records/correction_table.h"

#include "records/records.h"

#include <algorithm>
#include <tuple>

namespace gsf::records {

namespace {

const Field& startField()
{
    return corrPrecGrup().field(CorrPrecGrup::VRPEINICGRUP);
}
const Field& endField()
{
    return corrPrecGrup().field(CorrPrecGrup::VRPEFIMGRUP);
}
const Field& correctionField()
{
    return corrPrecGrup().field(CorrPrecGrup::VRPECORRGRUP);
}

double shownValue(const std::optional<double>& v)
{
    return roundHalfAway(v.value_or(0.0), startField().decimals);
}

std::string bound(const std::optional<double>& v)
{
    return v ? shown(startField(), *v) : "(vazio)";
}

} // namespace

bool intervalBefore(const Interval& a, const Interval& b)
{
    return std::make_tuple(a.end.has_value(), a.end.value_or(0.0), a.start.value_or(0.0), a.id) <
           std::make_tuple(b.end.has_value(), b.end.value_or(0.0), b.start.value_or(0.0), b.id);
}

void sortIntervals(std::vector<Interval>& intervals)
{
    std::sort(intervals.begin(), intervals.end(), intervalBefore);
}

std::string intervalName(const Interval& interval)
{
    return "intervalo de " + bound(interval.start) + " a " + bound(interval.end);
}

std::string joinProblem(const std::vector<Interval>& sorted, std::size_t at)
{
    if (at >= sorted.size())
        return "";
    const double left = at == 0 ? 0.0 : shownValue(sorted[at - 1].end);
    const double right = shownValue(sorted[at].start);
    // A negative first start is a value out of bounds, reported as such.
    if (right > left)
        return "lacuna entre " + shown(startField(), left) + " e " + shown(startField(), right);
    if (right < left && at > 0)
        return "sobreposição entre " + shown(startField(), right) + " e " + shown(startField(), left);
    return "";
}

std::string valueProblems(const Interval& interval)
{
    // The same rules as for a row of a delta, listed all at once.
    std::vector<std::string> found;
    const auto check = [&](const Field& field, const std::optional<double>& v) {
        if (!v) {
            if (field.required)
                found.push_back(std::string(field.label) + " não informado");
            return;
        }
        std::string problem = rangeProblem(field, roundHalfAway(*v, field.decimals));
        if (!problem.empty()) {
            problem.pop_back(); // the full stop
            found.push_back(std::string(field.label) + " " + problem);
        }
    };
    check(startField(), interval.start);
    check(endField(), interval.end);
    check(correctionField(), interval.correction);
    switch (checkBounds(startField().decimals, interval.start, interval.end)) {
    case BoundsCheck::Ok: break;
    case BoundsCheck::UpperMissing: found.push_back(std::string(endField().label) + " não informado"); break;
    case BoundsCheck::UpperNotAbove:
        found.push_back(std::string(endField().label) + " não é maior que o " + startField().label);
        break;
    }
    std::string out;
    for (const std::string& f : found)
        out += (out.empty() ? "" : "; ") + f;
    return out;
}

std::vector<std::string> tableProblems(std::vector<Interval> intervals)
{
    sortIntervals(intervals);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < intervals.size(); ++i) {
        if (const std::string join = joinProblem(intervals, i); !join.empty())
            out.push_back(join + (i == 0 ? " antes do primeiro intervalo" : ""));
        if (const std::string values = valueProblems(intervals[i]); !values.empty())
            out.push_back(intervalName(intervals[i]) + ": " + values);
    }
    return out;
}

} // namespace gsf::records
