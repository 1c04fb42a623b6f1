// The operations behind the window's buttons: connect, read a row, write a row. They do not
// depend on any window toolkit: they see the window through OperatorWindow and the port through
// the serial layer, so every front-end can run the same code.
#pragma once

#include <string>
#include <string_view>

#include "protocol/commands.h"
#include "serial/serial_port.h"

namespace gaintool::ops {

// The four parameter rows of the window.
enum class Row { Speech, Melody, SideTone, Mic };

// What distinguishes one row from another.
struct RowSpec {
  Row row;
  ParamKind kind;
  int levels;                    // value boxes in the row: 7 or 1
  std::string_view read_passed;  // status text of a read that passed
};
const RowSpec& RowSpecOf(Row row);

// Texts the operations show.
inline constexpr std::string_view kPortFailureText = "连接错误，请重新连接!!";
inline constexpr std::string_view kPortFailureCaption = "通信错误!";
inline constexpr std::string_view kEmptyValueText = "数据不能为空!!";
inline constexpr std::string_view kEmptyValueCaption = "错误";
inline constexpr std::string_view kConnectErrorText = "连接错误，请重新连接！";
inline constexpr std::string_view kConnected = "Connected";
inline constexpr std::string_view kConnectError = "Connect Error!";

// " Read level <k> error!" and " level <k> error!".
std::string ReadFailedText(int level);
std::string WriteFailedText(int level);

// The window as the operations need it. Texts are bytes (UTF-8 here), passed on unchanged.
class OperatorWindow {
 public:
  enum class Memo { Connect, Write };  // the hidden reply holders "Memo" and "Memo1"

  virtual ~OperatorWindow() = default;

  virtual std::string PortName() const = 0;  // the text of the port box, untrimmed
  virtual int ModeIndex() const = 0;         // the selected audio mode
  virtual std::string BoxText(Row row, int level) const = 0;
  virtual void SetBoxText(Row row, int level, const std::string& text) = 0;

  // A reply stored in a hidden memo and read back; the window keeps the exact bytes.
  virtual void SetMemoText(Memo memo, const std::string& bytes) = 0;
  virtual std::string MemoText(Memo memo) const = 0;

  // Verdict and status line; none of them paints.
  virtual void ClearVerdict() = 0;
  virtual void ShowPass(const std::string& status) = 0;
  virtual void ShowFail(const std::string& status) = 0;
  virtual void ShowStatus(const std::string& status) = 0;

  // Repaints the window at once (the read operations show their boxes before the verdict).
  virtual void RepaintNow() = 0;

  // The port could not be opened or configured: kPortFailureText captioned kPortFailureCaption,
  // OK only, no icon, without owner window (the main window stays usable while it is open).
  virtual void ShowPortFailure(const serial::PortError& cause) = 0;
  // A value box is empty: kEmptyValueText captioned kEmptyValueCaption, like ShowPortFailure.
  virtual void ShowEmptyValue() = 0;
  // The handshake was refused: kConnectErrorText in the plain dialog, modal to the application.
  virtual void ShowConnectError() = 0;
};

// The operations of one window, and the port it holds. The port opened by an operation stays
// open until the next operation begins.
class Operations {
 public:
  explicit Operations(OperatorWindow& window, std::string device_dir = "/dev/");

  // Releases the port of the previous operation, opens the port named in the window exclusively
  // and sets its line. On failure the window has shown the port failure message; the calling
  // operation ends at once.
  bool OpenPort();
  // One exchange on the open port (see serial::SendCommand / serial::WriteCommand).
  std::string SendCommand(std::string_view command, serial::ReplyBuffer& buffer);
  void WriteCommand(std::string_view command);

  // CONNECT: sleep off, judged by its exact reply, then echo off.
  void Connect();
  // Read: each level of the row from the handset into its box, stopping at the first failure.
  void ReadRow(Row row);
  // ADJ: every box of the row checked first, then each level written, stopping at the first
  // failure. Raises EConvertError (uncaught here) when a box is not an integer.
  void WriteRow(Row row);

  const serial::SerialPort& Port() const { return PortHandle; }

 private:
  OperatorWindow& window_;
  std::string device_dir_;
  serial::SerialPort PortHandle;
};

}  // namespace gaintool::ops
