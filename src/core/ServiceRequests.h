#pragma once
// Native requests to the service: form posts and Quick Archive uploads, carrying the
// web store's cookies for the service host and the workspace's user agent.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/AppError.h"
#include "base/Task.h"
#include "base/Url.h"
#include "core/WebStore.h"

namespace quorvel {

class UserDefaults;

struct FormResult {
  bool ok = false;
  int statusCode = -1;
  std::string body;
  // Not ok: what happened, its message a short sentence for the user (never the
  // body): the transport's error, or errors::kForm.
  std::optional<AppError> error;
};

class ServiceRequests {
 public:
  // `store` may be nullptr (no cookies are sent); it must outlive every request. The
  // service's address comes from `defaults`; large replies are judged on `workers`.
  ServiceRequests(WebStore* store, const UserDefaults& defaults, WorkerPool& workers)
      : store_(store), defaults_(defaults), workers_(workers) {}

  // A form post to a service path; never throws (a failure is a result with ok false).
  Task<FormResult> postForm(const std::string& path, const std::map<std::string, std::string>& fields);
  // Files into a proceeding; the filed count, or AppError("QuickArchive", status, …).
  Task<long long> quickUpload(const std::vector<std::filesystem::path>& files, long long procId);

 private:
  Task<std::string> cookieHeader(const Url& home);
  WebStore* store_;
  const UserDefaults& defaults_;
  WorkerPool& workers_;
};

}  // namespace quorvel
