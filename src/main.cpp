// The program entry: the application object, the one main window, the event loop. The program
// reads no command line and always ends with exit status 0.
#include <exception>

#include "ui/application.h"
#include "ui/tform1.h"

int main(int argc, char** argv) {
  using gaintool::ui::TApplication;
  using gaintool::ui::TForm1;

  TApplication application(argc, argv);
  try {
    TForm1 form;  // builds every control and lists the ports found
    gaintool::ui::Form1 = &form;
    form.show();
    application.exec();
    gaintool::ui::Form1 = nullptr;
  } catch (...) {
    gaintool::ui::Form1 = nullptr;
    gaintool::ui::ShowException(std::current_exception());
  }
  return 0;
}
