#pragma once
// The session bus and method calls on it, awaited on the main context.
#include <gio/gio.h>

#include <string>

#include "base/GLibPtr.h"
#include "base/Task.h"

namespace quorvel {

// The session bus connection (GIO keeps one per process). Throws AppError when
// there is none.
Task<GDBusConnection*> sessionBus(GCancellable* cancellable = nullptr);

// Calls a method and waits for its reply; `params` is a floating variant or nullptr.
// A D-Bus error or a time-out throws AppError.
Task<GVariantPtr> dbusCall(GDBusConnection* bus, std::string busName, std::string path, std::string iface,
                           std::string method, GVariant* params, const GVariantType* replyType, int timeoutMs,
                           GCancellable* cancellable = nullptr);

}  // namespace quorvel
