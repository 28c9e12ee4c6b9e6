#pragma once
// The about box.
#include "platform/controls.h"
#include "platform/form.h"

class TForm2 : public TForm {
public:
  TForm2();

  TLabel* Label1;
  TLabel* Label2;
  TLabel* Label3;
  TButton* Button1;
  TImage* Image1;
  TLabel* Label4;
  TBevel* Bevel1;
  TLabel* Label5;

  void Button1Click(TObject* Sender);

private:
  void LoadResource();
};

extern TForm2* Form2;
