#pragma once
// Shared by the CAN benchmarks: VRK_CAN loaded by name, and a card opened on a
// serial port and taken online in buffered mode, as the masters do.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "can/vrk_can.h"
#include "platform/lasterror.h"
#include "platform/module.h"

class VrkCan {
 public:
  VrkCan() : module_(platform::LoadLibrary("VRK_CAN.dll")) {
    if (module_ == nullptr) Fail("vrk_can.so could not be loaded");
  }

  template <typename Fn>
  Fn* Entry(const char* name) const {
    Fn* entry = platform::BindEntryPoint<Fn*>(module_, name);
    if (entry == nullptr) Fail(std::string("vrk_can.so lacks ") + name);
    return entry;
  }

  // Opens COM1 (whatever FLASHWRIGHT_COM1 names) and takes it online.
  std::int32_t OpenOnlineCard() const { return OpenOnlineCard(Com1()); }

  // Opens the interface the record names and takes it online.
  std::int32_t OpenOnlineCard(const InterfaceConfiguration& configuration) const {
    std::int32_t card = 0;
    if (Entry<decltype(::OpenInterface)>("OpenInterface")(&card, &configuration) == 0 ||
        Entry<decltype(::CAN_SetBaud)>("CAN_SetBaud")(card, 500000) == 0 ||
        Entry<decltype(::CAN_SetOnline)>("CAN_SetOnline")(card, 1) == 0 ||
        Entry<decltype(::SetBufferedMode)>("SetBufferedMode")(card, 1) == 0) {
      Fail("the card could not be opened and taken online (last error " +
           std::to_string(platform::GetLastError()) + ")");
    }
    return card;
  }

  static InterfaceConfiguration Com1() {
    InterfaceConfiguration configuration{};
    configuration.InterfaceType = CAN_INTERFACE_QX240;
    configuration.ComPort = 1;
    configuration.ComBaud = 57600;
    return configuration;
  }

  [[noreturn]] static void Fail(const std::string& why) {
    std::fprintf(stderr, "%s\n", why.c_str());
    std::exit(1);
  }

 private:
  platform::ModuleHandle module_;
};
