#include "app/window/main_window.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <string_view>
#include <utility>

#include "app/core/connectivity_check.h"
#include "app/core/firmware_image.h"
#include "app/core/timeout_workflow.h"
#include "app/window/dialogs.h"
#include "app/window/form_defaults.h"
#include "app/window/form_upload.h"
#include "app/window/handler_boundary.h"
#include "app/window/outside_controls.h"
#include "app/window/scan_list_box.h"
#include "http/http_client.h"

namespace app {
namespace {

constexpr int kClientWidth = 340;
constexpr int kClientHeight = 106;
constexpr int kLabelHeight = 13;
constexpr int kScanListItemHeight = 13;
constexpr int kScanAddressCount = 254;

bool isOperatorInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

QString toQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename Control>
Control* place(QWidget* parent, int left, int top, int width, int height) {
  auto* control = new Control(parent);
  control->setGeometry(left, top, width, height);
  return control;
}

QPushButton* placeButton(QWidget* parent, const QString& caption, int left, int top, int width,
                         int height) {
  auto* button = place<QPushButton>(parent, left, top, width, height);
  button->setText(caption);
  return button;
}

QLineEdit* placeEdit(QWidget* parent, const QString& text, int left, int top, int width,
                     int height) {
  auto* edit = place<QLineEdit>(parent, left, top, width, height);
  edit->setText(text);
  return edit;
}

// Labels size themselves to their caption, at a fixed height.
void setLabelCaption(QLabel* label, const QString& caption) {
  label->setText(caption);
  label->resize(label->sizeHint().width(), kLabelHeight);
}

QLabel* placeLabel(QWidget* parent, const QString& caption, int left, int top) {
  auto* label = new QLabel(parent);
  label->move(left, top);
  setLabelCaption(label, caption);
  return label;
}

}  // namespace

MainWindow::MainWindow(const std::vector<std::u16string>& arguments, UploadAction uploadAction,
                       RunChoices choices)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      uploadAction_(std::move(uploadAction)),
      choices_(std::move(choices)) {
  setWindowTitle(toQString(kMainWindowCaption));
  setFixedSize(kClientWidth, kClientHeight);
  // Tahoma 8 pt at 96 dpi is 11 pixels; where Tahoma is missing Qt picks a fallback.
  QFont tahoma(QStringLiteral("Tahoma"));
  tahoma.setPixelSize(11);
  setFont(tahoma);
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  setPalette(colours);
  setAutoFillBackground(true);

  createControls();
  createIdleHttpClient();
  connectHandlers();
  runGuarded(*this, [this, &arguments] { onCreate(arguments); });
  // The window is marked visible: it shows itself once creation has ended.
  show();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls() {
  // Created in tab order; Qt's default focus chain follows creation order.
  uploadButton_ = placeButton(this, QStringLiteral("Upload"), 155, 32, 75, 25);
  scanButton_ = placeButton(this, QStringLiteral("Button2"), 420, 8, 75, 25);
  scanButton_->setEnabled(false);
  scanButton_->hide();
  spareButton_ = placeButton(this, QStringLiteral("Button3"), 420, 71, 75, 25);
  spareButton_->setEnabled(false);
  spareButton_->hide();
  scanProgress_ = place<QProgressBar>(this, 420, 39, 86, 17);
  scanProgress_->setTextVisible(false);
  scanProgress_->hide();
  scanList_ = place<ScanListBox>(this, 24, 255, 406, 26);
  scanList_->setUniformItemSizes(true);
  scanList_->setStyleSheet(
      QStringLiteral("QListWidget::item { height: %1px; }").arg(kScanListItemHeight));
  scanList_->hide();
  addressEdit_ = placeEdit(this, toQString(kDefaultDeviceAddress), 29, 34, 120, 21);
  timeoutEdit_ = placeEdit(this, toQString(kDefaultTimeoutText), 359, 145, 44, 21);
  setTimeoutButton_ = placeButton(this, QStringLiteral("Set Timeout"), 200, 155, 75, 25);
  setTimeoutButton_->setEnabled(false);
  testIntegrationButton_ = placeButton(this, QStringLiteral("test Integracne"), 8, 205, 121, 25);
  testIntegrationButton_->setEnabled(false);
  testProductionButton_ = placeButton(this, QStringLiteral("test Produkcne"), 8, 230, 121, 25);
  testProductionButton_->setEnabled(false);
  proxyHostEdit_ = placeEdit(this, toQString(kMakerProxyHost), 170, 207, 87, 21);
  proxyPortEdit_ = placeEdit(this, QString::number(kMakerProxyPort), 263, 207, 42, 21);
  chooseFileButton_ = placeButton(this, QStringLiteral("Vybrat subor"), 104, 155, 75, 25);
  chooseFileButton_->setEnabled(false);
  passwordEdit_ = placeEdit(this, QString(), 8, 128, 121, 21);
  passwordEdit_->setEchoMode(QLineEdit::Password);
  // Qt draws its own bullet by default; the form asks for an asterisk.
  passwordEdit_->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

  statusLabel_ = placeLabel(this, QString(), 29, 64);
  addressLabel_ =
      placeLabel(this, QStringLiteral("IP eKASY (podľa nastavenia v programe):"), 29, 13);
  timeoutLabel_ = placeLabel(this, QStringLiteral("Timeout:"), 361, 128);
  runLabel_ = placeLabel(this, QStringLiteral("runh"), 361, 188);
  runLabel_->hide();
  fileLabel_ = placeLabel(this, QString(), 11, 91);

  openDialog_ = new QFileDialog(this);
  openDialog_->setFileMode(QFileDialog::ExistingFile);
  openDialog_->setAcceptMode(QFileDialog::AcceptOpen);

  chainTabOrder();
  describeForScreenReaders();
}

void MainWindow::chainTabOrder() {
  QWidget* previous = uploadButton_;
  for (QWidget* next : std::initializer_list<QWidget*>{
           scanButton_, spareButton_, scanProgress_, scanList_, addressEdit_, timeoutEdit_,
           setTimeoutButton_, testIntegrationButton_, testProductionButton_, proxyHostEdit_,
           proxyPortEdit_, chooseFileButton_, passwordEdit_}) {
    setTabOrder(previous, next);
    previous = next;
  }
  // Tab reaches only what the operator can see: the controls outside the client area stay in
  // the chain's order but take no focus, or typed text would vanish into them.
  for (QWidget* control : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!rect().intersects(control->geometry())) control->setFocusPolicy(Qt::NoFocus);
  }
  uploadButton_->setFocus();
}

void MainWindow::describeForScreenReaders() {
  // For screen readers, with nothing changed on the screen: the address field is named by its
  // caption, the status line by a name of its own with its text as the description, and what
  // lies outside the client area is not showing.
  markControlsOutside(this, rect());
  addressLabel_->setBuddy(addressEdit_);
  addressEdit_->setAccessibleName(addressLabel_->text());
  statusLabel_->setAccessibleName(QStringLiteral("Stav"));
}

void MainWindow::createIdleHttpClient() {
  idleHttpClient_ = std::make_unique<http::HttpClient>();
  idleHttpClient_->setAllowCookies(false);
  idleHttpClient_->proxyParams().setBasicAuthentication(false);
  idleHttpClient_->proxyParams().setProxyPort(0);
  http::HttpRequest& request = idleHttpClient_->request();
  request.contentLength = -1;
  request.accept = u"text/html, */*";
  request.basicAuthentication = false;
  request.userAgent = http::kDefaultUserAgent;
  idleHttpClient_->setOptions(http::HttpOptions{http::HttpOption::ForceEncodeParams});
}

void MainWindow::connectHandlers() {
  connect(uploadButton_, &QPushButton::clicked, this,
          [this] { runGuardedHandler(&MainWindow::onUploadClicked); });
  connect(scanButton_, &QPushButton::clicked, this,
          [this] { runGuardedHandler(&MainWindow::onScanClicked); });
  scanList_->setDoubleClickHandler(
      [this] { runGuardedHandler(&MainWindow::onScanListDoubleClicked); });
  connect(chooseFileButton_, &QPushButton::clicked, this,
          [this] { runGuardedHandler(&MainWindow::onChooseFileClicked); });
  connect(setTimeoutButton_, &QPushButton::clicked, this,
          [this] { runGuardedHandler(&MainWindow::onSetTimeoutClicked); });
  connect(testIntegrationButton_, &QPushButton::clicked, this,
          [this] { runGuardedHandler(&MainWindow::onTestIntegrationClicked); });
}

void MainWindow::runGuardedHandler(void (MainWindow::*handler)()) {
  runGuarded(*this, [this, handler] { (this->*handler)(); });
}

void MainWindow::onCreate(const std::vector<std::u16string>& arguments) {
  unattendedAddress_.clear();
  if (arguments.empty()) {
    return;
  }
  unattendedAddress_ = arguments.front();
  addressEdit_->setText(toQString(unattendedAddress_));
  // Clicked from code: the upload runs here, inside creation.
  uploadButton_->click();
}

void MainWindow::onUploadClicked() {
  if (uploadRunning_) {
    return;
  }
  uploadRunning_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{uploadRunning_};
  // Presses that queued up while the upload held the window are handled before the guard
  // goes, so that they start nothing. After an end-of-run request the loop must find its quit
  // request instead.
  const auto dropQueuedPresses = [this] {
    if (unattendedAddress_.empty() && !endOfRunRequested_) QCoreApplication::processEvents();
  };
  try {
    if (uploadAction_) {
      uploadAction_(*this);
    } else {
      lastOutcome_ = runFormUpload(*this, device_,
                                   {.onProgress = choices_.onProgress,
                                    .record = choices_.record,
                                    .onRecordFailed = choices_.onRecordFailed,
                                    .onDiagnostic = choices_.onDiagnostic,
                                    .personAnswers = !choices_.presetAnswer.has_value(),
                                    .allowOlder = choices_.allowOlder});
    }
  } catch (...) {
    dropQueuedPresses();
    throw;
  }
  dropQueuedPresses();
}

void MainWindow::onSetTimeoutClicked() {
  setStatusText(setDeviceTimeout(addressText(), timeoutText()));
}

// The outcome is composed and kept nowhere, as the form was built; the function returns it
// for callers that want it.
void MainWindow::onTestIntegrationClicked() { (void)runConnectivityCheck(); }

void MainWindow::onScanClicked() {
  scanButton_->setEnabled(false);
  scanResult_ = u"nenaslo";
  scanCount_ = 0;
  scanDone_ = 0;
  scanProgress_->setMaximum(kScanAddressCount);
  scanProgress_->setValue(0);
  scanList_->clear();
}

void MainWindow::onScanListDoubleClicked() {
  scanCount_ = kScanAddressCount;
  // A position past the maximum is clamped to it, as a native progress bar does; Qt would
  // ignore it instead.
  scanProgress_->setValue(std::min(kScanAddressCount, scanProgress_->maximum()));
}

void MainWindow::onChooseFileClicked() {
  if (openDialog_->exec() == QDialog::Accepted && !openDialog_->selectedFiles().isEmpty()) {
    selectedFileName_ = openDialog_->selectedFiles().constFirst().toStdU16String();
  } else {
    showPlainMessage(QStringLiteral("Open file was cancelled"));
  }
  setLabelCaption(fileLabel_, QString::fromStdU16String(selectedFileName_));
}

void MainWindow::onHelpLinkClicked() {
  QDesktopServices::openUrl(QUrl(toQString(kHelpArticleUrl)));
}

void MainWindow::onSaveImageClicked() { writeImageFile(*buildFirmwareImage(), kSavedImagePath); }

void MainWindow::setStatusText(const std::u16string& text) {
  setLabelCaption(statusLabel_, QString::fromStdU16String(text));
  // Qt tells screen readers of the change, so that they can announce it.
  statusLabel_->setAccessibleDescription(statusLabel_->text());
}

DialogResult MainWindow::confirm(const std::u16string& message) {
  if (choices_.presetAnswer) return *choices_.presetAnswer;
  return showConfirmation(QString::fromStdU16String(message));
}

void MainWindow::processPendingEvents() { QCoreApplication::processEvents(); }

void MainWindow::requestEndOfRun() {
  if (!endOfRunRequested_) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  endOfRunRequested_ = true;
  QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                            Qt::QueuedConnection);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // Qt still delivers what was queued behind the quit request; the operator's part of it is
  // dropped so that nothing starts after the run was ended. Dialogs keep their input.
  if (endOfRunRequested_ && isOperatorInput(event->type())) {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget != nullptr && widget->window() == this) {
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::showErrorBox(const std::u16string& message) {
  showDefaultErrorBox(QString::fromStdU16String(message));
}

std::u16string MainWindow::addressText() const { return addressEdit_->text().toStdU16String(); }

std::u16string MainWindow::unattendedAddress() const { return unattendedAddress_; }

std::u16string MainWindow::timeoutText() const { return timeoutEdit_->text().toStdU16String(); }

}  // namespace app
