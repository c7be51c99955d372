#include "framework/dialogs.h"

#include "framework/services.h"

namespace {

AnsiString WithDefaultExtension(const AnsiString& path, const AnsiString& extension) {
  if (extension.empty()) return path;
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.rfind('.');
  if (dot != AnsiString::npos && (slash == AnsiString::npos || dot > slash)) return path;
  return path + "." + (extension.front() == '.' ? extension.substr(1) : extension);
}

}  // namespace

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner), files_(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute() {
  TFileDialogRequest request;
  request.save = IsSaveDialog();
  request.allowMultiSelect = Options & ofAllowMultiSelect;
  request.title = Title;
  request.filter = Filter;
  request.filterIndex = FilterIndex;
  request.initialDir = InitialDir;
  request.defaultExt = DefaultExt;
  request.fileName = FileName;
  std::vector<AnsiString> chosen;
  if (!Services().FileDialog(request, chosen) || chosen.empty()) return false;
  files_->Clear();
  for (const AnsiString& f : chosen) files_->Add(WithDefaultExtension(f, DefaultExt));
  FileName = files_->Get(0);
  return true;
}
