#include "app/window/shop_window.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <cerrno>
#include <chrono>
#include <exception>
#include <optional>
#include <utility>

#include "app/core/error_text.h"
#include "app/core/fleet/address_range.h"
#include "app/core/fleet/discovery.h"
#include "app/core/fleet/fleet_run.h"
#include "app/core/image_identity.h"
#include "app/core/run_record.h"
#include "app/window/device_text.h"
#include "app/window/register_filter.h"
#include "app/window/register_table.h"
#include "app/window/row_texts.h"
#include "app/window/run_signals.h"
#include "app/window/scan_ranges.h"

namespace app {
namespace {

// A search covers at most as many addresses as one block of the widest scan holds.
constexpr std::uint64_t kMostAddresses = (std::uint64_t{1} << (32 - fleet::kWidestScanPrefix)) - 2;
const char* const kRangeKey = "search/range";
const char* const kSortColumnKey = "table/sortColumn";
const char* const kSortOrderKey = "table/sortOrder";

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

QPushButton* button(const QString& text, const QString& name) {
  auto* made = new QPushButton(text);
  made->setAccessibleName(name);
  return made;
}

// Where the last range searched is kept: ~/.config/zedez-updater/registers.conf.
QSettings settings() {
  return QSettings(QStringLiteral("zedez-updater"), QStringLiteral("registers"));
}

// "1:05", "1:02:03".
QString durationText(qint64 milliseconds) {
  const qint64 seconds = milliseconds / 1000;
  const auto two = [](qint64 value) { return QStringLiteral("%1").arg(value, 2, 10, QChar(u'0')); };
  if (seconds >= 3600) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(two(seconds / 60 % 60), two(seconds % 60));
  }
  return QStringLiteral("%1:%2").arg(seconds / 60).arg(two(seconds % 60));
}

// The same file, however its name was written.
QString fileKey(const QString& file) {
  const QFileInfo info(file);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

// The calling thread, and the threads it starts from now on, yield the processor to the
// window's thread: with dozens of probes or uploads under way on a machine of two cores, the
// window still answers at once.
void yieldToTheWindow() {
  constexpr int kLowerBy = 5;
  const auto thread = static_cast<id_t>(gettid());
  errno = 0;
  const int now = getpriority(PRIO_PROCESS, thread);
  if (errno == 0) setpriority(PRIO_PROCESS, thread, now + kLowerBy);
}

// What a found register's row shows; made on the searching thread.
FoundRegister foundRegisterOf(const fleet::FoundDevice& device) {
  FoundRegister found;
  found.address = device.address;
  const std::u16string& version = device.state.versionText;
  found.installed =
      version.empty() ? QStringLiteral("-") : deviceCellText(version, device.state.versionLength);
  found.installedForSorting = version.substr(0, kMostDeviceTextKept);
  found.verdict = verdictOf(version, imageIdentity().version);
  return found;
}

}  // namespace

ShopWindow::ShopWindow(ShopWindowOptions options) : options_(std::move(options)) {
  setWindowTitle(tr("Registers in the network - ZEDEZ Updater"));
  if (!options_.recordFile.empty()) {
    recordFileKey_ = fileKey(QString::fromStdString(options_.recordFile));
  }
  createControls();
  layOutControls();
  connectControls();
  const QString lastRange = settings().value(QLatin1String(kRangeKey)).toString();
  rangeEdit_->setText(lastRange.isEmpty() ? joined(options_.defaultRanges) : lastRange);
  if (rangeEdit_->text().isEmpty()) {
    setStatus(tr("This PC has no private IPv4 network; type the range to search."));
  } else {
    setStatus(tr("Search the range for registers, or type another one."));
  }
  // The table sorted as it was last time.
  const QSettings kept = settings();
  table_->sortByColumn(
      kept.value(QLatin1String(kSortColumnKey), 0).toInt(),
      static_cast<Qt::SortOrder>(kept.value(QLatin1String(kSortOrderKey), 0).toInt()));
  updateCounts();
  updateButtons();
  const QFontMetrics metrics = fontMetrics();
  resize(metrics.averageCharWidth() * 140, metrics.height() * 36);
  rangeEdit_->setFocus();
}

ShopWindow::~ShopWindow() {
  stop_ = true;
  joinWorker();
}

void ShopWindow::createControls() {
  model_ = new RegisterModel(this);
  filter_ = new RegisterFilter(this);
  runSignals_ = new RunSignals(options_.recordFile, this);
  rangeEdit_ = new QLineEdit;
  rangeEdit_->setAccessibleName(tr("Range to search"));
  rangeEdit_->setPlaceholderText(tr("for example 192.168.1.0/24"));
  rangeEdit_->setToolTip(tr("Addresses such as 192.168.1.20, or blocks such as 192.168.1.0/24, "
                            "separated by commas; each block at most a /%1.")
                             .arg(fleet::kWidestScanPrefix));
  searchButton_ = button(tr("&Search"), tr("Search"));
  progressBar_ = new QProgressBar;
  progressBar_->setAccessibleName(tr("Progress"));
  progressBar_->setRange(0, 1);
  progressBar_->setValue(0);
  progressBar_->setTextVisible(false);
  showBox_ = new QComboBox;
  showBox_->addItems(
      {tr("All registers"), tr("Those needing the update"), tr("Those that failed")});
  showBox_->setAccessibleName(tr("Show"));
  selectAllButton_ = button(tr("Select a&ll"), tr("Select all shown"));
  selectNoneButton_ = button(tr("Select &none"), tr("Select none of those shown"));
  failedButton_ = button(QString(), tr("Show those that failed"));
  countsLabel_ = new QLabel;
  countsLabel_->setTextFormat(Qt::PlainText);
  table_ = new RegisterTable(model_, filter_, this);
  table_->setAccessibleName(tr("Registers found"));
  table_->setAccessibleDescription(
      tr("Checked registers are updated; the space bar checks or unchecks the current one."));
  jobsBox_ = new QSpinBox;
  jobsBox_->setRange(1, fleet::kMostJobs);
  jobsBox_->setValue(fleet::kDefaultJobs);
  jobsBox_->setAccessibleName(tr("Registers updated at once"));
  updateButton_ = button(tr("&Update selected"), tr("Update selected"));
  retryButton_ = button(tr("&Retry failed"), tr("Retry failed"));
  cancelButton_ = button(tr("&Cancel"), tr("Cancel"));
  saveButton_ = button(tr("Save the recor&d..."), tr("Save the record"));
  saveButton_->setToolTip(
      tr("Adds the lines of this window's updates to the end of a file; "
         "lines already in that file are not written again."));
  closeButton_ = button(tr("Cl&ose"), tr("Close"));
  // A label's accessible name is its text, so a screen reader reads the status and hears it
  // change.
  statusLabel_ = new QLabel;
  statusLabel_->setWordWrap(true);
  statusLabel_->setTextFormat(Qt::PlainText);
  clock_ = new QTimer(this);
  shownLater_ = new QTimer(this);
  shownLater_->setSingleShot(true);
  shownLater_->setInterval(0);
  clock_->setInterval(1000);
}

void ShopWindow::layOutControls() {
  auto* searchRow = new QHBoxLayout;
  searchRow->addWidget(buddyLabel(tr("R&ange:"), rangeEdit_));
  searchRow->addWidget(rangeEdit_, 1);
  searchRow->addWidget(searchButton_);
  auto* showRow = new QHBoxLayout;
  showRow->addWidget(buddyLabel(tr("S&how:"), showBox_));
  showRow->addWidget(showBox_);
  showRow->addWidget(selectAllButton_);
  showRow->addWidget(selectNoneButton_);
  showRow->addWidget(failedButton_);
  showRow->addWidget(countsLabel_, 1);
  auto* updateRow = new QHBoxLayout;
  updateRow->addWidget(buddyLabel(tr("At onc&e:"), jobsBox_));
  updateRow->addWidget(jobsBox_);
  updateRow->addWidget(updateButton_);
  updateRow->addWidget(retryButton_);
  updateRow->addWidget(cancelButton_);
  updateRow->addStretch(1);
  updateRow->addWidget(saveButton_);
  updateRow->addWidget(closeButton_);
  auto* column = new QVBoxLayout(this);
  column->addLayout(searchRow);
  column->addWidget(progressBar_);
  column->addLayout(showRow);
  column->addWidget(table_, 1);
  column->addLayout(updateRow);
  column->addWidget(statusLabel_);
  // Tab goes as the eye reads: row by row, left to right.
  const QList<QWidget*> chain = {rangeEdit_,        searchButton_, showBox_,      selectAllButton_,
                                 selectNoneButton_, failedButton_, table_,        jobsBox_,
                                 updateButton_,     retryButton_,  cancelButton_, saveButton_,
                                 closeButton_};
  for (qsizetype i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

void ShopWindow::connectControls() {
  connect(rangeEdit_, &QLineEdit::returnPressed, this, &ShopWindow::startSearch);
  connect(searchButton_, &QPushButton::clicked, this, &ShopWindow::startSearch);
  connect(showBox_, &QComboBox::currentIndexChanged, this, &ShopWindow::showOnly);
  connect(selectAllButton_, &QPushButton::clicked, this, [this] { setShownChecked(true); });
  connect(selectNoneButton_, &QPushButton::clicked, this, [this] { setShownChecked(false); });
  connect(failedButton_, &QPushButton::clicked, this,
          [this] { showBox_->setCurrentIndex(static_cast<int>(RegisterFilter::Show::Failed)); });
  connect(updateButton_, &QPushButton::clicked, this, &ShopWindow::startUpdate);
  connect(retryButton_, &QPushButton::clicked, this, &ShopWindow::retryFailed);
  connect(cancelButton_, &QPushButton::clicked, this, &ShopWindow::cancel);
  connect(saveButton_, &QPushButton::clicked, this, &ShopWindow::saveRecord);
  connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);
  connect(model_, &RegisterModel::countsChanged, shownLater_, qOverload<>(&QTimer::start));
  connect(shownLater_, &QTimer::timeout, this, [this] {
    progressBar_->setValue(static_cast<int>(done_));
    updateCounts();
    updateButtons();
  });
  connect(clock_, &QTimer::timeout, this, &ShopWindow::updateProgressText);
  connect(table_->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
          [](int column, Qt::SortOrder order) {
            QSettings kept = settings();
            kept.setValue(QLatin1String(kSortColumnKey), column);
            kept.setValue(QLatin1String(kSortOrderKey), static_cast<int>(order));
          });
  connect(runSignals_, &RunSignals::rowProgress, this, &ShopWindow::rowProgress,
          Qt::QueuedConnection);
  connect(runSignals_, &RunSignals::rowDone, this, &ShopWindow::rowDone, Qt::QueuedConnection);
  connect(
      runSignals_, &RunSignals::recordNotWritten, this,
      [this](const QString& message) { recordProblem_ = message; }, Qt::QueuedConnection);
}

void ShopWindow::setActivity(Activity activity) {
  activity_ = activity;
  model_->setChecksLocked(activity == Activity::Updating);
  if (activity == Activity::Idle) {
    clock_->stop();
  } else {
    elapsed_.start();
    clock_->start();
  }
  updateProgressText();
  updateButtons();
}

void ShopWindow::updateButtons() {
  const bool idle = activity_ == Activity::Idle;
  const RegisterModel::Counts counts = model_->counts();
  rangeEdit_->setReadOnly(!idle);
  searchButton_->setEnabled(idle);
  jobsBox_->setEnabled(idle);
  selectAllButton_->setEnabled(activity_ != Activity::Updating && counts.registers > 0);
  selectNoneButton_->setEnabled(activity_ != Activity::Updating && counts.registers > 0);
  updateButton_->setEnabled(idle && counts.selected > 0);
  retryButton_->setEnabled(idle && !model_->failedAddresses().empty());
  cancelButton_->setEnabled(!idle && !stop_);
  saveButton_->setEnabled(idle && !record_.empty());
}

void ShopWindow::updateCounts() {
  const RegisterModel::Counts counts = model_->counts();
  countsLabel_->setText(tr("Registers: %1. Needing the update: %2, up to date: %3, newer: %4, "
                           "unreadable: %5. Selected: %6.")
                            .arg(counts.registers)
                            .arg(counts.needing)
                            .arg(counts.current)
                            .arg(counts.newer)
                            .arg(counts.unreadable)
                            .arg(counts.selected));
  failedButton_->setText(tr("&Failed: %1").arg(counts.failed));
  failedButton_->setEnabled(counts.failed > 0);
}

void ShopWindow::updateProgressText() {
  if (activity_ == Activity::Idle) return;
  const qint64 spent = elapsed_.elapsed();
  const QString what =
      activity_ == Activity::Searching ? tr("%1 of %2 addresses") : tr("%1 of %2 registers");
  QString text = what.arg(done_).arg(total_) + QStringLiteral(" \u00B7 ") +
                 tr("%1 spent").arg(durationText(spent));
  if (done_ > 0 && done_ < total_) {
    const auto left =
        static_cast<qint64>(static_cast<double>(spent) * static_cast<double>(total_ - done_) /
                            static_cast<double>(done_));
    text += QStringLiteral(" \u00B7 ") + tr("about %1 left").arg(durationText(left));
  }
  progressBar_->setFormat(text);
}

void ShopWindow::setStatus(const QString& text) { statusLabel_->setText(text); }

void ShopWindow::showOnly(int showIndex) {
  filter_->setShow(static_cast<RegisterFilter::Show>(showIndex));
  table_->scrollToTop();
}

void ShopWindow::setShownChecked(bool checked) {
  model_->setCheckedRows(table_->shownRows(), checked);
}

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
    setStatus(tr("The range holds %1 addresses; a search covers at most %2 (a /%3).")
                  .arg(addresses)
                  .arg(kMostAddresses)
                  .arg(fleet::kWidestScanPrefix));
    return;
  }
  settings().setValue(QLatin1String(kRangeKey), rangeEdit_->text().trimmed());
  joinWorker();
  model_->clear();
  total_ = addresses;
  done_ = 0;
  progressBar_->setRange(0, static_cast<int>(addresses));
  progressBar_->setValue(0);
  progressBar_->setTextVisible(true);
  stop_ = false;
  setActivity(Activity::Searching);
  setStatus(tr("Searching..."));
  worker_ = std::thread([this, ranges] {
    yieldToTheWindow();
    for (const fleet::AddressRange& range : ranges) {
      if (stop_) break;
      fleet::discover(range, stop_,
                      [this](const DeviceAddress& /*address*/, const fleet::FoundDevice* device) {
                        std::optional<FoundRegister> found;
                        if (device != nullptr) found = foundRegisterOf(*device);
                        handOver([this, found] { probed(found ? &*found : nullptr); });
                      });
    }
    handOver([this] { searchFinished(); });
  });
}

void ShopWindow::handOver(std::function<void()> work) {
  {
    const std::scoped_lock lock(handOverMutex_);
    handedOver_.push_back(std::move(work));
  }
  // By name: the call carries nothing, and what it runs comes through the lock above.
  QMetaObject::invokeMethod(this, "runHandedOver", Qt::QueuedConnection);
}

void ShopWindow::runHandedOver() {
  // A few milliseconds at a time: a search hands over hundreds of registers at once, and the
  // window must keep answering in between.
  constexpr qint64 kBudgetMs = 8;
  QElapsedTimer spent;
  spent.start();
  while (true) {
    std::function<void()> piece;
    {
      const std::scoped_lock lock(handOverMutex_);
      if (handedOver_.empty()) return;
      if (spent.elapsed() >= kBudgetMs) break;
      piece = std::move(handedOver_.front());
      handedOver_.pop_front();
    }
    piece();
  }
  QMetaObject::invokeMethod(this, "runHandedOver", Qt::QueuedConnection);
}

void ShopWindow::probed(const FoundRegister* found) {
  ++done_;
  if (found != nullptr) model_->addRegister(*found);
  shownLater_->start();
}

void ShopWindow::searchFinished() {
  joinWorker();
  const RegisterModel::Counts counts = model_->counts();
  if (stop_) {
    setStatus(tr("Search cancelled after %1 of %2 addresses. Registers found: %3.")
                  .arg(done_)
                  .arg(total_)
                  .arg(counts.registers));
  } else if (counts.registers == 0) {
    setStatus(tr("No register answered in the range."));
  } else {
    setStatus(tr("Registers found: %1. Needing the update, and selected: %2.")
                  .arg(counts.registers)
                  .arg(counts.selected));
  }
  setActivity(Activity::Idle);
  if (closeWhenIdle_) QTimer::singleShot(0, this, &QWidget::close);
}

bool ShopWindow::confirmNotNeeding(const std::vector<DeviceAddress>& addresses) {
  QStringList lines;
  for (const DeviceAddress& address : addresses) {
    lines << tr("%1 (%2)").arg(QString::fromStdU16String(address),
                               RegisterModel::verdictText(model_->verdictOf(address)));
  }
  QMessageBox box(
      QMessageBox::Question, windowTitle(),
      tr("These selected registers do not need the update:\n%1\n\n"
         "They get version %2: selecting them is the answer to the question about "
         "them, and a newer register goes back to this version. Update them too?")
          .arg(lines.join(QLatin1Char('\n')), QString::fromStdU16String(imageIdentity().version)),
      QMessageBox::NoButton, this);
  box.setTextFormat(Qt::PlainText);
  QPushButton* yes = box.addButton(tr("Update them too"), QMessageBox::AcceptRole);
  QPushButton* no = box.addButton(tr("Cancel"), QMessageBox::RejectRole);
  box.setDefaultButton(no);
  box.setEscapeButton(no);
  box.exec();
  return box.clickedButton() == yes;
}

void ShopWindow::startUpdate() {
  if (busy()) return;
  runUpdate(model_->checkedAddresses());
}

void ShopWindow::retryFailed() {
  if (busy()) return;
  runUpdate(model_->failedAddresses());
}

void ShopWindow::runUpdate(const std::vector<DeviceAddress>& addresses) {
  if (addresses.empty()) return;
  std::vector<DeviceAddress> notNeeding;
  for (const DeviceAddress& address : addresses) {
    if (model_->verdictOf(address) != VersionVerdict::UpdateAvailable) {
      notNeeding.push_back(address);
    }
  }
  if (!notNeeding.empty() && !confirmNotNeeding(notNeeding)) {
    setStatus(tr("Nothing was updated."));
    return;
  }
  joinWorker();
  for (const DeviceAddress& address : addresses) {
    model_->setProgress(address, RowResult::Queued, RowTexts::queued());
  }
  total_ = addresses.size();
  done_ = 0;
  recordProblem_.clear();
  progressBar_->setRange(0, static_cast<int>(total_));
  progressBar_->setValue(0);
  progressBar_->setTextVisible(true);
  stop_ = false;
  setActivity(Activity::Updating);
  setStatus(tr("Updating..."));
  fleet::FleetRunOptions run;
  run.mode = RunMode::Upload;
  run.jobs = jobsBox_->value();
  run.waitRestartSeconds = options_.waitRestartSeconds;
  // A newer register selected and confirmed above is consent to install the older image.
  run.askDowngrade = true;
  worker_ = std::thread([this, addresses, run] {
    yieldToTheWindow();
    fleet::FleetRunOptions withRecord = run;
    withRecord.record = runSignals_;
    fleet::FleetRun fleetRun(withRecord, *runSignals_, *runSignals_);
    {
      const std::scoped_lock lock(runMutex_);
      run_ = &fleetRun;
    }
    const fleet::FleetTally tally = fleetRun.run(addresses, stop_);
    {
      const std::scoped_lock lock(runMutex_);
      run_ = nullptr;
    }
    const QList<QByteArray> notStarted = runSignals_->takeNotStartedLines();
    handOver([this, tally, notStarted] { updateFinished(tally, notStarted); });
  });
}

void ShopWindow::rowProgress(const QString& address, RowResult result, const QString& text) {
  model_->setProgress(address.toStdU16String(), result, text);
}

void ShopWindow::rowDone(const RowOutcome& outcome, const QByteArray& recordLine) {
  KeptLine kept{recordLine.toStdString(), {}};
  if (!recordFileKey_.isEmpty() && recordProblem_.isEmpty()) kept.writtenTo << recordFileKey_;
  record_.push_back(std::move(kept));
  model_->setOutcome(outcome);
  ++done_;
  progressBar_->setValue(static_cast<int>(done_));
  updateProgressText();
  setStatus(tr("Updating: %1 of %2 registers done...").arg(done_).arg(total_));
}

void ShopWindow::updateFinished(const fleet::FleetTally& tally,
                                const QList<QByteArray>& notStartedLines) {
  joinWorker();
  for (const DeviceAddress& address : tally.notStartedDevices) {
    model_->setProgress(address, RowResult::NotStarted, RowTexts::notStarted());
  }
  for (const QByteArray& line : notStartedLines) {
    KeptLine kept{line.toStdString(), {}};
    if (!recordFileKey_.isEmpty() && recordProblem_.isEmpty()) kept.writtenTo << recordFileKey_;
    record_.push_back(std::move(kept));
  }
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
  setActivity(Activity::Idle);
  if (model_->counts().failed > 0) {
    // The failures first: they are what needs a look.
    showBox_->setCurrentIndex(static_cast<int>(RegisterFilter::Show::Failed));
    summary += QLatin1Char(' ') + tr("Shown now: those that failed.");
  }
  setStatus(summary);
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

void ShopWindow::interruptRun(const std::u16string& by) {
  stop_ = true;
  const std::scoped_lock lock(runMutex_);
  if (run_ != nullptr) run_->interrupt(by);
}

std::vector<std::string> ShopWindow::recordLines() const {
  std::vector<std::string> lines;
  lines.reserve(record_.size());
  for (const KeptLine& line : record_) lines.push_back(line.text);
  return lines;
}

std::size_t ShopWindow::appendRecordTo(const QString& file) {
  std::size_t appended = 0;
  for (KeptLine& line : record_) {
    const QString key = fileKey(file);
    if (line.writtenTo.contains(key)) continue;
    appendRecordLine(file.toStdString(), line.text);
    // Named again once it exists: a new file has its canonical name only now.
    line.writtenTo << fileKey(file);
    ++appended;
  }
  return appended;
}

void ShopWindow::saveRecord() {
  if (busy() || record_.empty()) return;
  const QString file = QFileDialog::getSaveFileName(
      this, tr("Add the record to the end of a file"), QStringLiteral("zedez-record.jsonl"),
      tr("Record (*.jsonl);;All files (*)"), nullptr, QFileDialog::DontConfirmOverwrite);
  if (file.isEmpty()) return;
  try {
    const std::size_t appended = appendRecordTo(file);
    if (appended == 0) {
      setStatus(tr("Nothing added: %1 already holds every line of this window.").arg(file));
    } else {
      setStatus(tr("Lines added to the end of %1: %2.").arg(file).arg(appended));
    }
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
