// What the loader and the patcher reach of the main window.
#include <QFile>

#include "forms/main.h"
#include "patcher/patcher.h"
#include "platform/application.h"
#include "project/loader.h"

namespace {
const QString ErrorCaption = QStringLiteral("エラー");

class MainLoaderWindow : public LoaderWindow {
public:
  void SetTitleCaption(const std::string& bytes) override { Form1->Label1->SetCaption(AnsiText(bytes)); }
  void SetTabs(const TStringList& names) override { Form1->TabControl1->SetTabs(AnsiLines(names)); }
  void RepaintTabs() override { Form1->TabControl1->Update(); }
  void ShowPage(int page) override { ::ShowPage(page); }
  void ShowFlagValue() override { ::ShowFlagValue(); }
  void ShowLoadError(const std::string& message) override {
    Application->MessageBox(QString::fromStdString(message), ErrorCaption, MB_OK);
  }
};

class MainPatcherWindow : public PatcherWindow {
public:
  std::string TargetPath() override { return QFile::encodeName(Form1->Edit4->Text()).toStdString(); }
  void SetTargetPath(const std::string& path) override { Form1->Edit4->SetText(QFile::decodeName(path.c_str())); }
  bool ShowOpenDialog(const std::string& title, int filterIndex, std::string& path) override {
    Form1->OpenDialog1->Title = QString::fromStdString(title);
    Form1->OpenDialog1->FilterIndex = filterIndex;
    if (!Form1->OpenDialog1->Execute()) return false;
    path = QFile::encodeName(Form1->OpenDialog1->FileName).toStdString();
    return true;
  }
  int SelectedPage() override { return Form1->TabControl1->TabIndex(); }
  int SelectedFlag() override { return Form1->ComboBox1->ItemIndex(); }
  void ShowError(const std::string& message) override {
    Application->MessageBox(QString::fromStdString(message), ErrorCaption, MB_OK);
  }
};

MainLoaderWindow g_loaderWindow;
MainPatcherWindow g_patcherWindow;
}  // namespace

void LinkMainWindow() {
  SetLoaderWindow(&g_loaderWindow);
  SetPatcherWindow(&g_patcherWindow);
}
