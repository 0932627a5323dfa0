#include "cpu_pinning.hpp"

#include <gtest/gtest.h>
#include <sched.h>

#include <stdexcept>
#include <string>
#include <thread>

namespace odbc_bench {
namespace {

// Affinity belongs to the calling thread: each case pins a thread of its own,
// so the rest of the test program keeps every CPU.
template <class F>
void OnOwnThread(F&& body) {
  std::thread thread(std::forward<F>(body));
  thread.join();
}

int LastAllowedCpu() {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  EXPECT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
  for (int cpu = CPU_SETSIZE - 1; cpu >= 0; --cpu)
    if (CPU_ISSET(cpu, &allowed)) return cpu;
  return -1;
}

TEST(CpuPinning, DefaultsToTheLastAllowedCpuAndRefusesOthers) {
  OnOwnThread([] {
    const int last = LastAllowedCpu();
    ASSERT_GE(last, 0);
    EXPECT_EQ(pinToOneCpu(-1), "CPU " + std::to_string(last));
    cpu_set_t now;
    CPU_ZERO(&now);
    ASSERT_EQ(sched_getaffinity(0, sizeof now, &now), 0);
    EXPECT_EQ(CPU_COUNT(&now), 1);
    EXPECT_TRUE(CPU_ISSET(last, &now));
    // Once pinned, every other CPU is outside the mask and refused.
    if (last > 0) {
      EXPECT_THROW(pinToOneCpu(last - 1), std::invalid_argument);
    }
    EXPECT_THROW(pinToOneCpu(CPU_SETSIZE), std::invalid_argument);
  });
}

}  // namespace
}  // namespace odbc_bench
