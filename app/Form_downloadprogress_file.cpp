#include "app/Form_downloadprogress_file.h"

TForm_DownloadProgress::TForm_DownloadProgress(TComponent* owner) : TForm(owner) {
  SetCaption("Download Progress");
  SetBorderStyle(bsDialog);
  SetBorderIcons(biMinimize);
  SetPosition(poScreenCenter);
  SetClientWidth(300);
  SetClientHeight(90);

  CGauge_Progress = new TCGauge(this);
  CGauge_Progress->SetParent(this);
  CGauge_Progress->SetForeColor(clBlue);
  CGauge_Progress->SetBackColor(clBtnFace);
  CGauge_Progress->SetMinValue(0);
  CGauge_Progress->SetMaxValue(100);
  CGauge_Progress->SetBounds(10, 10, 280, 30);

  Button_Cancel = new TButton(this);
  Button_Cancel->SetParent(this);
  Button_Cancel->SetCaption("Cancel");
  Button_Cancel->SetModalResult(mrCancel);
  Button_Cancel->SetBounds(112, 55, 75, 25);
  Button_Cancel->OnClick = Method(this, &TForm_DownloadProgress::Button_CancelClick);
}

void TForm_DownloadProgress::Button_CancelClick(TObject*) { cancel_.store(true); }

void TForm_DownloadProgress::CloseProgress() {
  closed_.store(true);
  SetModalResult(mrCancel);
}

void TForm_DownloadProgress::DoShow() {
  TForm::DoShow();
  if (closed_.load()) SetModalResult(mrCancel);
}
