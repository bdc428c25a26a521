#include "core/FilePanels.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"

namespace quorvel {

void CancellingFilePanels::askSaveFile(const SaveQuestion& question, SaveAnswer onAnswer) {
  logLine(tags::kAlert, question.title + "：" + question.suggestedName + "（无窗口，视为取消）");
  if (onAnswer) postToMain([onAnswer] { onAnswer(std::nullopt); });
}

void FilePanels::askOpenFiles(const OpenQuestion& question, OpenAnswer onAnswer) {
  logLine(tags::kAlert, question.title + "（无窗口，视为取消）");
  if (onAnswer) postToMain([onAnswer] { onAnswer({}); });
}

void FilePanels::askFolder(const FolderQuestion& question, FolderAnswer onAnswer) {
  logLine(tags::kAlert, question.title + "（无窗口，视为取消）");
  if (onAnswer) postToMain([onAnswer] { onAnswer(std::nullopt); });
}

Task<std::optional<std::filesystem::path>> askSaveFile(FilePanels& panels, FilePanels::SaveQuestion question) {
  using Answer = std::optional<std::filesystem::path>;
  CallbackAwaiter<Answer> answer(
      [&](CallbackAwaiter<Answer>::Resolver resolve) { panels.askSaveFile(question, std::move(resolve)); });
  co_return co_await answer;
}

}  // namespace quorvel
