#pragma once
// Open/save questions as the features need them; the windowed implementation lives
// in ui/.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Task.h"

namespace quorvel {

class FilePanels {
 public:
  struct SaveQuestion {
    std::string title;          // the panel's title
    std::string suggestedName;  // proposed file name
    std::string filterName;     // e.g. "PDF 文档"
    std::string mimeType;       // the only type offered, e.g. "application/pdf"
    std::string pattern;        // e.g. "*.pdf"
    std::filesystem::path folder;  // where the panel opens; empty: the panel's choice
  };
  using SaveAnswer = std::function<void(std::optional<std::filesystem::path>)>;

  struct FileFilter {
    std::string name;                    // e.g. "扫描件（PDF / 图片）"
    std::vector<std::string> mimeTypes;  // e.g. "application/pdf"
    std::vector<std::string> suffixes;   // without the dot, any case: "pdf"
  };
  struct OpenQuestion {
    std::string title;
    std::vector<FileFilter> filters;  // the first is selected
    bool multiple = true;
  };
  // The chosen files in the panel's order; empty when the user cancelled.
  using OpenAnswer = std::function<void(std::vector<std::filesystem::path>)>;

  struct FolderQuestion {
    std::string title;
    std::string acceptLabel;       // the confirming button, e.g. "监控这个文件夹"
    std::filesystem::path folder;  // where the panel opens; empty: the panel's choice
  };
  // The chosen folder, or nothing when the user cancelled.
  using FolderAnswer = std::function<void(std::optional<std::filesystem::path>)>;

  virtual ~FilePanels() = default;
  // Asks where to save. Returns at once; `onAnswer` runs on the main thread with the
  // chosen path, or nothing when the user cancelled.
  virtual void askSaveFile(const SaveQuestion& question, SaveAnswer onAnswer) = 0;
  // Asks for files to open. Returns at once; `onAnswer` runs on the main thread. The
  // default shows nothing and answers "cancelled".
  virtual void askOpenFiles(const OpenQuestion& question, OpenAnswer onAnswer);
  // Asks for one folder (new folders may be made in the panel). Returns at once;
  // `onAnswer` runs on the main thread. The default answers "cancelled".
  virtual void askFolder(const FolderQuestion& question, FolderAnswer onAnswer);
};

// askSaveFile() awaited: the chosen path, or nothing when the user cancelled.
Task<std::optional<std::filesystem::path>> askSaveFile(FilePanels& panels, FilePanels::SaveQuestion question);

// Shows nothing: logs the question and answers "cancelled" on a later turn.
class CancellingFilePanels : public FilePanels {
 public:
  void askSaveFile(const SaveQuestion& question, SaveAnswer onAnswer) override;
};

}  // namespace quorvel
