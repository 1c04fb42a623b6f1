// Every button of the window in each audio mode, against the simulated handset: the mode picked in
// the mode box, values typed into the boxes, the button clicked; then the bytes the handset
// received, the values that landed in the boxes or in the handset, the verdict as drawn and the
// status line.
#include <QtTest>
#include <string>
#include <vector>

#include "e2e_bench.h"
#include "window_test_main.h"

using gaintool::testing::kGreen;
using gaintool::testing::kRed;
using gaintool::testing::Q;
using gaintool::testing::ReadCommand;
using gaintool::testing::RowNamed;
using gaintool::testing::RowOnScreen;
using gaintool::testing::VerdictDrawnIn;
using gaintool::testing::WindowBench;
using gaintool::testing::WriteCommand;

namespace {

enum class Action { Connect, Read, Write };

// The value typed for a level in a mode. It differs from what the handset holds before the write
// in every mode, kind and level, so a value found in the handset afterwards was written.
QString TypedValue(int mode, int level) {
  return QString::number(5 + 30 * level + 3 * mode);
}

}  // namespace

Q_DECLARE_METATYPE(Action)

class ModesTest : public QObject {
  Q_OBJECT

 private slots:
  void everyButtonInEveryMode_data() {
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("mode");
    for (int mode = 0; mode < 3; ++mode) {
      QTest::addRow("CONNECT, mode %d", mode) << Action::Connect << QString() << mode;
      for (const char* row : {"Mic", "Speech", "Melody", "SideTone"}) {
        QTest::addRow("%s Read, mode %d", row, mode) << Action::Read << row << mode;
        QTest::addRow("%s ADJ, mode %d", row, mode) << Action::Write << row << mode;
      }
    }
  }
  void everyButtonInEveryMode() {
    QFETCH(Action, action);
    QFETCH(QString, row);
    QFETCH(int, mode);
    WindowBench bench;  // echo on, as after a handset reset
    auto& form = bench.form;
    bench.ChooseListedPort();
    QCOMPARE(form.PortName(), std::string("COM1"));
    bench.ChooseMode(mode);
    QCOMPARE(form.ModeBox->currentIndex(), mode);
    QCOMPARE(form.ModeIndex(), mode);

    std::vector<std::string> expected;
    if (action == Action::Connect) {
      bench.Click("Button3");
      expected = {"AT+ESLP=0\r\n", "ATE0\r\n"};
      QCOMPARE(form.StatusText(), QStringLiteral("Connected"));
      QCOMPARE(form.VerdictText(), QString());
      QCOMPARE(form.MemoText(gaintool::ops::OperatorWindow::Memo::Connect),
               std::string("AT+ESLP=0\r\n\r\nOK\r\n"));
    } else if (action == Action::Read) {
      const RowOnScreen& r = RowNamed(row);
      bench.Click(r.read_button);
      for (int level = 0; level < static_cast<int>(r.boxes.size()); ++level) {
        expected.push_back(ReadCommand(mode, r.kind, level));
        const std::string held = bench.handset.StoredValue(mode, r.kind, level);
        QVERIFY(!held.empty());
        QCOMPARE(bench.Box(r.boxes[static_cast<std::size_t>(level)])->text(), Q(held));
      }
      QCOMPARE(form.VerdictText(), QStringLiteral("PASS"));
      QCOMPARE(form.StatusText(), QString::fromLatin1(r.read_passed));
    } else {
      const RowOnScreen& r = RowNamed(row);
      QStringList typed;
      for (int level = 0; level < static_cast<int>(r.boxes.size()); ++level) {
        typed << TypedValue(mode, level);
        QVERIFY(Q(bench.handset.StoredValue(mode, r.kind, level)) != typed.back());
      }
      bench.TypeRow(r, typed);
      bench.Click(r.write_button);
      for (int level = 0; level < static_cast<int>(r.boxes.size()); ++level) {
        const std::string value = typed[level].toStdString();
        expected.push_back(WriteCommand(mode, r.kind, level, value));
        QCOMPARE(bench.handset.StoredValue(mode, r.kind, level), value);
      }
      QCOMPARE(bench.RowTexts(r), typed);
      QCOMPARE(form.VerdictText(), QStringLiteral("PASS"));
      QCOMPARE(form.StatusText(), QString());
      // The last reply, the echoed level command and its result, stays in Memo1 byte for byte.
      QCOMPARE(form.MemoText(gaintool::ops::OperatorWindow::Memo::Write),
               expected.back() + "\r\nOK\r\n");
    }
    if (action != Action::Connect) {
      QVERIFY(VerdictDrawnIn(form, kGreen));
      QVERIFY(!VerdictDrawnIn(form, kRed));
    }
    QVERIFY(bench.catcher.Boxes().empty());
    QCOMPARE(bench.SentCommands(), expected);
  }
};

GAINTOOL_UI_TEST_MAIN(ModesTest)
#include "e2e_modes_test.moc"
