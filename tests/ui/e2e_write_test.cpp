// The ADJ buttons clicked in the real window against the simulated handset, with the values typed
// into the boxes: what goes on the wire, what the handset then holds, the verdict as drawn, the
// status line and the last reply in Memo1; and the rows that are refused before anything is sent.
#include <QtTest>
#include <string>
#include <vector>

#include "e2e_bench.h"
#include "ui/application.h"
#include "window_test_main.h"

using gaintool::ops::OperatorWindow;
using gaintool::testing::kGreen;
using gaintool::testing::kRed;
using gaintool::testing::RowNamed;
using gaintool::testing::RowOnScreen;
using gaintool::testing::SimArgs;
using gaintool::testing::VerdictDrawnIn;
using gaintool::testing::WindowBench;
using gaintool::testing::WriteCommand;

class WriteTest : public QObject {
  Q_OBJECT

 private slots:
  // `sent` holds the value of each level that goes on the wire, up to the failing one. The level
  // whose command meets a fault of the handset is not stored there, whatever its reply.
  void writeOutcomes_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<int>("faultedLevel");  // -1: none
    QTest::addColumn<bool>("passes");
    QTest::addColumn<QByteArray>("memo1");
    QTest::newRow("Speech, values held to the range and sent as decimal")
        << "Speech" << QStringList{"--echo", "off"}
        << QStringList{"300", "-5", "007", "0xFF", "+7", " 12", "$10"}
        << QStringList{"255", "0", "7", "255", "7", "12", "16"} << -1 << true
        << QByteArray("\r\nOK\r\n");
    QTest::newRow("Melody, level 5 answers ERROR")
        << "Melody" << QStringList{"--fault", "6:error"}
        << QStringList{"10", "11", "12", "13", "14", "15", "16"}
        << QStringList{"10", "11", "12", "13", "14", "15"} << 5 << false
        << QByteArray("at+eadp=1,0,0,5,15\r\n\r\nERROR\r\n");
    QTest::newRow("Mic, level 0 answers ERROR")
        << "Mic" << QStringList{"--echo", "off", "--fault", "1:error"} << QStringList{"300"}
        << QStringList{"255"} << 0 << false << QByteArray("\r\nERROR\r\n");
    QTest::newRow("SideTone, level 0 gets no reply")
        << "SideTone" << QStringList{"--fault", "1:silent"} << QStringList{"-5"} << QStringList{"0"}
        << 0 << false << QByteArray();
    QTest::newRow("Mic, reply with bare CR line ends")
        << "Mic" << QStringList{"--fault", "1:reply:\\rOK\\r"} << QStringList{"9"}
        << QStringList{"9"} << 0 << true << QByteArray("\rOK\r");
  }
  void writeOutcomes() {
    QFETCH(QString, row);
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, sent);
    QFETCH(int, faultedLevel);
    QFETCH(bool, passes);
    QFETCH(QByteArray, memo1);
    const RowOnScreen& r = RowNamed(row);
    WindowBench bench(SimArgs(simArgs));
    auto& form = bench.form;
    bench.ChooseListedPort();
    form.ShowStatus("Connected");
    bench.TypeRow(r, typed);

    bench.Click(r.write_button);

    QCOMPARE(bench.RowTexts(r), typed);  // the boxes keep what was typed
    QCOMPARE(QByteArray::fromStdString(form.MemoText(OperatorWindow::Memo::Write)), memo1);
    if (passes) {
      QCOMPARE(form.VerdictText(), QStringLiteral("PASS"));
      QVERIFY(VerdictDrawnIn(form, kGreen));
      QVERIFY(!VerdictDrawnIn(form, kRed));
      QCOMPARE(form.StatusText(), QString());
    } else {
      QCOMPARE(form.VerdictText(), QStringLiteral("FAIL"));
      QVERIFY(VerdictDrawnIn(form, kRed));
      QVERIFY(!VerdictDrawnIn(form, kGreen));
      QCOMPARE(form.StatusText(), QStringLiteral(" level %1 error!").arg(faultedLevel));
    }
    std::vector<std::string> expected;
    for (int level = 0; level < sent.size(); ++level) {
      const std::string value = sent[level].toStdString();
      expected.push_back(WriteCommand(0, r.kind, level, value));
      if (level == faultedLevel) {
        QVERIFY(bench.handset.StoredValue(0, r.kind, level) != value);
      } else {
        QCOMPARE(bench.handset.StoredValue(0, r.kind, level), value);
      }
    }
    QVERIFY(bench.catcher.Boxes().empty());
    QCOMPARE(bench.SentCommands(), expected);
  }

  // A row with an empty box, or a box that is not an integer, anywhere in it: the row is refused
  // with its message before anything is sent. The verdict is emptied, the status line and Memo1
  // stay as they were, the boxes keep their texts.
  void refusedRows_data() {
    QTest::addColumn<QString>("row");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("conversionError");
    const QString empty = QStringLiteral("数据不能为空!!");
    QTest::newRow("Speech, first box empty")
        << "Speech" << QStringList{"", "1", "2", "3", "4", "5", "6"} << empty << false;
    QTest::newRow("Speech, last box empty")
        << "Speech" << QStringList{"0", "1", "2", "3", "4", "5", ""} << empty << false;
    QTest::newRow("Melody, Edit4 empty")
        << "Melody" << QStringList{"0", "1", "2", "", "4", "5", "6"} << empty << false;
    QTest::newRow("Mic, box empty") << "Mic" << QStringList{""} << empty << false;
    QTest::newRow("Speech, SEdit4 not an integer")
        << "Speech" << QStringList{"0", "1", "2", "4.5", "4", "5", "6"}
        << "'4.5' is not a valid integer value." << true;
    QTest::newRow("Melody, last box not an integer")
        << "Melody" << QStringList{"0", "1", "2", "3", "4", "5", "7a"}
        << "'7a' is not a valid integer value." << true;
    QTest::newRow("SideTone, blanks only")
        << "SideTone" << QStringList{"  "} << "'  ' is not a valid integer value." << true;
  }
  void refusedRows() {
    QFETCH(QString, row);
    QFETCH(QStringList, typed);
    QFETCH(QString, message);
    QFETCH(bool, conversionError);
    const RowOnScreen& r = RowNamed(row);
    WindowBench bench;
    auto& form = bench.form;
    bench.ChooseListedPort();
    form.ShowPass("Read Mic Successful");  // what an earlier read left
    bench.TypeRow(r, typed);
    const std::string memo1 = form.MemoText(OperatorWindow::Memo::Write);

    bench.Click(r.write_button);

    QCOMPARE(bench.catcher.Boxes().size(), std::size_t{1});
    QCOMPARE(bench.catcher.Boxes()[0].text, message);
    QCOMPARE(bench.catcher.Boxes()[0].caption,
             conversionError ? gaintool::ui::AppTitle() : QStringLiteral("错误"));
    QCOMPARE(form.VerdictText(), QString());
    QVERIFY(!VerdictDrawnIn(form, kGreen));
    QCOMPARE(form.StatusText(), QStringLiteral("Read Mic Successful"));
    QCOMPARE(form.MemoText(OperatorWindow::Memo::Write), memo1);
    QCOMPARE(bench.RowTexts(r), typed);
    QCOMPARE(bench.SentCommands(), std::vector<std::string>{});
  }
};

GAINTOOL_UI_TEST_MAIN(WriteTest)
#include "e2e_write_test.moc"
