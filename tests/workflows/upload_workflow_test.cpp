// The window's upload in process, against the device simulator: the version gate, the status
// line, the end-of-run requests and what reaches the firmware endpoint.
#include <gtest/gtest.h>

#include <stdexcept>

#include "../app/headless_host.h"
#include "app/core/device_interface.h"
#include "app/core/errors.h"
#include "app/core/firmware_image.h"
#include "app/core/record_sink.h"
#include "app/window/form_upload.h"
#include "device_simulator.h"

namespace {

using app::DialogResult;
using app::testing::HeadlessHost;
using testsupport::DeviceSimulator;

const std::u16string kOk = u"OK. ORP sa reštartuje, a o chvíľu bude pripravená.";
const std::u16string kFailed = u"Chyba č.:2 Nepodarilo sa nahrať ZEDEZ !";
const std::u16string kCurrent = u"ZEDEZ v ORP je už aktuálne.";

std::string imageBytes() {
  const auto image = app::buildFirmwareImage();
  return std::string(image->view());
}

struct UploadRun {
  HeadlessHost host;
  app::DeviceInterface device;
};

app::DeviceOutcome upload(UploadRun& run, const DeviceSimulator& simulator, bool unattended,
                          const app::FormUploadChoices& choices = {}) {
  run.host.address = simulator.address16();
  if (unattended) run.host.unattended = simulator.address16();
  return app::runFormUpload(run.host, run.device, choices);
}

TEST(VersionNumber, RemovesLowerCaseVAndDotsOnly) {
  EXPECT_EQ(app::versionNumberOf(u"v1.0.12"), 1012);
  EXPECT_EQ(app::versionNumberOf(u"1.0.9"), 109);
  EXPECT_EQ(app::versionNumberOf(u"1.0.09"), 1009);
  EXPECT_EQ(app::versionNumberOf(u""), 0);
  EXPECT_EQ(app::versionNumberOf(u"v."), 0);
  try {
    (void)app::versionNumberOf(u"V1.0.12");
    FAIL() << "a capital V is not removed";
  } catch (const app::ConversionError& error) {
    EXPECT_EQ(error.message(), u"''V1012'' is not a valid integer value");
  }
}

TEST(UploadWorkflow, OldVersionUploadsTheImageWithoutAQuestion) {
  DeviceSimulator simulator({"--version", "1.0.9"});
  UploadRun run;
  app::KeptRecord record;
  app::FormUploadChoices choices;
  choices.record = &record;
  const app::DeviceOutcome outcome = upload(run, simulator, /*unattended=*/true, choices);
  EXPECT_TRUE(run.host.questions.empty());
  EXPECT_EQ(run.host.log, (std::vector<std::u16string>{u"status:Nahrávam ...", u"events",
                                                       u"status:" + kOk, u"end"}));
  const auto uploads = simulator.records("firmware");
  ASSERT_EQ(uploads.size(), 1U);
  EXPECT_TRUE(uploads[0].tokenOk);
  EXPECT_EQ(uploads[0].body, imageBytes());
  // The engine gives the window's run its outcome and its record line.
  EXPECT_EQ(outcome.result, app::RunResult::Uploaded);
  EXPECT_EQ(outcome.status, kOk);
  ASSERT_EQ(record.lines().size(), 1U);
  EXPECT_NE(record.lines()[0].find(R"("result":"uploaded")"), std::string::npos);
}

TEST(UploadWorkflow, CurrentVersionAsksAndCancelStopsSilently) {
  // A byte-order mark in front of the document, on a success or an error reply, hides nothing.
  const std::vector<std::vector<std::string>> devices = {
      {"--version", "1.0.10"},
      {"--version", "1.0.12", "--byte-order-mark"},
      {"--version", "1.0.12", "--byte-order-mark", "--status", "state=404"}};
  for (const auto& options : devices) {
    DeviceSimulator simulator(options);
    UploadRun run;
    run.host.answers = {DialogResult::Cancel};
    EXPECT_EQ(upload(run, simulator, /*unattended=*/true).result, app::RunResult::Declined);
    EXPECT_EQ(run.host.questions,
              std::vector<std::u16string>{u"ZEDEZ v ORP je už aktuálne! Napriek tomu prehrať ?"});
    EXPECT_EQ(run.host.statusTexts, std::vector<std::u16string>{kCurrent});
    EXPECT_EQ(run.host.endOfRunRequests, 1);
    EXPECT_TRUE(simulator.records("firmware").empty());
  }
}

TEST(UploadWorkflow, CurrentVersionAnsweredOkUploads) {
  DeviceSimulator simulator({"--version", "v1.0.12"});
  UploadRun run;
  run.host.answers = {DialogResult::Ok};
  upload(run, simulator, /*unattended=*/false);
  EXPECT_EQ(run.host.questions.size(), 1U);
  EXPECT_EQ(run.host.statusTexts.back(), kOk);
  EXPECT_EQ(run.host.endOfRunRequests, 0) << "interactive runs never end by themselves";
  EXPECT_EQ(simulator.records("firmware").size(), 1U);
}

TEST(UploadWorkflow, MissingVersionRequestsTheEndEarlyAndStillUploads) {
  DeviceSimulator simulator({"--no-globals"});
  UploadRun run;
  upload(run, simulator, /*unattended=*/true);
  EXPECT_TRUE(run.host.questions.empty());
  EXPECT_EQ(run.host.log.front(), u"end");
  EXPECT_EQ(run.host.endOfRunRequests, 2);
  EXPECT_EQ(simulator.records("firmware").size(), 1U);
}

TEST(UploadWorkflow, AnErrorStatusFromTheFirmwareEndpointIsAFailedUpload) {
  DeviceSimulator simulator({"--status", "firmware=500"});
  UploadRun run;
  upload(run, simulator, /*unattended=*/true);
  EXPECT_EQ(run.host.statusTexts.back(), kFailed);
  EXPECT_EQ(run.host.endOfRunRequests, 1);
}

TEST(UploadWorkflow, AnyStandardExceptionIsAFailedUploadAndTheRunStillEnds) {
  DeviceSimulator simulator({"--version", "1.0.9"});
  UploadRun run;
  run.host.duringPendingEvents = [] { throw std::runtime_error("not one of the library's"); };
  upload(run, simulator, /*unattended=*/true);
  EXPECT_EQ(run.host.statusTexts.back(), kFailed);
  EXPECT_EQ(run.host.endOfRunRequests, 1);
  EXPECT_TRUE(run.host.errorBoxes.empty());
}

TEST(UploadWorkflow, AVersionThatIsNoNumberLeavesBeforeAnythingIsSent) {
  DeviceSimulator simulator({"--version", "V1.0.12"});
  UploadRun run;
  const app::DeviceOutcome outcome = upload(run, simulator, /*unattended=*/true);
  EXPECT_EQ(run.host.errorBoxes,
            std::vector<std::u16string>{u"''V1012'' is not a valid integer value"});
  EXPECT_TRUE(outcome.errorBox);
  EXPECT_EQ(outcome.result, app::RunResult::Failed);
  EXPECT_TRUE(run.host.statusTexts.empty());
  EXPECT_EQ(run.host.endOfRunRequests, 0);
  EXPECT_TRUE(simulator.records("firmware").empty());
}

}  // namespace
