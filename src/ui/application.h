// The application object: the application title and icon, and the exception display that shows
// an exception which leaves an event handler.
#pragma once

#include <QApplication>
#include <QString>
#include <exception>
#include <string_view>

namespace gaintool::ui {

// The title of this program (see ApplicationTitle): the caption of the exception display and of
// the application-modal dialogs.
QString AppTitle();

// The exception display: a message box modal to the application, with an error icon and one OK
// button, captioned with the application title, showing ExceptionMessageText(message). Returns
// when the operator closes it; the main window repaints meanwhile but takes no input.
void ShowException(std::string_view message);
// The same for a caught exception: its what() text, or an empty message when it is not a
// std::exception.
void ShowException(const std::exception_ptr& error);

// Calls `handler` and shows any exception that leaves it in the exception display, so that no
// exception unwinds through the toolkit's event dispatch. Event handlers are called through it.
template <typename Handler>
void RunGuarded(Handler&& handler) noexcept {
  std::exception_ptr error;
  try {
    handler();
    return;
  } catch (...) {
    error = std::current_exception();
  }
  // Shown after the handler's frames are gone.
  ShowException(error);
}

class TApplication : public QApplication {
  Q_OBJECT

 public:
  // Sets the application icon, which every window of the program shows.
  TApplication(int& argc, char** argv);

  // Event handlers are guarded where they are bound; an exception that still leaves the delivery
  // of an event is shown here, and the event loop goes on.
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace gaintool::ui
