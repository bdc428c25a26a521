#pragma once

namespace quorvel {

// The calendar-sync service: hearings and deadlines into the local calendar.
class AppleCalendarSync {
 public:
  static AppleCalendarSync& shared();
  // After every page load outside the sign-in page: starts the first sync of the
  // process once the sync is enabled and set up.
  void syncAfterPageLoadedIfNeeded();
  void startIfEnabled();
};

}  // namespace quorvel
