#include "can/canbackend.h"

#include "can/qx240backend.h"

bool IsCanInterfaceType(std::int32_t interfaceType) {
  return interfaceType == CAN_INTERFACE_QX240 || interfaceType == CAN_INTERFACE_SST_CAN2A ||
         interfaceType == CAN_INTERFACE_AB_KFD || interfaceType == CAN_INTERFACE_IXXAT_VCI;
}

// The SST CAN2A and IXXAT VCI back-ends are not part of this build; their
// cards fail to open as they would without their libraries.
CanBackend* BackendForInterfaceType(std::int32_t interfaceType) {
  switch (interfaceType) {
    case CAN_INTERFACE_QX240: return &Qx240AdapterBackend();
    case CAN_INTERFACE_AB_KFD: return &AbKfdBackend();
    default: return nullptr;
  }
}
