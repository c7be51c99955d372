#include "tests/fuzz/fakecanaccess.h"

#include "can/client/canaccessclient.h"

namespace fuzzsupport {
namespace {

bool writesRefused = false;

int Write(const CanMessage* frame) {
  if (writesRefused) return 0;
  WrittenFrames().push_back(*frame);
  return 1;
}

}  // namespace

std::vector<CanMessage>& WrittenFrames() {
  static std::vector<CanMessage> frames;
  return frames;
}

void RefuseWrites(bool refuse) { writesRefused = refuse; }

}  // namespace fuzzsupport

namespace canclient {

int ResetCanAccessBindings() { return 1; }
int BindCanAccess(Flavour) { return 1; }
int BoundEntryPointCount() { return 0; }
int OpenInterface(std::int32_t* card, const InterfaceConfiguration*) { return *card = 1; }
int OpenCard(std::int32_t* card, std::int32_t, const InterfaceSettings*) { return *card = 1; }
int CloseCard(std::int32_t) { return 1; }
int CAN_SetBaud(std::int32_t, std::uint32_t) { return 1; }
int CAN_GetBaud(std::int32_t, std::uint32_t* bitRate) { return *bitRate = 0, 1; }
int CAN_SetOnline(std::int32_t, std::int32_t) { return 1; }
int CAN_GetOnline(std::int32_t, std::int32_t* on) { return *on = 1, 1; }
int CAN_SetId(std::int32_t, std::int32_t) { return 1; }
int CAN_Write_Buffered(std::int32_t, CanMessage* frame) { return fuzzsupport::Write(frame); }
int CAN_Write_Buffered_HP(std::int32_t, CanMessage* frame) { return fuzzsupport::Write(frame); }
int CAN_Read_Buffered(std::int32_t, CanMessage*) { return 0; }
int CAN_Read_Buffered_Queue(std::int32_t, CanMessage*, std::uint32_t) { return 0; }
int CAN_Read_ID_Wait_Buffered(std::int32_t, CanMessage*, std::uint32_t, std::uint32_t, std::uint32_t) { return 0; }
int SetBufferedMode(std::int32_t, std::int32_t) { return 1; }
int CreateQueue(std::int32_t, std::uint32_t, std::uint32_t, std::int32_t* queue) { return *queue = 1, 1; }
int CAN_AddFilter(std::int32_t, std::uint32_t) { return 1; }
int CAN_RemoveFilter(std::int32_t, std::uint32_t) { return 1; }
int CAN_RegisterBufferedReceiveEvent(std::int32_t, platform::Handle, std::int32_t) { return 1; }
int DLL_Name(std::int32_t, std::int32_t, char*) { return 0; }
int DLL_Version(std::int32_t, std::int32_t, std::int32_t*, std::int32_t*) { return 0; }
int Hardware_Version(std::int32_t, std::int32_t*, std::int32_t*) { return 0; }
int Firmware_Version(std::int32_t, std::int32_t*, std::int32_t*) { return 0; }
int HardwareConfigurationWindow(InterfaceConfiguration*) { return 0; }

}  // namespace canclient
