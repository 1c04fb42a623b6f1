#include "ui/tform1.h"

#include <QComboBox>
#include <QEventLoop>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QStringList>
#include <stdexcept>
#include <utility>

#include "ui/application.h"
#include "ui/comm.h"
#include "ui/pictures.h"

namespace gaintool::ui {

TForm1* Form1 = nullptr;

namespace {

QString FromBytes(std::string_view bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) {
  return text.toUtf8().toStdString();
}

// The layout names fonts of Windows. Where a family is missing, the next one that is installed is
// used; the CJK family also carries the Latin letters, so a caption that mixes both renders in one
// face.
QFont MakeFont(const FontSpec& spec) {
  QFont font;
  font.setFamilies({FromBytes(spec.family), QStringLiteral("WenQuanYi Micro Hei"),
                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Droid Sans Fallback"),
                    QStringLiteral("DejaVu Sans")});
  font.setStyleHint(QFont::SansSerif);
  // A negative height is the character height in pixels; a positive one includes the internal
  // leading, which a pixel size approximates closely enough.
  font.setPixelSize(spec.height < 0 ? -spec.height : spec.height);
  font.setBold(spec.bold);
  return font;
}

QColor ColorOf(std::int32_t rgb) {
  return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

const QColor kPassColor(0x00, 0x80, 0x00);
const QColor kFailColor(0xFF, 0x00, 0x00);

std::size_t MemoSlot(ops::OperatorWindow::Memo memo) {
  return memo == ops::OperatorWindow::Memo::Connect ? 0 : 1;
}

// A notice without owner window: the main window stays usable while it is open, and an operation
// started there meanwhile runs inside this call. Returns when the notice is closed.
void ShowOwnerlessNotice(std::string_view text, std::string_view caption, const QString& detail) {
  QMessageBox box(QMessageBox::NoIcon, FromBytes(caption), FromBytes(text), QMessageBox::Ok);
  box.setWindowModality(Qt::NonModal);
  if (!detail.isEmpty()) box.setInformativeText(detail);
  QEventLoop loop;
  QObject::connect(&box, &QMessageBox::finished, &loop, &QEventLoop::quit);
  box.show();
  loop.exec();
}

// A message box placed in the middle of its screen, not over the window that is active.
class ScreenCentredMessageBox : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void showEvent(QShowEvent* event) override {
    QMessageBox::showEvent(event);  // sizes the box to its text
    QRect frame = frameGeometry();
    frame.moveCenter(screen()->availableGeometry().center());
    move(frame.topLeft());
  }
};

struct HandlerName {
  std::string_view name;
  void (TForm1::*handler)(QObject*);
};

const std::array<HandlerName, 12> kHandlers{{
    {"PortCBoxChange", &TForm1::PortCBoxChange},
    {"Button3Click", &TForm1::Button3Click},
    {"Button1Click", &TForm1::Button1Click},
    {"Button2Click", &TForm1::Button2Click},
    {"Button5Click", &TForm1::Button5Click},
    {"Mic_Read_BttnClick", &TForm1::Mic_Read_BttnClick},
    {"Speech_Read_BttnClick", &TForm1::Speech_Read_BttnClick},
    {"Melody_Read_BttnClick", &TForm1::Melody_Read_BttnClick},
    {"ADJClick", &TForm1::ADJClick},
    {"ReadClick", &TForm1::ReadClick},
    {"FormShow", &TForm1::FormShow},
    {"ModeBoxChange", &TForm1::ModeBoxChange},
}};

void (TForm1::*HandlerNamed(std::string_view name))(QObject*) {
  for (const HandlerName& entry : kHandlers) {
    if (entry.name == name) return entry.handler;
  }
  throw std::logic_error("the layout binds an unknown handler: " + std::string(name));
}

}  // namespace

TForm1::TForm1(const std::string& device_dir) : operations_(*this, device_dir) {
  BuildFromLayout(MainWindowLayout());
  ListComPorts(16, PortCBox, device_dir);
  if (create_handler_ != nullptr) Dispatch(create_handler_, this);
}

TForm1::~TForm1() = default;

// ---- Building the window -------------------------------------------------------------------

void TForm1::BuildFromLayout(std::span<const ControlRow> layout) {
  // Rows come parents first and siblings in creation order; a widget created later lies above
  // its earlier siblings, as the layout wants it.
  for (const ControlRow& row : layout) {
    if (row.kind == ControlKind::Form) {
      ApplyFormRow(row);
      BindEvents(row, this);
      continue;
    }
    QWidget* parent = this;
    if (const auto it = controls_.find(row.parent); it != controls_.end()) parent = it->second;
    QWidget* control = CreateControl(row, parent);
    control->setObjectName(FromBytes(row.name));
    if (!row.font.Inherited()) {
      control->setFont(MakeFont(row.font));
      if (row.font.color >= 0) {
        QPalette palette = control->palette();
        palette.setColor(QPalette::WindowText, ColorOf(row.font.color));
        control->setPalette(palette);
      }
    }
    control->setVisible(row.visible);
    controls_.emplace(std::string(row.name), control);
    BindEvents(row, control);
  }
  AssignControls();
  SetTabOrder(layout);
  // The first tab stop has the focus when the window is first activated.
  PortCBox->setFocus(Qt::OtherFocusReason);
}

void TForm1::ApplyFormRow(const ControlRow& row) {
  setObjectName(FromBytes(row.name));
  setWindowTitle(FromBytes(row.text));
  setFont(MakeFont(row.font));
  // A fixed single border: minimise and close, no maximise, no resizing.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(row.width, row.height);
  move(row.left, row.top);  // the outer top-left corner; the window is not centred
}

QWidget* TForm1::CreateControl(const ControlRow& row, QWidget* parent) {
  const QString text = FromBytes(row.text);
  QWidget* control = nullptr;
  switch (row.kind) {
    case ControlKind::Image: {
      auto* image = new QLabel(parent);
      image->setPixmap(LayoutPicture(row.text));
      image->setAlignment(Qt::AlignLeft | Qt::AlignTop);  // own size, cut off at the frame
      control = image;
      break;
    }
    case ControlKind::Memo: {
      auto* memo = new QPlainTextEdit(text, parent);
      memo->setTabChangesFocus(true);
      memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      memo_bytes_[row.name == "Memo" ? 0 : 1] = std::string(row.text);
      control = memo;
      break;
    }
    case ControlKind::GroupBox: {
      auto* group = new QGroupBox(text, parent);
      group->setAutoFillBackground(true);  // opaque: what lies below it stays hidden
      control = group;
      break;
    }
    case ControlKind::Label: {
      auto* label = new QLabel(text, parent);
      control = label;
      break;
    }
    case ControlKind::ComboBox: {
      auto* combo = new QComboBox(parent);
      const bool editable = row.combo == ComboStyle::DropDown;
      combo->setEditable(editable);
      for (const std::string_view item : row.items) combo->addItem(FromBytes(item));
      if (editable) {
        // Typed text is taken as it stands: nothing is completed from the list or added to it.
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);
      }
      combo->setCurrentIndex(row.item_index);
      if (editable && row.item_index < 0) combo->setEditText(QString());
      control = combo;
      break;
    }
    case ControlKind::Edit:
      control = new QLineEdit(text, parent);
      break;
    case ControlKind::Button: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);  // no default button: Enter does not press one
      button->setDefault(false);
      control = button;
      break;
    }
    case ControlKind::StaticText: {
      auto* verdict = new QLabel(text, parent);
      verdict->setMargin(2);
      verdict->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      control = verdict;
      break;
    }
    case ControlKind::StatusBar: {
      auto* bar = new QStatusBar(parent);
      bar->setSizeGripEnabled(false);  // the window cannot be resized
      control = bar;
      break;
    }
    case ControlKind::Form:
      throw std::logic_error("a window inside the window");
  }
  control->setGeometry(row.left, row.top, row.width, row.height);
  if (row.kind == ControlKind::Label && !text.isEmpty()) {
    // A label sizes itself to its caption from its top-left corner.
    control->resize(control->sizeHint());
  }
  if (!row.tab_stop) {
    if (control->focusPolicy() != Qt::NoFocus) control->setFocusPolicy(Qt::ClickFocus);
  }
  return control;
}

void TForm1::BindEvents(const ControlRow& row, QWidget* control) {
  for (const Binding& binding : row.bindings) {
    const Handler handler = HandlerNamed(binding.handler);
    if (binding.event == "OnCreate" && row.kind == ControlKind::Form) {
      create_handler_ = handler;
    } else if (binding.event == "OnShow" && row.kind == ControlKind::Form) {
      show_handler_ = handler;
    } else if (binding.event == "OnClick" && row.kind == ControlKind::Button) {
      auto* button = static_cast<QPushButton*>(control);
      connect(button, &QPushButton::clicked, this,
              [this, handler, button] { Dispatch(handler, button); });
    } else if (binding.event == "OnChange" && row.kind == ControlKind::ComboBox) {
      // A change by the operator: an item chosen from the list, or text typed into the box.
      // Changes made by the program do not count.
      auto* combo = static_cast<QComboBox*>(control);
      connect(combo, &QComboBox::activated, this,
              [this, handler, combo] { Dispatch(handler, combo); });
      if (combo->isEditable()) {
        connect(combo->lineEdit(), &QLineEdit::textEdited, this,
                [this, handler, combo] { Dispatch(handler, combo); });
      }
    } else {
      throw std::logic_error("the layout binds an event the window does not raise: " +
                             std::string(row.name) + "." + std::string(binding.event));
    }
  }
}

void TForm1::SetTabOrder(std::span<const ControlRow> layout) {
  const std::vector<std::string_view> sequence = TabSequence(layout);
  for (std::size_t i = 1; i < sequence.size(); ++i) {
    setTabOrder(Control(sequence[i - 1]), Control(sequence[i]));
  }
}

template <typename T>
void TForm1::Assign(T*& member, const char* name) {
  member = qobject_cast<T*>(Control(name));
  if (member == nullptr) {
    throw std::logic_error(std::string("the layout lacks the control ") + name);
  }
}

void TForm1::AssignControls() {
  Assign(GroupBox1, "GroupBox1");
  Assign(Label1, "Label1");
  Assign(Label2, "Label2");
  Assign(PortCBox, "PortCBox");
  Assign(ComboBox, "ComboBox");
  Assign(GroupBox2, "GroupBox2");
  Assign(MEdit1, "MEdit1");
  Assign(Label4, "Label4");
  Assign(Button1, "Button1");
  Assign(SEdit1, "SEdit1");
  Assign(SEdit2, "SEdit2");
  Assign(SEdit3, "SEdit3");
  Assign(SEdit4, "SEdit4");
  Assign(SEdit5, "SEdit5");
  Assign(SEdit6, "SEdit6");
  Assign(Button2, "Button2");
  Assign(Button3, "Button3");
  Assign(StaticText, "StaticText");
  Assign(StatusBar, "StatusBar");
  Assign(Memo, "Memo");
  Assign(SEdit7, "SEdit7");
  Assign(Label5, "Label5");
  Assign(Label6, "Label6");
  Assign(Label7, "Label7");
  Assign(Label8, "Label8");
  Assign(Label9, "Label9");
  Assign(Label10, "Label10");
  Assign(Label11, "Label11");
  Assign(Memo1, "Memo1");
  Assign(Label12, "Label12");
  Assign(Edit1, "Edit1");
  Assign(Edit2, "Edit2");
  Assign(Edit3, "Edit3");
  Assign(Edit4, "Edit4");
  Assign(Edit5, "Edit5");
  Assign(Edit6, "Edit6");
  Assign(Edit7, "Edit7");
  Assign(Button5, "Button5");
  Assign(Label13, "Label13");
  Assign(Image1, "Image1");
  Assign(Mic_Read_Bttn, "Mic_Read_Bttn");
  Assign(Speech_Read_Bttn, "Speech_Read_Bttn");
  Assign(Melody_Read_Bttn, "Melody_Read_Bttn");
  Assign(Label15, "Label15");
  Assign(SideToneEdit, "SideToneEdit");
  Assign(Label16, "Label16");
  Assign(ADJ, "ADJ");
  Assign(Read, "Read");
  Assign(ModeBox, "ModeBox");
  Assign(Label3, "Label3");
  Assign(Image2, "Image2");

  boxes_[static_cast<std::size_t>(ops::Row::Speech)] = {SEdit1, SEdit2, SEdit3, SEdit4,
                                                        SEdit5, SEdit6, SEdit7};
  boxes_[static_cast<std::size_t>(ops::Row::Melody)] = {Edit1, Edit2, Edit3, Edit4,
                                                        Edit5, Edit6, Edit7};
  boxes_[static_cast<std::size_t>(ops::Row::SideTone)] = {SideToneEdit};
  boxes_[static_cast<std::size_t>(ops::Row::Mic)] = {MEdit1};
}

QWidget* TForm1::Control(std::string_view name) const {
  const auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second;
}

void TForm1::Dispatch(Handler handler, QObject* sender) {
  RunGuarded([this, handler, sender] { (this->*handler)(sender); });
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Showing by the program, not a restore from the task bar.
  if (!event->spontaneous() && show_handler_ != nullptr) Dispatch(show_handler_, this);
}

// ---- Event handlers ------------------------------------------------------------------------

void TForm1::PortCBoxChange(QObject* /*Sender*/) {
  // Nothing: each operation reads the port name when it opens the port.
}

void TForm1::Button3Click(QObject* /*Sender*/) {
  operations_.Connect();
}
void TForm1::Button1Click(QObject* /*Sender*/) {
  operations_.WriteRow(ops::Row::Mic);
}
void TForm1::Button2Click(QObject* /*Sender*/) {
  operations_.WriteRow(ops::Row::Speech);
}
void TForm1::Button5Click(QObject* /*Sender*/) {
  operations_.WriteRow(ops::Row::Melody);
}
void TForm1::ADJClick(QObject* /*Sender*/) {
  operations_.WriteRow(ops::Row::SideTone);
}
void TForm1::Mic_Read_BttnClick(QObject* /*Sender*/) {
  operations_.ReadRow(ops::Row::Mic);
}
void TForm1::Speech_Read_BttnClick(QObject* /*Sender*/) {
  operations_.ReadRow(ops::Row::Speech);
}
void TForm1::Melody_Read_BttnClick(QObject* /*Sender*/) {
  operations_.ReadRow(ops::Row::Melody);
}
void TForm1::ReadClick(QObject* /*Sender*/) {
  operations_.ReadRow(ops::Row::SideTone);
}

void TForm1::FormShow(QObject* /*Sender*/) {
  mode_index_ = 0;
  ModeBox->setCurrentIndex(0);  // raises no change event
}

void TForm1::ModeBoxChange(QObject* /*Sender*/) {
  mode_index_ = ModeBox->currentIndex();
}

bool TForm1::OpenPort() {
  return operations_.OpenPort();
}

// ---- The window as the operations see it ---------------------------------------------------

std::string TForm1::PortName() const {
  return ToBytes(PortCBox->currentText());
}

int TForm1::ModeIndex() const {
  return mode_index_;
}

QLineEdit* TForm1::Box(ops::Row row, int level) const {
  return boxes_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(level));
}

std::string TForm1::BoxText(ops::Row row, int level) const {
  return ToBytes(Box(row, level)->text());
}

void TForm1::SetBoxText(ops::Row row, int level, const std::string& text) {
  Box(row, level)->setText(FromBytes(text));
}

void TForm1::SetMemoText(ops::OperatorWindow::Memo memo, const std::string& bytes) {
  memo_bytes_[MemoSlot(memo)] = bytes;
  QPlainTextEdit* const widget = memo == ops::OperatorWindow::Memo::Connect ? Memo : Memo1;
  widget->setPlainText(FromBytes(bytes));
}

std::string TForm1::MemoText(ops::OperatorWindow::Memo memo) const {
  return memo_bytes_[MemoSlot(memo)];
}

// ---- Verdict and status --------------------------------------------------------------------

void TForm1::SetVerdict(const QString& caption, const QColor& color) {
  StaticText->setText(caption);
  QPalette palette = StaticText->palette();
  palette.setColor(QPalette::WindowText, color);
  StaticText->setPalette(palette);
  // The caption's size plus two pixels on each side, from the same top-left corner.
  if (caption.isEmpty()) {
    StaticText->resize(4, 4);
  } else {
    StaticText->resize(QFontMetrics(StaticText->font()).size(Qt::TextSingleLine, caption) +
                       QSize(4, 4));
  }
}

void TForm1::ClearVerdict() {
  SetVerdict(QString(), VerdictColor());
}

void TForm1::ShowPass(const std::string& status) {
  SetVerdict(QStringLiteral("PASS"), kPassColor);
  ShowStatus(status);
}

void TForm1::ShowFail(const std::string& status) {
  SetVerdict(QStringLiteral("FAIL"), kFailColor);
  ShowStatus(status);
}

void TForm1::ShowStatus(const std::string& status) {
  StatusBar->showMessage(FromBytes(status));
}

QString TForm1::VerdictText() const {
  return StaticText->text();
}

QColor TForm1::VerdictColor() const {
  return StaticText->palette().color(QPalette::WindowText);
}

QString TForm1::StatusText() const {
  return StatusBar->currentMessage();
}

void TForm1::RepaintNow() {
  repaint();
}

// ---- Message boxes -------------------------------------------------------------------------

void TForm1::ShowPortFailure(const serial::PortError& cause) {
  // The cause (device, what failed) goes under the message: on Linux it tells the operator
  // whether the port is missing, busy or needs the dialout group.
  ShowOwnerlessNotice(ops::kPortFailureText, ops::kPortFailureCaption, FromBytes(cause.Describe()));
}

void TForm1::ShowEmptyValue() {
  ShowOwnerlessNotice(ops::kEmptyValueText, ops::kEmptyValueCaption, QString());
}

void TForm1::ShowConnectError() {
  // The plain dialog: modal to the whole application, no icon, captioned with the title, centred
  // on the screen.
  ScreenCentredMessageBox box(QMessageBox::NoIcon, AppTitle(), FromBytes(ops::kConnectErrorText),
                              QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace gaintool::ui
