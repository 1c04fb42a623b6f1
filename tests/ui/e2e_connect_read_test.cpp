// CONNECT and the Read buttons clicked in the real window against the simulated handset: which
// handshake replies are accepted and what the window then shows, where a failing read stops and
// what it leaves in the boxes, and the order in which a read paints its boxes and its verdict.
#include <QEvent>
#include <QtTest>
#include <algorithm>
#include <string>
#include <vector>

#include "e2e_bench.h"
#include "ui/application.h"
#include "window_test_main.h"

using gaintool::ops::OperatorWindow;
using gaintool::testing::kGreen;
using gaintool::testing::kRed;
using gaintool::testing::Q;
using gaintool::testing::ReadCommand;
using gaintool::testing::RowNamed;
using gaintool::testing::RowOnScreen;
using gaintool::testing::SimArgs;
using gaintool::testing::VerdictDrawnIn;
using gaintool::testing::WindowBench;

namespace {

QStringList OldTexts(const RowOnScreen& row) {
  QStringList texts;
  for (std::size_t i = 0; i < row.boxes.size(); ++i) texts << QStringLiteral("old%1").arg(i);
  return texts;
}

// Records the paint events of some controls while an operation runs: the text each showed and
// the verdict's caption at that moment.
class PaintLog : public QObject {
 public:
  struct Paint {
    QString control;
    QString text;
    QString verdict;
  };

  explicit PaintLog(gaintool::ui::TForm1& form) : form_(form) {}

  void Watch(QWidget* control) { control->installEventFilter(this); }
  // Records while the click handler of `button` runs: from the button's release, which comes
  // right before its click, until the log's own click slot, which is connected after the
  // window's and so runs once the operation has ended.
  void RecordClickOf(QPushButton* button) {
    connect(button, &QPushButton::released, this, [this] { recording_ = true; });
    connect(button, &QPushButton::clicked, this, [this] { recording_ = false; });
  }

  std::vector<Paint> paints;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (recording_ && event->type() == QEvent::Paint) {
      QString text;
      if (auto* edit = qobject_cast<QLineEdit*>(watched)) text = edit->text();
      if (auto* label = qobject_cast<QLabel*>(watched)) text = label->text();
      paints.push_back({watched->objectName(), text, form_.VerdictText()});
    }
    return false;
  }

 private:
  gaintool::ui::TForm1& form_;
  bool recording_ = false;
};

}  // namespace

class ConnectReadTest : public QObject {
  Q_OBJECT

 private slots:
  // The handshake is judged on the exact reply; echo-off follows only an accepted one; the
  // verdict that an earlier operation left stays as it was.
  void connectReplies_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("echoed reply") << QStringList{} << QByteArray("AT+ESLP=0\r\n\r\nOK\r\n") << true;
    QTest::newRow("reply without echo")
        << QStringList{"--echo", "off"} << QByteArray("\r\nOK\r\n") << true;
    QTest::newRow("empty reply") << QStringList{"--fault", "1:silent"} << QByteArray() << false;
    QTest::newRow("one byte more after the echoed reply")
        << QStringList{"--fault", "1:reply:AT+ESLP=0\\r\\n\\r\\nOK\\r\\n "}
        << QByteArray("AT+ESLP=0\r\n\r\nOK\r\n ") << false;
    QTest::newRow("one byte more before the reply without echo")
        << QStringList{"--echo", "off", "--fault", "1:reply: \\r\\nOK\\r\\n"}
        << QByteArray(" \r\nOK\r\n") << false;
    QTest::newRow("error result") << QStringList{"--fault", "1:error"}
                                  << QByteArray("AT+ESLP=0\r\n\r\nERROR\r\n") << false;
  }
  void connectReplies() {
    QFETCH(QStringList, simArgs);
    QFETCH(QByteArray, reply);
    QFETCH(bool, accepted);
    WindowBench bench(SimArgs(simArgs));
    auto& form = bench.form;
    bench.ChooseListedPort();
    form.ShowFail(" level 2 error!");  // what a failed write left
    QString statusUnderDialog;
    bench.catcher.WhileNextIsOpen([&](QMessageBox&) { statusUnderDialog = form.StatusText(); });

    bench.Click("Button3");

    QCOMPARE(QByteArray::fromStdString(form.MemoText(OperatorWindow::Memo::Connect)), reply);
    QCOMPARE(form.VerdictText(), QStringLiteral("FAIL"));
    QVERIFY(VerdictDrawnIn(form, kRed));
    std::vector<std::string> expected{"AT+ESLP=0\r\n"};
    if (accepted) {
      expected.push_back("ATE0\r\n");
      QCOMPARE(form.StatusText(), QStringLiteral("Connected"));
      QVERIFY(bench.catcher.Boxes().empty());
    } else {
      QCOMPARE(form.StatusText(), QStringLiteral("Connect Error!"));
      QCOMPARE(bench.catcher.Boxes().size(), std::size_t{1});
      QCOMPARE(bench.catcher.Boxes()[0].text, QStringLiteral("连接错误，请重新连接！"));
      QCOMPARE(bench.catcher.Boxes()[0].caption, gaintool::ui::AppTitle());
      // The status line already reads the failure while the dialog is up.
      QCOMPARE(statusUnderDialog, QStringLiteral("Connect Error!"));
    }
    QCOMPARE(bench.SentCommands(), expected);
  }

  // A read that fails at a level leaves the new values below it and the old texts from it on;
  // a reply holding only OK empties its box and the read still passes.
  void readOutcomes_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<int>("failingLevel");  // -1: every level passes
    QTest::addColumn<int>("emptiedLevel");  // -1: none
    QTest::newRow("Speech, level 3 answers ERROR")
        << "Speech" << QStringList{"--fault", "4:error"} << 3 << -1;
    QTest::newRow("Melody, level 3 gets no reply")
        << "Melody" << QStringList{"--echo", "off", "--fault", "4:silent"} << 3 << -1;
    QTest::newRow("Mic, level 0 answers ERROR")
        << "Mic" << QStringList{"--fault", "1:error"} << 0 << -1;
    QTest::newRow("SideTone, level 0 gets no reply")
        << "SideTone" << QStringList{"--fault", "1:silent"} << 0 << -1;
    QTest::newRow("Speech, level 2 replies only OK")
        << "Speech" << QStringList{"--echo", "off", "--fault", "3:reply:\\r\\nOK\\r\\n"} << -1 << 2;
    QTest::newRow("SideTone, level 0 replies only OK")
        << "SideTone" << QStringList{"--fault", "1:reply:\\r\\nOK\\r\\n"} << -1 << 0;
  }
  void readOutcomes() {
    QFETCH(QString, row);
    QFETCH(QStringList, simArgs);
    QFETCH(int, failingLevel);
    QFETCH(int, emptiedLevel);
    const RowOnScreen& r = RowNamed(row);
    const int levels = static_cast<int>(r.boxes.size());
    WindowBench bench(SimArgs(simArgs));
    auto& form = bench.form;
    bench.ChooseListedPort();
    bench.TypeRow(r, OldTexts(r));

    bench.Click(r.read_button);

    const int reached = failingLevel >= 0 ? failingLevel + 1 : levels;
    QStringList expectedTexts = OldTexts(r);
    std::vector<std::string> expectedCommands;
    for (int level = 0; level < reached; ++level) {
      expectedCommands.push_back(ReadCommand(0, r.kind, level));
      if (level == failingLevel) break;
      expectedTexts[level] =
          level == emptiedLevel ? QString() : Q(bench.handset.StoredValue(0, r.kind, level));
    }
    QCOMPARE(bench.RowTexts(r), expectedTexts);
    if (failingLevel >= 0) {
      QCOMPARE(form.VerdictText(), QStringLiteral("FAIL"));
      QVERIFY(VerdictDrawnIn(form, kRed));
      QVERIFY(!VerdictDrawnIn(form, kGreen));
      QCOMPARE(form.StatusText(), QStringLiteral(" Read level %1 error!").arg(failingLevel));
    } else {
      QCOMPARE(form.VerdictText(), QStringLiteral("PASS"));
      QVERIFY(VerdictDrawnIn(form, kGreen));
      QCOMPARE(form.StatusText(), QString::fromLatin1(r.read_passed));
    }
    QVERIFY(bench.catcher.Boxes().empty());
    QCOMPARE(bench.SentCommands(), expectedCommands);
  }

  // A read paints its filled boxes while the verdict is still empty, before the operation ends.
  // A write paints no verdict until it has ended: the "PASS" of each level is not drawn one by
  // one, and a write that fails after some levels passed never shows "PASS". The writes follow a
  // CONNECT, so that their first level also changes the status line.
  void paintingDuringAnOperation_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("verdict");
    QTest::newRow("Speech Read") << "Speech" << true << QStringList{"--echo", "off"} << "PASS";
    QTest::newRow("SideTone Read") << "SideTone" << true << QStringList{} << "PASS";
    QTest::newRow("Melody ADJ after CONNECT, passing")
        << "Melody" << false << QStringList{} << "PASS";
    QTest::newRow("Speech ADJ after CONNECT, level 3 fails")
        << "Speech" << false << QStringList{"--fault", "6:error"} << "FAIL";
  }
  void paintingDuringAnOperation() {
    QFETCH(QString, row);
    QFETCH(bool, read);
    QFETCH(QStringList, simArgs);
    QFETCH(QString, verdict);
    const RowOnScreen& r = RowNamed(row);
    WindowBench bench(SimArgs(simArgs));
    auto& form = bench.form;
    bench.ChooseListedPort();
    if (read) {
      bench.TypeRow(r, OldTexts(r));
    } else {
      bench.Click("Button3");
      QCOMPARE(form.StatusText(), QStringLiteral("Connected"));
      bench.TypeRow(r, QStringList{"1", "2", "3", "4", "5", "6", "7"});
    }
    const char* button = read ? r.read_button : r.write_button;
    bench.Button(button)->setFocus();   // the click moves no focus
    QCoreApplication::processEvents();  // what is waiting to be painted is painted now
    PaintLog log(form);
    log.Watch(form.StaticText);
    for (const char* box : r.boxes) log.Watch(bench.Box(box));

    log.RecordClickOf(bench.Button(button));
    bench.Click(button);

    QCOMPARE(form.VerdictText(), verdict);
    for (const PaintLog::Paint& paint : log.paints) {
      if (read) {
        QVERIFY2(paint.verdict.isEmpty(),
                 qPrintable(paint.control + " painted under the verdict " + paint.verdict));
      } else {
        QVERIFY2(paint.control != QLatin1String("StaticText"),
                 qPrintable("the verdict was painted during the write: " + paint.text));
      }
    }
    if (!read) return;
    for (const char* box : r.boxes) {
      const QString value = bench.Box(box)->text();
      const bool painted =
          std::any_of(log.paints.begin(), log.paints.end(), [&](const PaintLog::Paint& paint) {
            return paint.control == QLatin1String(box) && paint.text == value;
          });
      QVERIFY2(painted, box);
    }
  }
};

GAINTOOL_UI_TEST_MAIN(ConnectReadTest)
#include "e2e_connect_read_test.moc"
