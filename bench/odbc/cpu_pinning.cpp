#include "cpu_pinning.hpp"

#include <sched.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace odbc_bench {

std::string pinToOneCpu(int cpu) {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0)
    throw std::runtime_error(std::string("sched_getaffinity: ") + std::strerror(errno));
  if (cpu < 0) {
    for (int candidate = CPU_SETSIZE - 1; candidate >= 0 && cpu < 0; --candidate)
      if (CPU_ISSET(candidate, &allowed)) cpu = candidate;
    if (cpu < 0) throw std::runtime_error("no CPU to run on");
  } else if (cpu >= CPU_SETSIZE || !CPU_ISSET(cpu, &allowed)) {
    throw std::invalid_argument("CPU " + std::to_string(cpu) + " is not one this process may run on");
  }
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cpu, &one);
  if (sched_setaffinity(0, sizeof one, &one) != 0)
    throw std::runtime_error(std::string("sched_setaffinity: ") + std::strerror(errno));
  return "CPU " + std::to_string(cpu);
}

}  // namespace odbc_bench
