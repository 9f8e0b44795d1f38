#include "page_layout.h"

namespace kelvox {

const PageLayout& builtInLayout()
{
    static const PageLayout layout = [] {
        PageLayout l;
        l.sub[0] = {"", 0, -3000, 1640, 3000, 0, 40, 2820, 1940};
        l.sub[1] = {"Time wave", 0, -25000, 1640, 25000, 100, 350, 2800, 150};
        l.sub[2] = {"F spgm", 0, 0, 1640, 1, 100, 900, 2800, 400};
        l.sub[3] = {"PP pitch", 0, 1.7, 1640, 2.7, 100, 1481, 2800, 1001};
        l.sub[4] = {"Level -/+", 0, 0, 1640, 60, 100, 1901, 2800, 1501};
        l.stripValue = {0, 50, 50, 20, 100};
        return l;
    }();
    return layout;
}

}  // namespace kelvox
