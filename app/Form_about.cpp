#include "app/Form_about.h"

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner) {
  SetCaption("About");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetClientWidth(300);
  SetClientHeight(220);

  Panel1 = new TPanel(this);
  Panel1->SetParent(this);
  Panel1->SetBevelOuter(bvLowered);
  Panel1->SetBounds(8, 8, 284, 160);

  ProgramIcon = new TImage(this);
  ProgramIcon->SetParent(Panel1);
  ProgramIcon->SetBounds(8, 8, 65, 57);

  ProductName = AddLabel("Flashwright", 88, 16);
  Version = AddLabel("Version", 88, 48);
  VersionNumber = AddLabel("2.04", 160, 48);
  Platform = AddLabel("Platform", 88, 72);
  PlatformName = AddLabel("Linux", 160, 72);

  WebSiteLink = new TROVUveza(this);
  WebSiteLink->SetParent(Panel1);
  WebSiteLink->SetBounds(8, 120, 268, 17);
  WebSiteLink->SetColor(Panel1->Color());
  WebSiteLink->SetAutoSizing(true);
  WebSiteLink->SetAutoSizeType(asBoth);
  WebSiteLink->HTMLText()->SetText(AnsiString("<A href=\"") + kWebSite + "\">" + kWebSite + "</A>");

  OKButton = new TButton(this);
  OKButton->SetParent(this);
  OKButton->SetCaption("OK");
  OKButton->SetDefault(true);
  OKButton->SetModalResult(mrOk);
  OKButton->SetBounds(112, 180, 75, 25);
}

TLabel* TAboutBox::AddLabel(const AnsiString& caption, int left, int top) {
  auto* label = new TLabel(this);
  label->SetParent(Panel1);
  label->SetCaption(caption);
  label->SetLeft(left);
  label->SetTop(top);
  return label;
}
