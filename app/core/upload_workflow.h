#pragma once

#include <string_view>

#include "app/core/device_address.h"

namespace app {

class DeviceInterface;
class Questioner;
class RunObserver;
struct DeviceOutcome;
struct DeviceRunOptions;

// The status lines of an upload, as the operator sees them in the window and on the command
// line.
inline constexpr std::u16string_view kAlreadyCurrentQuestion =
    u"ZEDEZ v ORP je už aktuálne! Napriek tomu prehrať ?";
inline constexpr std::u16string_view kAlreadyCurrentStatus = u"ZEDEZ v ORP je už aktuálne.";
inline constexpr std::u16string_view kUploadingStatus = u"Nahrávam ...";
inline constexpr std::u16string_view kUploadSucceededStatus =
    u"OK. ORP sa reštartuje, a o chvíľu bude pripravená.";
inline constexpr std::u16string_view kUploadFailedStatus =
    u"Chyba č.:2 Nepodarilo sa nahrať ZEDEZ !";

// The upload of one device: reads its version with the given state client, asks before
// installing over a current one (or, outside the window's gate, a newer one), and posts the
// firmware image, unless options.stop is set by then. Fills the outcome's result,
// status line, causes and bytes sent; never raises. An error that is not the upload's own (a
// version that is not a number, a missing embedded part) leaves the status line as it was and
// marks the outcome errorBox. What the observer raises while the image is under way counts
// as a failed upload.
void uploadFirmware(const DeviceAddress& address, const DeviceRunOptions& options,
                    DeviceInterface& stateDevice, RunObserver& observer, Questioner& questioner,
                    DeviceOutcome& outcome);

}  // namespace app
