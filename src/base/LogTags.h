#pragma once
// The tags of the console lines, "[Quorvel][TAG] …". One place, so a reader can
// grep a subsystem's lines and a typo cannot start a new tag.

namespace quorvel::tags {

inline constexpr const char* kApp = "";  // "[Quorvel] …"
inline constexpr const char* kAccount = "ACCOUNT";
inline constexpr const char* kAlert = "ALERT";
inline constexpr const char* kAudit = "AUDIT";
inline constexpr const char* kBadge = "BADGE";
inline constexpr const char* kBridge = "BRIDGE";
inline constexpr const char* kCal = "CAL";
inline constexpr const char* kCookie = "COOKIE";
inline constexpr const char* kDeepLink = "DEEPLINK";
inline constexpr const char* kEdit = "EDIT";
inline constexpr const char* kHibernate = "HIBERNATE";
inline constexpr const char* kHotKey = "HOTKEY";
inline constexpr const char* kHotFolder = "HOTFOLDER";
inline constexpr const char* kLock = "LOCK";
inline constexpr const char* kNav = "NAV";
inline constexpr const char* kNotify = "NOTIFY";
inline constexpr const char* kOcr = "OCR";
inline constexpr const char* kPalette = "PALETTE";
inline constexpr const char* kScreenOcr = "SCREEN-OCR";
inline constexpr const char* kScan = "SCAN";
inline constexpr const char* kOpen = "OPEN";
inline constexpr const char* kPost = "POST";
inline constexpr const char* kPreview = "PREVIEW";
inline constexpr const char* kRender = "RENDER";
inline constexpr const char* kSession = "SESSION";
inline constexpr const char* kShot = "SHOT";
inline constexpr const char* kTrack = "TRACK";
inline constexpr const char* kSelfTest = "SELFTEST";
inline constexpr const char* kSettings = "SET";
inline constexpr const char* kSpotlight = "SPOTLIGHT";
inline constexpr const char* kTab = "TAB";
inline constexpr const char* kTask = "TASK";
inline constexpr const char* kTheme = "THEME";
inline constexpr const char* kTodo = "TODO";
inline constexpr const char* kTutorial = "TUT";
inline constexpr const char* kTray = "TRAY";
inline constexpr const char* kUpload = "UPLOAD";
inline constexpr const char* kVolume = "VOLUME";
inline constexpr const char* kWindow = "WINDOW";
inline constexpr const char* kUpdate = "UPDATE";
inline constexpr const char* kPdf = "PDF";
inline constexpr const char* kPrint = "PRINT";
inline constexpr const char* kLogin = "LOGIN";
inline constexpr const char* kMirror = "MIRROR";
inline constexpr const char* kArchive = "ARCHIVE";

}  // namespace quorvel::tags
