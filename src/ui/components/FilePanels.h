#pragma once
#include "core/FilePanels.h"

namespace quorvel {

// The desktop's own file chooser (through the portal where there is one), modal to
// the application's active window.
class GtkFilePanels : public FilePanels {
 public:
  void askSaveFile(const SaveQuestion& question, SaveAnswer onAnswer) override;
  void askOpenFiles(const OpenQuestion& question, OpenAnswer onAnswer) override;
  void askFolder(const FolderQuestion& question, FolderAnswer onAnswer) override;
};

}  // namespace quorvel
