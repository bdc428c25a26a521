#pragma once
// File panels that record every question and answer with the path a test chose.
#include <filesystem>
#include <optional>
#include <vector>

#include "base/MainQueue.h"
#include "core/FilePanels.h"

namespace quorvel::test {

class FakeFilePanels : public FilePanels {
 public:
  std::vector<SaveQuestion> asked;
  std::optional<std::filesystem::path> answer;  // nothing: the user cancels
  std::vector<OpenQuestion> openAsked;
  std::vector<std::filesystem::path> openAnswer;  // empty: the user cancels
  std::vector<FolderQuestion> folderAsked;
  std::optional<std::filesystem::path> folderAnswer;  // nothing: the user cancels

  void askSaveFile(const SaveQuestion& question, SaveAnswer onAnswer) override {
    asked.push_back(question);
    if (onAnswer) postToMain([onAnswer, a = answer] { onAnswer(a); });
  }

  void askOpenFiles(const OpenQuestion& question, OpenAnswer onAnswer) override {
    openAsked.push_back(question);
    if (onAnswer) postToMain([onAnswer, a = openAnswer] { onAnswer(a); });
  }

  void askFolder(const FolderQuestion& question, FolderAnswer onAnswer) override {
    folderAsked.push_back(question);
    if (onAnswer) postToMain([onAnswer, a = folderAnswer] { onAnswer(a); });
  }
};

}  // namespace quorvel::test
