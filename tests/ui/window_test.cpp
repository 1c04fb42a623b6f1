// The main window TForm1 on the offscreen platform: built from the layout, its start-up state,
// keyboard order, mode selection, port list, verdict and status display, the hidden memos, and
// the buttons bound to their operations.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QtTest>
#include <memory>
#include <string>

#include "port_folder.h"
#include "message_box_catcher.h"
#include "ops/operations.h"
#include "ui/application.h"
#include "ui/layout_table.h"
#include "ui/tform1.h"
#include "window_test_main.h"

using gaintool::ops::Row;
using gaintool::testing::CapturedBox;
using gaintool::testing::PortFolder;
using gaintool::testing::MessageBoxCatcher;
using gaintool::ui::ControlKind;
using gaintool::ui::ControlRow;
using gaintool::ui::TForm1;

namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The control of the layout that holds the keyboard focus (an editable combo box's line edit
// counts as the combo box).
QString FocusedControl(const TForm1& form) {
  for (QWidget* w = QApplication::focusWidget(); w != nullptr; w = w->parentWidget()) {
    if (form.Control(w->objectName().toStdString()) == w) return w->objectName();
  }
  return QStringLiteral("<none>");
}

QString ClassFor(ControlKind kind) {
  switch (kind) {
    case ControlKind::Image:
    case ControlKind::Label:
    case ControlKind::StaticText:
      return "QLabel";
    case ControlKind::Memo:
      return "QPlainTextEdit";
    case ControlKind::GroupBox:
      return "QGroupBox";
    case ControlKind::ComboBox:
      return "QComboBox";
    case ControlKind::Edit:
      return "QLineEdit";
    case ControlKind::Button:
      return "QPushButton";
    case ControlKind::StatusBar:
      return "QStatusBar";
    case ControlKind::Form:
      break;
  }
  return "TForm1";
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<PortFolder> folder_;
  std::unique_ptr<TForm1> form_;

  TForm1& ShownForm() {
    form_->show();
    QApplication::setActiveWindow(form_.get());
    if (!QTest::qWaitForWindowActive(form_.get())) qWarning("window not active");
    return *form_;
  }

 private slots:
  void init() {
    folder_ = std::make_unique<PortFolder>();
    form_ = std::make_unique<TForm1>(folder_->Path());
  }
  void cleanup() {
    form_.reset();
    folder_.reset();
  }

  void windowFrame() {
    TForm1& form = *form_;
    QCOMPARE(form.objectName(), QStringLiteral("Form1"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Tessora增益调整工具"));
    QCOMPARE(form.size(), QSize(472, 313));
    QCOMPARE(form.minimumSize(), QSize(472, 313));
    QCOMPARE(form.maximumSize(), QSize(472, 313));
    QCOMPARE(form.pos(), QPoint(351, 98));
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    QVERIFY(form.findChildren<QMenuBar*>().isEmpty());
    QVERIFY(!form.StatusBar->isSizeGripEnabled());
    QCOMPARE(form.font().pixelSize(), 11);
    QVERIFY(!QApplication::windowIcon().isNull());
  }

  // Each control of the layout exists under its name, with its class, parent, place and text.
  void controlsFollowTheLayout() {
    TForm1& form = ShownForm();
    for (const ControlRow& row : gaintool::ui::MainWindowLayout()) {
      if (row.kind == ControlKind::Form) continue;
      const QString name = Q(row.name);
      QWidget* control = form.Control(row.name);
      QVERIFY2(control != nullptr, qPrintable(name));
      QCOMPARE(control->objectName(), name);
      QVERIFY2(control->inherits(ClassFor(row.kind).toLatin1()), qPrintable(name));
      QCOMPARE(control->parentWidget()->objectName(), Q(row.parent));
      QCOMPARE(control->isVisible(), row.visible);
      if (row.kind == ControlKind::Label && !row.text.empty()) {
        // A label sizes itself to its caption from its corner, and shows it whole.
        QCOMPARE(control->pos(), QPoint(row.left, row.top));
        QCOMPARE(control->size(), control->sizeHint());
      } else {
        QCOMPARE(control->geometry(), QRect(row.left, row.top, row.width, row.height));
      }
      QString text;
      if (auto* label = qobject_cast<QLabel*>(control); label && row.kind != ControlKind::Image) {
        text = label->text();
      } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        text = button->text();
      } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        text = group->title();
      } else if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
        text = memo->toPlainText();
      } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        text = edit->text();
      }
      if (row.kind != ControlKind::Image && row.kind != ControlKind::ComboBox) {
        QCOMPARE(text, Q(row.text));
      }
      if (!row.font.Inherited()) {
        QCOMPARE(control->font().pixelSize(), -row.font.height);
        QCOMPARE(control->font().bold(), row.font.bold);
      } else {
        QCOMPARE(control->font(), control->parentWidget()->font());
      }
    }
  }

  // Where the labels have sized themselves, no two controls of a group overlap.
  void controlsOfAGroupDoNotOverlap() {
    TForm1& form = ShownForm();
    for (QGroupBox* group : {form.GroupBox1, form.GroupBox2}) {
      const QList<QWidget*> controls = group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
      for (QWidget* a : controls) {
        for (QWidget* b : controls) {
          if (a == b || !a->isVisible() || !b->isVisible()) continue;
          if (form.Control(a->objectName().toStdString()) != a) continue;
          if (form.Control(b->objectName().toStdString()) != b) continue;
          QVERIFY2(!a->geometry().intersects(b->geometry()),
                   qPrintable(a->objectName() + " / " + b->objectName()));
        }
      }
    }
  }

  void picturesAreDrawnAtTheirOwnSize() {
    TForm1& form = ShownForm();
    QCOMPARE(form.Image1->pixmap().size(), QSize(66, 64));
    QCOMPARE(form.Image2->pixmap().size(), QSize(103, 21));
    for (QLabel* image : {form.Image1, form.Image2}) {
      QVERIFY(!image->hasScaledContents());
      QCOMPARE(image->alignment(), Qt::AlignLeft | Qt::AlignTop);
      // The lower-left pixel's colour is not drawn: the window's face shows through there.
      const QImage picture = image->pixmap().toImage();
      QCOMPARE(qAlpha(picture.pixel(0, picture.height() - 1)), 0);
      QVERIFY(qAlpha(picture.pixel(picture.width() / 2, picture.height() / 2)) > 0);
    }
    // The application icon comes in the sizes a window manager asks for.
    QVERIFY(QApplication::windowIcon().availableSizes().contains(QSize(32, 32)));
  }

  void memosAreHiddenUnderTheConnectGroup() {
    TForm1& form = ShownForm();
    const QObjectList children = form.children();
    QVERIFY(children.indexOf(form.Memo) < children.indexOf(form.GroupBox1));
    QVERIFY(children.indexOf(form.Memo1) < children.indexOf(form.GroupBox1));
    QVERIFY(form.Memo->isVisible());
    QVERIFY(form.Memo1->isVisible());
    QVERIFY(form.Memo->visibleRegion().isEmpty());
    QVERIFY(form.Memo1->visibleRegion().isEmpty());
    QVERIFY(!form.GroupBox1->visibleRegion().isEmpty());
  }

  void startState() {
    TForm1& form = ShownForm();
    for (QLineEdit* box : {form.SEdit1, form.SEdit2, form.SEdit3, form.SEdit4, form.SEdit5,
                           form.SEdit6, form.SEdit7, form.Edit1, form.Edit2, form.Edit3, form.Edit4,
                           form.Edit5, form.Edit6, form.Edit7, form.SideToneEdit, form.MEdit1}) {
      QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    }
    QCOMPARE(form.PortCBox->currentText(), QString());
    QCOMPARE(form.PortCBox->currentIndex(), -1);
    QCOMPARE(form.ComboBox->currentText(), QString());
    QCOMPARE(form.ComboBox->count(), 1);
    QCOMPARE(form.ComboBox->itemText(0), QStringLiteral("115200"));
    QCOMPARE(form.ModeBox->currentText(), QStringLiteral("正常模式"));
    QCOMPARE(form.ModeIndex(), 0);
    QCOMPARE(form.VerdictText(), QString());
    QCOMPARE(form.StaticText->geometry(), QRect(217, 152, 4, 4));
    QCOMPARE(form.StatusText(), QString());
    QCOMPARE(FocusedControl(form), QStringLiteral("PortCBox"));
  }

  void comboBoxEditability() {
    TForm1& form = *form_;
    QVERIFY(form.PortCBox->isEditable());
    QVERIFY(form.ComboBox->isEditable());
    QVERIFY(!form.ModeBox->isEditable());
    QCOMPARE(form.ModeBox->count(), 3);
  }

  // Tab visits every tab stop in the window's order, through the hidden memos, and wraps.
  void tabKeyOrder() {
    TForm1& form = ShownForm();
    // The order itself is pinned in the layout table's test; here the real key presses follow it
    // and wrap round to the first control.
    QStringList expected;
    for (std::string_view name : gaintool::ui::TabSequence(gaintool::ui::MainWindowLayout())) {
      expected << QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    }
    QVERIFY(!expected.isEmpty());
    expected << expected.front();
    QStringList visited{FocusedControl(form)};
    for (qsizetype i = 1; i < expected.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << FocusedControl(form);
    }
    QCOMPARE(visited, expected);
    // Typing into a hidden memo changes nothing the operations rely on.
    form.Memo->setFocus();
    QTest::keyClicks(form.Memo, "typed");
    QCOMPARE(form.MemoText(gaintool::ops::OperatorWindow::Memo::Connect), std::string("Memo"));
  }

  // The audio mode follows the operator's choice in the mode box at once.
  void modeIndexFollowsModeBox() {
    TForm1& form = ShownForm();
    form.ModeBox->setFocus();
    QTest::keyClick(form.ModeBox, Qt::Key_Down);
    QCOMPARE(form.ModeBox->currentText(), QStringLiteral("耳机模式"));
    QCOMPARE(form.ModeIndex(), 1);
    QTest::keyClick(form.ModeBox, Qt::Key_Down);
    QCOMPARE(form.ModeBox->currentText(), QStringLiteral("免提模式"));
    QCOMPARE(form.ModeIndex(), 2);
    QTest::keyClick(form.ModeBox, Qt::Key_Down);  // no fourth item
    QCOMPARE(form.ModeIndex(), 2);
    QTest::keyClick(form.ModeBox, Qt::Key_Home);
    QCOMPARE(form.ModeBox->currentText(), QStringLiteral("正常模式"));
    QCOMPARE(form.ModeIndex(), 0);
    // Typed text does not enter the box.
    QTest::keyClicks(form.ModeBox, "xyz");
    QCOMPARE(form.ModeBox->currentIndex(), 0);
    QCOMPARE(form.ModeIndex(), 0);
  }

  void showingTheWindowSelectsTheNormalMode() {
    TForm1& form = ShownForm();
    form.ModeBox->setFocus();
    QTest::keyClick(form.ModeBox, Qt::Key_End);
    QCOMPARE(form.ModeIndex(), 2);
    form.hide();
    form.show();
    QCOMPARE(form.ModeIndex(), 0);
    QCOMPARE(form.ModeBox->currentText(), QStringLiteral("正常模式"));
  }

  void modeSetByTheProgramIsNoChoice() {
    TForm1& form = ShownForm();
    form.ModeBox->setCurrentIndex(2);
    QCOMPARE(form.ModeIndex(), 0);
  }

  // The port box takes any typed text as it stands: nothing completed from the list, nothing
  // trimmed, nothing added to the list.
  void typedPortNameIsTakenAsItStands_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("prefix of a listed port") << "COM";
    QTest::newRow("port not in the list") << "COM20";
    QTest::newRow("blanks around") << " COM1 ";
    QTest::newRow("device path") << "/dev/ttyUSB0";
    QTest::newRow("lower case") << "com1";
  }
  void typedPortNameIsTakenAsItStands() {
    QFETCH(QString, typed);
    folder_->AddPort("ttyS0");
    folder_->AddPort("ttyS1");
    form_ = std::make_unique<TForm1>(folder_->Path());
    TForm1& form = ShownForm();
    QCOMPARE(form.PortCBox->count(), 2);
    form.PortCBox->setFocus();
    QTest::keyClicks(form.PortCBox, typed);
    QCOMPARE(Q(form.PortName()), typed);
    QTest::keyClick(form.PortCBox, Qt::Key_Return);
    QCOMPARE(Q(form.PortName()), typed);
    QCOMPARE(form.PortCBox->count(), 2);
  }

  void choosingAListedPortNamesIt() {
    folder_->AddPort("ttyS0");
    folder_->AddPort("ttyS1");
    form_ = std::make_unique<TForm1>(folder_->Path());
    TForm1& form = ShownForm();
    form.PortCBox->setFocus();
    QTest::keyClick(form.PortCBox, Qt::Key_Down);
    QCOMPARE(form.PortName(), std::string("COM1"));
    QTest::keyClick(form.PortCBox, Qt::Key_Down);
    QCOMPARE(form.PortName(), std::string("COM2"));
  }

  // The window lists the ports found when it is built, keeps its text empty and shows nothing.
  void portsFoundAreListed_data() {
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("none") << QStringList{} << QStringList{};
    QTest::newRow("three, in order of number")
        << QStringList{"ttyS9", "ttyS0", "ttyS2"} << QStringList{"COM1", "COM3", "COM10"};
    QTest::newRow("highest probed is COM16")
        << QStringList{"ttyS15", "ttyS16"} << QStringList{"COM16"};
  }
  void portsFoundAreListed() {
    QFETCH(QStringList, devices);
    QFETCH(QStringList, listed);
    for (const QString& device : devices) folder_->AddPort(device.toStdString());
    MessageBoxCatcher catcher;
    form_ = std::make_unique<TForm1>(folder_->Path());
    TForm1& form = ShownForm();
    QStringList items;
    for (int i = 0; i < form.PortCBox->count(); ++i) items << form.PortCBox->itemText(i);
    QCOMPARE(items, listed);
    QCOMPARE(form.PortCBox->currentText(), QString());
    QCOMPARE(form.PortCBox->currentIndex(), -1);
    QCoreApplication::processEvents();
    QVERIFY(catcher.Boxes().empty());
  }

  // ---- Verdict and status line -------------------------------------------------------------

  void passAndFailVerdicts_data() {
    QTest::addColumn<bool>("pass");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QColor>("color");
    QTest::newRow("pass is green") << true << "PASS" << QColor(0x00, 0x80, 0x00);
    QTest::newRow("fail is red") << false << "FAIL" << QColor(0xFF, 0x00, 0x00);
  }
  void passAndFailVerdicts() {
    QFETCH(bool, pass);
    QFETCH(QString, caption);
    QFETCH(QColor, color);
    TForm1& form = ShownForm();
    // Start from the other verdict, so both the word and the colour must change.
    if (pass) {
      form.ShowFail(" level 3 error!");
    } else {
      form.ShowPass("Read Mic Successful");
    }
    const std::string status = pass ? "Read Speech Successful" : " Read level 4 error!";
    if (pass) {
      form.ShowPass(status);
    } else {
      form.ShowFail(status);
    }
    QCOMPARE(form.VerdictText(), caption);
    QCOMPARE(form.VerdictColor(), color);
    QCOMPARE(form.StatusText(), Q(status));
    QCOMPARE(form.StaticText->font().pixelSize(), 32);
    // The word's size plus two pixels each way, grown right and down from the same corner.
    const QSize text = QFontMetrics(form.StaticText->font()).size(Qt::TextSingleLine, caption);
    QCOMPARE(form.StaticText->geometry(), QRect(QPoint(217, 152), text + QSize(4, 4)));
  }

  void clearVerdictKeepsColourAndStatus() {
    TForm1& form = ShownForm();
    form.ShowFail(" level 0 error!");
    form.ClearVerdict();
    QCOMPARE(form.VerdictText(), QString());
    QCOMPARE(form.StaticText->geometry(), QRect(217, 152, 4, 4));
    QCOMPARE(form.VerdictColor(), QColor(0xFF, 0x00, 0x00));
    QCOMPARE(form.StatusText(), QStringLiteral(" level 0 error!"));
  }

  void statusLeavesTheVerdict() {
    TForm1& form = ShownForm();
    form.ShowFail(" level 2 error!");
    form.ShowStatus("Connected");
    QCOMPARE(form.StatusText(), QStringLiteral("Connected"));
    QCOMPARE(form.VerdictText(), QStringLiteral("FAIL"));
    QCOMPARE(form.VerdictColor(), QColor(0xFF, 0x00, 0x00));
    // A passing write empties the status line.
    form.ShowPass("");
    QCOMPARE(form.StatusText(), QString());
    QCOMPARE(form.VerdictText(), QStringLiteral("PASS"));
  }

  // ---- The window as the operations see it -------------------------------------------------

  void valueBoxesOfEachRow_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("level");
    const struct {
      Row row;
      const char* prefix;
      int levels;
    } rows[] = {{Row::Speech, "SEdit", 7}, {Row::Melody, "Edit", 7}};
    for (const auto& r : rows) {
      for (int level = 0; level < r.levels; ++level) {
        QTest::addRow("%s%d", r.prefix, level + 1) << static_cast<int>(r.row) << level;
      }
    }
    QTest::newRow("SideToneEdit") << static_cast<int>(Row::SideTone) << 0;
    QTest::newRow("MEdit1") << static_cast<int>(Row::Mic) << 0;
  }
  void valueBoxesOfEachRow() {
    QFETCH(int, row);
    QFETCH(int, level);
    TForm1& form = *form_;
    const auto r = static_cast<Row>(row);
    form.SetBoxText(r, level, "值 128");
    auto* box = qobject_cast<QLineEdit*>(form.Control(QTest::currentDataTag()));
    QVERIFY(box != nullptr);
    QCOMPARE(box->text(), QStringLiteral("值 128"));
    // Only that box.
    int filled = 0;
    for (QLineEdit* edit : form.findChildren<QLineEdit*>()) {
      if (form.Control(edit->objectName().toStdString()) == edit && !edit->text().isEmpty()) {
        ++filled;
      }
    }
    QCOMPARE(filled, 1);
    box->setText(QStringLiteral(" 007"));
    QCOMPARE(form.BoxText(r, level), std::string(" 007"));
  }

  // A reply stored in a memo comes back byte for byte, line endings included.
  void memoKeepsExactBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("echoed handshake reply") << QByteArray("AT+ESLP=0\r\n\r\nOK\r\n");
    QTest::newRow("reply without echo") << QByteArray("\r\nOK\r\n");
    QTest::newRow("lone carriage returns") << QByteArray("\rOK\r");
    QTest::newRow("lone line feeds") << QByteArray("\nOK\n");
    QTest::newRow("trailing blank line") << QByteArray("OK\r\n\r\n");
    QTest::newRow("bytes that are not UTF-8") << QByteArray("\xff\xfe OK \x80");
    QTest::newRow("control bytes and tab") << QByteArray("\x01\t\x1b[0mOK");
    QTest::newRow("empty") << QByteArray("");
  }
  void memoKeepsExactBytes() {
    QFETCH(QByteArray, bytes);
    using Memo = gaintool::ops::OperatorWindow::Memo;
    TForm1& form = *form_;
    const std::string stored = bytes.toStdString();
    form.SetMemoText(Memo::Connect, stored);
    form.SetMemoText(Memo::Write, stored + "!");
    QCOMPARE(QByteArray::fromStdString(form.MemoText(Memo::Connect)), bytes);
    QCOMPARE(QByteArray::fromStdString(form.MemoText(Memo::Write)), bytes + "!");
    QVERIFY(form.Memo1->toPlainText().endsWith('!'));
  }

  void memosStartWithTheirNames() {
    using Memo = gaintool::ops::OperatorWindow::Memo;
    QCOMPARE(form_->MemoText(Memo::Connect), std::string("Memo"));
    QCOMPARE(form_->MemoText(Memo::Write), std::string("Memo1"));
  }

  // ---- Buttons and their operations ---------------------------------------------------------

  // Every button runs its operation: with a port that does not exist, each one shows the port
  // failure notice. Reads and writes empty the verdict first; the connect leaves it alone. None
  // touches the status line.
  void buttonsRunTheirOperations_data() {
    QTest::addColumn<bool>("clearsVerdict");
    QTest::newRow("Button3") << false;
    QTest::newRow("Button1") << true;
    QTest::newRow("Button2") << true;
    QTest::newRow("Button5") << true;
    QTest::newRow("ADJ") << true;
    QTest::newRow("Mic_Read_Bttn") << true;
    QTest::newRow("Speech_Read_Bttn") << true;
    QTest::newRow("Melody_Read_Bttn") << true;
    QTest::newRow("Read") << true;
  }
  void buttonsRunTheirOperations() {
    QFETCH(bool, clearsVerdict);
    TForm1& form = ShownForm();
    form.PortCBox->setEditText(QStringLiteral("COM5"));
    form.ShowPass("Read Mic Successful");
    MessageBoxCatcher catcher;
    auto* button = qobject_cast<QPushButton*>(form.Control(QTest::currentDataTag()));
    QVERIFY(button != nullptr);
    QTest::mouseClick(button, Qt::LeftButton);

    QCOMPARE(catcher.Boxes().size(), std::size_t{1});
    const CapturedBox& box = catcher.Boxes().front();
    QCOMPARE(box.text, Q(gaintool::ops::kPortFailureText));
    QCOMPARE(box.caption, Q(gaintool::ops::kPortFailureCaption));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.modality, Qt::NonModal);
    QVERIFY(!box.has_parent);
    QCOMPARE(box.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    QVERIFY2(box.informative_text.contains(QStringLiteral("ttyS4")),
             qPrintable(box.informative_text));

    QCOMPARE(form.VerdictText(), clearsVerdict ? QString() : QStringLiteral("PASS"));
    QCOMPARE(form.StatusText(), QStringLiteral("Read Mic Successful"));
    QVERIFY(!button->isDown());
  }

  // While a notice without owner is open the window takes clicks: the operation started there
  // runs in full inside the first one, which then only ends.
  void windowStaysUsableUnderANotice() {
    TForm1& form = ShownForm();
    form.PortCBox->setEditText(QStringLiteral("COM5"));
    MessageBoxCatcher catcher;
    bool usable = false;
    catcher.WhileNextIsOpen([&](QMessageBox&) {
      usable = form.isEnabled() && QApplication::activeModalWidget() == nullptr;
      form.ShowStatus("Connected");
      QTest::mouseClick(form.Mic_Read_Bttn, Qt::LeftButton);
    });
    QTest::mouseClick(form.Button3, Qt::LeftButton);
    QVERIFY(usable);
    QCOMPARE(catcher.Boxes().size(), std::size_t{2});
    QCOMPARE(catcher.Boxes()[0].text, Q(gaintool::ops::kPortFailureText));
    QCOMPARE(catcher.Boxes()[1].text, Q(gaintool::ops::kPortFailureText));
    QCOMPARE(form.StatusText(), QStringLiteral("Connected"));
  }

  // The refused-handshake dialog is modal to the whole application and bears the title.
  void connectErrorDialog() {
    TForm1& form = ShownForm();
    MessageBoxCatcher catcher;
    bool blocked = false;
    QPoint offCentre;
    catcher.WhileNextIsOpen([&](QMessageBox& box) {
      blocked = QApplication::activeModalWidget() == &box;
      offCentre = box.frameGeometry().center() - box.screen()->availableGeometry().center();
    });
    form.ShowConnectError();
    QVERIFY(blocked);
    QVERIFY2(offCentre.manhattanLength() <= 1, "not centred on the screen");
    QCOMPARE(catcher.Boxes().size(), std::size_t{1});
    const CapturedBox& box = catcher.Boxes().front();
    QCOMPARE(box.text, QStringLiteral("连接错误，请重新连接！"));
    QCOMPARE(box.caption, gaintool::ui::AppTitle());
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.modality, Qt::ApplicationModal);
    QVERIFY(!box.has_parent);
    QCOMPARE(box.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
  }

  void emptyValueNotice() {
    TForm1& form = ShownForm();
    MessageBoxCatcher catcher;
    form.ShowEmptyValue();
    QCOMPARE(catcher.Boxes().size(), std::size_t{1});
    const CapturedBox& box = catcher.Boxes().front();
    QCOMPARE(box.text, QStringLiteral("数据不能为空!!"));
    QCOMPARE(box.caption, QStringLiteral("错误"));
    QCOMPARE(box.informative_text, QString());
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.modality, Qt::NonModal);
    QVERIFY(!box.has_parent);
  }
};

GAINTOOL_UI_TEST_MAIN(WindowTest)
#include "window_test.moc"
