#include "can/canbackend.h"

#include "can/ixxatbackend.h"
#include "can/qx240backend.h"
#include "can/sstbackend.h"

bool IsCanInterfaceType(std::int32_t interfaceType) {
  return interfaceType == CAN_INTERFACE_QX240 || interfaceType == CAN_INTERFACE_SST_CAN2A ||
         interfaceType == CAN_INTERFACE_AB_KFD || interfaceType == CAN_INTERFACE_IXXAT_VCI;
}

CanBackend* BackendForInterfaceType(std::int32_t interfaceType) {
  switch (interfaceType) {
    case CAN_INTERFACE_QX240: return &Qx240AdapterBackend();
    case CAN_INTERFACE_AB_KFD: return &AbKfdBackend();
    case CAN_INTERFACE_SST_CAN2A: return &SstCan2aBackend();
    case CAN_INTERFACE_IXXAT_VCI: return &IxxatVciBackend();
    default: return nullptr;
  }
}
