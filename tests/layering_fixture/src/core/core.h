#pragma once
struct Core {
    int value = 0;
};
