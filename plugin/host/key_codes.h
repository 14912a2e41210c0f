// Key codes the plug-in names, and the codes it hands back to the host in
// place of a key. Key codes are plain ints: 1..274 come from the remote
// control; a negative code is an internal request for the key of the same
// absolute value (the supervision tick sends -70 and -73).
#pragma once

// What the dispatcher returns besides the key itself.
inline constexpr int kConsumed = 255;         // the plug-in took the key; the host ignores it
inline constexpr int kToolboxOpened = 45;     // setup opened the settings screen
inline constexpr int kFreezeFailed = 74;      // the display processor could not be opened
inline constexpr int kIconNotShown = 122;     // the record icon could not be drawn
inline constexpr int kDisplayUnusable = 123;  // a notice or icon found no display
inline constexpr int kDisplayUnusable125 = 125;

// Remote keys with a role of their own.
inline constexpr int kKeyOne = 1;
inline constexpr int kKeyOneAlt = 257;
inline constexpr int kKeyPower = 2;
inline constexpr int kKeyPowerAlt = 258;
inline constexpr int kKeySeven = 7;
inline constexpr int kKeyEleven = 11;
inline constexpr int kKeyPictureOff = 15;   // held for three seconds
inline constexpr int kKeyMenuClose = 26;    // also the first key of 26-73
inline constexpr int kKeyExit = 27;
inline constexpr int kKeyOverlay = 44;
inline constexpr int kKeyHide = 45;
inline constexpr int kKeyFavourite = 68;
inline constexpr int kKeyTimerDown = 69;
inline constexpr int kKeyStop = 70;
inline constexpr int kKeyShowTimer = 71;
inline constexpr int kKeyTimerUp = 72;
inline constexpr int kKeyRecord = 73;
inline constexpr int kKeyFreeze = 74;
inline constexpr int kKeyReturn = 88;
inline constexpr int kKeyUp = 96;
inline constexpr int kKeyDown = 97;
inline constexpr int kKeyRight = 98;
inline constexpr int kKeyLeft = 101;
inline constexpr int kKeyConfirm = 104;
inline constexpr int kKeyDelete = 108;
inline constexpr int kKeyGuard140 = 140;
inline constexpr int kKeyGuard147 = 147;

// Internal requests of the supervision tick.
inline constexpr int kRequestStop = -kKeyStop;
inline constexpr int kRequestRecord = -kKeyRecord;

// Highest key code with a rule of its own; others take the default rule.
inline constexpr int kHighestKey = 274;
