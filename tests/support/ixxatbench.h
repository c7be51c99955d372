#pragma once
// The interface record of a board of the bench's stand-in for the IXXAT VCI
// library. The bus reaches it through the same endpoint as the SST bench
// libraries (SstBusEndpoint). Binaries using it depend on vci11un6 and xat11reg.
#include "config/interfaceconfiguration.h"
#include "sim/ixxat/vcibench.h"

namespace benchtest {

inline InterfaceConfiguration IxxatVciCard(std::int32_t number = 0) {
  InterfaceConfiguration record{};
  record.InterfaceType = CAN_INTERFACE_IXXAT_VCI;
  record.SubType = sim::vcibench::kBoardType;
  record.Number = number;
  return record;
}

}  // namespace benchtest
