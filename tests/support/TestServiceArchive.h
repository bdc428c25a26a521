#pragma once
// Quick archive's upload, "/api/proc_quick_upload/<id>", as the service files it: into
// a proceeding the firm has, whose folder on the case share (when the service has one,
// as the demo does) receives the files under "00_手头材料".
#include "TestService.h"

namespace quorvel::test {

inline constexpr const char* kArchiveInboxFolder = "00_手头材料";

// The reply to a signed-in POST: {"success":true,"count":N} with N the parts named
// "files"; 404 {"success":false,"error":"未找到编号为 <id> 的案件"} for a proceeding the
// firm does not have; 400 for a body that is not multipart; 500 when the share cannot
// be written. A file name is reduced to its last piece, and a name already in the
// folder gets " (2)", " (3)"… before its extension: nothing there is replaced.
Reply quickArchiveUpload(const TestService& service, const RecordedRequest& request);

}  // namespace quorvel::test
