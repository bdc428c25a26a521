#pragma once

namespace quorvel {

// Asks for the user's attention once: the urgency hint of the application's main
// window while it is not the active one, cleared once the user has come to it.
void markMainWindowUrgent();

}  // namespace quorvel
