// The main window's display and its commands.
#include "forms/main.h"

#include <QFile>
#include <cstdlib>

#include "forms/ver.h"
#include "patcher/patcher.h"
#include "platform/application.h"
#include "platform/cp932.h"
#include "project/loader.h"
#include "project/tables.h"

TForm1* Form1 = nullptr;

namespace {
// Decodes straight into the string's own storage.
QString AnsiString(std::string_view bytes) {
  if (bytes.empty()) return {};
  QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  out.resize(static_cast<qsizetype>(Cp932ToUtf16(bytes, reinterpret_cast<char16_t*>(out.data()))));
  return out;
}
}  // namespace

QString AnsiText(const std::string& bytes) { return AnsiString(bytes); }

QStringList AnsiLines(const TStringList& list) {
  QStringList out;
  out.reserve(list.Count());
  for (int i = 0; i < list.Count(); ++i) out << AnsiString(list.Line(i));
  return out;
}

void ShowFlagValue() {
  const int page = Form1->TabControl1->TabIndex();
  const int flag = Form1->ComboBox1->ItemIndex();
  QString text = QStringLiteral("0");
  if (page >= 0 && flag >= 0) text = QString::number(static_cast<long>(FlagValues[page][flag]));
  Form1->Edit2->SetText(text);
}

void ShowPage(int page) {
  Form1->ComboBox1->SetItems(AnsiLines(*FlagNames[page]));
  Form1->Memo1->SetLines(AnsiLines(*PageDocs[page]));
  Form1->ComboBox1->SetItemIndex(0);
}

void TForm1::TabControl1Change(TObject*) {
  ShowPage(TabControl1->TabIndex());
  ShowFlagValue();
}

void TForm1::ComboBox1Change(TObject*) { ShowFlagValue(); }

void TForm1::KO1Click(TObject*) {
  OpenDialog1->Title = QStringLiteral("Open project file.");
  OpenDialog1->FilterIndex = 1;
  if (!OpenDialog1->Execute()) return;
  ProjectFileName = QFile::encodeName(OpenDialog1->FileName).toStdString();
  LoadProject();
}

void TForm1::FormCreate(TObject*) {
  CopyToTextBuffer(ProjectCredit, NotLoadedCredit);
  CreatePageLists();
  if (Application->ParamCount() < 1) return;
  ProjectFileName = Application->ParamStr(1);
  if (Application->ParamCount() > 1) Edit4->SetText(QFile::decodeName(Application->ParamStr(2).c_str()));
  LoadProject();
}

void TForm1::FormClose(TObject*) { FreePageLists(); }

void TForm1::KQ1Click(TObject*) { std::exit(0); }

void TForm1::Button6Click(TObject*) { SelectTargetFile(); }
void TForm1::K1Click(TObject*) { SelectTargetFile(); }
void TForm1::Button3Click(TObject*) { WriteSelectedFlagCommand(); }
void TForm1::Button4Click(TObject*) { WriteSelectedPageCommand(); }
void TForm1::Button5Click(TObject*) { WriteAllPagesCommand(); }

void TForm1::KA1Click(TObject*) {
  Form2->Label2->SetCaption(QString::asprintf("Ver %s", "0.02"));
  Form2->Label5->SetCaption(AnsiText(ProjectCredit));
  Form2->Label1->SetCaption(Application->Title());
  Form2->SetIcon(Application->Icon());
  Form2->Image1->SetIcon(Form2->Icon());
  Form2->ShowModal();
}
