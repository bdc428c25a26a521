#pragma once
// The error domains and codes that travel in AppError across asynchronous edges.
// Domains other than these come from the libraries (a GError's quark name).

namespace quorvel::errors {

// Reading the service through the signed-in page.
inline constexpr const char* kQuorvel = "Quorvel";
inline constexpr int kNoPage = 1;        // "没有打开的页面（请先登录）"
inline constexpr int kPageReadFailed = 2;  // the page answered an error or no text
inline constexpr int kNotText = 3;       // the reply was not UTF-8 text

// Filing files into a proceeding; the code is the HTTP status (-1: no HTTP reply).
inline constexpr const char* kQuickArchive = "QuickArchive";
inline constexpr int kNoHttpReply = -1;

// The system calendar and the calendar feed.
inline constexpr const char* kAppleCal = "AppleCal";
inline constexpr int kNoFeedLink = 2;
inline constexpr int kNoWritableCalendar = 3;

// The update check's downloaded package.
inline constexpr const char* kUpdate = "Update";
inline constexpr int kPackageTooSmall = 1;
inline constexpr int kPackageInvalid = 2;

// A form posted to the service: the reply refused it (the code is the HTTP status), or
// the address is not the service's (-1).
inline constexpr const char* kForm = "Form";
inline constexpr int kFormNotService = -1;

// Our HTTP client (transport failures; any HTTP status is a reply).
inline constexpr const char* kHttp = "Http";
// The local search index (the code is SQLite's result code).
inline constexpr const char* kSearchIndex = "SearchIndex";
// Local files (the code is errno where there is one).
inline constexpr const char* kFile = "File";
// Views rendered into image files: the window was not drawn in time, its snapshot
// failed, or the file could not be written.
inline constexpr const char* kRender = "Render";
inline constexpr int kRenderNotDrawn = 1;
inline constexpr int kRenderNoSnapshot = 2;
inline constexpr int kRenderNotWritten = 3;

// The local mirror: 1 no workspace model, 4 no download address, 5 a web page
// instead of a file; otherwise the HTTP status (-1 without one).
inline constexpr const char* kMirror = "Mirror";
inline constexpr int kMirrorNoModel = 1;
inline constexpr int kMirrorNoAddress = 4;
inline constexpr int kMirrorWebPage = 5;
// The mirror's upload; the code is the HTTP status (-1 without one).
inline constexpr const char* kUpload = "Upload";
// The password check of the privacy lock; the code is PAM's (-1: no check possible here).
inline constexpr const char* kAuth = "Auth";
inline constexpr int kAuthUnavailable = -1;
inline constexpr int kAuthNoPassword = -2;  // nothing was typed
// Global hot keys; the code is the system's (-1: no global keys here).
inline constexpr const char* kHotKeys = "HotKeys";
// A scan through the scanner program; the code is its exit status (-1: not started).
inline constexpr const char* kScan = "Scan";
// Framing a screen region: the user ended the selection, no way to capture was found,
// or the portal or a tool failed.
inline constexpr const char* kScreenCapture = "ScreenCapture";
inline constexpr int kCaptureCancelled = 1;
inline constexpr int kNoCaptureTool = 2;
inline constexpr int kCaptureFailed = 3;
// Text recognition in the engines module.
inline constexpr const char* kOcr = "OCR";
inline constexpr int kOcrEmptyImage = 1;
inline constexpr int kOcrNoMemory = 2;
inline constexpr int kOcrNoEngine = 3;
inline constexpr int kOcrUnreadable = 4;
// Searchable PDFs written by the engines module; the code is qpdf's error code or
// cairo's status (0: neither).
inline constexpr const char* kPdf = "PDF";
// The engines module (recognition and PDF) could not be loaded.
inline constexpr const char* kEngines = "Engines";

}  // namespace quorvel::errors
