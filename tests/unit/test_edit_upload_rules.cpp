// The edit-and-upload check's rules: where the test file goes, how the service's
// answers are recorded, and when the round trip counts as passed.
#include <gtest/gtest.h>

#include "diagnostics/rules/EditUploadRules.h"

using nlohmann::json;
namespace R = quorvel::EditUploadRules;

TEST(EditUploadRules, ASignedInFirmStartsTheCheckButNoFirmOrThePlatformAccountDoNot) {
  EXPECT_TRUE(R::canStart("墨衡律师事务所"));
  EXPECT_TRUE(R::canStart("system"));  // only the platform account's exact name
  EXPECT_FALSE(R::canStart(""));
  EXPECT_FALSE(R::canStart("SYSTEM"));
}

TEST(EditUploadRules, TheFirstContractOfTheNodesReplyChoosesTheFolder) {
  auto first = R::firstContract(R"({"ok":true,"contracts":[{"id":7,"no":"HT-2025-058"},{"id":8,"no":"HT-9"}]})");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->number, "HT-2025-058");
  EXPECT_EQ(first->count, 2);
  EXPECT_EQ(R::serverPath("墨衡", first->number, 1765000000),
            "user_data/墨衡/案件电子卷宗/HT-2025-058/00_合同公共材料/__编辑回流测试-1765000000.txt");

  // A contract without a text number still counts, with an empty number.
  auto unnamed = R::firstContract(R"({"contracts":[{"id":7,"no":12}]})");
  ASSERT_TRUE(unnamed);
  EXPECT_EQ(unnamed->number, "");
  EXPECT_EQ(unnamed->count, 1);

  // No usable list: no contract, and the firm's self-check folder.
  for (const char* reply : {"", "<html>登录</html>", "[]", R"({"contracts":[]})", R"({"contracts":{}})",
                            R"({"contracts":[{"no":"A"},3]})", R"({"ok":true})"}) {
    SCOPED_TRACE(reply);
    EXPECT_FALSE(R::firstContract(reply));
  }
  EXPECT_EQ(R::serverPath("墨衡", "", 42), "user_data/墨衡/案件电子卷宗/__自检__/__编辑回流测试-42.txt");
}

TEST(EditUploadRules, TheTwoVersionsAndTheLocalFileCarryTheStamp) {
  EXPECT_EQ(R::version1(42), "第一版：原始内容 42\n");
  EXPECT_EQ(R::version2(42), "第二版：我在客户端改过，内容更长一些 …… 42\n");
  EXPECT_EQ(R::localFileName(42), "editest-42.txt");
}

TEST(EditUploadRules, UploadAnswersAreRecordedWithFalseAndMinusOneForWhatIsMissing) {
  EXPECT_EQ(R::uploadRecord(json::parse(R"({"ok":true,"replaced":true,"size":34})")),
            json::parse(R"({"ok":true,"replaced":true,"size":34})"));
  // Truthy values that are no Booleans, and a size that is no integer.
  EXPECT_EQ(R::uploadRecord(json::parse(R"({"ok":1,"replaced":"true","size":3.5})")),
            json::parse(R"({"ok":false,"replaced":false,"size":-1})"));
  EXPECT_EQ(R::uploadRecord(json::parse(R"({"ok":true})")), json::parse(R"({"ok":true,"replaced":false,"size":-1})"));
  EXPECT_EQ(R::uploadRecord(json::array()), json::parse(R"({"ok":false,"replaced":false,"size":-1})"));
}

TEST(EditUploadRules, BodiesAreTextUnlessTheyAreNotUtf8AndRecordsKeepOnlyTheirHead) {
  EXPECT_EQ(R::bodyText("第一版"), "第一版");
  EXPECT_EQ(R::bodyText(""), "");
  EXPECT_EQ(R::bodyText(std::string("%PDF\xff\xfe\x00", 7)), "<binary 7B>");
  EXPECT_EQ(R::bodyText("\xe7\xac"), "<binary 2B>");  // a character cut in half

  const std::string v1 = R::version1(42);
  EXPECT_EQ(R::downloadRecord(200, v1, v1), (json{{"http", 200}, {"match", true}, {"got", v1}}));
  // Only the exact text matches: a missing line feed does not.
  EXPECT_EQ(R::downloadRecord(200, "第一版：原始内容 42", v1)["match"], false);
  EXPECT_EQ(R::downloadRecord(-1, "", v1), (json{{"http", -1}, {"match", false}, {"got", ""}}));

  // 60 and 80 characters, counted as characters, not bytes.
  std::string long100;
  for (int i = 0; i < 100; ++i) long100 += "字";
  auto got = R::downloadRecord(200, long100, v1)["got"].get<std::string>();
  EXPECT_EQ(got, long100.substr(0, 60 * 3));
  auto cleanup = R::cleanupRecord(404, long100);
  EXPECT_EQ(cleanup["http"], 404);
  EXPECT_EQ(cleanup["body"], long100.substr(0, 80 * 3));
  EXPECT_EQ(R::cleanupRecord(200, R"({"success":true})"), (json{{"http", 200}, {"body", R"({"success":true})"}}));
}

TEST(EditUploadRules, TheRoundTripPassesOnlyWhenBothCopiesMatchAndTheSecondReplacedTheFirst) {
  json report = json::parse(R"({
    "upload1": {"ok": true, "replaced": false, "size": 30},
    "download1": {"http": 200, "match": true, "got": ""},
    "upload2": {"ok": true, "replaced": true, "size": 60},
    "download2": {"http": 200, "match": true, "got": ""},
    "cleanup": {"http": 500, "body": ""},
    "afterDeleteHTTP": 200})");
  // A failed delete and what the later download saw take no part.
  EXPECT_EQ(R::result(report), "ok");

  // A second upload stored as a new file fails even with both copies matching.
  json copy = report;
  copy["upload2"]["replaced"] = false;
  EXPECT_EQ(R::result(copy), "fail");
  for (auto [section, key] : {std::pair{"upload1", "ok"}, {"download1", "match"}, {"download2", "match"}}) {
    SCOPED_TRACE(section);
    copy = report;
    copy[section][key] = false;
    EXPECT_EQ(R::result(copy), "fail");
    copy[section].erase(key);
    EXPECT_EQ(R::result(copy), "fail");
    copy.erase(section);
    EXPECT_EQ(R::result(copy), "fail");
  }
  // Only the Boolean true counts.
  copy = report;
  copy["download2"]["match"] = 1;
  EXPECT_EQ(R::result(copy), "fail");
  EXPECT_EQ(R::result(json::object()), "fail");
}
