#include "message_box_catcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>
#include <utility>

namespace gaintool::testing {

MessageBoxCatcher::MessageBoxCatcher() {
  Arm();
}

MessageBoxCatcher::~MessageBoxCatcher() = default;

void MessageBoxCatcher::Arm() {
  QTimer::singleShot(5, &context_, [this] { Poll(); });
}

void MessageBoxCatcher::WhileNextIsOpen(std::function<void(QMessageBox&)> action) {
  actions_.push_back(std::move(action));
}

void MessageBoxCatcher::Poll() {
  Arm();
  // Called again from inside an action when that action opens a box of its own; boxes already
  // seen are skipped, so each box is handled exactly once.
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    if (box == nullptr || !box->isVisible() || seen_.contains(box)) continue;
    seen_.removeAll(nullptr);
    seen_.append(box);

    CapturedBox captured;
    captured.text = box->text();
    captured.informative_text = box->informativeText();
    captured.caption = box->windowTitle();
    captured.icon = box->icon();
    captured.modality = box->windowModality();
    captured.has_parent = box->parentWidget() != nullptr;
    for (QAbstractButton* button : box->buttons())
      captured.buttons.append(box->standardButton(button));
    boxes_.push_back(captured);

    const QPointer<QMessageBox> guard(box);
    if (!actions_.empty()) {
      auto action = std::move(actions_.front());
      actions_.pop_front();
      action(*box);
    }
    if (guard.isNull()) return;
    QAbstractButton* ok = guard->button(QMessageBox::Ok);
    if (ok == nullptr && !guard->buttons().isEmpty()) ok = guard->buttons().first();
    if (ok != nullptr) ok->click();
    return;  // the list of windows has changed; the next tick looks again
  }
}

}  // namespace gaintool::testing
