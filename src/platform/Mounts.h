#pragma once
// Mounting a WebDAV share through GIO/GVfs: the mount operation's password request
// goes to a prompter the ui installs; the share's local (FUSE) path; unmounting;
// forgetting a saved password.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/AppError.h"
#include "base/Task.h"

namespace quorvel {

class PasswordPrompter {
 public:
  enum class Save { never, forSession, permanently };
  struct Request {
    std::string message;      // GVfs's own prompt text
    std::string address;      // the share being mounted
    std::string defaultUser;
    bool askUser = true;
    bool canSave = true;
    int attempt = 1;          // 2, 3 … after a wrong password
  };
  struct Answer {
    std::string user, password;
    Save save = Save::forSession;
  };
  virtual ~PasswordPrompter() = default;
  // Answers once on the main thread; nothing means the user cancelled.
  virtual void askPassword(const Request& request, std::function<void(std::optional<Answer>)> reply) = 0;
};

namespace Mounts {

struct Result {
  // No error when it worked; otherwise GIO's error (domain = its quark's name).
  std::optional<AppError> error;
  bool ok() const { return !error; }
  bool gaveUpAfterWrongPassword = false;
  bool cancelledByUser = false;  // the dialog was cancelled (GVfs then reports the HTTP refusal)
  std::string user;  // who signed in (when asked)
};

// Wrong passwords accepted before the mount is given up.
inline constexpr int kMaxPasswordAttempts = 3;

// Whether GIO can reach dav(s) shares at all (GVfs installed and running).
bool davSupported();
// Mounts the share (main thread); GVfs's password questions go to `prompter` (none:
// the mount ends as cancelled). The prompter must outlive the mount.
Task<Result> mount(std::string uri, PasswordPrompter* prompter);
// Unmounts the mount that holds the share.
Task<Result> unmount(std::string uri);
// Whether a GVfs mount holds the share (GVfs's mount tracker; no network I/O).
bool isMounted(const std::string& uri);
// The share's local path through GVfs's FUSE folder, when mounted and FUSE runs.
std::optional<std::filesystem::path> localPath(const std::string& uri);
// GVfs's FUSE folder ($XDG_RUNTIME_DIR/gvfs).
std::filesystem::path fuseDir();
// Removes the passwords GVfs saved for the share's host (session or permanent);
// `user` empty: every user. Runs on a worker; the callback gets the number removed.
void forgetSavedPasswords(const std::string& uri, const std::string& user, std::function<void(bool)> done = {});

}  // namespace Mounts
}  // namespace quorvel
