// The main window: every control of the layout, the event handlers, the verdict and status
// display, and the window as the operations see it.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "ops/operations.h"
#include "ui/layout_table.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;
class QStatusBar;

namespace gaintool::ui {

class TForm1 : public QWidget, public ops::OperatorWindow {
  Q_OBJECT

 public:
  // Builds the window from MainWindowLayout() and lists the ports found under `device_dir`, which
  // is also where the operations open their ports. The window is left hidden.
  explicit TForm1(const std::string& device_dir = "/dev/");
  ~TForm1() override;

  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The controls, built from the layout. The window owns them.
  QGroupBox* GroupBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* PortCBox = nullptr;
  QComboBox* ComboBox = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QLineEdit* MEdit1 = nullptr;
  QLabel* Label4 = nullptr;
  QPushButton* Button1 = nullptr;
  QLineEdit* SEdit1 = nullptr;
  QLineEdit* SEdit2 = nullptr;
  QLineEdit* SEdit3 = nullptr;
  QLineEdit* SEdit4 = nullptr;
  QLineEdit* SEdit5 = nullptr;
  QLineEdit* SEdit6 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QLabel* StaticText = nullptr;
  QStatusBar* StatusBar = nullptr;
  QPlainTextEdit* Memo = nullptr;
  QLineEdit* SEdit7 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* Label10 = nullptr;
  QLabel* Label11 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QLabel* Label12 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLineEdit* Edit5 = nullptr;
  QLineEdit* Edit6 = nullptr;
  QLineEdit* Edit7 = nullptr;
  QPushButton* Button5 = nullptr;
  QLabel* Label13 = nullptr;
  QLabel* Image1 = nullptr;
  QPushButton* Mic_Read_Bttn = nullptr;
  QPushButton* Speech_Read_Bttn = nullptr;
  QPushButton* Melody_Read_Bttn = nullptr;
  QLabel* Label15 = nullptr;
  QLineEdit* SideToneEdit = nullptr;
  QLabel* Label16 = nullptr;
  QPushButton* ADJ = nullptr;
  QPushButton* Read = nullptr;
  QComboBox* ModeBox = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Image2 = nullptr;

  // Event handlers, bound by the layout. `Sender` is the control that raised the event; none of
  // them uses it. Each button handler is one whole operation.
  void PortCBoxChange(QObject* Sender);
  void Button3Click(QObject* Sender);
  void Button1Click(QObject* Sender);
  void Button2Click(QObject* Sender);
  void Button5Click(QObject* Sender);
  void Mic_Read_BttnClick(QObject* Sender);
  void Speech_Read_BttnClick(QObject* Sender);
  void Melody_Read_BttnClick(QObject* Sender);
  void ADJClick(QObject* Sender);
  void ReadClick(QObject* Sender);
  void FormShow(QObject* Sender);
  void ModeBoxChange(QObject* Sender);

  // Releases the port of the previous operation and opens the one named in PortCBox.
  bool OpenPort();

  // The control of the layout named `name`, or nullptr.
  QWidget* Control(std::string_view name) const;

  // What the verdict and the status bar show.
  QString VerdictText() const;
  QColor VerdictColor() const;
  QString StatusText() const;

  // ops::OperatorWindow
  std::string PortName() const override;
  int ModeIndex() const override;
  std::string BoxText(ops::Row row, int level) const override;
  void SetBoxText(ops::Row row, int level, const std::string& text) override;
  void SetMemoText(ops::OperatorWindow::Memo memo, const std::string& bytes) override;
  std::string MemoText(ops::OperatorWindow::Memo memo) const override;
  void ClearVerdict() override;
  void ShowPass(const std::string& status) override;
  void ShowFail(const std::string& status) override;
  void ShowStatus(const std::string& status) override;
  void RepaintNow() override;
  void ShowPortFailure(const serial::PortError& cause) override;
  void ShowEmptyValue() override;
  void ShowConnectError() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  using Handler = void (TForm1::*)(QObject*);

  void BuildFromLayout(std::span<const ControlRow> layout);
  void ApplyFormRow(const ControlRow& row);
  QWidget* CreateControl(const ControlRow& row, QWidget* parent);
  void BindEvents(const ControlRow& row, QWidget* control);
  void SetTabOrder(std::span<const ControlRow> layout);
  template <typename T>
  void Assign(T*& member, const char* name);
  void AssignControls();
  // Runs `handler` for `sender`; an exception that leaves it goes to the exception display.
  void Dispatch(Handler handler, QObject* sender);
  void SetVerdict(const QString& caption, const QColor& color);
  QLineEdit* Box(ops::Row row, int level) const;

  std::map<std::string, QWidget*, std::less<>> controls_;
  std::array<std::vector<QLineEdit*>, 4> boxes_;  // value boxes by ops::Row, level 0 first
  Handler create_handler_ = nullptr;
  Handler show_handler_ = nullptr;

  int mode_index_ = 0;  // the selected audio mode: the item index of ModeBox
  // The exact bytes last stored in Memo and Memo1; the text widgets would rewrite line endings.
  std::array<std::string, 2> memo_bytes_;
  ops::Operations operations_;
};

// The one main window, set by the program entry.
extern TForm1* Form1;

}  // namespace gaintool::ui
