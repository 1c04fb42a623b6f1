// The exception display: an exception that leaves an event handler is shown in an error box
// captioned with the application title, and the window goes on taking clicks.
#include <fcntl.h>
#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>
#include <stdexcept>

#include "port_folder.h"
#include "message_box_catcher.h"
#include "ops/operations.h"
#include "ui/application.h"
#include "ui/tform1.h"
#include "window_test_main.h"

using gaintool::testing::CapturedBox;
using gaintool::testing::PortFolder;
using gaintool::testing::MessageBoxCatcher;
using gaintool::ui::TForm1;

namespace {

// An object whose event handling throws, as a handler bound outside the layout might.
class Thrower : public QObject {
 public:
  bool throw_std = true;
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) {
      if (throw_std) throw std::runtime_error("delivered badly");
      throw 42;
    }
    return QObject::event(event);
  }
};

// Everything the test's side of a pseudo-terminal has received, without waiting.
QByteArray Received(int controller) {
  const int flags = ::fcntl(controller, F_GETFL);
  ::fcntl(controller, F_SETFL, flags | O_NONBLOCK);
  QByteArray bytes;
  char chunk[256];
  for (;;) {
    const ssize_t n = ::read(controller, chunk, sizeof chunk);
    if (n <= 0) break;
    bytes.append(chunk, n);
  }
  ::fcntl(controller, F_SETFL, flags);
  return bytes;
}

void ExpectErrorBox(const CapturedBox& box, const QString& text) {
  QCOMPARE(box.text, text);
  QCOMPARE(box.caption, QStringLiteral("exception_display_test"));  // this program's title
  QCOMPARE(box.icon, QMessageBox::Critical);
  QCOMPARE(box.modality, Qt::ApplicationModal);
  QCOMPARE(box.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
}

}  // namespace

class ExceptionDisplayTest : public QObject {
  Q_OBJECT

 private slots:
  void applicationTitleIsTheProgramName() {
    QCOMPARE(gaintool::ui::AppTitle(), QStringLiteral("exception_display_test"));
  }

  void messageText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("full stop appended") << "'1.5' is not a valid integer value"
                                        << "'1.5' is not a valid integer value.";
    QTest::newRow("empty message, empty box") << ""
                                              << "";
    QTest::newRow("ends in exclamation mark") << "Connect Error!"
                                              << "Connect Error!";
    QTest::newRow("Chinese text") << "数据不能为空"
                                  << "数据不能为空.";
  }
  void messageText() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    MessageBoxCatcher catcher;
    const QByteArray bytes = message.toUtf8();
    gaintool::ui::ShowException(std::string_view(bytes.data(), bytes.size()));
    QCOMPARE(catcher.Boxes().size(), std::size_t{1});
    ExpectErrorBox(catcher.Boxes().front(), shown);
  }

  // An exception that escapes the delivery of an event is caught by the application object and
  // shown; an exception of no standard type shows an empty box.
  void escapedExceptionsAreShown_data() {
    QTest::addColumn<bool>("standard");
    QTest::addColumn<QString>("shown");
    QTest::newRow("std::exception") << true << "delivered badly.";
    QTest::newRow("other type") << false << "";
  }
  void escapedExceptionsAreShown() {
    QFETCH(bool, standard);
    QFETCH(QString, shown);
    QVERIFY(qobject_cast<gaintool::ui::TApplication*>(QCoreApplication::instance()) != nullptr);
    MessageBoxCatcher catcher;
    Thrower thrower;
    thrower.throw_std = standard;
    QEvent event(QEvent::User);
    QCOMPARE(QCoreApplication::sendEvent(&thrower, &event), false);
    QCOMPARE(catcher.Boxes().size(), std::size_t{1});
    ExpectErrorBox(catcher.Boxes().front(), shown);
  }

  // A value that is not an integer, sent with an ADJ button: the conversion error is shown,
  // nothing goes to the handset, and the window takes the next click as usual.
  void conversionErrorOfAWrite_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("value");
    QTest::newRow("Mic, trailing blank") << "Button1"
                                         << "MEdit1"
                                         << "12 ";
    QTest::newRow("SideTone, decimal point") << "ADJ"
                                             << "SideToneEdit"
                                             << "1.5";
    QTest::newRow("Speech, letters") << "Button2"
                                     << "SEdit1"
                                     << "12a";
    QTest::newRow("Melody, beyond 32 bits") << "Button5"
                                            << "Edit1"
                                            << "2147483648";
  }
  void conversionErrorOfAWrite() {
    QFETCH(QString, button);
    QFETCH(QString, box);
    QFETCH(QString, value);
    PortFolder folder;
    folder.AddPort("ttyS0");
    TForm1 form(folder.Path());
    form.show();
    for (QLineEdit* edit : form.findChildren<QLineEdit*>()) {
      if (form.Control(edit->objectName().toStdString()) == edit) edit->setText("1");
    }
    form.PortCBox->setEditText(QStringLiteral("COM1"));
    qobject_cast<QLineEdit*>(form.Control(box.toStdString()))->setText(value);
    form.ShowStatus("Connected");

    MessageBoxCatcher catcher;
    auto* adj = qobject_cast<QPushButton*>(form.Control(button.toStdString()));
    QTest::mouseClick(adj, Qt::LeftButton);
    QCOMPARE(catcher.Boxes().size(), std::size_t{1});
    ExpectErrorBox(catcher.Boxes().front(), "'" + value + "' is not a valid integer value.");
    QVERIFY(!adj->isDown());
    QCOMPARE(Received(folder.ControllerOf("ttyS0")), QByteArray());
    QCOMPARE(form.VerdictText(), QString());
    QCOMPARE(form.StatusText(), QStringLiteral("Connected"));

    // The next click runs as usual: an emptied box brings its own notice.
    catcher.Clear();
    qobject_cast<QLineEdit*>(form.Control(box.toStdString()))->clear();
    QTest::mouseClick(adj, Qt::LeftButton);
    QCOMPARE(catcher.Boxes().size(), std::size_t{1});
    QCOMPARE(catcher.Boxes().front().text, QStringLiteral("数据不能为空!!"));
  }
};

GAINTOOL_UI_TEST_MAIN(ExceptionDisplayTest)
#include "exception_display_test.moc"
