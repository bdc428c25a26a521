#pragma once
// Tells script messages of a tab's top document from those of its frames: the top
// document's handlers wrap every message with a token of this process, which no
// frame can read (see resources/scripts/message-seal.js).
#include <webkit/webkit.h>

#include <string>

#include "base/GObjectPtr.h"

namespace quorvel::MessageSeal {

// The page script that seals the top document's messages, the token passed in as a
// JSON literal.
std::string script();

// The message inside a body sealed with this process's token; empty for any other
// body (a frame's message, or one from a view without the script).
GObjectPtr<JSCValue> open(JSCValue* body);

}  // namespace quorvel::MessageSeal
