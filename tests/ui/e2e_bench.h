// The real main window wired to a simulated handset, for the end-to-end window tests: the handset
// is found by the window's own port scan (as COM1, a link in a stand-in device folder), the port
// and the mode are chosen with the keyboard, values are typed into the boxes and the buttons are
// clicked with the mouse. Every message box is recorded and closed by the bench's catcher.
#pragma once

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QtTest>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/pty.h"
#include "message_box_catcher.h"
#include "support/handset.h"
#include "ui/tform1.h"

namespace gaintool::testing {

inline QString Q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A parameter row as the operator sees it: its buttons, its boxes (level 0 first), the kind code
// its commands carry and the status text of a passing read. Written out here rather than taken
// from the code under test.
struct RowOnScreen {
  const char* name;
  const char* read_button;
  const char* write_button;
  int kind;
  std::vector<const char*> boxes;
  const char* read_passed;
};

inline const RowOnScreen kMicRow{.name = "Mic",
                                 .read_button = "Mic_Read_Bttn",
                                 .write_button = "Button1",
                                 .kind = 3,
                                 .boxes = {"MEdit1"},
                                 .read_passed = "Read Mic Successful"};
inline const RowOnScreen kSpeechRow{
    .name = "Speech",
    .read_button = "Speech_Read_Bttn",
    .write_button = "Button2",
    .kind = 2,
    .boxes = {"SEdit1", "SEdit2", "SEdit3", "SEdit4", "SEdit5", "SEdit6", "SEdit7"},
    .read_passed = "Read Speech Successful"};
inline const RowOnScreen kMelodyRow{
    .name = "Melody",
    .read_button = "Melody_Read_Bttn",
    .write_button = "Button5",
    .kind = 0,
    .boxes = {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6", "Edit7"},
    .read_passed = "Read Melody Successful"};
inline const RowOnScreen kSideToneRow{.name = "SideTone",
                                      .read_button = "Read",
                                      .write_button = "ADJ",
                                      .kind = 4,
                                      .boxes = {"SideToneEdit"},
                                      .read_passed = "Read SideTone Successful"};

inline const RowOnScreen& RowNamed(const QString& name) {
  for (const RowOnScreen* row : {&kMicRow, &kSpeechRow, &kMelodyRow, &kSideToneRow}) {
    if (name == row->name) return *row;
  }
  qFatal("no row %s", qPrintable(name));
}

// Simulator options from a table column.
inline std::vector<std::string> SimArgs(const QStringList& list) {
  std::vector<std::string> args;
  for (const QString& arg : list) args.push_back(arg.toStdString());
  return args;
}

inline std::string ReadCommand(int mode, int kind, int level) {
  return "at+eadp=0," + std::to_string(mode) + "," + std::to_string(kind) + "," +
         std::to_string(level) + "\r\n";
}

inline std::string WriteCommand(int mode, int kind, int level, const std::string& value) {
  return "at+eadp=1," + std::to_string(mode) + "," + std::to_string(kind) + "," +
         std::to_string(level) + "," + value + "\r\n";
}

// The colours the verdict is drawn in.
inline const QColor kGreen(0x00, 0x80, 0x00);
inline const QColor kRed(0xFF, 0x00, 0x00);

// Whether a pixel of exactly `color` appears where the verdict is drawn: what the operator sees,
// not only what the label holds.
inline bool VerdictDrawnIn(ui::TForm1& form, const QColor& color) {
  const QImage image = form.StaticText->grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (QColor(image.pixel(x, y)) == color) return true;
    }
  }
  return false;
}

class WindowBench {
 public:
  // Starts a handset with `sim_args` behind the link COM1 of a fresh device folder, builds the
  // window on that folder and shows it. The port is not chosen yet.
  explicit WindowBench(std::vector<std::string> sim_args = {})
      : handset(WithLink(std::move(sim_args), folder.Path() + "ttyS0")),
        window(std::make_unique<ui::TForm1>(folder.Path())),
        form(*window) {
    form.show();
    QApplication::setActiveWindow(&form);
    if (!QTest::qWaitForWindowExposed(&form)) qWarning("the window was not exposed");
  }

  // Chooses the first port of the list, the handset's, with the keyboard (in a window where no
  // port is chosen yet).
  void ChooseListedPort() {
    form.PortCBox->setFocus();
    QTest::keyClick(form.PortCBox, Qt::Key_Down);
  }

  // Types a port name into the port box in place of its text.
  void TypePort(const QString& name) {
    QLineEdit* edit = form.PortCBox->lineEdit();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, name);
  }

  // Picks item `mode` of the mode box with the keyboard.
  void ChooseMode(int mode) {
    form.ModeBox->setFocus();
    QTest::keyClick(form.ModeBox, Qt::Key_Home);
    for (int i = 0; i < mode; ++i) QTest::keyClick(form.ModeBox, Qt::Key_Down);
  }

  QLineEdit* Box(const char* name) const { return qobject_cast<QLineEdit*>(form.Control(name)); }
  QPushButton* Button(const char* name) const {
    return qobject_cast<QPushButton*>(form.Control(name));
  }

  // Replaces the text of a box by typing, as the operator does; an empty text clears it.
  void Type(const char* box_name, const QString& text) {
    QLineEdit* box = Box(box_name);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }

  void TypeRow(const RowOnScreen& row, const QStringList& texts) {
    for (qsizetype i = 0; i < texts.size(); ++i)
      Type(row.boxes[static_cast<std::size_t>(i)], texts[i]);
  }

  QStringList RowTexts(const RowOnScreen& row) const {
    QStringList texts;
    for (const char* name : row.boxes) texts << Box(name)->text();
    return texts;
  }

  void Click(const char* button_name) { QTest::mouseClick(Button(button_name), Qt::LeftButton); }

  // A click that goes through the window system, as a real one does: it reaches the button only
  // when no modal window blocks the main window.
  void ClickThroughWindow(const char* button_name) {
    QPushButton* button = Button(button_name);
    const QPoint at = button->mapTo(&form, button->rect().center());
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
  }

  // Every command the handset has received, once all that the window sent before this call has
  // arrived. To know that, a Mic read is clicked as a marker and awaited; its command is not
  // returned. Call it after the checks of the window's state, which the marker changes. `via` is
  // the window that clicks the marker, this bench's by default.
  std::vector<std::string> SentCommands(ui::TForm1* via = nullptr) {
    if (via == nullptr) via = &form;
    const std::string marker = ReadCommand(via->ModeIndex(), kMicRow.kind, 0);
    const std::size_t before = handset.ReceivedCommands().size();
    QTest::mouseClick(via->Mic_Read_Bttn, Qt::LeftButton);
    std::vector<std::string> commands = handset.WaitForCommands(before + 1);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((commands.empty() || commands.back() != marker) &&
           std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      commands = handset.ReceivedCommands();
    }
    if (commands.empty() || commands.back() != marker) {
      commands.push_back("<the marker read did not arrive>");
    } else {
      commands.pop_back();
    }
    return commands;
  }

  // Declared in this order so that the window goes first, then the handset, then the folder.
  DeviceFolder folder;
  SimulatedHandset handset;
  std::unique_ptr<ui::TForm1> window;
  ui::TForm1& form;
  MessageBoxCatcher catcher;

 private:
  static std::vector<std::string> WithLink(std::vector<std::string> args, std::string link) {
    args.push_back("--link");
    args.push_back(std::move(link));
    return args;
  }
};

}  // namespace gaintool::testing
