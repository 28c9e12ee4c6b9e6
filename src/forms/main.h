#pragma once
// The main window.
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/open_dialog.h"
#include "platform/string_list.h"

class TForm1 : public TForm {
public:
  TForm1();

  TTabControl* TabControl1;
  TLabel* Label1;
  TButton* Button5;
  TGroupBox* GroupBox4;
  TEdit* Edit4;
  TButton* Button6;
  TMainMenu* MainMenu1;
  TMenuItem* FileF1;
  TMenuItem* KO1;
  TMenuItem* K1;
  TMenuItem* N1;
  TMenuItem* KQ1;
  TMenuItem* H1;
  TMenuItem* KA1;
  TGroupBox* GroupBox2;
  TComboBox* ComboBox1;
  TGroupBox* GroupBox1;
  TLabel* Label2;
  TLabel* Label3;
  TEdit* Edit2;
  TEdit* Edit3;
  TGroupBox* GroupBox3;
  TMemo* Memo1;
  TButton* Button4;
  TBevel* Bevel1;
  TOpenDialog* OpenDialog1;
  TButton* Button3;

  void Edit2Change(TObject* Sender);
  void Edit3Change(TObject* Sender);
  void FormCreate(TObject* Sender);
  void KA1Click(TObject* Sender);
  void Button6Click(TObject* Sender);
  void K1Click(TObject* Sender);
  void KO1Click(TObject* Sender);
  void TabControl1Change(TObject* Sender);
  void Button5Click(TObject* Sender);
  void Button4Click(TObject* Sender);
  void FormClose(TObject* Sender);
  void Button3Click(TObject* Sender);
  void ComboBox1Change(TObject* Sender);
  void KQ1Click(TObject* Sender);

private:
  void LoadResource();
  TMenuItem menuItems_[7];
  TOpenDialog openDialog_;
};

extern TForm1* Form1;

void ShowFlagValue();
void ShowPage(int page);

// Installs the main window as what the loader and the patcher show and ask.
void LinkMainWindow();

// Project-file bytes (code page 932) as display text.
QString AnsiText(const std::string& bytes);
QStringList AnsiLines(const TStringList& list);
