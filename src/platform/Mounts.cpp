#include "platform/Mounts.h"

#include <gio/gio.h>
#include <libsecret/secret.h>

#include "base/Async.h"
#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {

namespace Mounts {
namespace {

Result fromError(const GError* e) {
  Result r;
  r.error = toAppError(e, "未知错误");
  return r;
}

// Lives from the mount call until its callback.
struct MountState {
  GObjectPtr<GMountOperation> op;
  std::string uri;
  PasswordPrompter* prompter = nullptr;
  int asked = 0;
  bool gaveUp = false;
  bool cancelled = false;
  std::string user;
  std::function<void(Result)> resolve;
  SignalHandler askHandler;
};

void onAskPassword(GMountOperation* op, const char* message, const char* defaultUser, const char* defaultDomain,
                   GAskPasswordFlags flags, gpointer data) {
  auto* st = static_cast<MountState*>(data);
  ++st->asked;
  PasswordPrompter* prompter = st->prompter;
  if (!prompter || st->asked > kMaxPasswordAttempts) {
    if (st->asked > kMaxPasswordAttempts) st->gaveUp = true;
    g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
    return;
  }
  PasswordPrompter::Request req;
  req.message = message ? message : "";
  req.address = st->uri;
  req.defaultUser = !st->user.empty() ? st->user : (defaultUser ? defaultUser : "");
  req.askUser = (flags & G_ASK_PASSWORD_NEED_USERNAME) != 0;
  req.canSave = (flags & G_ASK_PASSWORD_SAVING_SUPPORTED) != 0;
  req.attempt = st->asked;
  GObjectPtr<GMountOperation> keep = GObjectPtr<GMountOperation>::retain(op);
  // The operation's own handler would answer "unhandled" on the next idle turn and
  // fail the mount while our dialog still waits for the user.
  g_signal_stop_emission_by_name(op, "ask-password");
  prompter->askPassword(req, [keep, st](std::optional<PasswordPrompter::Answer> a) {
    if (!a) {
      st->cancelled = true;
      g_mount_operation_reply(keep, G_MOUNT_OPERATION_ABORTED);
      return;
    }
    st->cancelled = false;
    st->user = a->user;
    g_mount_operation_set_username(keep, a->user.c_str());
    g_mount_operation_set_password(keep, a->password.c_str());
    g_mount_operation_set_password_save(keep, a->save == PasswordPrompter::Save::permanently ? G_PASSWORD_SAVE_PERMANENTLY
                                              : a->save == PasswordPrompter::Save::forSession ? G_PASSWORD_SAVE_FOR_SESSION
                                                                                              : G_PASSWORD_SAVE_NEVER);
    g_mount_operation_reply(keep, G_MOUNT_OPERATION_HANDLED);
  });
}

GMount* findMount(const std::string& uri) {
  // GVfs's mount tracker answers from memory; no volume monitors are started.
  GFile* share = g_file_new_for_uri(uri.c_str());
  GMount* found = g_file_find_enclosing_mount(share, nullptr, nullptr);
  g_object_unref(share);
  return found;
}
}  // namespace

bool davSupported() {
  const char* const* schemes = g_vfs_get_supported_uri_schemes(g_vfs_get_default());
  for (auto s = schemes; s && *s; ++s)
    if (g_str_equal(*s, "dav")) return true;
  return false;
}

Task<Result> mount(std::string uri, PasswordPrompter* prompter) {
  auto st = std::make_shared<MountState>();
  st->uri = uri;
  st->prompter = prompter;
  st->op = GObjectPtr<GMountOperation>::adopt(g_mount_operation_new());
  CallbackAwaiter<Result> done([st](std::function<void(Result)> resolve) {
    st->resolve = std::move(resolve);
    gulong id = g_signal_connect(st->op.get(), "ask-password", G_CALLBACK(onAskPassword), st.get());
    st->askHandler = SignalHandler(st->op.get(), id);
    GFile* file = g_file_new_for_uri(st->uri.c_str());
    auto* holder = new std::shared_ptr<MountState>(st);
    g_file_mount_enclosing_volume(
        file, G_MOUNT_MOUNT_NONE, st->op.get(), nullptr,
        [](GObject* src, GAsyncResult* res, gpointer data) {
          std::unique_ptr<std::shared_ptr<MountState>> h(static_cast<std::shared_ptr<MountState>*>(data));
          auto& s = **h;
          GErrorPtr err;
          Result r;
          if (!g_file_mount_enclosing_volume_finish(G_FILE(src), res, err.out())) r = fromError(err.get());
          r.gaveUpAfterWrongPassword = s.gaveUp;
          r.cancelledByUser = !r.ok() && s.cancelled;
          r.user = s.user;
          s.askHandler.disconnect();
          s.resolve(std::move(r));
        },
        holder);
    g_object_unref(file);
  });
  Result r = co_await done;
  co_return r;
}

Task<Result> unmount(std::string uri) {
  GMount* m = findMount(uri);
  if (!m) {
    Result r;
    r.error = AppError(g_quark_to_string(G_IO_ERROR), G_IO_ERROR_NOT_MOUNTED, "没有挂载");
    co_return r;
  }
  auto mountRef = GObjectPtr<GMount>::adopt(m);
  CallbackAwaiter<Result> done([mountRef](std::function<void(Result)> resolve) {
    auto* cb = new std::function<void(Result)>(std::move(resolve));
    GMountOperation* op = g_mount_operation_new();
    g_mount_unmount_with_operation(
        mountRef, G_MOUNT_UNMOUNT_NONE, op, nullptr,
        [](GObject* src, GAsyncResult* res, gpointer data) {
          std::unique_ptr<std::function<void(Result)>> f(static_cast<std::function<void(Result)>*>(data));
          GErrorPtr err;
          Result r;
          if (!g_mount_unmount_with_operation_finish(G_MOUNT(src), res, err.out())) r = fromError(err.get());
          (*f)(std::move(r));
        },
        cb);
    g_object_unref(op);
  });
  Result r = co_await done;
  co_return r;
}

bool isMounted(const std::string& uri) {
  GMount* m = findMount(uri);
  if (!m) return false;
  g_object_unref(m);
  return true;
}

std::optional<std::filesystem::path> localPath(const std::string& uri) {
  if (!isMounted(uri)) return std::nullopt;
  GFile* f = g_file_new_for_uri(uri.c_str());
  GCharPtr p(g_file_get_path(f));
  g_object_unref(f);
  if (!p) return std::nullopt;
  return std::filesystem::path(p.get());
}

std::filesystem::path fuseDir() { return std::filesystem::path(g_get_user_runtime_dir()) / "gvfs"; }

void forgetSavedPasswords(const std::string& uri, const std::string& user, std::function<void(bool)> done) {
  GUri* parsed = g_uri_parse(uri.c_str(), G_URI_FLAGS_NONE, nullptr);
  if (!parsed) {
    if (done) done(false);
    return;
  }
  std::string server = g_uri_get_host(parsed) ? g_uri_get_host(parsed) : "";
  std::string protocol = g_uri_get_scheme(parsed);
  g_uri_unref(parsed);
  struct Ctx {
    std::function<void(bool)> done;
    std::string server;
  };
  auto* ctx = new Ctx{std::move(done), server};
  // GVfs keeps share passwords as network passwords (server, protocol, user).
  GHashTable* attrs = g_hash_table_new_full(g_str_hash, g_str_equal, nullptr, g_free);
  g_hash_table_insert(attrs, (gpointer) "server", g_strdup(server.c_str()));
  // GVfs names the protocol of a dav share "http"/"https"; the server and port match.
  g_hash_table_insert(attrs, (gpointer) "protocol", g_strdup(protocol == "davs" ? "https" : "http"));
  if (!user.empty()) g_hash_table_insert(attrs, (gpointer) "user", g_strdup(user.c_str()));
  secret_password_clearv(
      SECRET_SCHEMA_COMPAT_NETWORK, attrs, nullptr,
      [](GObject*, GAsyncResult* res, gpointer data) {
        std::unique_ptr<Ctx> c(static_cast<Ctx*>(data));
        GErrorPtr err;
        gboolean removed = secret_password_clear_finish(res, err.out());
        if (err.get())
          logLine(tags::kVolume, "无法清除保存的卷宗盘密码：" + err.message(), LogLevel::warning);
        else
          logLine(tags::kVolume, removed ? "已清除保存的卷宗盘密码：" + c->server : "没有保存的卷宗盘密码：" + c->server);
        if (c->done) c->done(removed);
      },
      ctx);
  g_hash_table_unref(attrs);
}

}  // namespace Mounts
}  // namespace quorvel
