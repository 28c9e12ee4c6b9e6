// qmtedit: the program's way in.
#include "app/startup.h"
#include "platform/application.h"

int main(int argc, char** argv) {
  RegisterResources();
  TApplication app(argc, argv);
  return WinMain();
}
