// The main window's form resource: layout, captions, menu and dialog.
#include "forms/main.h"

TForm1::TForm1() {
  LoadResource();
  LinkMainWindow();
}

void TForm1::LoadResource() {
  SetClientSize(312, 302);
  SetMinimizeOnlyBorder();
  QWidget* w = Client();

  // Controls in creation order: a later one lies in front of an earlier one.
  Label1 = new TLabel(w, 0, 5, 312, 16);
  Label1->AutoSize = false;
  Label1->setFont(UiFont(16));
  Label1->SetAlignment(Qt::AlignHCenter);
  Bevel1 = new TBevel(w, 0, 0, 312, 5);
  TabControl1 = new TTabControl(w, 4, 64, 305, 213);
  Button5 = new TButton(w, 232, 280, 73, 21, QStringLiteral("全部変更"));
  GroupBox4 = new TGroupBox(w, 4, 24, 305, 37, QStringLiteral("Targt Savedata File"));
  Edit4 = new TEdit(GroupBox4, 4, 12, 253, 20);
  Edit4->SetMaxLength(255);
  Button6 = new TButton(GroupBox4, 260, 12, 41, 21, QStringLiteral("参照"));
  GroupBox2 = new TGroupBox(w, 8, 88, 153, 77, QStringLiteral("Target Flag"));
  ComboBox1 = new TComboBox(GroupBox2, 12, 20, 129, 20);
  GroupBox1 = new TGroupBox(w, 168, 88, 129, 77, QStringLiteral("Offset"));
  Label2 = new TLabel(GroupBox1, 8, 20, 28, 12);
  Label2->setFont(UiFont(12));
  Label2->SetCaption(QStringLiteral("１０進"));
  Label3 = new TLabel(GroupBox1, 8, 48, 28, 12);
  Label3->SetCaption(QStringLiteral("１６進"));
  Edit2 = new TEdit(GroupBox1, 44, 16, 73, 20);
  Edit2->SetText(QStringLiteral("0"));
  Edit2->SetMaxLength(11);
  Edit3 = new TEdit(GroupBox1, 44, 44, 73, 20);
  Edit3->SetText(QStringLiteral("0"));
  Edit3->SetMaxLength(10);
  GroupBox3 = new TGroupBox(w, 8, 168, 289, 73, QStringLiteral("Document"));
  Memo1 = new TMemo(GroupBox3, 4, 12, 281, 57);
  Button4 = new TButton(w, 176, 248, 121, 21, QStringLiteral("このページだけ変更"));
  Button3 = new TButton(w, 80, 136, 73, 21, QStringLiteral("ここだけ変更"));

  // Keyboard focus order.
  QWidget* order[] = {Edit4, Button6, TabControl1->Bar(), ComboBox1, Edit2, Edit3, Button3, Button4, Button5};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  TabControl1->setFocusProxy(TabControl1->Bar());

  // The menu.
  FileF1 = &menuItems_[0];
  KO1 = &menuItems_[1];
  K1 = &menuItems_[2];
  N1 = &menuItems_[3];
  KQ1 = &menuItems_[4];
  H1 = &menuItems_[5];
  KA1 = &menuItems_[6];
  FileF1->Caption = QStringLiteral("ﾌｧｲﾙ(&F)");
  KO1->Caption = QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙを開く(&O)");
  KO1->ShortCut = 16463;  // Ctrl+O
  K1->Caption = QStringLiteral("ﾀｰｹﾞｯﾄﾌｧｲﾙを開く");
  N1->Caption = QStringLiteral("-");
  KQ1->Caption = QStringLiteral("終了(&Q)");
  KQ1->ShortCut = 16449;  // Ctrl+A
  H1->Caption = QStringLiteral("ﾍﾙﾌﾟ(&H)");
  KA1->Caption = QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)");

  // Handlers, bound by name; the value fields' after their initial texts.
  KO1->OnClick = [this] { KO1Click(this); };
  K1->OnClick = [this] { K1Click(this); };
  KQ1->OnClick = [this] { KQ1Click(this); };
  KA1->OnClick = [this] { KA1Click(this); };
  TabControl1->OnChange = [this] { TabControl1Change(this); };
  ComboBox1->OnChange = [this] { ComboBox1Change(this); };
  Button3->OnClick = [this] { Button3Click(this); };
  Button4->OnClick = [this] { Button4Click(this); };
  Button5->OnClick = [this] { Button5Click(this); };
  Button6->OnClick = [this] { Button6Click(this); };
  Edit2->OnChange = [this] { Edit2Change(this); };
  Edit3->OnChange = [this] { Edit3Change(this); };
  OnCreate = [this] { FormCreate(this); };
  OnClose = [this] { FormClose(this); };

  MainMenu1 = new TMainMenu(this);
  MainMenu1->AddMenu(FileF1);
  MainMenu1->AddItem(FileF1, KO1);
  MainMenu1->AddItem(FileF1, K1);
  MainMenu1->AddItem(FileF1, N1);
  MainMenu1->AddItem(FileF1, KQ1);
  MainMenu1->AddMenu(H1);
  MainMenu1->AddItem(H1, KA1);
  SetMenu(MainMenu1);

  OpenDialog1 = &openDialog_;
  OpenDialog1->Filter = QStringLiteral("ﾌﾟﾛｼﾞｪｸﾄﾌｧｲﾙ(*.QMT)|*.QMT|ｾｰﾌﾞﾃﾞｰﾀﾌｧｲﾙ(*.*)|*.*|全ﾌｧｲﾙ(*.*)|*.*");
  OpenDialog1->Options = ofHideReadOnly | ofPathMustExist | ofFileMustExist;

  StackGraphicControls();
  Edit4->setFocus();
}
