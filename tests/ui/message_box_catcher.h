// Message boxes in window tests: every box that opens while a MessageBoxCatcher lives is recorded
// and closed with its OK button, so no test waits for a person. Works for modal boxes (exec) and
// for boxes that run their own event loop, nested ones included.
#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <vector>

namespace gaintool::testing {

struct CapturedBox {
  QString text;
  QString informative_text;
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  Qt::WindowModality modality = Qt::NonModal;
  bool has_parent = false;
  QList<QMessageBox::StandardButton> buttons;
};

class MessageBoxCatcher {
 public:
  MessageBoxCatcher();
  ~MessageBoxCatcher();
  MessageBoxCatcher(const MessageBoxCatcher&) = delete;
  MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

  // Runs `action` while the next box not yet seen is open, after it is recorded and before it is
  // closed. Actions apply to boxes in the order they open, one each. An action may start
  // something that opens another box: that one is caught as well, inside the action.
  void WhileNextIsOpen(std::function<void(QMessageBox&)> action);

  const std::vector<CapturedBox>& Boxes() const { return boxes_; }
  void Clear() { boxes_.clear(); }

 private:
  // Polls again shortly, on a fresh single-shot timer: a timer is not fired again while its own
  // handler runs, and an action may be waiting inside a nested box when the next poll is due.
  void Arm();
  void Poll();

  QObject context_;  // owns the pending poll; gone with the catcher
  QList<QPointer<QMessageBox>> seen_;
  std::deque<std::function<void(QMessageBox&)>> actions_;
  std::vector<CapturedBox> boxes_;
};

}  // namespace gaintool::testing
