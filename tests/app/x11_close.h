#pragma once

// Sends the window the WM_DELETE_WINDOW request that a window manager sends when the close
// box is pressed. Kept apart from Qt: Xlib's macros clash with Qt's headers.
bool sendCloseRequest(unsigned long window);
