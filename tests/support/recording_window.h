// A window for driving the operations headless: it keeps its state in plain members and records
// every display call in order. Header only; a test that uses it links gaintool_ops.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ops/operations.h"

namespace gaintool::testing {

class RecordingWindow : public ops::OperatorWindow {
 public:
  using Row = ops::Row;

  std::string port_name;
  int mode = 0;
  std::map<std::pair<Row, int>, std::string> boxes;
  std::map<Memo, std::string> memos;
  std::string verdict = "";
  std::string status = "before";
  std::vector<std::string> calls;  // "ClearVerdict", "ShowPass:<text>", "PortFailure" ...
  int port_failures = 0;
  int empty_values = 0;
  int connect_errors = 0;
  serial::PortError last_port_error;  // the cause given with the latest port failure

  // Called after every recorded call with its record, and after every box the operations fill
  // with "SetBox:<level>", so that a test can act at a chosen point inside an operation.
  std::function<void(const std::string&)> on_event;

  std::string PortName() const override { return port_name; }
  int ModeIndex() const override { return mode; }
  std::string BoxText(Row row, int level) const override {
    auto it = boxes.find({row, level});
    return it == boxes.end() ? "" : it->second;
  }
  void SetBoxText(Row row, int level, const std::string& text) override {
    boxes[{row, level}] = text;
    Notify("SetBox:" + std::to_string(level));
  }
  void SetMemoText(Memo memo, const std::string& bytes) override { memos[memo] = bytes; }
  std::string MemoText(Memo memo) const override {
    auto it = memos.find(memo);
    return it == memos.end() ? "" : it->second;
  }
  void ClearVerdict() override {
    verdict = "";
    Record("ClearVerdict");
  }
  void ShowPass(const std::string& text) override {
    verdict = "PASS";
    status = text;
    Record("ShowPass:" + text);
  }
  void ShowFail(const std::string& text) override {
    verdict = "FAIL";
    status = text;
    Record("ShowFail:" + text);
  }
  void ShowStatus(const std::string& text) override {
    status = text;
    Record("ShowStatus:" + text);
  }
  void RepaintNow() override { Record("RepaintNow"); }
  void ShowPortFailure(const serial::PortError& cause) override {
    ++port_failures;
    last_port_error = cause;
    Record("PortFailure");
  }
  void ShowEmptyValue() override {
    ++empty_values;
    Record("EmptyValue");
  }
  void ShowConnectError() override {
    ++connect_errors;
    Record("ConnectError");
  }

  void FillRow(Row row, std::vector<std::string> texts) {
    for (std::size_t i = 0; i < texts.size(); ++i) boxes[{row, static_cast<int>(i)}] = texts[i];
  }

 private:
  void Record(const std::string& call) {
    calls.push_back(call);
    Notify(call);
  }
  void Notify(const std::string& event) {
    if (on_event) on_event(event);
  }
};

}  // namespace gaintool::testing
