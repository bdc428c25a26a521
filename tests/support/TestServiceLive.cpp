#include "TestServiceLive.h"

#include <nlohmann/json.hpp>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "TestPages.h"
#include "TestService.h"

namespace quorvel::test {
namespace {

struct Todo {
  long long id = 0;
  std::string content, date, type;
  std::optional<long long> procId;
  bool done = false;
};

struct TodoBook {
  std::mutex mutex;
  std::vector<Todo> todos;
  long long nextId = 5001;
  bool stayOpen = false;
};

// One book per service; a new one whenever the service's routes are installed again.
std::mutex booksMutex;
std::map<const TestService*, std::shared_ptr<TodoBook>> books;

std::shared_ptr<TodoBook> bookOf(const TestService& service) {
  std::lock_guard lock(booksMutex);
  auto& book = books[&service];
  if (!book) book = std::make_shared<TodoBook>();
  return book;
}

std::optional<long long> number(const std::string& text) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  return std::stoll(text);
}

// A native post of a signed-in caller, as the service takes them.
std::optional<Reply> refusedPost(const TestService& service, const RecordedRequest& r) {
  if (!service.isSignedIn(r)) return Reply::redirect("/login");
  if (r.method != "POST") return Reply::json(R"({"success":false,"error":"method not allowed"})", 405);
  return std::nullopt;
}

Reply addTodo(TestService& service, const RecordedRequest& r) {
  if (auto refused = refusedPost(service, r)) return *refused;
  auto book = bookOf(service);
  std::lock_guard lock(book->mutex);
  Todo todo;
  todo.id = book->nextId++;
  todo.content = r.formValue("content").value_or("");
  todo.date = r.formValue("date").value_or("");
  todo.type = r.formValue("todo_type").value_or("");
  todo.procId = number(r.formValue("proc_id").value_or(""));
  book->todos.push_back(todo);
  return Reply::json(nlohmann::json{{"success", true}, {"log_id", todo.id}}.dump());
}

Reply markDone(TestService& service, const RecordedRequest& r) {
  if (auto refused = refusedPost(service, r)) return *refused;
  auto id = number(r.path.substr(std::string("/api/mark_todo_done/").size()));
  auto book = bookOf(service);
  std::lock_guard lock(book->mutex);
  // Ids the service filed elsewhere (the calendar feed's) are acknowledged too.
  for (auto& todo : book->todos)
    if (id && todo.id == *id && !book->stayOpen) todo.done = true;
  return Reply::json(R"({"success":true})");
}

Reply procTodos(TestService& service, const RecordedRequest& r) {
  if (!service.isSignedIn(r)) return Reply::redirect("/login");
  auto procId = number(r.path.substr(std::string("/api/proc_todos/").size()));
  if (!procId || !pages::proceedingFolder(std::to_string(*procId)))
    return Reply::json(R"({"success":false,"error":"程序不存在"})", 404);
  auto book = bookOf(service);
  std::lock_guard lock(book->mutex);
  nlohmann::json list = nlohmann::json::array();
  for (const auto& todo : book->todos) {
    if (todo.procId != procId) continue;
    list.push_back({{"id", todo.id},
                    {"todo_content", todo.content},
                    {"todo_date", todo.date},
                    {"todo_type", todo.type},
                    {"is_done", todo.done}});
  }
  return Reply::json(nlohmann::json{{"success", true}, {"proc_id", *procId}, {"todos", list}}.dump());
}

}  // namespace

void installLiveRoutes(TestService& service) {
  {
    std::lock_guard lock(booksMutex);
    books[&service] = std::make_shared<TodoBook>();
  }
  service.setRoute("/api/quick_add_todo", [&service](const RecordedRequest& r) { return addTodo(service, r); });
  service.setPrefixRoute("/api/mark_todo_done/", [&service](const RecordedRequest& r) { return markDone(service, r); });
  service.setPrefixRoute("/api/proc_todos/", [&service](const RecordedRequest& r) { return procTodos(service, r); });
}

void setTodosStayOpen(TestService& service, bool on) {
  auto book = bookOf(service);
  std::lock_guard lock(book->mutex);
  book->stayOpen = on;
}

void setSignInRefused(TestService& service, bool on) {
  if (!on) {
    service.setRoute("/login", [&service](const RecordedRequest& r) { return service.loginRoute(r); });
    return;
  }
  service.setRoute("/login", [](const RecordedRequest& r) {
    return Reply::html(r.method == "POST" ? pages::login(kSignInRefused) : pages::login());
  });
}

}  // namespace quorvel::test
