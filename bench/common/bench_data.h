#pragma once

// Data and measuring helpers shared by the benchmarks.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace gsf::server {
class Storage;
}

namespace gsf::bench {

/// A distinct three-character group code for each @p n below 62^3: digits,
/// then upper-case and lower-case letters.
std::string groupCode(int n);

/// A valid CPF (natural person registration) built from @p seed.
std::string cpf(int seed);

/// Adds client @p client of branch 0001 (registration from @p seed) with
/// @p groups groups, inserted through the server's own UpdGrupServ in deltas
/// of a thousand rows: accented descriptions, minimums with three decimals,
/// some days left null.
void addClientWithGroups(gsf::server::Storage& storage, const std::string& client, int seed, int groups);

/// Median of @p values (0 for none).
inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t half = values.size() / 2;
    return values.size() % 2 ? values[half] : (values[half - 1] + values[half]) / 2;
}

/// Milliseconds taken by @p work.
template <typename Work>
double millisecondsOf(Work&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

/// The machine's load average over the last minute, as the report shows it.
std::string loadAverage();

} // namespace gsf::bench
