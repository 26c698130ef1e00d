#pragma once

#include <optional>
#include <string>

#include "app/core/device_run.h"
#include "app/core/workflow_host.h"

namespace app {

// The window's part in a run without one: the status line is kept for the caller, the
// question goes to the run's answer policy, and an error box is kept to be printed; there
// are no pending events, and the run ends when the workflow returns.
class UnattendedHost final : public WorkflowHost {
 public:
  UnattendedHost(std::u16string address, Questioner answer);

  void setStatusText(const std::u16string& text) override { status_ = text; }
  DialogResult confirm(const std::u16string& message) override;
  void processPendingEvents() override {}
  void requestEndOfRun() override {}
  void showErrorBox(const std::u16string& message) override { errorBox_ = message; }
  [[nodiscard]] std::u16string addressText() const override { return address_; }
  [[nodiscard]] std::u16string unattendedAddress() const override { return address_; }
  [[nodiscard]] std::u16string timeoutText() const override;

  [[nodiscard]] const std::u16string& status() const { return status_; }
  [[nodiscard]] const std::optional<std::u16string>& errorBox() const { return errorBox_; }

 private:
  std::u16string address_;
  Questioner answer_;
  std::u16string status_;
  std::optional<std::u16string> errorBox_;
};

}  // namespace app
