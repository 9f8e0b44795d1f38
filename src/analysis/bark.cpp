#include "bark.h"

namespace kelvox {

double bark2hz(double z)
{
    return 20.0 + z * (69.33771 + z * (14.34863 + z * (-3.21206 + z * (0.400385 + z * (-0.02128 + z * 0.000452)))));
}

}  // namespace kelvox
