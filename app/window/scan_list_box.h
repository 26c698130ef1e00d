#pragma once

#include <QListWidget>
#include <QMouseEvent>
#include <functional>
#include <utility>

namespace app {

// A list box that reports a double click anywhere on it, not only on an item.
class ScanListBox final : public QListWidget {
 public:
  explicit ScanListBox(QWidget* parent) : QListWidget(parent) {}

  void setDoubleClickHandler(std::function<void()> handler) { handler_ = std::move(handler); }

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QListWidget::mouseDoubleClickEvent(event);
    if (handler_) {
      handler_();
    }
  }

 private:
  std::function<void()> handler_;
};

}  // namespace app
