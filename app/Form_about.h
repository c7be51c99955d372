#pragma once
// The program's About window.
#include "framework/extracontrols.h"
#include "framework/forms.h"
#include "framework/standardcontrols.h"
#include "grid/rovuveza.h"

class TAboutBox : public TForm {
 public:
  // The maker's web site, opened from the link.
  static constexpr const char* kWebSite = "https://www.vorkelt.example/flashwright";

  explicit TAboutBox(TComponent* owner);

  TPanel* Panel1;
  TImage* ProgramIcon;
  TLabel* Version;
  TLabel* VersionNumber;
  TLabel* Platform;
  TLabel* PlatformName;
  TLabel* ProductName;
  // Shows the web site as a link; a click on it hands the address to the
  // desktop.
  TROVUveza* WebSiteLink;
  TButton* OKButton;

 private:
  TLabel* AddLabel(const AnsiString& caption, int left, int top);
};
