#include "base/Async.h"

namespace quorvel {

AppError toAppError(const GError* error, const std::string& fallback) {
  if (!error) return AppError("Quorvel", -1, fallback);
  return AppError(g_quark_to_string(error->domain), error->code,
                  error->message && *error->message ? error->message : fallback);
}

}  // namespace quorvel
