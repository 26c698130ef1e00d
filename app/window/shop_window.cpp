#include "app/window/shop_window.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <exception>
#include <optional>
#include <utility>

#include "app/core/error_text.h"
#include "app/core/fleet/discovery.h"
#include "app/core/image_identity.h"
#include "app/window/register_table.h"
#include "app/window/row_texts.h"
#include "app/window/run_relay.h"
#include "app/window/scan_ranges.h"

namespace app {
namespace {

constexpr int kDefaultJobs = 4;
constexpr int kMostJobs = 64;
// A search covers at most as many addresses as one /16 holds.
constexpr std::uint64_t kMostAddresses = 65'534;

QString joined(const std::vector<std::string>& ranges) {
  QStringList texts;
  for (const std::string& range : ranges) texts << QString::fromStdString(range);
  return texts.join(QStringLiteral(", "));
}

QLabel* buddyLabel(const QString& text, QWidget* buddy) {
  auto* label = new QLabel(text);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

ShopWindow::ShopWindow(ShopWindowOptions options) : options_(std::move(options)) {
  setWindowTitle(tr("Registers in the network - ZEDEZ Updater"));
  createControls();
  rangeEdit_->setText(joined(options_.defaultRanges));
  if (options_.defaultRanges.empty()) {
    setStatus(tr("This PC has no private IPv4 network; type the range to search."));
  } else {
    setStatus(tr("Search the range for registers, or type another one."));
  }
  updateButtons();
  const QFontMetrics metrics = fontMetrics();
  resize(metrics.averageCharWidth() * 130, metrics.height() * 28);
  rangeEdit_->setFocus();
}

ShopWindow::~ShopWindow() {
  stop_ = true;
  joinWorker();
}

void ShopWindow::createControls() {
  rangeEdit_ = new QLineEdit;
  rangeEdit_->setAccessibleName(tr("Range to search"));
  rangeEdit_->setPlaceholderText(tr("for example 192.168.1.0/24"));
  rangeEdit_->setToolTip(
      tr("IPv4 blocks such as 192.168.1.0/24, separated by commas; each at most a /16."));
  searchButton_ = new QPushButton(tr("&Search"));
  searchButton_->setAccessibleName(tr("Search"));
  progressBar_ = new QProgressBar;
  progressBar_->setAccessibleName(tr("Progress"));
  progressBar_->setRange(0, 1);
  progressBar_->setValue(0);
  progressBar_->setTextVisible(false);
  table_ = new RegisterTable(this);
  table_->setAccessibleName(tr("Registers found"));
  table_->setAccessibleDescription(
      tr("Checked registers are updated; the space bar checks or unchecks the current one."));
  jobsBox_ = new QSpinBox;
  jobsBox_->setRange(1, kMostJobs);
  jobsBox_->setValue(kDefaultJobs);
  jobsBox_->setAccessibleName(tr("Registers updated at once"));
  updateButton_ = new QPushButton(tr("&Update selected"));
  updateButton_->setAccessibleName(tr("Update selected"));
  cancelButton_ = new QPushButton(tr("&Cancel"));
  cancelButton_->setAccessibleName(tr("Cancel"));
  saveButton_ = new QPushButton(tr("Save the recor&d..."));
  saveButton_->setAccessibleName(tr("Save the record"));
  closeButton_ = new QPushButton(tr("C&lose"));
  closeButton_->setAccessibleName(tr("Close"));
  statusLabel_ = new QLabel;
  statusLabel_->setAccessibleName(tr("Status"));
  statusLabel_->setWordWrap(true);
  statusLabel_->setTextFormat(Qt::PlainText);

  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(buddyLabel(tr("&Range:"), rangeEdit_));
  searchRow->addWidget(rangeEdit_, 1);
  searchRow->addWidget(searchButton_);
  auto* updateRow = new QHBoxLayout;
  updateRow->addWidget(buddyLabel(tr("At &once:"), jobsBox_));
  updateRow->addWidget(jobsBox_);
  updateRow->addWidget(updateButton_);
  updateRow->addWidget(cancelButton_);
  updateRow->addStretch(1);
  updateRow->addWidget(saveButton_);
  updateRow->addWidget(closeButton_);
  auto* column = new QVBoxLayout(this);
  column->addLayout(searchRow);
  column->addWidget(progressBar_);
  column->addWidget(table_, 1);
  column->addLayout(updateRow);
  column->addWidget(statusLabel_);

  connect(rangeEdit_, &QLineEdit::returnPressed, this, &ShopWindow::startSearch);
  connect(searchButton_, &QPushButton::clicked, this, &ShopWindow::startSearch);
  connect(updateButton_, &QPushButton::clicked, this, &ShopWindow::startUpdate);
  connect(cancelButton_, &QPushButton::clicked, this, &ShopWindow::cancel);
  connect(saveButton_, &QPushButton::clicked, this, &ShopWindow::saveRecord);
  connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);
  connect(table_, &RegisterTable::checksChanged, this, &ShopWindow::updateButtons);
}

void ShopWindow::setActivity(Activity activity) {
  activity_ = activity;
  table_->setChecksLocked(activity == Activity::Updating);
  updateButtons();
}

void ShopWindow::updateButtons() {
  const bool idle = activity_ == Activity::Idle;
  rangeEdit_->setReadOnly(!idle);
  searchButton_->setEnabled(idle);
  jobsBox_->setEnabled(idle);
  updateButton_->setEnabled(idle && !table_->checkedAddresses().empty());
  cancelButton_->setEnabled(!idle && !stop_);
  saveButton_->setEnabled(idle && !recordLines_.empty());
}

void ShopWindow::setStatus(const QString& text) { statusLabel_->setText(text); }

void ShopWindow::joinWorker() {
  if (worker_.joinable()) worker_.join();
}

void ShopWindow::startSearch() {
  if (busy()) return;
  std::string error;
  const std::vector<fleet::AddressRange> ranges =
      parseRangeField(rangeEdit_->text().trimmed().toStdString(), error);
  if (ranges.empty()) {
    setStatus(tr("The range cannot be searched: %1").arg(QString::fromStdString(error)));
    return;
  }
  std::uint64_t addresses = 0;
  for (const fleet::AddressRange& range : ranges) addresses += range.size();
  if (addresses > kMostAddresses) {
    setStatus(tr("The range holds %1 addresses; a search covers at most %2 (a /16).")
                  .arg(addresses)
                  .arg(kMostAddresses));
    return;
  }
  joinWorker();
  table_->clearRegisters();
  addressesToProbe_ = addresses;
  addressesProbed_ = 0;
  progressBar_->setRange(0, static_cast<int>(addresses));
  progressBar_->setValue(0);
  progressBar_->setFormat(tr("%v of %m addresses"));
  progressBar_->setTextVisible(true);
  stop_ = false;
  setActivity(Activity::Searching);
  setStatus(tr("Searching..."));
  worker_ = std::thread([this, ranges] {
    for (const fleet::AddressRange& range : ranges) {
      if (stop_) break;
      fleet::discover(
          range, stop_, [this](const DeviceAddress& address, const fleet::FoundDevice* found) {
            std::optional<StateReading> state;
            if (found != nullptr) state = found->state;
            QMetaObject::invokeMethod(
                this, [this, address, state] { probed(address, state ? &*state : nullptr); },
                Qt::QueuedConnection);
          });
    }
    QMetaObject::invokeMethod(this, &ShopWindow::searchFinished, Qt::QueuedConnection);
  });
}

void ShopWindow::probed(const std::u16string& address, const StateReading* state) {
  ++addressesProbed_;
  progressBar_->setValue(static_cast<int>(addressesProbed_));
  if (state != nullptr) {
    table_->addRegister(address, *state, verdictOf(state->versionText, imageIdentity().version));
  }
}

void ShopWindow::searchFinished() {
  joinWorker();
  const int found = table_->rowCount();
  const int needing = static_cast<int>(table_->checkedAddresses().size());
  if (stop_) {
    setStatus(tr("Search cancelled after %1 of %2 addresses. Registers found: %3.")
                  .arg(addressesProbed_)
                  .arg(addressesToProbe_)
                  .arg(found));
  } else if (found == 0) {
    setStatus(tr("No register answered in the range."));
  } else {
    setStatus(
        tr("Registers found: %1. Needing the update, and selected: %2.").arg(found).arg(needing));
  }
  setActivity(Activity::Idle);
  if (closeWhenIdle_) QTimer::singleShot(0, this, &QWidget::close);
}

bool ShopWindow::confirmReinstall(const std::vector<std::u16string>& addresses) {
  QStringList lines;
  for (const std::u16string& address : addresses) {
    lines << tr("%1 (%2)").arg(QString::fromStdU16String(address),
                               RegisterTable::verdictText(*table_->verdictOf(address)));
  }
  QMessageBox box(QMessageBox::Question, windowTitle(),
                  tr("These selected registers do not need the update:\n%1\n\n"
                     "They get the image again: selecting them is the answer OK to the question "
                     "about a current version. Update them too?")
                      .arg(lines.join(QLatin1Char('\n'))),
                  QMessageBox::NoButton, this);
  QPushButton* yes = box.addButton(tr("Update them too"), QMessageBox::AcceptRole);
  QPushButton* no = box.addButton(tr("Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

void ShopWindow::startUpdate() {
  if (busy()) return;
  const std::vector<DeviceAddress> addresses = table_->checkedAddresses();
  if (addresses.empty()) return;
  std::vector<DeviceAddress> notNeeding;
  for (const DeviceAddress& address : addresses) {
    if (table_->verdictOf(address) != VersionVerdict::UpdateAvailable) {
      notNeeding.push_back(address);
    }
  }
  if (!notNeeding.empty() && !confirmReinstall(notNeeding)) {
    setStatus(tr("Nothing was updated."));
    return;
  }
  joinWorker();
  for (const DeviceAddress& address : addresses) table_->setStateText(address, RowTexts::queued());
  registersToUpdate_ = static_cast<int>(addresses.size());
  registersDone_ = 0;
  recordProblem_.clear();
  progressBar_->setRange(0, registersToUpdate_);
  progressBar_->setValue(0);
  progressBar_->setFormat(tr("%v of %m registers"));
  progressBar_->setTextVisible(true);
  stop_ = false;
  setActivity(Activity::Updating);
  setStatus(tr("Updating..."));

  RunEvents events;
  events.started = [this](const DeviceAddress& address) {
    table_->setStateText(address, RowTexts::reading());
  };
  events.progress = [this](const DeviceAddress& address, std::int64_t sent, std::int64_t total) {
    table_->setStateText(address, RowTexts::sending(sent, total));
  };
  events.restartWait = [this](const DeviceAddress& address) {
    table_->setStateText(address, RowTexts::waitingForRestart());
  };
  events.outcome = [this](const DeviceOutcome& outcome) { deviceDone(outcome); };
  events.recordFailed = [this](const QString& message) { recordProblem_ = message; };
  fleet::FleetRunOptions run;
  run.mode = RunMode::Upload;
  run.jobs = jobsBox_->value();
  run.waitRestartSeconds = options_.waitRestartSeconds;
  if (!options_.recordFile.empty() && !recordFile_) {
    recordFile_ = std::make_unique<RecordFile>(options_.recordFile);
  }
  worker_ = std::thread([this, addresses, run, events = std::move(events)]() mutable {
    RunRelay relay(this, std::move(events));
    KeptRecord kept(recordFile_.get());
    run.record = &kept;
    const fleet::FleetTally tally = fleet::runFleet(addresses, run, relay, relay, stop_);
    QMetaObject::invokeMethod(
        this, [this, tally, lines = kept.lines()] { updateFinished(tally, lines); },
        Qt::QueuedConnection);
  });
}

void ShopWindow::deviceDone(const DeviceOutcome& outcome) {
  QString details;
  const QString text = RowTexts::outcome(outcome, &details);
  table_->setStateText(outcome.address, text, details);
  table_->setVersionAfter(outcome.address, RowTexts::versionAfter(outcome));
  // Done with: a second run leaves it out unless it is selected again.
  if (outcome.result == RunResult::Uploaded) table_->setChecked(outcome.address, false);
  ++registersDone_;
  progressBar_->setValue(registersDone_);
  setStatus(tr("Updating: %1 of %2 registers done...").arg(registersDone_).arg(registersToUpdate_));
}

void ShopWindow::updateFinished(const fleet::FleetTally& tally,
                                const std::vector<std::string>& lines) {
  joinWorker();
  for (const DeviceAddress& address : tally.notStartedDevices) {
    table_->setStateText(address, RowTexts::notStarted());
  }
  recordLines_.insert(recordLines_.end(), lines.begin(), lines.end());
  QString summary = tr("Done: %1 updated (%2 verified, %3 not back), %4 failed, %5 not updated, "
                       "%6 not started.")
                        .arg(tally.uploaded)
                        .arg(tally.verified)
                        .arg(tally.notBack)
                        .arg(tally.failed)
                        .arg(tally.declined)
                        .arg(tally.notStarted);
  if (!recordProblem_.isEmpty()) {
    summary += QLatin1Char(' ') + tr("The record file was not written: %1").arg(recordProblem_);
  }
  setStatus(summary);
  setActivity(Activity::Idle);
  if (closeWhenIdle_) QTimer::singleShot(0, this, &QWidget::close);
}

void ShopWindow::cancel() {
  if (!busy()) return;
  stop_ = true;
  updateButtons();
  setStatus(activity_ == Activity::Searching
                ? tr("Cancelling the search...")
                : tr("Cancelling: no further register starts; those under way finish."));
}

void ShopWindow::saveRecord() {
  if (busy() || recordLines_.empty()) return;
  const QString file = QFileDialog::getSaveFileName(this, tr("Save the record"),
                                                    QStringLiteral("zedez-record.jsonl"),
                                                    tr("Record (*.jsonl);;All files (*)"));
  if (file.isEmpty()) return;
  try {
    // A copy of the lines the engine wrote, as its record sink writes them.
    RecordFile copy(file.toStdString());
    for (const std::string& line : recordLines_) copy.append(line);
    setStatus(tr("Lines appended to %1: %2.").arg(file).arg(recordLines_.size()));
  } catch (const std::exception& error) {
    QMessageBox::warning(this, windowTitle(),
                         tr("The record could not be saved: %1")
                             .arg(QString::fromStdU16String(errorMessageOf(error))));
  }
}

void ShopWindow::closeEvent(QCloseEvent* event) {
  if (!busy()) {
    event->accept();
    return;
  }
  // An upload cut off halfway would leave a register without its software: the window closes
  // once those under way are done.
  event->ignore();
  closeWhenIdle_ = true;
  stop_ = true;
  updateButtons();
  setStatus(tr("The window closes once the registers under way are done..."));
}

}  // namespace app
