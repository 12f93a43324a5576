#pragma once
// One machine-readable line per measured figure, collected by bench/run into
// the project's table of figures:
//   FIGURE|<name>|<value>|<unit>|<limit or ->|<ratio or ->
// The ratio is value / limit, printed where a limit exists.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace benchfig {

// Short mode (bench/run --smoke sets ZS_BENCH_SMOKE=1): one iteration of
// every measurement, so that a benchmark that no longer runs shows at once;
// its figures are printed but say little.
inline bool Smoke() {
    const char* s = std::getenv("ZS_BENCH_SMOKE");
    return s != nullptr && *s != '\0' && std::string(s) != "0";
}

// `full` in a normal run, `smoke` in the short mode.
inline int Count(int full, int smoke) { return Smoke() ? smoke : full; }

inline void Figure(const std::string& name, double value, const char* unit, double limit = 0.0, int decimals = 3) {
    if (limit > 0.0)
        std::printf("FIGURE|%s|%.*f|%s|%g|%.3g\n", name.c_str(), decimals, value, unit, limit, value / limit);
    else
        std::printf("FIGURE|%s|%.*f|%s|-|-\n", name.c_str(), decimals, value, unit);
    std::fflush(stdout);
}

// Percentile of a sample (nearest rank); 0 for an empty sample.
inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    auto rank = static_cast<std::size_t>(p / 100.0 * static_cast<double>(v.size()) + 0.999999);
    if (rank < 1) rank = 1;
    if (rank > v.size()) rank = v.size();
    return v[rank - 1];
}

inline double Median(const std::vector<double>& v) {
    if (v.empty()) return 0.0;
    std::vector<double> s = v;
    std::sort(s.begin(), s.end());
    const std::size_t n = s.size();
    return n % 2 ? s[n / 2] : (s[n / 2 - 1] + s[n / 2]) / 2.0;
}

inline double Max(const std::vector<double>& v) { return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end()); }

} // namespace benchfig
