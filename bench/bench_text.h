// How the benchmarks write numbers. Portable, for the benchmarks that also build natively.
#pragma once

#include <string>

namespace bench {

// 1000000 as "1,000,000".
inline std::string Thousands(int value) {
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[at];
    }
    return grouped;
}

} // namespace bench
