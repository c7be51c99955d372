#include "config/Vrk_can_interface.h"

#include <cstring>

#include "bindings/librarybinding.h"
#include "can/vrk_can.h"

// Every name the binding looks up, in lookup order; only the wrapped ones are
// ever called.
#define CAN_ENTRY_POINTS(X)                                                                                        \
  X(UnloadDriver) X(LoadDriver) X(OpenCard) X(OpenInterface) X(CloseCard) X(CloseInterface) X(Hardware_Version)   \
  X(Firmware_Version) X(DLL_Version) X(DLL_Name) X(GetErrorBuf) X(FirmwareUpgrade) X(CAN_Transmit) X(CAN_Receive) \
  X(CAN_Reset) X(CAN_GetOnline) X(CAN_GetBaud) X(CAN_GetGlobalMaskShort) X(CAN_GetGlobalMaskLong)                 \
  X(CAN_GetLastMessageMask) X(CAN_GetMessageArbitration) X(CAN_GetBrp) X(CAN_GetSjw) X(CAN_GetTSeg1)               \
  X(CAN_GetTSeg2) X(CAN_SetOnline) X(CAN_SetBaud) X(CAN_SetId) X(CAN_SetGlobalMaskShort) X(CAN_SetGlobalMaskLong)  \
  X(CAN_SetLastMessageMask) X(CAN_SetMessageArbitration) X(CAN_SetBrp) X(CAN_SetSjw) X(CAN_SetTSeg1)               \
  X(CAN_SetTSeg2) X(CAN_Set_TimeStampMode) X(DisplayConfigurationWindow) X(SetRegistryPath) X(ProcessCanMessages)  \
  X(Check_CanRx) X(Check_CanTx) X(CAN_Write_Buffered) X(CAN_Read_Buffered) X(CAN_Read_ID_Buffered)                 \
  X(CAN_Write_Wait_Buffered) X(CAN_Read_Wait_Buffered) X(CAN_Read_ID_Wait_Buffered) X(CAN_Read_ID)                 \
  X(CAN_Write_Wait) X(CAN_Read_Wait) X(CAN_Read_ID_Wait) X(QueueGenericMessage) X(CAN_Read_Buffered_Queue)         \
  X(QueueMessage) X(CreateQueue) X(SetBufferedMode) X(CAN_AddFilter) X(CAN_RemoveFilter)                           \
  X(HardwareConfigurationWindow) X(CANConfigurationWindow) X(VersionInformationWindow) X(ReadConfiguration)        \
  X(SaveConfiguration) X(GetInterfaceName)

namespace {

enum class Entry : std::size_t { CAN_ENTRY_POINTS(LIBRARY_BINDING_ENUM) Count };

constexpr const char* kEntryNames[] = {CAN_ENTRY_POINTS(LIBRARY_BINDING_NAME)};
static_assert(std::size(kEntryNames) == static_cast<std::size_t>(Entry::Count));
static_assert(std::size(kEntryNames) == 65);

}  // namespace

struct TVRK_CAN_Interface::EntryPoints : binding::EntryPointTable<std::size(kEntryNames)> {
  EntryPoints() : EntryPointTable(kEntryNames) {}
};

#define CAN_CALL(name, ...) LIBRARY_BINDING_CALL(*entries_, name __VA_OPT__(, ) __VA_ARGS__)

TVRK_CAN_Interface::TVRK_CAN_Interface(const char* libraryName) : entries_(std::make_unique<EntryPoints>()) {
  library_ = entries_->Load(libraryName);
  CAN_CALL(LoadDriver);
}

TVRK_CAN_Interface::~TVRK_CAN_Interface() {
  // A card the object did not open is its caller's (the version window is
  // handed the program's live card; handle 0 may be a live card too).
  if (ownsCard_) CloseCard();
}

int TVRK_CAN_Interface::OpenInterface(const InterfaceConfiguration* record) {
  if (ownsCard_) CloseCard();
  std::memcpy(&opened_, record, sizeof opened_);
  std::int32_t opened = 0;
  const int result = CAN_CALL(OpenInterface, &opened, record);
  if (result != 0) {
    card_ = opened;
    ownsCard_ = true;
  }
  return result;
}

int TVRK_CAN_Interface::CloseCard() {
  const int result = CAN_CALL(CloseCard, card_);
  if (result != 0) ownsCard_ = false;
  return result;
}

int TVRK_CAN_Interface::HardwareConfigurationWindow(InterfaceConfiguration* record) {
  return CAN_CALL(HardwareConfigurationWindow, record);
}
int TVRK_CAN_Interface::GetOnline(int* online) { return CAN_CALL(CAN_GetOnline, card_, online); }
int TVRK_CAN_Interface::DLL_Name(int level, char* name) { return CAN_CALL(DLL_Name, card_, level, name); }
int TVRK_CAN_Interface::DLL_Version(int level, int* major, int* minor) {
  return CAN_CALL(DLL_Version, card_, level, major, minor);
}
int TVRK_CAN_Interface::Hardware_Version(int* major, int* minor) {
  return CAN_CALL(Hardware_Version, card_, major, minor);
}
int TVRK_CAN_Interface::Firmware_Version(int* major, int* minor) {
  return CAN_CALL(Firmware_Version, card_, major, minor);
}
