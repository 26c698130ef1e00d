#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace app::testing {

// What a test saw of a message box before answering it.
struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttonsLeftToRight;
  QString defaultButton;
  QRect frame;
  bool mainWindowVisible = false;
};

// Answers modal widgets as they open, one answer per widget, in order. It polls from the
// event loop that the modal widget runs, so it also answers boxes shown before the main
// window exists. Every answer must close its widget.
class ModalAnswerer {
 public:
  using Answer = std::function<void(QWidget*)>;

  ModalAnswerer() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start(2);
  }

  void then(Answer answer) { answers_.push_back(std::move(answer)); }

  // Records a message box into `seen`, then clicks the button with the given text.
  void thenBox(const QString& buttonText, std::vector<SeenBox>* seen,
               const QWidget* mainWindow = nullptr) {
    QPointer<const QWidget> window(mainWindow);
    then([buttonText, seen, window](QWidget* widget) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr) {
        widget->close();
        return;
      }
      seen->push_back(describe(box, window));
      for (QAbstractButton* button : box->buttons()) {
        if (button->text().remove(QLatin1Char('&')) == buttonText) {
          button->click();
          return;
        }
      }
      box->reject();
    });
  }

  [[nodiscard]] int answered() const { return answered_; }

  static SeenBox describe(QMessageBox* box, const QWidget* mainWindow) {
    SeenBox seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    QList<QAbstractButton*> buttons = box->buttons();
    std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
      return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
    });
    for (QAbstractButton* button : buttons) {
      seen.buttonsLeftToRight << button->text().remove(QLatin1Char('&'));
    }
    if (box->defaultButton() != nullptr) {
      seen.defaultButton = box->defaultButton()->text().remove(QLatin1Char('&'));
    }
    seen.frame = box->frameGeometry();
    seen.mainWindowVisible = mainWindow != nullptr && mainWindow->isVisible();
    return seen;
  }

 private:
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal == last_ && sinceAnswer_.hasExpired(kCloseBoundMs)) {
      // An answer that did not close its widget would block the test for good.
      ADD_FAILURE() << "a modal " << modal->metaObject()->className() << " stayed open";
      last_ = nullptr;
      if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        dialog->reject();
      } else {
        modal->close();
      }
      return;
    }
    if (modal == nullptr || modal == last_ || answers_.empty()) return;
    last_ = modal;
    sinceAnswer_.start();
    // A dialog object that is shown again (the window's file dialog) is a new opening.
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      QObject::connect(
          dialog, &QDialog::finished, &timer_, [this] { last_ = nullptr; },
          Qt::SingleShotConnection);
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    ++answered_;
    answer(modal);
  }

  static constexpr qint64 kCloseBoundMs = 5'000;

  QTimer timer_;
  QElapsedTimer sinceAnswer_;
  std::deque<Answer> answers_;
  QPointer<QWidget> last_;
  int answered_ = 0;
};

}  // namespace app::testing
