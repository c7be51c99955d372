#include "sim/benchthread.h"

#include <pthread.h>

namespace sim {

std::thread StartBenchThread(const std::string& name, std::function<void()> fn) {
  const std::string full = (kBenchThreadPrefix + name).substr(0, 15);
  return std::thread([full, fn = std::move(fn)] {
    pthread_setname_np(pthread_self(), full.c_str());
    fn();
  });
}

}  // namespace sim
