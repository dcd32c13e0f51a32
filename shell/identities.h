#pragma once
#include <cstdint>

// Names by which the program's windows are found, inside the process and from other starts.
namespace shell {

inline constexpr char kControllerClass[] = "TSetupFrm";
inline constexpr char kControllerTitle[] = "DED EZORUZ SETUP-KORVELID09";
// A window with this exact title refuses a plain start.
inline constexpr char kRefusingTitle[] = "DED EZORUZ SETUP";
inline constexpr char kApplicationTitle[] = "DED EZORUZ KEYBOARD-KORVELID09";
inline constexpr char kStripClass[] = "TRFLed";
inline constexpr char kStripName[] = "RFLed";
inline constexpr char kReminderClass[] = "TRemindDlg";
inline constexpr char kReminderName[] = "RemindDlg";
inline constexpr char kControllerName[] = "SetupFrm";

}  // namespace shell
