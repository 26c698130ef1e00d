#include "app/window/dialogs.h"

#include <QMessageBox>
#include <QPushButton>

#include "app/core/handler_boundary.h"
#include "app/core/product.h"

namespace app {
namespace {

QString applicationTitle() {
  return QString::fromUtf16(kApplicationTitle.data(), kApplicationTitle.size());
}

}  // namespace

DialogResult showConfirmation(const QString& message) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), message);
  // The buttons keep their English texts whatever Qt's translation of them says.
  QPushButton* ok = box.addButton(QMessageBox::Ok);
  QPushButton* cancel = box.addButton(QMessageBox::Cancel);
  ok->setText(QStringLiteral("OK"));
  cancel->setText(QStringLiteral("Cancel"));
  box.setDefaultButton(ok);
  box.setEscapeButton(cancel);
  box.exec();
  return box.clickedButton() == ok ? DialogResult::Ok : DialogResult::Cancel;
}

void showPlainMessage(const QString& message) {
  QMessageBox box(QMessageBox::NoIcon, applicationTitle(), message, QMessageBox::Ok);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
  box.exec();
}

void showDefaultErrorBox(const QString& message) {
  const std::u16string text = errorBoxText(message.toStdU16String());
  QMessageBox box(QMessageBox::Critical, applicationTitle(), QString::fromStdU16String(text),
                  QMessageBox::Ok);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
  box.exec();
}

}  // namespace app
