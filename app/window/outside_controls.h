#pragma once

#include <QRect>

class QWidget;

namespace app {

// Screen readers hear of the window's controls that lie wholly outside its client area as
// not showing, as the eye sees them; the controls themselves stay as they are (place, state,
// tab order).
void markControlsOutside(QWidget* window, const QRect& clientArea);

}  // namespace app
