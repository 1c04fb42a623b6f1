#include "ui/comm.h"

#include <QComboBox>
#include <QString>
#include <string>

#include "serial/serial_port.h"

namespace gaintool::ui {

void ListComPorts(int count, QComboBox* box, std::string_view device_dir) {
  // Adding the first item to an empty combo box selects it; the box must keep its text and
  // selection, so both are put back after the names are appended.
  const int index = box->currentIndex();
  const QString text = box->currentText();
  for (const std::string& name : serial::DiscoverComPorts(count, device_dir)) {
    box->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  }
  box->setCurrentIndex(index);
  if (box->isEditable()) box->setEditText(text);
}

}  // namespace gaintool::ui
