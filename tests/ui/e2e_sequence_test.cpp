// The real window across several operations against the simulated handset: the verdict and the
// status line that each operation leaves for the next, a port that cannot be opened when an
// operation starts, and clicks on the window while one of its message boxes is open.
#include <QtTest>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "e2e_bench.h"
#include "ui/application.h"
#include "window_test_main.h"

using gaintool::ops::OperatorWindow;
using gaintool::testing::kGreen;
using gaintool::testing::kMelodyRow;
using gaintool::testing::kMicRow;
using gaintool::testing::kRed;
using gaintool::testing::kSideToneRow;
using gaintool::testing::kSpeechRow;
using gaintool::testing::Q;
using gaintool::testing::ReadCommand;
using gaintool::testing::RowOnScreen;
using gaintool::testing::VerdictDrawnIn;
using gaintool::testing::WindowBench;
using gaintool::testing::WriteCommand;
using gaintool::ui::TForm1;

namespace {

const QString kPortFailure = QStringLiteral("连接错误，请重新连接!!");
const QString kRefused = QStringLiteral("连接错误，请重新连接！");
const QString kEmptyBox = QStringLiteral("数据不能为空!!");

// One click of an operator, and what the window shows once it has ended.
struct Step {
  const char* button;
  std::vector<std::pair<const char*, QString>> typed = {};  // box, text: typed before the click
  QString port = {};  // typed into the port box before the click; empty: the port stays
  QString verdict = {};
  QString status = {};
  QString message = {};  // the text of the one message box the step shows; empty: none
};

struct Sequence {
  const char* name;
  std::vector<std::string> sim_args;  // faults count the commands of the whole sequence
  std::vector<Step> steps;
};

const std::vector<Sequence>& Sequences() {
  static const std::vector<Sequence> sequences{
      {"CONNECT, then a passing Mic ADJ empties the status line",
       {},
       {{"Button3", {}, {}, "", "Connected"}, {"Button1", {{"MEdit1", "90"}}, {}, "PASS", ""}}},
      {"a Speech ADJ failing at level 3, then CONNECT: FAIL stays beside Connected",
       {"--fault", "4:error"},
       {{"Button2",
         {{"SEdit1", "1"},
          {"SEdit2", "2"},
          {"SEdit3", "3"},
          {"SEdit4", "4"},
          {"SEdit5", "5"},
          {"SEdit6", "6"},
          {"SEdit7", "7"}},
         {},
         "FAIL",
         " level 3 error!"},
        {"Button3", {}, {}, "FAIL", "Connected"}}},
      {"a Mic Read, then a Speech Read whose port cannot be opened, then one that can",
       {},
       {{"Mic_Read_Bttn", {}, {}, "PASS", "Read Mic Successful"},
        {"Speech_Read_Bttn", {}, "COM9", "", "Read Mic Successful", kPortFailure},
        {"Speech_Read_Bttn", {}, "COM1", "PASS", "Read Speech Successful"}}},
      {"a SideTone Read, then a refused CONNECT: the PASS stays",
       {"--fault", "2:error"},
       {{"Read", {}, {}, "PASS", "Read SideTone Successful"},
        {"Button3", {}, {}, "PASS", "Connect Error!", kRefused}}},
      {"a failing Speech Read, then an empty Mic box, then a passing Mic ADJ",
       {"--fault", "1:error"},
       {{"Speech_Read_Bttn", {}, {}, "FAIL", " Read level 0 error!"},
        {"Button1", {{"MEdit1", ""}}, {}, "", " Read level 0 error!", kEmptyBox},
        {"Button1", {{"MEdit1", "12"}}, {}, "PASS", ""}}},
      {"a failing Mic ADJ, then a Mic Read turns the verdict green",
       {"--fault", "1:error"},
       {{"Button1", {{"MEdit1", "5"}}, {}, "FAIL", " level 0 error!"},
        {"Mic_Read_Bttn", {}, {}, "PASS", "Read Mic Successful"}}},
      {"CONNECT twice: the second one is answered without echo",
       {},
       {{"Button3", {}, {}, "", "Connected"}, {"Button3", {}, {}, "", "Connected"}}},
  };
  return sequences;
}

}  // namespace

class SequenceTest : public QObject {
  Q_OBJECT

 private slots:
  void verdictAndStatusAcrossOperations_data() {
    QTest::addColumn<int>("index");
    for (std::size_t i = 0; i < Sequences().size(); ++i) {
      QTest::newRow(Sequences()[i].name) << static_cast<int>(i);
    }
  }
  void verdictAndStatusAcrossOperations() {
    QFETCH(int, index);
    const Sequence& sequence = Sequences()[static_cast<std::size_t>(index)];
    WindowBench bench(sequence.sim_args);
    auto& form = bench.form;
    bench.ChooseListedPort();
    QCOMPARE(form.PortName(), std::string("COM1"));
    for (std::size_t i = 0; i < sequence.steps.size(); ++i) {
      const Step& step = sequence.steps[i];
      const QByteArray where =
          QByteArray("step ") + QByteArray::number(qsizetype(i) + 1) + ", " + step.button;
      if (!step.port.isEmpty()) bench.TypePort(step.port);
      for (const auto& [box, text] : step.typed) bench.Type(box, text);
      bench.catcher.Clear();

      bench.Click(step.button);

      QVERIFY2(form.VerdictText() == step.verdict, where + ": " + form.VerdictText().toUtf8());
      QVERIFY2(VerdictDrawnIn(form, kGreen) == (step.verdict == "PASS"), where);
      QVERIFY2(VerdictDrawnIn(form, kRed) == (step.verdict == "FAIL"), where);
      QVERIFY2(form.StatusText() == step.status, where + ": " + form.StatusText().toUtf8());
      QStringList messages;
      for (const auto& box : bench.catcher.Boxes()) messages << box.text;
      QVERIFY2(messages == (step.message.isEmpty() ? QStringList{} : QStringList{step.message}),
               where + ": " + messages.join(" | ").toUtf8());
    }
  }

  // With the port of the window gone or held elsewhere, an operation shows only the port failure
  // message: reads and writes leave an empty verdict, CONNECT the verdict it found; the status
  // line, the boxes and the memos stay as the previous operation left them, and the handset gets
  // nothing.
  void portCannotBeOpened_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("unplugged");  // else another window holds the port
    QTest::addColumn<bool>("clearsVerdict");
    QTest::newRow("CONNECT, port held by another window") << "Button3" << false << false;
    QTest::newRow("Speech Read, port held by another window")
        << "Speech_Read_Bttn" << false << true;
    QTest::newRow("Melody ADJ, port held by another window") << "Button5" << false << true;
    QTest::newRow("CONNECT, handset unplugged") << "Button3" << true << false;
    QTest::newRow("Mic Read, handset unplugged") << "Mic_Read_Bttn" << true << true;
    QTest::newRow("SideTone ADJ, handset unplugged") << "ADJ" << true << true;
  }
  void portCannotBeOpened() {
    QFETCH(QString, button);
    QFETCH(bool, unplugged);
    QFETCH(bool, clearsVerdict);
    WindowBench bench;
    auto& form = bench.form;
    bench.ChooseListedPort();
    for (const char* box :
         {"SEdit1", "SEdit2", "SEdit3", "SEdit4", "SEdit5", "SEdit6", "SEdit7", "Edit1", "Edit2",
          "Edit3", "Edit4", "Edit5", "Edit6", "Edit7", "SideToneEdit"}) {
      bench.Type(box, "50");
    }
    // An operation keeps its port until the next one, so the other window takes the port first.
    std::unique_ptr<TForm1> other;
    if (unplugged) {
      bench.Click("Mic_Read_Bttn");
      bench.handset.Stop();
    } else {
      other = std::make_unique<TForm1>(bench.folder.Path());
      other->show();
      other->PortCBox->setFocus();
      QTest::keyClick(other->PortCBox, Qt::Key_Down);
      QCOMPARE(other->PortName(), std::string("COM1"));
      QTest::mouseClick(other->Mic_Read_Bttn, Qt::LeftButton);
      QCOMPARE(other->VerdictText(), QStringLiteral("PASS"));
      bench.Type("MEdit1", "77");
      form.ShowPass("Read Mic Successful");
    }
    QCOMPARE(form.StatusText(), QStringLiteral("Read Mic Successful"));
    auto all_boxes = [&] {
      QStringList texts;
      for (const RowOnScreen* row : {&kMicRow, &kSpeechRow, &kMelodyRow, &kSideToneRow}) {
        texts << bench.RowTexts(*row);
      }
      return texts;
    };
    const QStringList boxes = all_boxes();
    const std::string memo = form.MemoText(OperatorWindow::Memo::Connect);
    const std::string memo1 = form.MemoText(OperatorWindow::Memo::Write);
    QVERIFY(bench.catcher.Boxes().empty());

    bench.Click(button.toLatin1().constData());

    QCOMPARE(bench.catcher.Boxes().size(), std::size_t{1});
    const auto& box = bench.catcher.Boxes()[0];
    QCOMPARE(box.text, kPortFailure);
    QCOMPARE(box.caption, QStringLiteral("通信错误!"));
    QVERIFY2(box.informative_text.contains(Q(bench.folder.Path() + "ttyS0")),
             qPrintable(box.informative_text));
    QCOMPARE(form.VerdictText(), clearsVerdict ? QString() : QStringLiteral("PASS"));
    QCOMPARE(VerdictDrawnIn(form, kGreen), !clearsVerdict);
    QCOMPARE(form.StatusText(), QStringLiteral("Read Mic Successful"));
    QCOMPARE(all_boxes(), boxes);
    QCOMPARE(form.MemoText(OperatorWindow::Memo::Connect), memo);
    QCOMPARE(form.MemoText(OperatorWindow::Memo::Write), memo1);
    if (!unplugged) {
      QCOMPARE(bench.SentCommands(other.get()), std::vector<std::string>{ReadCommand(0, 3, 0)});
    }
  }

  // The empty-box notice has no owner: the operator clicks the row's Read meanwhile, which runs
  // in full and fills the empty box; the write then merely ends, and the next ADJ writes the row.
  void readWhileTheEmptyBoxNoticeIsOpen() {
    WindowBench bench;
    auto& form = bench.form;
    bench.ChooseListedPort();
    bench.TypeRow(kSpeechRow, {"1", "2", "3", "", "5", "6", "7"});
    QString verdictUnder;
    QString statusUnder;
    bench.catcher.WhileNextIsOpen([&](QMessageBox&) {
      bench.ClickThroughWindow(kSpeechRow.read_button);
      verdictUnder = form.VerdictText();
      statusUnder = form.StatusText();
    });

    bench.Click(kSpeechRow.write_button);

    QCOMPARE(bench.catcher.Boxes().size(), std::size_t{1});
    QCOMPARE(bench.catcher.Boxes()[0].text, kEmptyBox);
    QCOMPARE(verdictUnder, QStringLiteral("PASS"));
    QCOMPARE(statusUnder, QStringLiteral("Read Speech Successful"));
    QCOMPARE(form.VerdictText(), QStringLiteral("PASS"));
    QCOMPARE(form.StatusText(), QStringLiteral("Read Speech Successful"));
    QStringList held;
    std::vector<std::string> expected;
    for (int level = 0; level < 7; ++level) {
      held << Q(bench.handset.StoredValue(0, kSpeechRow.kind, level));
      expected.push_back(ReadCommand(0, kSpeechRow.kind, level));
    }
    QCOMPARE(bench.RowTexts(kSpeechRow), held);

    bench.Click(kSpeechRow.write_button);

    QCOMPARE(bench.catcher.Boxes().size(), std::size_t{1});
    QCOMPARE(form.VerdictText(), QStringLiteral("PASS"));
    QCOMPARE(form.StatusText(), QString());
    for (int level = 0; level < 7; ++level) {
      expected.push_back(WriteCommand(0, kSpeechRow.kind, level, held[level].toStdString()));
    }
    QCOMPARE(bench.SentCommands(), expected);
  }

  // The port failure notice has no owner: the operator types the right port and clicks ADJ
  // again meanwhile, which writes in full; the failed operation then merely ends.
  void portChosenWhileThePortFailureNoticeIsOpen() {
    WindowBench bench({"--echo", "off"});
    auto& form = bench.form;
    bench.TypePort("COM9");
    bench.Type("SideToneEdit", "33");
    bench.catcher.WhileNextIsOpen([&](QMessageBox&) {
      bench.TypePort("COM1");
      bench.ClickThroughWindow(kSideToneRow.write_button);
    });

    bench.Click(kSideToneRow.write_button);

    QCOMPARE(bench.catcher.Boxes().size(), std::size_t{1});
    QCOMPARE(bench.catcher.Boxes()[0].text, kPortFailure);
    QCOMPARE(form.VerdictText(), QStringLiteral("PASS"));
    QVERIFY(VerdictDrawnIn(form, kGreen));
    QCOMPARE(form.StatusText(), QString());
    QCOMPARE(form.MemoText(OperatorWindow::Memo::Write), std::string("\r\nOK\r\n"));
    QCOMPARE(bench.handset.StoredValue(0, kSideToneRow.kind, 0), std::string("33"));
    QCOMPARE(bench.SentCommands(), std::vector<std::string>{WriteCommand(0, 4, 0, "33")});
  }

  // The refused-handshake dialog is modal to the application: a click on the window while it is
  // open reaches no button. Once it is closed, the same click reads, and CONNECT is accepted.
  void clickWhileTheRefusedHandshakeDialogIsOpen() {
    WindowBench bench({"--fault", "1:error"});
    auto& form = bench.form;
    bench.ChooseListedPort();
    form.ShowFail(" level 1 error!");
    bench.catcher.WhileNextIsOpen(
        [&](QMessageBox&) { bench.ClickThroughWindow(kMicRow.read_button); });

    bench.Click("Button3");

    QCOMPARE(bench.catcher.Boxes().size(), std::size_t{1});
    QCOMPARE(bench.catcher.Boxes()[0].text, kRefused);
    QCOMPARE(form.VerdictText(), QStringLiteral("FAIL"));
    QCOMPARE(form.StatusText(), QStringLiteral("Connect Error!"));
    QCOMPARE(form.MEdit1->text(), QString());

    bench.ClickThroughWindow(kMicRow.read_button);

    QCOMPARE(form.MEdit1->text(), Q(bench.handset.StoredValue(0, kMicRow.kind, 0)));
    QCOMPARE(form.VerdictText(), QStringLiteral("PASS"));
    QCOMPARE(form.StatusText(), QStringLiteral("Read Mic Successful"));

    bench.Click("Button3");

    QCOMPARE(bench.catcher.Boxes().size(), std::size_t{1});
    QCOMPARE(form.StatusText(), QStringLiteral("Connected"));
    QCOMPARE(form.VerdictText(), QStringLiteral("PASS"));
    QCOMPARE(bench.SentCommands(), (std::vector<std::string>{"AT+ESLP=0\r\n", ReadCommand(0, 3, 0),
                                                             "AT+ESLP=0\r\n", "ATE0\r\n"}));
  }
};

GAINTOOL_UI_TEST_MAIN(SequenceTest)
#include "e2e_sequence_test.moc"
