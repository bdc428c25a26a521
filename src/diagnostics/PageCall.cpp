#include "diagnostics/PageCall.h"

#include <utility>

#include "base/ErrorDomains.h"
#include "base/MainQueue.h"

namespace quorvel {

Task<JsResult> callPageWithin(std::shared_ptr<WebPage> page, std::string body, nlohmann::json args,
                              unsigned guardMs) {
  // A named awaiter: GCC 12 destroys a capturing lambda inside a co_await operand twice.
  CallbackAwaiter<JsResult> call([page, body, args, guardMs](CallbackAwaiter<JsResult>::Resolver resolve) {
    auto guard = std::make_shared<unsigned>(0);
    *guard = postToMainAfter(guardMs, [resolve, guard] {
      *guard = 0;
      resolve(JsResult::failure(errors::kQuorvel, errors::kPageReadFailed, "页面无答复"));
    });
    page->callAsyncFunction(body, args, [resolve, guard](JsResult r) {
      if (*guard) cancelTimer(std::exchange(*guard, 0));
      resolve(std::move(r));
    });
  });
  JsResult r = co_await call;
  co_return r;
}

}  // namespace quorvel
