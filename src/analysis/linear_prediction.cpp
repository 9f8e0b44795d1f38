#include "linear_prediction.h"

#include <cstdio>

namespace kelvox {

bool autoc(int n, const float* x, int p, float* a, float* err, float* k, int datpos)
{
    if (p < 1 || p > kMaxLpOrder)
        return false;

    // Autocorrelation R[0 … p], summed in order in single precision.
    float r[kMaxLpOrder + 1];
    for (int lag = 0; lag <= p; ++lag) {
        float sum = 0.0f;
        for (int j = 0; j < n - lag; ++j)
            sum += x[j] * x[j + lag];
        r[lag] = sum;
    }

    // Order 1.
    k[0] = r[0] != 0.0f ? -r[1] / r[0] : 0.0f;
    a[0] = 1.0f;
    a[1] = k[0];
    float e = r[0] + k[0] * r[1];

    // Levinson–Durbin: order m → m + 1.
    for (int m = 1; m < p; ++m) {
        if (e > 0.0f) {
            float s = 0.0f;
            for (int i = 0; i <= m; ++i)
                s += a[i] * r[m + 1 - i];
            const float km = -s / e;
            k[m] = km;
            // Update from both ends at once; the middle element (odd m) becomes
            // a[i]·(1 + k[m]).
            for (int i = 1; i < (m + 3) / 2; ++i) {
                const float t = a[i] + km * a[m + 1 - i];
                a[m + 1 - i] = a[m + 1 - i] + km * a[i];
                a[i] = t;
            }
            a[m + 1] = km;
            e = e + km * s;
        } else {
            // No energy left to predict from: the model stops growing here.
            k[m] = 0.0f;
            a[m + 1] = 0.0f;
        }
        if (!(e > 0.0f)) {
            std::printf("singular matrix in function autoc, minc=%d, datpos=%d\n", m, datpos);
            std::fflush(stdout);
        }
    }
    *err = e;
    return true;
}

}  // namespace kelvox
