#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <vector>

#include "app/core/device_address.h"
#include "app/core/version_verdict.h"

namespace app {

// How a register's last update in this window went.
enum class RowResult { None, Queued, Running, Updated, NotBack, Failed, NotUpdated, NotStarted };

// A register a search found, as its row shows it. Made on the searching thread, with the
// register's text already cut and escaped.
struct FoundRegister {
  DeviceAddress address;
  // Cell text of the installed version; "-" when the register names none.
  QString installed;
  // The version as the register sent it, cut to the kept length: what sorting compares.
  std::u16string installedForSorting;
  VersionVerdict verdict = VersionVerdict::Unreadable;
};

// How a register's update ended, as its row shows it. Made on the run's thread.
struct RowOutcome {
  DeviceAddress address;
  RowResult result = RowResult::None;
  QString text;
  // The cause in full, plain text; empty without one.
  QString details;
  // Cell text of the version it came back with; empty when it did not come back.
  QString versionAfter;
  std::u16string versionAfterForSorting;
  // Back on the image's version: the installed version is now the image's.
  bool verified = false;
};

// The registers of a search, one row each: the address with its check box (checked: to be
// updated), the installed version, how it stands against this update, the version after the
// update, and the progress or result.
class RegisterModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { AddressColumn, InstalledColumn, VerdictColumn, VersionAfterColumn, ProgressColumn };
  static constexpr int kColumns = 5;
  // A value the column sorts by; for version columns the version text itself.
  static constexpr int SortRole = Qt::UserRole;
  // The row's RowResult and VersionVerdict, as int.
  static constexpr int ResultRole = Qt::UserRole + 1;
  static constexpr int VerdictRole = Qt::UserRole + 2;
  // The progress column's cause in full, as plain text (the tooltip is its markup).
  static constexpr int DetailsRole = Qt::UserRole + 3;

  struct Counts {
    int registers = 0;
    int needing = 0;  // an update is available
    int current = 0;
    int newer = 0;
    int unreadable = 0;
    int selected = 0;
    int failed = 0;  // failed, or not back after the upload
  };

  explicit RegisterModel(QObject* parent);

  [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  [[nodiscard]] int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
  [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                    int role) const override;

  // A register found; checked when it needs the update. In address order.
  void addRegister(const FoundRegister& found);
  void clear();

  // A run is under way: the check boxes keep their state and take no changes.
  void setChecksLocked(bool locked);
  [[nodiscard]] bool checksLocked() const { return locked_; }

  [[nodiscard]] int rowOf(const DeviceAddress& address) const;
  [[nodiscard]] DeviceAddress addressAt(int row) const;
  [[nodiscard]] bool isChecked(const DeviceAddress& address) const;
  void setChecked(const DeviceAddress& address, bool checked);
  void setCheckedRows(const std::vector<int>& rows, bool checked);
  // The checked registers, in address order.
  [[nodiscard]] std::vector<DeviceAddress> checkedAddresses() const;
  // Those whose last update failed (not those that took the image and did not come back).
  [[nodiscard]] std::vector<DeviceAddress> failedAddresses() const;
  [[nodiscard]] VersionVerdict verdictOf(const DeviceAddress& address) const;
  [[nodiscard]] Counts counts() const;

  void setProgress(const DeviceAddress& address, RowResult result, const QString& text);
  void setOutcome(const RowOutcome& outcome);

  [[nodiscard]] static QString verdictText(VersionVerdict verdict);

 signals:
  // Checks, verdicts or results changed: the counts are worth reading again.
  void countsChanged();

 private:
  struct Row {
    FoundRegister found;
    quint32 order = 0;
    bool checked = false;
    RowResult result = RowResult::None;
    QString progress;
    QString details;
    QString versionAfter;
    std::u16string versionAfterForSorting;
  };

  [[nodiscard]] QVariant displayOf(const Row& row, int column) const;
  [[nodiscard]] QVariant sortKeyOf(const Row& row, int column) const;
  void rowChanged(int row);
  void reindex(int fromRow);

  std::vector<Row> rows_;
  QHash<QString, int> rowOfAddress_;
  bool locked_ = false;
};

}  // namespace app
