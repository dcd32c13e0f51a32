// Resource ids for the key-cap pictures and tray icons, at 100 %; pictures.rc gives the
// other scales' ids as these plus 1000 per scale step (see toolkit/dpi.h).
// Included both by pictures.rc (through windres) and by C++ code, so it must
// stay free of windows.h and of anything the resource compiler cannot parse.
#ifndef LEDGLOW_FORMS_PICTURES_PICTURE_IDS_H
#define LEDGLOW_FORMS_PICTURES_PICTURE_IDS_H

#define IDB_N_ON 101
#define IDB_N_OFF 102
#define IDB_C_ON 103
#define IDB_C_OFF 104
#define IDB_S_ON 105
#define IDB_S_OFF 106

#define IDI_TRAY_CREAM 201
#define IDI_TRAY_GREEN 202
#define IDI_TRAY_CYAN 203

#ifndef RC_INVOKED
namespace forms {

// Defined from the macros so the two lists cannot drift apart.
inline constexpr int kPicNumOn = IDB_N_ON;
inline constexpr int kPicNumOff = IDB_N_OFF;
inline constexpr int kPicCapsOn = IDB_C_ON;
inline constexpr int kPicCapsOff = IDB_C_OFF;
inline constexpr int kPicScrollOn = IDB_S_ON;
inline constexpr int kPicScrollOff = IDB_S_OFF;

inline constexpr int kIconTrayCream = IDI_TRAY_CREAM;
inline constexpr int kIconTrayGreen = IDI_TRAY_GREEN;
inline constexpr int kIconTrayCyan = IDI_TRAY_CYAN;

}  // namespace forms
#endif  // RC_INVOKED

#endif  // LEDGLOW_FORMS_PICTURES_PICTURE_IDS_H
