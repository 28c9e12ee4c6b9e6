#include "app/startup.h"

#include "forms/main.h"
#include "forms/ver.h"
#include "platform/application.h"
#include "platform/exceptions.h"

#include "app/mainicon.xpm"

const char* const ApplicationTitle = "トルメリア";

void RegisterResources() { TApplication::RegisterMainIcon(mainicon_xpm); }

static void StartUpSteps() {
  Application->Initialize();
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
  Application->SetTitle(QString::fromUtf8(ApplicationTitle));
  Form1->SetCaption(Application->Title());
  Form1->SetIcon(Application->Icon());
}

bool CreateApplicationForms() {
  try {
    StartUpSteps();
    return true;
  } catch (const Exception& e) {
    Application->ShowException(e);
    return false;
  }
}

int WinMain() {
  try {
    StartUpSteps();
    Application->Run();
  } catch (const Exception& e) {
    Application->ShowException(e);
  }
  return 0;
}
