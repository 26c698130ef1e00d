#include "app/window/outside_controls.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QWidget>

namespace app {
namespace {

QAccessible::Role roleOf(const QWidget* control) {
  if (qobject_cast<const QLineEdit*>(control) != nullptr) return QAccessible::EditableText;
  if (qobject_cast<const QAbstractButton*>(control) != nullptr) return QAccessible::Button;
  if (qobject_cast<const QLabel*>(control) != nullptr) return QAccessible::StaticText;
  if (qobject_cast<const QProgressBar*>(control) != nullptr) return QAccessible::ProgressBar;
  if (qobject_cast<const QAbstractItemView*>(control) != nullptr) return QAccessible::List;
  return QAccessible::Client;
}

class OutsideControl final : public QAccessibleWidget {
 public:
  explicit OutsideControl(QWidget* control) : QAccessibleWidget(control, roleOf(control)) {}

  [[nodiscard]] QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.invisible = true;
    state.offscreen = true;
    return state;
  }

  [[nodiscard]] QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name && widget()->accessibleName().isEmpty()) {
      if (const auto* button = qobject_cast<const QAbstractButton*>(widget())) {
        return button->text();
      }
      if (const auto* label = qobject_cast<const QLabel*>(widget())) return label->text();
    }
    return QAccessibleWidget::text(kind);
  }
};

}  // namespace

void markControlsOutside(QWidget* window, const QRect& clientArea) {
  for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!control->isWindow() && !clientArea.intersects(control->geometry())) {
      // Registered before anyone asks, it is the control's interface from then on; Qt's
      // cache owns it and frees it with the control.
      QAccessible::registerAccessibleInterface(new OutsideControl(control));
    }
  }
}

}  // namespace app
