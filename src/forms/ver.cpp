#include "forms/ver.h"

TForm2* Form2 = nullptr;

TForm2::TForm2() { LoadResource(); }

void TForm2::LoadResource() {
  SetCaption(QStringLiteral("バージョン情報"));
  SetClientSize(219, 83);
  SetMinimizeOnlyBorder();
  QWidget* w = Client();
  Label1 = new TLabel(w, 48, 8, 5, 16);
  Label1->setFont(UiFont(16));
  Label2 = new TLabel(w, 212, 24, 5, 12);
  Label2->SetAlignment(Qt::AlignRight);
  Label3 = new TLabel(w, 124, 36, 93, 12);
  Label3->SetAlignment(Qt::AlignHCenter);
  Label3->SetCaption(QStringLiteral("(C)2026 qmtedit"));
  Button1 = new TButton(w, 176, 60, 41, 21, QStringLiteral("&OK"));
  Image1 = new TImage(w, 8, 0, 33, 33);
  Label4 = new TLabel(w, 4, 56, 118, 12);
  Label4->SetCaption(QStringLiteral("Projectfile produce by..."));
  Bevel1 = new TBevel(w, 0, 52, 221, 5);
  Label5 = new TLabel(w, 12, 69, 4, 12);
  StackGraphicControls();
  DefaultButton = Button1;
  Button1->OnClick = [this] { Button1Click(this); };
  Button1->setFocus();
}

void TForm2::Button1Click(TObject*) { SetModalResult(mrOk); }
