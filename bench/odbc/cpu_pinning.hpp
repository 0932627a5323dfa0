// Runs the benchmark (and every child it starts, which inherits the mask) on
// one CPU. On a shared virtual machine the CPUs differ from minute to minute
// in how much of a physical core they get: unpinned, two runs of the same
// path differed by a factor of 1.7 depending on where the scheduler put them,
// while runs pinned to one CPU varied by a few percent. Every path of a
// repetition then meets the same CPU.
#pragma once

#include <string>

namespace odbc_bench {

// Pins the calling process to `cpu`, or to the last CPU it may run on when
// `cpu` is negative. Returns what to print ("CPU 1"); throws when the CPU
// cannot be used.
std::string pinToOneCpu(int cpu);

}  // namespace odbc_bench
