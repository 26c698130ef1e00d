#pragma once

#include <QTableWidget>
#include <optional>
#include <string>
#include <vector>

#include "app/core/device_address.h"
#include "app/core/device_state.h"
#include "app/core/version_verdict.h"

namespace app {

// The registers a search found, one row each in address order: the address with its check box
// (checked: to be updated), the installed version, the verdict against the image, the version
// after the update and the progress or result.
class RegisterTable final : public QTableWidget {
  Q_OBJECT

 public:
  enum Column { AddressColumn, InstalledColumn, VerdictColumn, VersionAfterColumn, StateColumn };

  explicit RegisterTable(QWidget* parent);

  // A register found; checked when it needs the update.
  void addRegister(const DeviceAddress& address, const StateReading& state, VersionVerdict verdict);
  void clearRegisters();

  // The checked registers, in the table's order.
  [[nodiscard]] std::vector<DeviceAddress> checkedAddresses() const;
  [[nodiscard]] std::optional<VersionVerdict> verdictOf(const DeviceAddress& address) const;
  [[nodiscard]] int rowOf(const DeviceAddress& address) const;
  [[nodiscard]] bool isChecked(const DeviceAddress& address) const;
  void setChecked(const DeviceAddress& address, bool checked);

  // A run is under way: the check boxes keep their state and take no changes.
  void setChecksLocked(bool locked);

  void setStateText(const DeviceAddress& address, const QString& text,
                    const QString& details = QString());
  void setVersionAfter(const DeviceAddress& address, const QString& text);

  static QString verdictText(VersionVerdict verdict);

 signals:
  void checksChanged();

 protected:
  // Space toggles the check box of the current row, whichever cell has the focus.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void setCell(int row, Column column, const QString& text);

  bool locked_ = false;
};

}  // namespace app
