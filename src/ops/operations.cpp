#include "ops/operations.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace gaintool::ops {

namespace {

constexpr std::array<RowSpec, 4> kRows{{
    {Row::Speech, ParamKind::Speech, 7, "Read Speech Successful"},
    {Row::Melody, ParamKind::Melody, 7, "Read Melody Successful"},
    {Row::SideTone, ParamKind::SideTone, 1, "Read SideTone Successful"},
    {Row::Mic, ParamKind::Mic, 1, "Read Mic Successful"},
}};

}  // namespace

const RowSpec& RowSpecOf(Row row) {
  for (const RowSpec& spec : kRows) {
    if (spec.row == row) return spec;
  }
  return kRows.front();  // unreachable: every Row has its entry
}

std::string ReadFailedText(int level) { return " Read level " + std::to_string(level) + " error!"; }

std::string WriteFailedText(int level) { return " level " + std::to_string(level) + " error!"; }

Operations::Operations(OperatorWindow& window, std::string device_dir)
    : window_(window), device_dir_(std::move(device_dir)) {}

bool Operations::OpenPort() {
  // The port of the previous operation is released first, so that the same port can be opened
  // again, exclusively, by this one.
  PortHandle.Close();
  if (PortHandle.Open(window_.PortName(), serial::OpenMode::Operation, device_dir_) &&
      PortHandle.Configure()) {
    return true;
  }
  // A port that opened but refused its settings stays held until the next operation, like one
  // that was configured; only an exchange needs the settings, and none follows.
  window_.ShowPortFailure(PortHandle.LastError());
  return false;
}

std::string Operations::SendCommand(std::string_view command, serial::ReplyBuffer& buffer) {
  return serial::SendCommand(PortHandle, command, buffer);
}

void Operations::WriteCommand(std::string_view command) {
  serial::WriteCommand(PortHandle, command);
}

void Operations::Connect() {
  if (!OpenPort()) return;
  serial::ReplyBuffer buffer;
  window_.SetMemoText(OperatorWindow::Memo::Connect, SendCommand(kSleepOffCommand, buffer));
  if (SleepOffReplyAccepted(window_.MemoText(OperatorWindow::Memo::Connect))) {
    WriteCommand(kEchoOffCommand);  // its reply is left unread
    window_.ShowStatus(std::string(kConnected));
  } else {
    window_.ShowStatus(std::string(kConnectError));
    window_.ShowConnectError();
  }
}

void Operations::ReadRow(Row row) {
  const RowSpec& spec = RowSpecOf(row);
  window_.ClearVerdict();
  if (!OpenPort()) return;
  serial::ReplyBuffer buffer;
  for (int level = 0; level < spec.levels; ++level) {
    const std::string reply =
        SendCommand(FormatReadCommand(window_.ModeIndex(), spec.kind, level), buffer);
    if (!ReplyIsOk(reply)) {
      window_.ShowFail(ReadFailedText(level));
      return;
    }
    window_.SetBoxText(row, level, ExtractReplyValue(reply));
  }
  window_.RepaintNow();  // the filled boxes show before the verdict
  window_.ShowPass(std::string(spec.read_passed));
}

void Operations::WriteRow(Row row) {
  const RowSpec& spec = RowSpecOf(row);
  window_.ClearVerdict();
  if (!OpenPort()) return;

  // Every box of the row is checked before anything is sent: a row with an empty box or a text
  // that is not an integer must not leave the handset with only its first levels written.
  // ClampValueText raises EConvertError for a text that is not an integer; it is not caught here.
  std::vector<std::string> values;
  values.reserve(static_cast<std::size_t>(spec.levels));
  for (int level = 0; level < spec.levels; ++level) {
    const std::string text = window_.BoxText(row, level);
    if (text.empty()) {
      window_.ShowEmptyValue();
      return;
    }
    values.push_back(ClampValueText(text, ValueRangeOf(spec.kind)));
  }

  serial::ReplyBuffer buffer;
  for (int level = 0; level < spec.levels; ++level) {
    const std::string command = FormatWriteCommand(window_.ModeIndex(), spec.kind, level,
                                                   values[static_cast<std::size_t>(level)]);
    window_.SetMemoText(OperatorWindow::Memo::Write, SendCommand(command, buffer));
    if (!ReplyIsOk(window_.MemoText(OperatorWindow::Memo::Write))) {
      window_.ShowFail(WriteFailedText(level));
      return;
    }
    window_.ShowPass("");
  }
}

}  // namespace gaintool::ops
