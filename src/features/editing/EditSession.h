#pragma once
#include <string>

namespace quorvel {

// Editing a case file locally: a copy on the volume, opened in the default
// application and watched so that a saved change is offered for upload.
class EditSession {
 public:
  static EditSession& shared();
  // Main thread; failures are shown by the session itself.
  void openForEdit(const std::string& rel);

 private:
  EditSession() = default;
};

}  // namespace quorvel
