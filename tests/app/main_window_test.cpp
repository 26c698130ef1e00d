#include "app/window/main_window.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <vector>

#include "app/core/errors.h"
#include "app/core/handler_boundary.h"
#include "app/core/product.h"
#include "app/window/scan_list_box.h"
#include "app/window/start_up.h"
#include "modal_answerer.h"

namespace {

using app::MainWindow;
using app::testing::ModalAnswerer;
using app::testing::SeenBox;

const QString kApplicationTitle =
    QString::fromUtf16(app::kApplicationTitle.data(), app::kApplicationTitle.size());

std::unique_ptr<MainWindow> interactiveWindow() {
  return std::make_unique<MainWindow>(std::vector<std::u16string>{}, app::UploadAction{});
}

// Runs the message loop as the program does; a bound ends it if nothing else does.
struct LoopRun {
  int exitCode = -1;
  bool hitBound = false;
};
LoopRun runLoopBounded(const MainWindow& window) {
  LoopRun run;
  QTimer bound;
  bound.setSingleShot(true);
  QObject::connect(&bound, &QTimer::timeout, [&run] {
    run.hitBound = true;
    QCoreApplication::quit();
  });
  bound.start(10'000);
  run.exitCode = app::runMessageLoop(window);
  return run;
}

// ---------------------------------------------------------------- layout

struct ControlLayout {
  const char* name;
  QWidget* (*get)(const MainWindow&);
  QRect geometry;
  const char* text;
  bool hidden;
  bool enabled;
};

TEST(MainWindowLayout, WindowFrameCaptionAndFont) {
  auto window = interactiveWindow();
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Brenvo Tesmora Updater ZEDEZ 1.0.12"));
  EXPECT_NE(window->windowTitle(), kApplicationTitle);
  EXPECT_EQ(window->size(), QSize(340, 106));
  EXPECT_EQ(window->minimumSize(), QSize(340, 106));
  EXPECT_EQ(window->maximumSize(), QSize(340, 106));
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window);  // own taskbar entry: not Qt::Tool
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(window->font().family(), QStringLiteral("Tahoma"));
  EXPECT_EQ(window->font().pixelSize(), 11);
  EXPECT_EQ(window->palette().color(QPalette::Window), window->palette().color(QPalette::Button));
  EXPECT_TRUE(window->isVisible());
}

TEST(MainWindowLayout, ControlsInTabOrderWithPlaceTextAndState) {
  auto window = interactiveWindow();
  const ControlLayout controls[] = {
      {"uploadButton",
       [](const MainWindow& w) -> QWidget* { return w.uploadButton(); },
       {155, 32, 75, 25},
       "Upload",
       false,
       true},
      {"scanButton",
       [](const MainWindow& w) -> QWidget* { return w.scanButton(); },
       {420, 8, 75, 25},
       "Button2",
       true,
       false},
      {"spareButton",
       [](const MainWindow& w) -> QWidget* { return w.spareButton(); },
       {420, 71, 75, 25},
       "Button3",
       true,
       false},
      {"scanProgress",
       [](const MainWindow& w) -> QWidget* { return w.scanProgress(); },
       {420, 39, 86, 17},
       nullptr,
       true,
       true},
      {"scanList",
       [](const MainWindow& w) -> QWidget* { return w.scanList(); },
       {24, 255, 406, 26},
       nullptr,
       true,
       true},
      {"addressEdit",
       [](const MainWindow& w) -> QWidget* { return w.addressEdit(); },
       {29, 34, 120, 21},
       "10.77.82.80",
       false,
       true},
      {"timeoutEdit",
       [](const MainWindow& w) -> QWidget* { return w.timeoutEdit(); },
       {359, 145, 44, 21},
       "6000",
       false,
       true},
      {"setTimeoutButton",
       [](const MainWindow& w) -> QWidget* { return w.setTimeoutButton(); },
       {200, 155, 75, 25},
       "Set Timeout",
       false,
       false},
      {"testIntegrationButton",
       [](const MainWindow& w) -> QWidget* { return w.testIntegrationButton(); },
       {8, 205, 121, 25},
       "test Integracne",
       false,
       false},
      {"testProductionButton",
       [](const MainWindow& w) -> QWidget* { return w.testProductionButton(); },
       {8, 230, 121, 25},
       "test Produkcne",
       false,
       false},
      {"proxyHostEdit",
       [](const MainWindow& w) -> QWidget* { return w.proxyHostEdit(); },
       {170, 207, 87, 21},
       nullptr,
       false,
       true},
      {"proxyPortEdit",
       [](const MainWindow& w) -> QWidget* { return w.proxyPortEdit(); },
       {263, 207, 42, 21},
       "8080",
       false,
       true},
      {"chooseFileButton",
       [](const MainWindow& w) -> QWidget* { return w.chooseFileButton(); },
       {104, 155, 75, 25},
       "Vybrat subor",
       false,
       false},
      {"passwordEdit",
       [](const MainWindow& w) -> QWidget* { return w.passwordEdit(); },
       {8, 128, 121, 21},
       "",
       false,
       true},
  };
  const QRect clientArea(0, 0, 340, 106);
  std::vector<QWidget*> tabOrder;
  for (const ControlLayout& layout : controls) {
    SCOPED_TRACE(layout.name);
    QWidget* control = layout.get(*window);
    tabOrder.push_back(control);
    EXPECT_EQ(control->geometry(), layout.geometry);
    EXPECT_EQ(control->isHidden(), layout.hidden);
    EXPECT_EQ(control->isEnabled(), layout.enabled);
    if (layout.text != nullptr) {
      if (auto* button = qobject_cast<QPushButton*>(control)) {
        EXPECT_EQ(button->text(), QString::fromUtf8(layout.text));
      } else {
        EXPECT_EQ(qobject_cast<QLineEdit*>(control)->text(), QString::fromUtf8(layout.text));
      }
    }
  }
  EXPECT_FALSE(window->proxyHostEdit()->text().isEmpty());
  // Only the address field and the Upload button lie inside the client area.
  for (QWidget* control : tabOrder) {
    const bool inside = clientArea.intersects(control->geometry());
    EXPECT_EQ(inside, control == window->uploadButton() || control == window->addressEdit())
        << control->metaObject()->className();
  }

  // The focus chain holds the controls in this order.
  std::vector<QWidget*> chain;
  QWidget* widget = window->uploadButton();
  do {
    if (std::find(tabOrder.begin(), tabOrder.end(), widget) != tabOrder.end()) {
      chain.push_back(widget);
    }
    widget = widget->nextInFocusChain();
  } while (widget != window->uploadButton());
  EXPECT_EQ(chain, tabOrder);
}

TEST(MainWindowLayout, FocusStartsOnUploadAndTabReachesOnlyWhatShows) {
  auto window = interactiveWindow();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  EXPECT_EQ(QApplication::focusWidget(), window->uploadButton());

  // The fields outside the client area would swallow what is typed; Tab passes them by.
  for (QWidget* next : std::initializer_list<QWidget*>{
           window->addressEdit(), window->uploadButton(), window->addressEdit()}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next);
  }
}

TEST(MainWindowLayout, LabelsSizeThemselvesAtThirteenPixels) {
  auto window = interactiveWindow();
  struct LabelSpec {
    QLabel* label;
    QPoint position;
    QString caption;
    bool hidden;
  };
  const LabelSpec labels[] = {
      {window->statusLabel(), {29, 64}, QString(), false},
      {window->addressLabel(),
       {29, 13},
       QStringLiteral("IP eKASY (podľa nastavenia v programe):"),
       false},
      {window->timeoutLabel(), {361, 128}, QStringLiteral("Timeout:"), false},
      {window->runLabel(), {361, 188}, QStringLiteral("runh"), true},
      {window->fileLabel(), {11, 91}, QString(), false},
  };
  for (const LabelSpec& layout : labels) {
    SCOPED_TRACE(layout.caption.toStdString());
    EXPECT_EQ(layout.label->pos(), layout.position);
    EXPECT_EQ(layout.label->text(), layout.caption);
    EXPECT_EQ(layout.label->height(), 13);
    EXPECT_EQ(layout.label->width(), layout.label->sizeHint().width());
    EXPECT_EQ(layout.label->isHidden(), layout.hidden);
    EXPECT_EQ(layout.label->focusPolicy(), Qt::NoFocus);
  }
  window->setStatusText(u"OK. ORP sa reštartuje, a o chvíľu bude pripravená.");
  EXPECT_EQ(window->statusLabel()->text(),
            QStringLiteral("OK. ORP sa reštartuje, a o chvíľu bude pripravená."));
  EXPECT_EQ(window->statusLabel()->width(), window->statusLabel()->sizeHint().width());
  EXPECT_GT(window->statusLabel()->width(), 100);
  EXPECT_EQ(window->statusLabel()->height(), 13);
}

TEST(MainWindowLayout, PasswordFieldShowsAsterisks) {
  auto window = interactiveWindow();
  QLineEdit* password = window->passwordEdit();
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  password->setText(QStringLiteral("secret"));
  EXPECT_EQ(password->displayText(), QStringLiteral("******"));
}

TEST(MainWindowLayout, OpenDialogHasTheToolkitDefaults) {
  auto window = interactiveWindow();
  QFileDialog* dialog = window->openDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
  EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
  EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("All Files (*)")});
  EXPECT_FALSE(dialog->isVisible());
}

TEST(MainWindowLayout, WorkflowHostReadsTheFields) {
  auto window = interactiveWindow();
  app::WorkflowHost& host = *window;
  window->addressEdit()->setText(QStringLiteral(" 127.0.0.9 "));
  window->timeoutEdit()->setText(QStringLiteral("1500"));
  EXPECT_EQ(host.addressText(), u" 127.0.0.9 ");
  EXPECT_EQ(host.timeoutText(), u"1500");
  EXPECT_EQ(host.unattendedAddress(), u"");
}

TEST(MainWindowLayout, ScreenReadersHearTheFieldByItsCaptionTheStatusAndOnlyWhatShows) {
  auto window = interactiveWindow();
  const auto accessible = [](QWidget* control) {
    return QAccessible::queryAccessibleInterface(control);
  };
  EXPECT_EQ(window->addressLabel()->buddy(), window->addressEdit());
  EXPECT_EQ(accessible(window->addressEdit())->text(QAccessible::Name),
            window->addressLabel()->text());
  EXPECT_EQ(accessible(window->addressEdit())->role(), QAccessible::EditableText);
  EXPECT_EQ(accessible(window->statusLabel())->text(QAccessible::Name), QStringLiteral("Stav"));
  window->setStatusText(u"OK. ORP sa re\u0161tartuje, a o chv\u00ed\u013eu bude pripraven\u00e1.");
  EXPECT_EQ(accessible(window->statusLabel())->text(QAccessible::Description),
            window->statusLabel()->text());

  for (QWidget* shown : std::initializer_list<QWidget*>{
           window->uploadButton(), window->addressEdit(), window->statusLabel(),
           window->addressLabel(), window->fileLabel()}) {
    const QAccessible::State state = accessible(shown)->state();
    EXPECT_FALSE(state.invisible || state.offscreen) << shown->metaObject()->className();
  }
  for (QWidget* notShown : std::initializer_list<QWidget*>{
           window->scanButton(), window->spareButton(), window->scanProgress(), window->scanList(),
           window->timeoutEdit(), window->setTimeoutButton(), window->testIntegrationButton(),
           window->testProductionButton(), window->proxyHostEdit(), window->proxyPortEdit(),
           window->chooseFileButton(), window->passwordEdit(), window->timeoutLabel(),
           window->runLabel()}) {
    EXPECT_TRUE(accessible(notShown)->state().invisible) << notShown->metaObject()->className();
  }
  // Still where they were, but out of reach of Tab.
  EXPECT_EQ(window->passwordEdit()->focusPolicy(), Qt::NoFocus);
}

// ---------------------------------------------------------------- small handlers

TEST(MainWindowHandlers, PressesQueuedDuringAnUploadStartNoSecondOne) {
  int uploads = 0;
  MainWindow* window = nullptr;
  const auto press = [&window](QEvent::Type type) {
    QPushButton* button = window->uploadButton();
    const QPointF at = QRectF(button->rect()).center();
    QCoreApplication::postEvent(
        button, new QMouseEvent(type, at, button->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                                Qt::NoModifier));
  };
  // The operator presses Upload again while the window is held by the first upload.
  MainWindow created({}, [&](app::WorkflowHost&) {
    ++uploads;
    press(QEvent::MouseButtonPress);
    press(QEvent::MouseButtonRelease);
  });
  window = &created;
  QTest::mouseClick(created.uploadButton(), Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(uploads, 1);
  // Once the upload is over, a press is an upload again.
  QTest::mouseClick(created.uploadButton(), Qt::LeftButton);
  EXPECT_EQ(uploads, 2);
}

TEST(MainWindowHandlers, ScanResetIsTheSameWhenRunTwice) {
  auto window = interactiveWindow();
  window->scanList()->addItem(QStringLiteral("10.0.0.1"));
  window->scanProgress()->setValue(50);
  window->scanButton()->setEnabled(true);
  for (int run = 0; run < 2; ++run) {
    window->scanButton()->setEnabled(true);
    // Through the button, as the form wires it.
    window->scanButton()->click();
    EXPECT_FALSE(window->scanButton()->isEnabled());
    EXPECT_EQ(window->scanResult(), u"nenaslo");
    EXPECT_EQ(window->scanCount(), 0);
    EXPECT_EQ(window->scanDone(), 0);
    EXPECT_EQ(window->scanProgress()->maximum(), 254);
    EXPECT_EQ(window->scanProgress()->value(), 0);
    EXPECT_EQ(window->scanList()->count(), 0);
  }
}

TEST(MainWindowHandlers, DoubleClickOnTheScanListEndsTheScan) {
  auto window = interactiveWindow();
  // Before any scan the bar still has its initial range; the position stops at its end.
  window->onScanListDoubleClicked();
  EXPECT_EQ(window->scanProgress()->value(), window->scanProgress()->maximum());
  window->onScanClicked();
  // Anywhere on the list, not only on an item: the list is empty.
  QTest::mouseDClick(window->scanList()->viewport(), Qt::LeftButton);
  EXPECT_EQ(window->scanCount(), 254);
  EXPECT_EQ(window->scanProgress()->value(), 254);
  EXPECT_EQ(window->scanDone(), 0);
}

TEST(MainWindowHandlers, ChooseFileKeepsTheLastChoiceAndReportsCancel) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString chosen = dir.filePath(QStringLiteral("firmware.bin"));
  QFile file(chosen);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();

  auto window = interactiveWindow();
  std::vector<SeenBox> boxes;
  ModalAnswerer answerer;
  answerer.then([](QWidget* dialog) { qobject_cast<QFileDialog*>(dialog)->reject(); });
  answerer.thenBox(QStringLiteral("OK"), &boxes);
  answerer.then([&chosen](QWidget* dialog) {
    auto* fileDialog = qobject_cast<QFileDialog*>(dialog);
    // Typed into the file name field, as an operator would; selectFile() skips the field
    // while it has the focus.
    auto* fileName = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(fileName, nullptr);
    fileName->setText(QFileInfo(chosen).absoluteFilePath());
    QMetaObject::invokeMethod(fileDialog, "accept");
  });
  answerer.then([](QWidget* dialog) { qobject_cast<QFileDialog*>(dialog)->reject(); });
  answerer.thenBox(QStringLiteral("OK"), &boxes);

  window->onChooseFileClicked();  // cancelled before any choice
  EXPECT_EQ(window->fileLabel()->text(), QString());
  EXPECT_TRUE(window->selectedFileName().empty());
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0].title, kApplicationTitle);
  EXPECT_EQ(boxes[0].text, QStringLiteral("Open file was cancelled"));
  EXPECT_EQ(boxes[0].icon, QMessageBox::NoIcon);
  EXPECT_EQ(boxes[0].buttonsLeftToRight, QStringList{QStringLiteral("OK")});

  window->onChooseFileClicked();  // a file is chosen
  EXPECT_EQ(QString::fromStdU16String(window->selectedFileName()),
            QFileInfo(chosen).absoluteFilePath());
  EXPECT_EQ(window->fileLabel()->text(), QFileInfo(chosen).absoluteFilePath());
  EXPECT_EQ(window->fileLabel()->width(), window->fileLabel()->sizeHint().width());
  EXPECT_EQ(boxes.size(), 1U);

  window->onChooseFileClicked();  // cancelled after a choice
  EXPECT_EQ(window->fileLabel()->text(), QFileInfo(chosen).absoluteFilePath());
  EXPECT_EQ(boxes.size(), 2U);
  EXPECT_EQ(answerer.answered(), 5);
}

class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  std::vector<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls.push_back(url); }
};

TEST(MainWindowHandlers, HelpLinkOpensTheHelpArticle) {
  auto window = interactiveWindow();
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
  window->onHelpLinkClicked();
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  ASSERT_EQ(catcher.urls.size(), 1U);
  EXPECT_EQ(catcher.urls[0].scheme(), QStringLiteral("https"));
  EXPECT_TRUE(catcher.urls[0].toString().contains(QStringLiteral("tesmora")));
}

TEST(MainWindowHandlers, SaveImageWritesTheImageOrShowsTheFileError) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString previous = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(dir.path()));
  auto window = interactiveWindow();

  window->onSaveImageClicked();
  EXPECT_EQ(QFileInfo(QStringLiteral("poskladany.bin")).size(), 886'008);

  ASSERT_TRUE(QFile::remove(QStringLiteral("poskladany.bin")));
  ASSERT_TRUE(QDir().mkdir(QStringLiteral("poskladany.bin")));
  std::vector<SeenBox> boxes;
  ModalAnswerer answerer;
  answerer.thenBox(QStringLiteral("OK"), &boxes);
  app::runGuarded(*window, [&window] { window->onSaveImageClicked(); });
  QDir::setCurrent(previous);

  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0].title, kApplicationTitle);
  EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
  EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("Cannot create file \"./poskladany.bin\".")))
      << boxes[0].text.toStdString();
  EXPECT_TRUE(boxes[0].text.endsWith(QLatin1Char('.')));
  EXPECT_TRUE(window->isVisible());
}

// ---------------------------------------------------------------- dialogs

TEST(MainWindowDialogs, ConfirmationAsksWithErrorIconOkThenCancel) {
  auto window = interactiveWindow();
  const std::u16string question = u"ZEDEZ v ORP je už aktuálne! Napriek tomu prehrať ?";
  std::vector<SeenBox> boxes;
  ModalAnswerer answerer;
  answerer.thenBox(QStringLiteral("OK"), &boxes);
  answerer.thenBox(QStringLiteral("Cancel"), &boxes);
  answerer.then([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
  answerer.then([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });

  EXPECT_EQ(window->confirm(question), app::DialogResult::Ok);
  EXPECT_EQ(static_cast<int>(window->confirm(question)), 2);
  EXPECT_EQ(window->confirm(question), app::DialogResult::Cancel);  // Escape
  EXPECT_EQ(static_cast<int>(window->confirm(question)), 1);        // Return takes the default

  ASSERT_EQ(boxes.size(), 2U);
  for (const SeenBox& box : boxes) {
    EXPECT_EQ(box.title, QStringLiteral("Error"));
    EXPECT_EQ(box.text, QString::fromStdU16String(question));
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttonsLeftToRight,
              (QStringList{QStringLiteral("OK"), QStringLiteral("Cancel")}));
    EXPECT_EQ(box.defaultButton, QStringLiteral("OK"));
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((box.frame.center() - screenCentre).manhattanLength(), 4)
        << box.frame.center().x() << "," << box.frame.center().y();
  }
}

TEST(MainWindowDialogs, DefaultErrorBoxAddsTheFullStopByRule) {
  auto window = interactiveWindow();
  std::vector<SeenBox> boxes;
  ModalAnswerer answerer;
  answerer.thenBox(QStringLiteral("OK"), &boxes);
  answerer.thenBox(QStringLiteral("OK"), &boxes);
  window->showErrorBox(u"''1012b'' is not a valid integer value");
  window->showErrorBox(u"Nepodarilo sa!");
  ASSERT_EQ(boxes.size(), 2U);
  EXPECT_EQ(boxes[0].title, kApplicationTitle);
  EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes[0].buttonsLeftToRight, QStringList{QStringLiteral("OK")});
  EXPECT_EQ(boxes[0].text, QStringLiteral("''1012b'' is not a valid integer value."));
  EXPECT_EQ(boxes[1].text, QStringLiteral("Nepodarilo sa!"));
}

// ---------------------------------------------------------------- start-up and unattended run

TEST(StartUp, WithoutArgumentTheWindowOpensAndStaysOpen) {
  int uploads = 0;
  MainWindow window({}, [&uploads](app::WorkflowHost&) { ++uploads; });
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.addressEdit()->text(), QStringLiteral("10.77.82.80"));
  EXPECT_TRUE(window.statusLabel()->text().isEmpty());
  EXPECT_EQ(uploads, 0);
  EXPECT_FALSE(window.endOfRunRequested());

  // The loop is still running when this posted check comes round; closing the window ends it.
  bool visibleInLoop = false;
  QTimer::singleShot(0, &window, [&] {
    visibleInLoop = window.isVisible();
    window.close();
  });
  const LoopRun run = runLoopBounded(window);
  EXPECT_FALSE(run.hitBound);
  EXPECT_TRUE(visibleInLoop);
  EXPECT_EQ(run.exitCode, 0);
}

struct CreationProbe {
  int uploads = 0;
  bool visible = true;
  std::u16string address;
  std::u16string unattended;
};

TEST(StartUp, ArgumentRunsTheUploadInsideCreationBeforeTheWindowShows) {
  CreationProbe probe;
  MainWindow window({u"192.168.1.50", u"ignored", u"also ignored"},
                    [&probe](app::WorkflowHost& host) {
                      ++probe.uploads;
                      probe.visible = dynamic_cast<MainWindow&>(host).isVisible();
                      probe.address = host.addressText();
                      probe.unattended = host.unattendedAddress();
                    });
  EXPECT_EQ(probe.uploads, 1);
  EXPECT_FALSE(probe.visible);
  EXPECT_EQ(probe.address, u"192.168.1.50");
  EXPECT_EQ(probe.unattended, u"192.168.1.50");
  EXPECT_EQ(window.addressEdit()->text(), QStringLiteral("192.168.1.50"));
  EXPECT_TRUE(window.isVisible());
}

TEST(StartUp, PostedEndOfRunEndsTheProgramBeforeFurtherInput) {
  int uploads = 0;
  MainWindow window({u"127.0.0.1"}, [&uploads](app::WorkflowHost& host) {
    ++uploads;
    host.setStatusText(u"OK. ORP sa reštartuje, a o chvíľu bude pripravená.");
    host.requestEndOfRun();
  });
  EXPECT_TRUE(window.endOfRunRequested());
  EXPECT_TRUE(window.isVisible());
  // Operator input that arrives after the request: a key press on the focused Upload button.
  QCoreApplication::postEvent(window.uploadButton(),
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
  QCoreApplication::postEvent(window.uploadButton(),
                              new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier));

  const LoopRun run = runLoopBounded(window);
  EXPECT_FALSE(run.hitBound);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(uploads, 1);
}

TEST(StartUp, EndOfRunStillEndsWhenTheWorkflowLetEventsThroughAfterIt) {
  // The upload requests the end early, goes on, and services the window once.
  MainWindow window({u"127.0.0.1"}, [](app::WorkflowHost& host) {
    host.requestEndOfRun();
    host.setStatusText(u"Nahrávam ...");
    host.processPendingEvents();
  });
  const LoopRun run = runLoopBounded(window);
  EXPECT_FALSE(run.hitBound);
  EXPECT_EQ(run.exitCode, 0);
}

TEST(StartUp, ErrorEscapingCreationIsShownAndTheWindowStaysOpen) {
  std::vector<SeenBox> boxes;
  ModalAnswerer answerer;
  answerer.thenBox(QStringLiteral("OK"), &boxes);
  MainWindow window({u"127.0.0.1"}, [](app::WorkflowHost&) {
    throw app::ConversionError(u"''V1012'' is not a valid integer value");
  });
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0].title, kApplicationTitle);
  EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes[0].text, QStringLiteral("''V1012'' is not a valid integer value."));
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.statusLabel()->text().isEmpty());
  EXPECT_FALSE(window.endOfRunRequested());

  bool visibleInLoop = false;
  QTimer::singleShot(0, &window, [&] {
    visibleInLoop = window.isVisible();
    window.close();
  });
  const LoopRun run = runLoopBounded(window);
  EXPECT_FALSE(run.hitBound);
  EXPECT_TRUE(visibleInLoop);
  EXPECT_EQ(run.exitCode, 0);
}

TEST(StartUp, SilentAbortShowsNothingAndTheRunEnds) {
  ModalAnswerer answerer;
  std::vector<SeenBox> boxes;
  answerer.thenBox(QStringLiteral("OK"), &boxes);
  MainWindow window({u"127.0.0.1"}, [](app::WorkflowHost& host) {
    host.setStatusText(u"ZEDEZ v ORP je už aktuálne.");
    host.requestEndOfRun();
    throw app::SilentAbortError();
  });
  EXPECT_EQ(answerer.answered(), 0);
  EXPECT_EQ(window.statusLabel()->text(), QStringLiteral("ZEDEZ v ORP je už aktuálne."));
  const LoopRun run = runLoopBounded(window);
  EXPECT_FALSE(run.hitBound);
  EXPECT_EQ(run.exitCode, 0);
}

TEST(StartUp, QuestionIsAnsweredBeforeTheWindowIsShown) {
  std::vector<SeenBox> boxes;
  ModalAnswerer answerer;
  MainWindow* creating = nullptr;
  answerer.then([&boxes](QWidget* widget) {
    auto* box = qobject_cast<QMessageBox*>(widget);
    boxes.push_back(ModalAnswerer::describe(box, nullptr));
    box->button(QMessageBox::Cancel)->click();
  });
  bool visibleAtQuestion = true;
  app::DialogResult answer = app::DialogResult::Ok;
  MainWindow window({u"127.0.0.1"}, [&](app::WorkflowHost& host) {
    creating = &dynamic_cast<MainWindow&>(host);
    visibleAtQuestion = creating->isVisible();
    answer = host.confirm(u"ZEDEZ v ORP je už aktuálne! Napriek tomu prehrať ?");
  });
  EXPECT_FALSE(visibleAtQuestion);
  EXPECT_EQ(answer, app::DialogResult::Cancel);
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0].title, QStringLiteral("Error"));
}

}  // namespace

int main(int argc, char** argv) {
  // The tests run without a desktop unless a platform is chosen explicitly.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  app::describeApplication();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

#include "main_window_test.moc"
