#pragma once

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/core/device_run.h"
#include "app/core/fleet/fleet_run.h"
#include "app/core/record_sink.h"
#include "app/core/restart_wait.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace app {

class RegisterTable;

struct ShopWindowOptions {
  // Blocks the range field offers first, e.g. {"192.168.1.0/24"}.
  std::vector<std::string> defaultRanges;
  // Not empty: each register's line of the record is appended there as it is done.
  std::string recordFile;
  // After each upload, how long the register may take to come back.
  int waitRestartSeconds = kDefaultRestartWaitSeconds;
};

// The registers of a shop's network in one window: search a range for them, see their
// versions, update those selected a few at once, follow each to its restart, and keep the
// record. The network work runs on threads of its own; the window only hears of it.
class ShopWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit ShopWindow(ShopWindowOptions options);
  ShopWindow(const ShopWindow&) = delete;
  ShopWindow& operator=(const ShopWindow&) = delete;
  // Stops what is under way and waits for the registers being updated.
  ~ShopWindow() override;

  void startSearch();
  void startUpdate();
  // No further address or register starts; those under way finish within their limits.
  void cancel();
  // Asks for a file and appends what this window did there, in the record's format.
  void saveRecord();

  [[nodiscard]] bool busy() const { return activity_ != Activity::Idle; }
  [[nodiscard]] const std::vector<std::string>& recordLines() const { return recordLines_; }

  [[nodiscard]] QLineEdit* rangeEdit() const { return rangeEdit_; }
  [[nodiscard]] QPushButton* searchButton() const { return searchButton_; }
  [[nodiscard]] QProgressBar* progressBar() const { return progressBar_; }
  [[nodiscard]] RegisterTable* table() const { return table_; }
  [[nodiscard]] QSpinBox* jobsBox() const { return jobsBox_; }
  [[nodiscard]] QPushButton* updateButton() const { return updateButton_; }
  [[nodiscard]] QPushButton* cancelButton() const { return cancelButton_; }
  [[nodiscard]] QPushButton* saveButton() const { return saveButton_; }
  [[nodiscard]] QPushButton* closeButton() const { return closeButton_; }
  [[nodiscard]] QLabel* statusLabel() const { return statusLabel_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  enum class Activity { Idle, Searching, Updating };

  void createControls();
  void setActivity(Activity activity);
  void updateButtons();
  void setStatus(const QString& text);
  void joinWorker();

  void probed(const std::u16string& address, const StateReading* state);
  void searchFinished();
  // Whether the person agrees to updating registers that do not need it.
  bool confirmReinstall(const std::vector<std::u16string>& addresses);
  void deviceDone(const DeviceOutcome& outcome);
  // lines: the record lines of the run.
  void updateFinished(const fleet::FleetTally& tally, const std::vector<std::string>& lines);

  ShopWindowOptions options_;
  QLineEdit* rangeEdit_ = nullptr;
  QPushButton* searchButton_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  RegisterTable* table_ = nullptr;
  QSpinBox* jobsBox_ = nullptr;
  QPushButton* updateButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QPushButton* closeButton_ = nullptr;
  QLabel* statusLabel_ = nullptr;

  Activity activity_ = Activity::Idle;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  bool closeWhenIdle_ = false;
  std::uint64_t addressesToProbe_ = 0;
  std::uint64_t addressesProbed_ = 0;
  int registersToUpdate_ = 0;
  int registersDone_ = 0;
  QString recordProblem_;
  // What this window did, one line of the record per register.
  std::vector<std::string> recordLines_;
  // The record file of the options, when there is one.
  std::unique_ptr<RecordFile> recordFile_;
};

}  // namespace app
