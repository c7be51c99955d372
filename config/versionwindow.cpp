#include "config/versionwindow.h"

#include <memory>

#include "config/dialogparts.h"

namespace dialogparts {

void ShowVersionWindow(TVersionSource* source, const VersionPlacement& placement) {
  auto window = std::make_unique<TForm_VersionInformation>(nullptr);
  window->SetBorderStyle(placement.border);
  if (placement.border == bsSingle) window->SetBorderIcons(biSystemMenu | biMinimize);
  if (placement.file != nullptr) KeepPlacement(window.get(), placement.file, placement.key, false);
  window->Binding1 = source;
  window->ShowModal();
}

}  // namespace dialogparts
