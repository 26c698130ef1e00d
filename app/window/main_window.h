#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/core/device_interface.h"
#include "app/core/device_run.h"
#include "app/window/workflow_host.h"

class QFileDialog;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace http {
class HttpClient;
}

namespace app {

class RecordSink;
class ScanListBox;

// What the Upload button runs; the upload workflow plugs in here.
using UploadAction = std::function<void(WorkflowHost&)>;

// What the command line adds to a run in the window.
struct RunChoices {
  // Answers the question without showing it.
  std::optional<DialogResult> presetAnswer;
  // Image bytes sent so far, of the total, as the built-in upload goes.
  std::function<void(std::int64_t sent, std::int64_t total)> onProgress;
  // Where each built-in upload's record line goes; none: no record.
  RecordSink* record = nullptr;
  // A record line could not be written.
  std::function<void(const std::u16string& message)> onRecordFailed;
  // A cause of the built-in upload's outcome, one line.
  std::function<void(const std::u16string& line)> onDiagnostic;
  // A newer register gets the older image without asking (--allow-older).
  bool allowOlder = false;
};

// The program's only window. Creation ends with onCreate(): with a command-line argument the
// upload runs right there, before the window is first shown. The window shows itself when
// creation ends.
class MainWindow final : public QWidget, public WorkflowHost {
 public:
  // arguments: the command line without the program name.
  MainWindow(const std::vector<std::u16string>& arguments, UploadAction uploadAction,
             RunChoices choices = {});
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;
  ~MainWindow() override;

  // Handlers. They raise; the controls run them through the handler boundary.
  void onUploadClicked();
  void onScanClicked();
  void onScanListDoubleClicked();
  void onChooseFileClicked();
  void onHelpLinkClicked();
  void onSaveImageClicked();
  void onSetTimeoutClicked();
  void onTestIntegrationClicked();

  // The state query with the client the window keeps (see DeviceInterface).
  std::u16string fetchText(std::u16string_view url) { return device_.fetchText(url); }
  [[nodiscard]] http::HttpClient* stateClient() const { return device_.stateClient(); }
  // The form's HTTP client, which no handler uses.
  [[nodiscard]] http::HttpClient* idleHttpClient() const { return idleHttpClient_.get(); }

  // WorkflowHost
  void setStatusText(const std::u16string& text) override;
  DialogResult confirm(const std::u16string& message) override;
  void processPendingEvents() override;
  void requestEndOfRun() override;
  void showErrorBox(const std::u16string& message) override;
  [[nodiscard]] std::u16string addressText() const override;
  [[nodiscard]] std::u16string unattendedAddress() const override;
  [[nodiscard]] std::u16string timeoutText() const override;

  // After an end-of-run request the window takes no further operator input.
  bool eventFilter(QObject* watched, QEvent* event) override;

  // What the last built-in upload did, as the engine gave it.
  [[nodiscard]] const DeviceOutcome& uploadOutcome() const { return lastOutcome_; }

  // True once an end-of-run request was posted.
  [[nodiscard]] bool endOfRunRequested() const { return endOfRunRequested_; }

  // Controls, for the start-up code and tests.
  [[nodiscard]] QPushButton* uploadButton() const { return uploadButton_; }
  [[nodiscard]] QPushButton* scanButton() const { return scanButton_; }
  [[nodiscard]] QPushButton* spareButton() const { return spareButton_; }
  [[nodiscard]] QProgressBar* scanProgress() const { return scanProgress_; }
  [[nodiscard]] ScanListBox* scanList() const { return scanList_; }
  [[nodiscard]] QLineEdit* addressEdit() const { return addressEdit_; }
  [[nodiscard]] QLineEdit* timeoutEdit() const { return timeoutEdit_; }
  [[nodiscard]] QPushButton* setTimeoutButton() const { return setTimeoutButton_; }
  [[nodiscard]] QPushButton* testIntegrationButton() const { return testIntegrationButton_; }
  [[nodiscard]] QPushButton* testProductionButton() const { return testProductionButton_; }
  [[nodiscard]] QLineEdit* proxyHostEdit() const { return proxyHostEdit_; }
  [[nodiscard]] QLineEdit* proxyPortEdit() const { return proxyPortEdit_; }
  [[nodiscard]] QPushButton* chooseFileButton() const { return chooseFileButton_; }
  [[nodiscard]] QLineEdit* passwordEdit() const { return passwordEdit_; }
  [[nodiscard]] QLabel* statusLabel() const { return statusLabel_; }
  [[nodiscard]] QLabel* addressLabel() const { return addressLabel_; }
  [[nodiscard]] QLabel* timeoutLabel() const { return timeoutLabel_; }
  [[nodiscard]] QLabel* runLabel() const { return runLabel_; }
  [[nodiscard]] QLabel* fileLabel() const { return fileLabel_; }
  [[nodiscard]] QFileDialog* openDialog() const { return openDialog_; }

  // Scan state; nothing in the program advances the scan.
  [[nodiscard]] std::int32_t scanCount() const { return scanCount_; }
  [[nodiscard]] std::int32_t scanDone() const { return scanDone_; }
  [[nodiscard]] const std::u16string& scanResult() const { return scanResult_; }
  [[nodiscard]] const std::u16string& selectedFileName() const { return selectedFileName_; }

 private:
  void createControls();
  void chainTabOrder();
  void describeForScreenReaders();
  void createIdleHttpClient();
  void connectHandlers();
  void onCreate(const std::vector<std::u16string>& arguments);
  void runGuardedHandler(void (MainWindow::*handler)());

  QPushButton* uploadButton_ = nullptr;
  QPushButton* scanButton_ = nullptr;
  QPushButton* spareButton_ = nullptr;
  QProgressBar* scanProgress_ = nullptr;
  ScanListBox* scanList_ = nullptr;
  QLineEdit* addressEdit_ = nullptr;
  QLineEdit* timeoutEdit_ = nullptr;
  QPushButton* setTimeoutButton_ = nullptr;
  QPushButton* testIntegrationButton_ = nullptr;
  QPushButton* testProductionButton_ = nullptr;
  QLineEdit* proxyHostEdit_ = nullptr;
  QLineEdit* proxyPortEdit_ = nullptr;
  QPushButton* chooseFileButton_ = nullptr;
  QLineEdit* passwordEdit_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  QLabel* addressLabel_ = nullptr;
  QLabel* timeoutLabel_ = nullptr;
  QLabel* runLabel_ = nullptr;
  QLabel* fileLabel_ = nullptr;
  QFileDialog* openDialog_ = nullptr;

  UploadAction uploadAction_;
  RunChoices choices_;
  std::u16string unattendedAddress_;
  std::u16string selectedFileName_;
  std::int32_t scanCount_ = 0;
  std::int32_t scanDone_ = 0;
  std::u16string scanResult_;
  DeviceOutcome lastOutcome_;
  bool endOfRunRequested_ = false;
  // A click that arrives while the upload lets pending events through must not start a
  // second upload inside the first.
  bool uploadRunning_ = false;
  DeviceInterface device_;
  std::unique_ptr<http::HttpClient> idleHttpClient_;
};

}  // namespace app
