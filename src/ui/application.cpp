#include "ui/application.h"

#include <QMessageBox>
#include <string>

#include "ui/app_rules.h"
#include "ui/pictures.h"

namespace gaintool::ui {

QString AppTitle() {
  const QByteArray path = QCoreApplication::applicationFilePath().toUtf8();
  return QString::fromStdString(ApplicationTitle(std::string_view(path.data(), path.size())));
}

void ShowException(std::string_view message) {
  const std::string text = ExceptionMessageText(message);
  QMessageBox box(QMessageBox::Critical, AppTitle(),
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                  QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

void ShowException(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    ShowException(std::string_view(e.what()));
  } catch (...) {
    ShowException(std::string_view());
  }
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setWindowIcon(ApplicationIcon());
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  std::exception_ptr error;
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    error = std::current_exception();
  }
  ShowException(error);
  return false;
}

}  // namespace gaintool::ui
