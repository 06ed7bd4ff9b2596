#pragma once

#include <chrono>

// Once the main window has closed, the process ends within `grace`, whatever
// its workers still wait for: a server that stalls a send or a check, a
// question that nobody is left to answer. Ending there is safe: every file
// the program writes is whole after any of its system calls, and a check
// stopped at any point loses no mail and stores none twice.
void EndProcessWithin(std::chrono::milliseconds grace);
