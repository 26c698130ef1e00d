#pragma once

#include <string>

namespace app {

// Answers of the confirmation dialog.
enum class DialogResult : int { Ok = 1, Cancel = 2 };

// What a workflow needs from the window. The main window implements it; tests implement it
// headless. Every call happens on the user-interface thread.
class WorkflowHost {
 public:
  WorkflowHost() = default;
  WorkflowHost(const WorkflowHost&) = delete;
  WorkflowHost& operator=(const WorkflowHost&) = delete;
  virtual ~WorkflowHost() = default;

  // The status line.
  virtual void setStatusText(const std::u16string& text) = 0;
  // Modal question with OK and Cancel, OK the default; closing it counts as Cancel.
  virtual DialogResult confirm(const std::u16string& message) = 0;
  // Lets the window handle what is pending once, e.g. to paint the status line.
  virtual void processPendingEvents() = 0;
  // Posts the end of an unattended run; the caller goes on, the program ends once control is
  // back in the message loop.
  virtual void requestEndOfRun() = 0;
  // The default error box with the error's message (the full stop is added by the box).
  virtual void showErrorBox(const std::u16string& message) = 0;

  // The device address as typed, unchanged.
  [[nodiscard]] virtual std::u16string addressText() const = 0;
  // The address from the command line; empty unless this is an unattended run.
  [[nodiscard]] virtual std::u16string unattendedAddress() const = 0;
  // The text of the timeout field.
  [[nodiscard]] virtual std::u16string timeoutText() const = 0;
};

}  // namespace app
