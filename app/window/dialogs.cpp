#include "app/window/dialogs.h"

#include <QMessageBox>
#include <QPushButton>

#include "app/core/error_text.h"
#include "app/window/form_defaults.h"

namespace app {
namespace {

QString applicationTitle() {
  return QString::fromUtf16(kApplicationTitle.data(), kApplicationTitle.size());
}

}  // namespace

DialogResult showConfirmation(const QString& message) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), message);
  QPushButton* ok = box.addButton(QMessageBox::Ok);
  QPushButton* cancel = box.addButton(QMessageBox::Cancel);
  box.setDefaultButton(ok);
  box.setEscapeButton(cancel);
  box.exec();
  return box.clickedButton() == ok ? DialogResult::Ok : DialogResult::Cancel;
}

void showPlainMessage(const QString& message) {
  QMessageBox box(QMessageBox::NoIcon, applicationTitle(), message, QMessageBox::Ok);
  box.exec();
}

void showDefaultErrorBox(const QString& message) {
  const std::u16string text = errorBoxText(message.toStdU16String());
  QMessageBox box(QMessageBox::Critical, applicationTitle(), QString::fromStdU16String(text),
                  QMessageBox::Ok);
  box.exec();
}

}  // namespace app
