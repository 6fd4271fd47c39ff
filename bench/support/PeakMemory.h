#pragma once

#include <sys/resource.h>

namespace qalor::bench {

// The largest resident set this process has had so far, in MiB: printed
// after each step, it shows whether a step's memory follows the table's size.
inline double peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // KiB on Linux
}

} // namespace qalor::bench
