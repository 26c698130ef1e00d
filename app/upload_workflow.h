#pragma once

#include <string_view>

namespace app {

class DeviceInterface;
class WorkflowHost;

// Texts of the upload, as the operator sees them.
inline constexpr std::u16string_view kAlreadyCurrentQuestion =
    u"ZEDEZ v ORP je už aktuálne! Napriek tomu prehrať ?";
inline constexpr std::u16string_view kAlreadyCurrentStatus = u"ZEDEZ v ORP je už aktuálne.";
inline constexpr std::u16string_view kUploadingStatus = u"Nahrávam ...";
inline constexpr std::u16string_view kUploadSucceededStatus =
    u"OK. ORP sa reštartuje, a o chvíľu bude pripravená.";
inline constexpr std::u16string_view kUploadFailedStatus =
    u"Chyba č.:2 Nepodarilo sa nahrať ZEDEZ !";

// Versions above this number count as current.
inline constexpr int kCurrentVersionThreshold = 1009;

// The number the device's version text stands for: every "v" and "." removed, empty as 0.
// Raises ConversionError when the rest is not an integer.
int versionNumberOf(std::u16string_view versionText);

// The Upload button: reads the device's version, asks before installing over a current one,
// and posts the firmware image. In an unattended run it requests the end of the run wherever
// the run is over. A declined question ends it with SilentAbortError; a version that is not a
// number leaves it with ConversionError, for the default error box.
void runUpload(WorkflowHost& host, DeviceInterface& device);

}  // namespace app
