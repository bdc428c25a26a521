#pragma once
#include "platform/DesktopNotifications.h"

namespace quorvel {

// Asks for the user's attention once: the urgency hint of the application's main
// window while it is not the active one, cleared once the user has come to it.
void markMainWindowUrgent();

// The notifications' way to the windows: the urgency hint, and the application
// activated when one of its notifications is clicked.
class ApplicationNotificationWindows : public NotificationWindows {
 public:
  void requestAttention() override { markMainWindowUrgent(); }
  void activateApplication() override;
};

}  // namespace quorvel
