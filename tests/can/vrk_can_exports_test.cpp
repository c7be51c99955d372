// The exported API of vrk_can.so without an open card.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "platform/lasterror.h"
#include "vrkcanlibrary.h"

namespace {

class ExportsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(can.Loaded()); }
  VrkCanLibrary can;
};

constexpr std::int32_t kNoCard = 12345;

TEST_F(ExportsTest, EveryEntryPointIsExported) {
  const char* names[] = {
      "OpenCard", "OpenInterface", "CloseCard", "CloseInterface", "LoadDriver", "UnloadDriver",
      "SetRegistryPath", "CAN_Transmit", "CAN_Receive", "CAN_Read_Wait", "CAN_Read_ID",
      "CAN_Read_ID_Wait", "CAN_Write_Wait", "CAN_Write_Buffered", "CAN_Write_Buffered_HP",
      "CAN_Write_Wait_Buffered", "CAN_Read_Wait_Buffered", "CAN_Read_ID_Wait_Buffered",
      "CAN_Read_ID_Wait_Buffered_Queue", "Check_CanTx", "Check_CanRx", "SetBufferedMode",
      "CAN_RegisterBufferedReceiveEvent", "CAN_Read_Buffered", "CAN_Read_ID_Buffered",
      "CAN_Read_Buffered_Queue", "CAN_Read_ID_Buffered_Queue", "CreateQueue", "QueueMessage",
      "QueueGenericMessage", "CAN_SetOnline", "CAN_GetOnline", "CAN_SetBaud", "CAN_GetBaud",
      "CAN_SetId", "CAN_AddFilter", "CAN_RemoveFilter", "CAN_RegisterReceiveEvent",
      "CAN_Set_TimeStampMode", "CAN_Reset", "CAN_GetGlobalMaskShort", "CAN_GetLastMessageMask",
      "CAN_GetTSeg1", "CAN_GetGlobalMaskLong", "CAN_GetBrp", "CAN_GetSjw", "CAN_GetTSeg2",
      "CAN_GetMessageArbitration", "CAN_SetSjw", "CAN_SetGlobalMaskShort",
      "CAN_SetGlobalMaskLong", "CAN_SetLastMessageMask", "CAN_SetBrp", "CAN_SetTSeg1",
      "CAN_SetTSeg2", "CAN_SetMessageArbitration", "FirmwareUpgrade", "Hardware_Version",
      "Firmware_Version", "GetErrorBuf", "Parameter_Get_USIGN8", "Parameter_Get_USIGN16",
      "Parameter_Get_USIGN32", "Parameter_Get_ARRAY", "Parameter_Set_USIGN8",
      "Parameter_Set_USIGN16", "Parameter_Set_USIGN32", "Parameter_Set_ARRAY", "DLL_Name",
      "DLL_Version", "CANConfigurationWindow", "SaveConfiguration", "ReadConfiguration",
      "GetInterfaceName", "VersionInformationWindow", "HardwareConfigurationWindow"};
  EXPECT_EQ(std::size(names), 76u);
  for (const char* name : names) EXPECT_NE(can.Entry<void()>(name), nullptr) << name;
  // Clients look these up; the library does not offer them.
  EXPECT_EQ(can.Entry<void()>("DisplayConfigurationWindow"), nullptr);
  EXPECT_EQ(can.Entry<void()>("ProcessCanMessages"), nullptr);
}

TEST_F(ExportsTest, LevelZeroAnswersForTheLibraryWithoutACard) {
  char name[32] = "x";
  EXPECT_EQ(VRK_CAN(can, DLL_Name)(kNoCard, 0, name), 1);
  EXPECT_STREQ(name, "VRK_CAN");
  std::int32_t major = 0, minor = 0;
  EXPECT_EQ(VRK_CAN(can, DLL_Version)(kNoCard, 0, &major, &minor), 1);
  EXPECT_EQ(major, 1);
  EXPECT_EQ(minor, 4);
  // Lower levels need an open card.
  std::strcpy(name, "untouched");
  EXPECT_EQ(VRK_CAN(can, DLL_Name)(kNoCard, 1, name), 0);
  EXPECT_STREQ(name, "untouched");
  EXPECT_EQ(VRK_CAN(can, DLL_Version)(kNoCard, 1, &major, &minor), 0);
}

TEST_F(ExportsTest, CardlessCallsAnswerAsDocumented) {
  EXPECT_EQ(VRK_CAN(can, LoadDriver)(), 1);
  EXPECT_EQ(VRK_CAN(can, UnloadDriver)(), 1);
  EXPECT_EQ(VRK_CAN(can, SetRegistryPath)("\\Software\\"), 0);
  std::int32_t card = 7;
  InterfaceSettings settings{};
  EXPECT_EQ(VRK_CAN(can, OpenCard)(&card, 2, &settings), 0);
  EXPECT_EQ(card, -1);
  InterfaceConfiguration configuration{};
  configuration.InterfaceType = 0x10001;  // a DeviceNet interface, not a CAN one
  card = 7;
  EXPECT_EQ(VRK_CAN(can, OpenInterface)(&card, &configuration), 0);
  EXPECT_EQ(card, -1);
  for (std::int32_t type : {CAN_INTERFACE_IXXAT_VCI, 0x99}) {
    configuration.InterfaceType = type;
    EXPECT_EQ(VRK_CAN(can, HardwareConfigurationWindow)(&configuration), 0) << type;
  }
}

TEST_F(ExportsTest, NullArgumentsAreRefused) {
  platform::SetLastError(0);
  EXPECT_EQ(VRK_CAN(can, OpenCard)(nullptr, CAN_INTERFACE_QX240, nullptr), 0);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
  EXPECT_EQ(VRK_CAN(can, OpenInterface)(nullptr, nullptr), 0);
  EXPECT_EQ(VRK_CAN(can, DLL_Name)(kNoCard, 0, nullptr), 0);
  EXPECT_EQ(VRK_CAN(can, HardwareConfigurationWindow)(nullptr), 0);
}

// Every call on a card that is not open fails without effect.
TEST_F(ExportsTest, CallsOnAnUnknownCardFail) {
  CanMessage frame{};
  std::int32_t i32 = 0;
  std::uint32_t u32 = 0;
  std::uint16_t u16 = 0;
  std::uint8_t u8 = 0, buffer[64] = {};
  char text[64] = {};
  const std::int32_t c = kNoCard;
  const std::pair<const char*, std::function<int()>> calls[] = {
      {"CloseCard", [&] { return VRK_CAN(can, CloseCard)(c); }},
      {"CloseInterface", [&] { return VRK_CAN(can, CloseInterface)(c); }},
      {"CAN_Transmit", [&] { return VRK_CAN(can, CAN_Transmit)(c, &frame); }},
      {"CAN_Receive", [&] { return VRK_CAN(can, CAN_Receive)(c, &frame); }},
      {"CAN_Read_Wait", [&] { return VRK_CAN(can, CAN_Read_Wait)(c, &frame, 100); }},
      {"CAN_Read_ID", [&] { return VRK_CAN(can, CAN_Read_ID)(c, &frame, 1, 1); }},
      {"CAN_Read_ID_Wait", [&] { return VRK_CAN(can, CAN_Read_ID_Wait)(c, &frame, 1, 1, 100); }},
      {"CAN_Write_Wait", [&] { return VRK_CAN(can, CAN_Write_Wait)(c, &frame, 100); }},
      {"CAN_Write_Buffered", [&] { return VRK_CAN(can, CAN_Write_Buffered)(c, &frame); }},
      {"CAN_Write_Buffered_HP", [&] { return VRK_CAN(can, CAN_Write_Buffered_HP)(c, &frame); }},
      {"CAN_Write_Wait_Buffered", [&] { return VRK_CAN(can, CAN_Write_Wait_Buffered)(c, &frame, 1); }},
      {"CAN_Read_Wait_Buffered", [&] { return VRK_CAN(can, CAN_Read_Wait_Buffered)(c, &frame, 100); }},
      {"CAN_Read_ID_Wait_Buffered",
       [&] { return VRK_CAN(can, CAN_Read_ID_Wait_Buffered)(c, &frame, 1, 1, 100); }},
      {"CAN_Read_ID_Wait_Buffered_Queue",
       [&] { return VRK_CAN(can, CAN_Read_ID_Wait_Buffered_Queue)(c, &frame, 1, 1, 100, 1); }},
      {"Check_CanTx", [&] { return VRK_CAN(can, Check_CanTx)(c); }},
      {"Check_CanRx", [&] { return VRK_CAN(can, Check_CanRx)(c); }},
      {"SetBufferedMode", [&] { return VRK_CAN(can, SetBufferedMode)(c, 1); }},
      {"CAN_RegisterBufferedReceiveEvent",
       [&] { return VRK_CAN(can, CAN_RegisterBufferedReceiveEvent)(c, 1, 1); }},
      {"CAN_Read_Buffered", [&] { return VRK_CAN(can, CAN_Read_Buffered)(c, &frame); }},
      {"CAN_Read_ID_Buffered", [&] { return VRK_CAN(can, CAN_Read_ID_Buffered)(c, &frame, 1, 0); }},
      {"CAN_Read_Buffered_Queue", [&] { return VRK_CAN(can, CAN_Read_Buffered_Queue)(c, &frame, 1); }},
      {"CAN_Read_ID_Buffered_Queue",
       [&] { return VRK_CAN(can, CAN_Read_ID_Buffered_Queue)(c, &frame, 1, 0, 1); }},
      {"CreateQueue", [&] { return VRK_CAN(can, CreateQueue)(c, 1, 1, &i32); }},
      {"QueueMessage", [&] { return VRK_CAN(can, QueueMessage)(c, &frame, 1); }},
      {"QueueGenericMessage", [&] { return VRK_CAN(can, QueueGenericMessage)(c, &frame); }},
      {"CAN_SetOnline", [&] { return VRK_CAN(can, CAN_SetOnline)(c, 1); }},
      {"CAN_GetOnline", [&] { return VRK_CAN(can, CAN_GetOnline)(c, &i32); }},
      {"CAN_SetBaud", [&] { return VRK_CAN(can, CAN_SetBaud)(c, 125000); }},
      {"CAN_GetBaud", [&] { return VRK_CAN(can, CAN_GetBaud)(c, &u32); }},
      {"CAN_SetId", [&] { return VRK_CAN(can, CAN_SetId)(c, 1); }},
      {"CAN_AddFilter", [&] { return VRK_CAN(can, CAN_AddFilter)(c, 0x407); }},
      {"CAN_RemoveFilter", [&] { return VRK_CAN(can, CAN_RemoveFilter)(c, 0xFFFFFFFF); }},
      {"CAN_RegisterReceiveEvent", [&] { return VRK_CAN(can, CAN_RegisterReceiveEvent)(c, 1, 1); }},
      {"CAN_Set_TimeStampMode", [&] { return VRK_CAN(can, CAN_Set_TimeStampMode)(c, 1); }},
      {"CAN_Reset", [&] { return VRK_CAN(can, CAN_Reset)(c); }},
      {"CAN_GetGlobalMaskShort", [&] { return VRK_CAN(can, CAN_GetGlobalMaskShort)(c, &i32); }},
      {"CAN_GetGlobalMaskLong", [&] { return VRK_CAN(can, CAN_GetGlobalMaskLong)(c, &i32); }},
      {"CAN_GetLastMessageMask", [&] { return VRK_CAN(can, CAN_GetLastMessageMask)(c, &i32); }},
      {"CAN_GetMessageArbitration",
       [&] { return VRK_CAN(can, CAN_GetMessageArbitration)(c, &i32, &i32); }},
      {"CAN_GetBrp", [&] { return VRK_CAN(can, CAN_GetBrp)(c, &i32); }},
      {"CAN_GetSjw", [&] { return VRK_CAN(can, CAN_GetSjw)(c, &i32); }},
      {"CAN_GetTSeg1", [&] { return VRK_CAN(can, CAN_GetTSeg1)(c, &i32); }},
      {"CAN_GetTSeg2", [&] { return VRK_CAN(can, CAN_GetTSeg2)(c, &i32); }},
      {"CAN_SetGlobalMaskShort", [&] { return VRK_CAN(can, CAN_SetGlobalMaskShort)(c, 1); }},
      {"CAN_SetGlobalMaskLong", [&] { return VRK_CAN(can, CAN_SetGlobalMaskLong)(c, 1); }},
      {"CAN_SetLastMessageMask", [&] { return VRK_CAN(can, CAN_SetLastMessageMask)(c, 1); }},
      {"CAN_SetMessageArbitration", [&] { return VRK_CAN(can, CAN_SetMessageArbitration)(c, 1, 1); }},
      {"CAN_SetBrp", [&] { return VRK_CAN(can, CAN_SetBrp)(c, 1); }},
      {"CAN_SetSjw", [&] { return VRK_CAN(can, CAN_SetSjw)(c, 1); }},
      {"CAN_SetTSeg1", [&] { return VRK_CAN(can, CAN_SetTSeg1)(c, 1); }},
      {"CAN_SetTSeg2", [&] { return VRK_CAN(can, CAN_SetTSeg2)(c, 1); }},
      {"FirmwareUpgrade", [&] { return VRK_CAN(can, FirmwareUpgrade)(c); }},
      {"Hardware_Version", [&] { return VRK_CAN(can, Hardware_Version)(c, &i32, &i32); }},
      {"Firmware_Version", [&] { return VRK_CAN(can, Firmware_Version)(c, &i32, &i32); }},
      {"GetErrorBuf", [&] { return VRK_CAN(can, GetErrorBuf)(c, text); }},
      {"Parameter_Get_USIGN8", [&] { return VRK_CAN(can, Parameter_Get_USIGN8)(c, 1, &u8); }},
      {"Parameter_Get_USIGN16", [&] { return VRK_CAN(can, Parameter_Get_USIGN16)(c, 1, &u16); }},
      {"Parameter_Get_USIGN32", [&] { return VRK_CAN(can, Parameter_Get_USIGN32)(c, 1, &u32); }},
      {"Parameter_Get_ARRAY", [&] { return VRK_CAN(can, Parameter_Get_ARRAY)(c, 1, &u8, buffer); }},
      {"Parameter_Set_USIGN8", [&] { return VRK_CAN(can, Parameter_Set_USIGN8)(c, 1, 1); }},
      {"Parameter_Set_USIGN16", [&] { return VRK_CAN(can, Parameter_Set_USIGN16)(c, 1, 1); }},
      {"Parameter_Set_USIGN32", [&] { return VRK_CAN(can, Parameter_Set_USIGN32)(c, 1, 1); }},
      {"Parameter_Set_ARRAY", [&] { return VRK_CAN(can, Parameter_Set_ARRAY)(c, 1, 3, buffer); }},
  };
  for (const auto& [name, call] : calls) EXPECT_EQ(call(), 0) << name;
}

}  // namespace
