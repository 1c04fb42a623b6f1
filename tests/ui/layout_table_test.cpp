// The window layout as data, and the application's rules for its title and its exception text.
#include "ui/layout_table.h"

#include <QtTest>
#include <set>
#include <string>
#include <string_view>

#include "ui/app_rules.h"

using gaintool::ui::ComboStyle;
using gaintool::ui::ControlKind;
using gaintool::ui::ControlRow;
using gaintool::ui::FindControl;
using gaintool::ui::MainWindowLayout;

namespace {

QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const ControlRow& Row(const QString& name) {
  const QByteArray bytes = name.toUtf8();
  const ControlRow* row =
      FindControl(MainWindowLayout(), std::string_view(bytes.data(), bytes.size()));
  if (row == nullptr) qFatal("no row %s", bytes.constData());
  return *row;
}

}  // namespace

class LayoutTableTest : public QObject {
  Q_OBJECT

 private slots:
  // Every control with its parent, place, size and text.
  void controlRows_data() {
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    auto row = [](const char* name, const char* parent, QRect geometry, const char* text) {
      QTest::newRow(name) << QString::fromUtf8(parent) << geometry << QString::fromUtf8(text);
    };
    row("Image1", "Form1", {312, 8, 65, 65}, "logo");
    row("Image2", "Form1", {292, 80, 105, 25}, "wordmark");
    row("Memo1", "Form1", {16, 48, 113, 41}, "Memo1");
    row("Memo", "Form1", {16, 16, 113, 25}, "Memo");
    row("GroupBox1", "Form1", {8, 8, 257, 89}, "Connect");
    row("GroupBox2", "Form1", {8, 104, 457, 185}, "Setting");
    row("StatusBar", "Form1", {0, 294, 472, 19}, "");
    row("Label1", "GroupBox1", {16, 24, 60, 13}, "串口选择：");
    row("Label2", "GroupBox1", {16, 64, 48, 13}, "波特率：");
    row("PortCBox", "GroupBox1", {88, 24, 81, 21}, "");
    row("ComboBox", "GroupBox1", {88, 56, 81, 21}, "");
    row("Button3", "GroupBox1", {176, 19, 75, 57}, "CONNECT");
    row("Label5", "GroupBox2", {96, 16, 32, 13}, "Level0");
    row("Label6", "GroupBox2", {136, 16, 32, 13}, "Level1");
    row("Label7", "GroupBox2", {176, 16, 32, 13}, "Level2");
    row("Label8", "GroupBox2", {216, 16, 32, 13}, "Level3");
    row("Label9", "GroupBox2", {256, 16, 32, 13}, "Level4");
    row("Label10", "GroupBox2", {296, 16, 32, 13}, "Level5");
    row("Label11", "GroupBox2", {336, 16, 32, 13}, "Level6");
    row("Label4", "GroupBox2", {8, 43, 73, 13}, "Speech调整：");
    row("SEdit1", "GroupBox2", {96, 40, 30, 21}, "");
    row("SEdit2", "GroupBox2", {136, 40, 30, 21}, "");
    row("SEdit3", "GroupBox2", {176, 40, 30, 21}, "");
    row("SEdit4", "GroupBox2", {216, 40, 30, 21}, "");
    row("SEdit5", "GroupBox2", {256, 40, 30, 21}, "");
    row("SEdit6", "GroupBox2", {296, 40, 30, 21}, "");
    row("SEdit7", "GroupBox2", {336, 40, 30, 21}, "");
    row("Button2", "GroupBox2", {376, 40, 30, 20}, "ADJ");
    row("Speech_Read_Bttn", "GroupBox2", {416, 40, 30, 20}, "Read");
    row("Label12", "GroupBox2", {8, 84, 70, 13}, "Melody调整：");
    row("Edit1", "GroupBox2", {96, 80, 30, 21}, "");
    row("Edit2", "GroupBox2", {136, 80, 30, 21}, "");
    row("Edit3", "GroupBox2", {176, 80, 30, 21}, "");
    row("Edit4", "GroupBox2", {216, 80, 30, 21}, "");
    row("Edit5", "GroupBox2", {256, 80, 30, 21}, "");
    row("Edit6", "GroupBox2", {296, 80, 30, 21}, "");
    row("Edit7", "GroupBox2", {336, 80, 30, 21}, "");
    row("Button5", "GroupBox2", {376, 80, 30, 20}, "ADJ");
    row("Melody_Read_Bttn", "GroupBox2", {416, 80, 30, 20}, "Read");
    row("Label15", "GroupBox2", {8, 124, 82, 13}, "SideTone调整：");
    row("SideToneEdit", "GroupBox2", {96, 120, 49, 21}, "");
    row("ADJ", "GroupBox2", {152, 120, 30, 20}, "ADJ");
    row("Read", "GroupBox2", {192, 120, 30, 20}, "Read");
    row("Label16", "GroupBox2", {256, 123, 53, 13}, "Mic调整：");
    row("MEdit1", "GroupBox2", {312, 120, 49, 21}, "");
    row("Button1", "GroupBox2", {376, 120, 30, 20}, "ADJ");
    row("Mic_Read_Bttn", "GroupBox2", {416, 120, 30, 20}, "Read");
    row("Label3", "GroupBox2", {8, 155, 60, 13}, "模式选择：");
    row("ModeBox", "GroupBox2", {96, 152, 89, 21}, "");
    row("StaticText", "GroupBox2", {217, 152, 4, 4}, "");
    row("Label13", "GroupBox2", {8, 168, 3, 13}, "");
  }
  void controlRows() {
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    const ControlRow& row = Row(QString::fromUtf8(QTest::currentDataTag()));
    QCOMPARE(Q(row.parent), parent);
    QCOMPARE(QRect(row.left, row.top, row.width, row.height), geometry);
    QCOMPARE(Q(row.text), text);
  }

  void everyRowIsListedOnce() {
    // The rows above plus the window itself: nothing missing, nothing extra, no name twice.
    std::set<std::string_view> names;
    for (const ControlRow& row : MainWindowLayout())
      QVERIFY2(names.insert(row.name).second, row.name.data());
    QCOMPARE(names.size(), std::size_t{52});
  }

  void theWindowRow() {
    const ControlRow& form = MainWindowLayout().front();
    QCOMPARE(form.kind, ControlKind::Form);
    QCOMPARE(Q(form.name), QStringLiteral("Form1"));
    QCOMPARE(Q(form.text), QStringLiteral("Tessora增益调整工具"));
    QCOMPARE(QRect(form.left, form.top, form.width, form.height), QRect(351, 98, 472, 313));
    QCOMPARE(Q(form.font.family), QStringLiteral("MS Sans Serif"));
    QCOMPARE(form.font.height, -11);
  }

  // Parents come before their children, are the window or a group box, and hold them whole.
  void parentsHoldTheirControls() {
    std::set<std::string_view> built;
    for (const ControlRow& row : MainWindowLayout()) {
      if (row.kind != ControlKind::Form) {
        QVERIFY2(built.count(row.parent) == 1, row.name.data());
        const ControlRow* parent = FindControl(MainWindowLayout(), row.parent);
        QVERIFY(parent->kind == ControlKind::Form || parent->kind == ControlKind::GroupBox);
        QVERIFY2(row.left >= 0 && row.top >= 0 && row.left + row.width <= parent->width &&
                     row.top + row.height <= parent->height,
                 row.name.data());
      }
      built.insert(row.name);
    }
  }

  // The memos lie wholly inside the "Connect" group and are created before it, so it covers them.
  void memosLieUnderTheConnectGroup() {
    const ControlRow& group = Row("GroupBox1");
    const QRect area(group.left, group.top, group.width, group.height);
    for (const char* name : {"Memo", "Memo1"}) {
      const ControlRow& memo = Row(name);
      QCOMPARE(memo.parent, group.parent);
      QVERIFY(area.contains(QRect(memo.left, memo.top, memo.width, memo.height)));
      QVERIFY(&memo < &group);  // earlier in creation order
    }
  }

  void comboBoxes_data() {
    QTest::addColumn<bool>("editable");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("itemIndex");
    QTest::newRow("PortCBox") << true << QStringList{} << -1;
    QTest::newRow("ComboBox") << true << QStringList{"115200"} << -1;
    QTest::newRow("ModeBox") << false << QStringList{"正常模式", "耳机模式", "免提模式"} << 0;
  }
  void comboBoxes() {
    QFETCH(bool, editable);
    QFETCH(QStringList, items);
    QFETCH(int, itemIndex);
    const ControlRow& row = Row(QString::fromUtf8(QTest::currentDataTag()));
    QCOMPARE(row.kind, ControlKind::ComboBox);
    QCOMPARE(row.combo, editable ? ComboStyle::DropDown : ComboStyle::DropDownList);
    QStringList actual;
    for (std::string_view item : row.items) actual << Q(item);
    QCOMPARE(actual, items);
    QCOMPARE(row.item_index, itemIndex);
  }

  // The Tab key's round through the window.
  void tabSequence() {
    QStringList actual;
    for (std::string_view name : gaintool::ui::TabSequence(MainWindowLayout())) actual << Q(name);
    const QStringList expected{"PortCBox",
                               "ComboBox",
                               "Button3",
                               "MEdit1",
                               "Button1",
                               "SEdit1",
                               "SEdit2",
                               "SEdit3",
                               "SEdit4",
                               "SEdit5",
                               "SEdit6",
                               "Button2",
                               "SEdit7",
                               "Edit1",
                               "Edit2",
                               "Edit3",
                               "Button5",
                               "Edit4",
                               "Edit5",
                               "Edit6",
                               "Edit7",
                               "Mic_Read_Bttn",
                               "Speech_Read_Bttn",
                               "Melody_Read_Bttn",
                               "SideToneEdit",
                               "ADJ",
                               "Read",
                               "ModeBox",
                               "Memo",
                               "Memo1"};
    QCOMPARE(actual, expected);
  }

  void eventBindings() {
    QStringList actual;
    for (const ControlRow& row : MainWindowLayout()) {
      for (const auto& binding : row.bindings) {
        actual << Q(row.name) + "." + Q(binding.event) + "=" + Q(binding.handler);
      }
    }
    const QStringList expected{
        "Form1.OnCreate=PortCBoxChange",
        "Form1.OnShow=FormShow",
        "PortCBox.OnChange=PortCBoxChange",
        "Button3.OnClick=Button3Click",
        "Button2.OnClick=Button2Click",
        "Speech_Read_Bttn.OnClick=Speech_Read_BttnClick",
        "Button5.OnClick=Button5Click",
        "Melody_Read_Bttn.OnClick=Melody_Read_BttnClick",
        "ADJ.OnClick=ADJClick",
        "Read.OnClick=ReadClick",
        "Button1.OnClick=Button1Click",
        "Mic_Read_Bttn.OnClick=Mic_Read_BttnClick",
        "ModeBox.OnChange=ModeBoxChange",
    };
    QCOMPARE(actual, expected);
  }

  void fonts() {
    const ControlRow& connect = Row("Button3");
    QCOMPARE(Q(connect.font.family), QStringLiteral("MS Sans Serif"));
    QCOMPARE(connect.font.height, -12);
    QVERIFY(connect.font.bold);
    const ControlRow& verdict = Row("StaticText");
    QCOMPARE(verdict.font.height, -32);
    QVERIFY(!verdict.font.bold);
    QCOMPARE(verdict.font.color, 0x008000);
    QVERIFY(!verdict.tab_stop);
    // Every other control takes the window's font.
    int inherited = 0;
    for (const ControlRow& row : MainWindowLayout()) inherited += row.font.Inherited() ? 1 : 0;
    QCOMPARE(inherited, 49);
  }

  void applicationTitle_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain name") << "/usr/bin/gaintool"
                                << "gaintool";
    QTest::newRow("first character kept, rest lowered") << "/opt/GainTool"
                                                        << "Gaintool";
    QTest::newRow("lower first character stays lower") << "/x/gAINtOOL"
                                                       << "gaintool";
    QTest::newRow("extension dropped") << "C:\\Tools\\GAINTOOL.EXE"
                                       << "Gaintool";
    QTest::newRow("only the last extension") << "/a/b/Tool.v2.exe"
                                             << "Tool.v2";
    QTest::newRow("dot in a folder name") << "/a.b/Tool"
                                          << "Tool";
    QTest::newRow("no folder") << "Tool"
                               << "Tool";
    QTest::newRow("leading dot is part of the name") << "/x/.Tool"
                                                     << ".tool";
    QTest::newRow("non-ASCII letters untouched") << "/x/Ä工具Ö"
                                                 << "Ä工具Ö";
    QTest::newRow("empty") << ""
                           << "";
  }
  void applicationTitle() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(Q(gaintool::ui::ApplicationTitle(path.toStdString())), title);
  }

  void exceptionMessageText_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("shown");
    QTest::newRow("letter gets a full stop") << QByteArray("'12a' is not a valid integer value")
                                             << QByteArray("'12a' is not a valid integer value.");
    QTest::newRow("empty stays empty") << QByteArray("") << QByteArray("");
    QTest::newRow("full stop not doubled") << QByteArray("done.") << QByteArray("done.");
    QTest::newRow("exclamation sorts before full stop")
        << QByteArray("stop!") << QByteArray("stop!");
    QTest::newRow("comma sorts before full stop") << QByteArray("a,") << QByteArray("a,");
    QTest::newRow("hyphen sorts before full stop") << QByteArray("a-") << QByteArray("a-");
    QTest::newRow("slash sorts after full stop") << QByteArray("a/") << QByteArray("a/.");
    QTest::newRow("digit sorts after full stop") << QByteArray("code 7") << QByteArray("code 7.");
    QTest::newRow("closing quote sorts before") << QByteArray("'x'") << QByteArray("'x'");
    QTest::newRow("blank sorts before") << QByteArray("x ") << QByteArray("x ");
    QTest::newRow("multi-byte last character sorts after")
        << QByteArray("错误") << QByteArray("错误.");
  }
  void exceptionMessageText() {
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, shown);
    const std::string text =
        gaintool::ui::ExceptionMessageText(std::string_view(message.data(), message.size()));
    QCOMPARE(QByteArray::fromStdString(text), shown);
  }
};

QTEST_APPLESS_MAIN(LayoutTableTest)
#include "layout_table_test.moc"
