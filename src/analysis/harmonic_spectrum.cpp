#include "harmonic_spectrum.h"

#include "numeric.h"

#include <cmath>
#include <new>
#include <vector>

namespace kelvox {

namespace {
// Fixed analysis constants: harmonics are multiplied (not added), and the j-th
// harmonic lies at exactly j times the fundamental (no inharmonicity).
constexpr bool kHarmonicSum = false;
constexpr double kInharmonicity = 0.0;
}  // namespace

void harmspec(float* spectrum, int count, int nharm)
{
    if (count < 2 || nharm < 1)
        return;
    std::vector<double> work;
    try {
        work.assign(static_cast<size_t>(count), 0.0);
    } catch (const std::bad_alloc&) {
        return;
    }

    double b = kSectionPowerFloor;
    for (int i = 1; i < count; ++i)
        if (spectrum[i] > b)
            b = spectrum[i];

    for (int i = 1; i < count; ++i) {
        double acc = kHarmonicSum ? 0.0 : 1.0;
        for (int j = 1; j <= nharm; ++j) {
            const double e = j * std::sqrt(kInharmonicity * j * j + 1.0) * i / nharm;
            const int index = satInt(e);
            if (index >= count - 1)
                continue;
            const double frac = e - index;
            const double h = spectrum[index] + frac * (spectrum[index + 1] - spectrum[index]);
            acc = kHarmonicSum ? acc + h / b : acc * h / b;
        }
        work[static_cast<size_t>(i)] = acc;
    }

    double c = kSectionPowerFloor;
    for (int i = 1; i < count; ++i)
        if (work[static_cast<size_t>(i)] > c)
            c = work[static_cast<size_t>(i)];
    for (int i = 1; i < count; ++i)
        spectrum[i] = static_cast<float>(b * work[static_cast<size_t>(i)] / c);
}

long double db10(float x)
{
    long double v = x;
    if (!(v > kSectionPowerFloor))
        v = kSectionPowerFloor;
    return 10.0L * std::log10(v);
}

}  // namespace kelvox
