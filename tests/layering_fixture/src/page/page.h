#pragma once
#include "core.h"
struct Core {
    int value = 0;
};
