#include "framework/dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "framework/services.h"

namespace {

AnsiString WithDefaultExtension(const AnsiString& path, const AnsiString& extension) {
  if (extension.empty()) return path;
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.rfind('.');
  if (dot != AnsiString::npos && (slash == AnsiString::npos || dot > slash)) return path;
  return path + "." + (extension.front() == '.' ? extension.substr(1) : extension);
}

// A folder as this system names it: one that exists is kept; a Windows
// path ("c:\My Documents") has no place here and becomes the user's
// documents folder, or the home folder when there is none.
AnsiString LocalFolder(const AnsiString& folder) {
  const QString path = QString::fromStdString(folder);
  if (path.isEmpty() || QFileInfo(path).isDir()) return folder;
  const bool windowsPath = path.contains('\\') || (path.size() >= 2 && path[1] == ':');
  if (!windowsPath) return folder;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents.toStdString();
  return QDir::homePath().toStdString();
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
  request.initialDir = LocalFolder(InitialDir);
  request.defaultExt = DefaultExt;
  request.fileName = FileName;
  std::vector<AnsiString> chosen;
  if (!Services().FileDialog(request, chosen) || chosen.empty()) return false;
  files_->Clear();
  for (const AnsiString& f : chosen) files_->Add(WithDefaultExtension(f, DefaultExt));
  FileName = files_->Get(0);
  return true;
}
