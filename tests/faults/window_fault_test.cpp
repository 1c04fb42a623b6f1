// Two faults through the real window: clicks on TForm1 on the offscreen platform, against the
// simulated handset behind the port COM1 of a device folder of the test's own. The handset drops
// its line in the middle of a Speech Read, and stops reading during a Speech ADJ; each time the
// operation ends with its verdict, no message box opens, and the same click works once the
// handset is back.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <string>
#include <vector>

#include "message_box_catcher.h"
#include "support/handset.h"
#include "ui/tform1.h"
#include "window_test_main.h"

using gaintool::testing::MessageBoxCatcher;
using gaintool::testing::SimulatedHandset;
using gaintool::ui::TForm1;

namespace {

const char* const kSpeechBoxes[] = {"SEdit1", "SEdit2", "SEdit3", "SEdit4",
                                    "SEdit5", "SEdit6", "SEdit7"};

// The handset behind <folder>/ttyS0, the window on that folder with COM1 typed as its port.
struct WindowBench {
  explicit WindowBench(std::vector<std::string> sim_args)
      : handset(WithLink(std::move(sim_args), Folder() + "ttyS0")), form(Folder().c_str()) {
    form.show();
    QApplication::setActiveWindow(&form);
    if (!QTest::qWaitForWindowExposed(&form)) qWarning("the window was not exposed");
    QLineEdit* port = form.PortCBox->lineEdit();
    port->setFocus();
    QTest::keyClick(port, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(port, "COM1");
  }

  std::string Folder() const { return folder.path().toStdString() + "/"; }

  static std::vector<std::string> WithLink(std::vector<std::string> args, std::string link) {
    args.push_back("--link");
    args.push_back(std::move(link));
    return args;
  }

  QLineEdit* Box(const char* name) const { return qobject_cast<QLineEdit*>(form.Control(name)); }
  void Type(const char* name, const QString& text) {
    QLineEdit* box = Box(name);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }
  void Click(const char* name) {
    QTest::mouseClick(qobject_cast<QPushButton*>(form.Control(name)), Qt::LeftButton);
  }
  QString Stored(int level) const {
    return QString::fromStdString(handset.StoredValue(0, 2, level));
  }

  QTemporaryDir folder;
  SimulatedHandset handset;
  TForm1 form;
  MessageBoxCatcher catcher;  // any box that opens is recorded and closed
};

}  // namespace

class WindowFaultTest : public QObject {
  Q_OBJECT

 private slots:
  void handsetVanishesDuringASpeechRead() {
    WindowBench bench({"--fault", "4:hangup"});
    for (const char* box : kSpeechBoxes) bench.Type(box, "old");

    bench.Click("Speech_Read_Bttn");

    QCOMPARE(bench.form.VerdictText(), QString("FAIL"));
    QCOMPARE(bench.form.StatusText(), QString(" Read level 3 error!"));
    for (int level = 0; level < 7; ++level) {
      QCOMPARE(bench.Box(kSpeechBoxes[level])->text(), level < 3 ? bench.Stored(level) : "old");
    }
    QVERIFY(bench.catcher.Boxes().empty());

    QVERIFY(!bench.handset.WaitForNextDevice().empty());
    bench.Click("Speech_Read_Bttn");
    QCOMPARE(bench.form.VerdictText(), QString("PASS"));
    QCOMPARE(bench.form.StatusText(), QString("Read Speech Successful"));
    for (int level = 0; level < 7; ++level) {
      QCOMPARE(bench.Box(kSpeechBoxes[level])->text(), bench.Stored(level));
    }
    QVERIFY(bench.catcher.Boxes().empty());
  }

  // The handset reads nothing and its line is full from the first command on: the ADJ's first
  // write is never taken, and only its bound ends it.
  void portNeverTakesTheCommandDuringASpeechWrite() {
    WindowBench bench({"--fault", "1:stall"});
    std::vector<QString> before;
    for (int level = 0; level < 7; ++level) {
      before.push_back(bench.Stored(level));
      bench.Type(kSpeechBoxes[level], QString::number(230 + level));
    }

    bench.Click("Button2");

    QCOMPARE(bench.form.VerdictText(), QString("FAIL"));
    QCOMPARE(bench.form.StatusText(), QString(" level 0 error!"));
    QVERIFY(bench.handset.ReceivedCommands().empty());
    for (int level = 0; level < 7; ++level) QCOMPARE(bench.Stored(level), before[level]);
    QVERIFY(bench.catcher.Boxes().empty());

    QVERIFY(bench.handset.HangUpNow());  // plugged in again
    QVERIFY(!bench.handset.WaitForNextDevice().empty());
    bench.Click("Button2");
    QCOMPARE(bench.form.VerdictText(), QString("PASS"));
    for (int level = 0; level < 7; ++level) {
      QCOMPARE(bench.Stored(level), QString::number(230 + level));
    }
    QVERIFY(bench.catcher.Boxes().empty());
  }
};

GAINTOOL_UI_TEST_MAIN(WindowFaultTest)
#include "window_fault_test.moc"
