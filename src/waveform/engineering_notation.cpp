#include "engineering_notation.h"

#include "parse_number.h"

#include <cmath>

namespace kelvox {

std::string engineeringNotation(double v)
{
    const double b = std::fabs(v);
    if (b == 0)
        return "0";
    // Three rows per prefix. Each row starts just below a power of ten (9.99,
    // not 10): a value that rounds up to the next power already takes that
    // power's format, so 9.99 prints as "10.0".
    if (b >= 9.99e7) return format("%1.0fM", v * 1e-6);
    if (b >= 9990000) return format("%3.1fM", v * 1e-6);
    if (b >= 999000) return format("%3.2fM", v * 1e-6);
    if (b >= 99900) return format("%1.0fk", v * 1e-3);
    if (b >= 9990) return format("%3.1fk", v * 1e-3);
    if (b >= 999) return format("%3.2fk", v * 1e-3);
    if (b >= 99.9) return format("%1.0f", v);
    if (b >= 9.99) return format("%3.1f", v);
    if (b >= 0.999) return format("%3.2f", v);
    if (b >= 0.0999) return format("%1.0fm", v * 1e3);
    if (b >= 0.00999) return format("%3.1fm", v * 1e3);
    if (b >= 0.000999) return format("%3.2fm", v * 1e3);
    return format("%1.0fu", v * 1e6);
}

}  // namespace kelvox
