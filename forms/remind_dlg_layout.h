#pragma once
#include <cstdint>

#include "toolkit/backend.h"

// The battery reminder dialog as designed: client area, controls in tab order, timers.
namespace forms::remind_dlg {

inline constexpr int kClientWidth = 405;
inline constexpr int kClientHeight = 98;
inline constexpr int kOkId = 1;  // the dialog's default command: Enter presses OK
inline constexpr int kCheckBoxId = 101;
inline constexpr int kLabelId = 102;

inline const tk::ControlDesign kTntLabel1{tk::ControlKind::Label, kLabelId, tk::Rect::At(9, 14, 387, 20),
                                        u"Replace your wireless keyboard battery!", true, false, false};
inline const tk::ControlDesign kTntCheckBox1{tk::ControlKind::CheckBox, kCheckBoxId, tk::Rect::At(8, 38, 387, 20),
                                           u"Remind me later", false, true, false};
inline const tk::ControlDesign kTntBitBtn1{tk::ControlKind::Button, kOkId, tk::Rect::At(9, 64, 387, 25), u"OK", false,
                                         true, true};
inline constexpr bool kCheckBoxTicked = true;

inline constexpr std::uint32_t FIRST_SHOW_INTERVAL = 1000;
inline constexpr std::uint32_t REPEAT_INTERVAL = 60000;
inline constexpr std::uint32_t REMIND_EVERY_TICKS = 240;
inline constexpr std::uint32_t kTimer1Interval = 1000;

// Tool window plus topmost, set as a whole at every show.
inline constexpr std::uint32_t kShownExStyle = 0x88;

}  // namespace forms::remind_dlg
