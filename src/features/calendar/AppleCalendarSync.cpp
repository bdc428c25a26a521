#include "features/calendar/AppleCalendarSync.h"

namespace quorvel {

AppleCalendarSync& AppleCalendarSync::shared() {
  static AppleCalendarSync instance;
  return instance;
}

// The sync itself arrives with the calendar subsystem; without a configured sync
// both entry points have nothing to start.
void AppleCalendarSync::syncAfterPageLoadedIfNeeded() {}
void AppleCalendarSync::startIfEnabled() {}

}  // namespace quorvel
