#pragma once
// The to-dos of the service as the live check writes and reads them: "/api/quick_add_todo"
// files a to-do (answering its "log_id"), "/api/mark_todo_done/<id>" marks it done and
// "/api/proc_todos/<proc id>" lists a proceeding's to-dos; and a service whose sign-in
// refuses every password.
#include <string>

namespace quorvel::test {

class TestService;

// Installs the routes with an empty to-do list (the service's built-in routes call it).
void installLiveRoutes(TestService& service);

// From now on a to-do stays open when it is marked done (the request still succeeds).
void setTodosStayOpen(TestService& service, bool on);
// From now on the sign-in page shows the form and refuses every sign-in with
// kSignInRefused in its error banner.
void setSignInRefused(TestService& service, bool on);
inline constexpr const char* kSignInRefused = "账号或密码错误";

}  // namespace quorvel::test
