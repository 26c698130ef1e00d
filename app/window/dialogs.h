#pragma once

#include <QString>

#include "app/window/workflow_host.h"

namespace app {

// The three modal boxes of the program. None has a parent, so each is centred on the screen
// and can be shown before the main window is.

// Caption "Error", error icon, OK then Cancel, OK the default; closing it answers Cancel.
DialogResult showConfirmation(const QString& message);

// Caption the application title, no icon, one OK button.
void showPlainMessage(const QString& message);

// Caption the application title, error icon, one OK button; the message gets the full stop
// that errorBoxText() adds.
void showDefaultErrorBox(const QString& message);

}  // namespace app
