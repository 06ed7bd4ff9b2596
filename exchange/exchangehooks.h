#pragma once

#include <functional>

// What a long export or import tells its caller as it goes, and asks it.
struct ExchangeHooks {
    std::function<void(int done, int total)> progress;
    std::function<bool()> cancelled;
};
