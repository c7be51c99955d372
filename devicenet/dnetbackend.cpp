#include "devicenet/dnetbackend.h"

#include "devicenet/sstscanner.h"

#include <cstring>
#include <mutex>

#include "platform/lasterror.h"
#include "platform/module.h"

namespace {

struct LoadedBackend {
  LoadedBackend(const char* file, bool configurationWindow)
      : fileName(file), bindsConfigurationWindow(configurationWindow) {}

  const char* fileName;
  bool bindsConfigurationWindow;
  std::mutex mutex;
  bool bound = false;
  DnetBackendApi api;
};

LoadedBackend master{"VRK_DNCN.dll", true};
LoadedBackend qx241{"QX241.dll", false};

const DnetBackendApi* Bind(LoadedBackend& backend) {
  std::lock_guard lock(backend.mutex);
  if (backend.bound) return &backend.api;
  platform::ModuleHandle module = platform::LoadLibrary(backend.fileName);
  if (module == nullptr) {
    platform::SetLastError(platform::kErrorModNotFound);
    return nullptr;
  }
#define DNET_BACKEND_BIND(name) backend.api.name = platform::BindEntryPoint<decltype(&::name)>(module, #name);
  DNET_BACKEND_ENTRY_POINTS(DNET_BACKEND_BIND)
#undef DNET_BACKEND_BIND
  // The driver library has no configuration window of its own.
  if (!backend.bindsConfigurationWindow) backend.api.HardwareConfigurationWindow = nullptr;
  if (backend.api.LoadDriver != nullptr) backend.api.LoadDriver();
  backend.bound = true;
  return &backend.api;
}

}  // namespace

DnetBackendKind BackendKindFor(std::int32_t interfaceType) {
  switch (interfaceType) {
    case DNET_INTERFACE_QX241: return DnetBackendKind::kQx241;
    case DNET_INTERFACE_SST_DNSCAN: return DnetBackendKind::kSstScanner;
    default: return DnetBackendKind::kMaster;
  }
}

const DnetBackendApi* BindBackend(DnetBackendKind kind) {
  switch (kind) {
    case DnetBackendKind::kMaster: return Bind(master);
    case DnetBackendKind::kQx241: return Bind(qx241);
    case DnetBackendKind::kSstScanner: return BindSstScanner();
  }
  return nullptr;
}
