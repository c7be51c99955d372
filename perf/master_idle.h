#pragma once
// The parts of master_idle_bench: one per network (their libraries' headers
// cannot meet in one file), and the measurement they share.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "perf/benchenvironment.h"
#include "platform/module.h"
#include "sim/canbus.h"

namespace perf {

inline constexpr std::uint32_t kIdleBitRate = 500'000;
inline constexpr std::uint8_t kIdleFirstNode = 5, kIdleSecondNode = 6;

[[noreturn]] void IdleFail(const std::string& why);
platform::ModuleHandle LoadOrFail(const char* name);

template <typename Fn>
Fn* EntryOrFail(platform::ModuleHandle module, const char* name) {
  Fn* entry = platform::BindEntryPoint<Fn*>(module, name);
  if (entry == nullptr) IdleFail(std::string("the library lacks ") + name);
  return entry;
}

// Looks every 10 ms, for 10 s at most.
bool Eventually(const std::function<bool()>& done);
sim::BusOptions IdleBusOptions();
// Waits out the settling time, then measures the span and prints it.
void MeasureIdle(const char* network, sim::CanBus& bus);

void DeviceNetIdle(const BenchSettings& settings);
void CanopenIdle(const BenchSettings& settings);

}  // namespace perf
