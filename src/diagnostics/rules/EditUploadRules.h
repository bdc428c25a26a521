#pragma once
// The edit-and-upload check's rules that need no network: the test file's place and
// contents, and how the answers of the service are recorded and judged.
#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace quorvel::EditUploadRules {

inline constexpr const char* kCannotStart = "没有登录态或平台账号，无法测试";

// No signed-in firm (empty) or the platform account "SYSTEM" without one.
bool canStart(const std::string& firm);

// The contract folder the file goes into: the first contract of a nodes reply.
struct NodesContract {
  std::string number;  // "no" of the first contract; empty when absent or not a text
  long long count = 0;
};
// Nothing when the reply is no JSON object or its "contracts" is not a non-empty
// array of objects.
std::optional<NodesContract> firstContract(const std::string& nodesReply);

// The server path of the test file, T being the time stamp in seconds: in the
// contract's public folder, or in the firm's self-check folder without a contract.
std::string serverPath(const std::string& firm, const std::string& contract, long long stamp);
// "editest-T.txt", the local test file's name.
std::string localFileName(long long stamp);
std::string version1(long long stamp);
std::string version2(long long stamp);

// {"ok", "replaced", "size"} of an upload answer: false when a flag is absent or no
// Boolean, -1 when "size" is absent or no integer.
nlohmann::json uploadRecord(const nlohmann::json& answer);
// A body as the report shows it: the text when it is UTF-8, else "<binary NB>".
std::string bodyText(const std::string& bytes);
// {"http", "match", "got"}: whether the text is `expected` exactly, and its first 60
// characters.
nlohmann::json downloadRecord(int status, const std::string& text, const std::string& expected);
// {"http", "body"}: the delete answer's status and its first 80 characters.
nlohmann::json cleanupRecord(int status, const std::string& text);

// "ok" when upload1's "ok", download1's "match", upload2's "replaced" and download2's
// "match" are all true in the report, otherwise "fail".
std::string result(const nlohmann::json& report);

}  // namespace quorvel::EditUploadRules
