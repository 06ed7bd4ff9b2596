#include "app/quitdeadline.h"

#include <thread>
#include <unistd.h>

void EndProcessWithin(std::chrono::milliseconds grace) {
    std::thread([grace] {
        std::this_thread::sleep_for(grace);
        // No destructor or exit handler runs: they are what may be stuck.
        ::_exit(0);
    }).detach();
}
