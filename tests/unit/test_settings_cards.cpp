// What the settings sheet's account, appearance and volume cards show, and which
// typed service address they store.
#include <gtest/gtest.h>

#include "core/AppConfig.h"
#include "ui/model/SettingsCards.h"

using namespace quorvel;

TEST(SettingsServerAddress, BlankIsTheDefaultAndAUsableAddressLosesItsTrailingSlash) {
  EXPECT_EQ(AppConfig::serverURLToSave(""), AppConfig::kDefaultServerURL);
  EXPECT_EQ(AppConfig::serverURLToSave("  \n\t"), AppConfig::kDefaultServerURL);
  EXPECT_EQ(AppConfig::serverURLToSave("  https://law.example.com/ \n"), "https://law.example.com");
  EXPECT_EQ(AppConfig::serverURLToSave("https://law.example.com/base//"), "https://law.example.com/base");
  EXPECT_EQ(AppConfig::serverURLToSave("HTTP://127.0.0.1:40809/"), "http://127.0.0.1:40809");
  EXPECT_EQ(AppConfig::serverURLToSave(AppConfig::kDefaultServerURL), AppConfig::kDefaultServerURL);
  // What is stored is usable again as it stands, query included.
  for (const char* typed : {"https://law.example.com/?tenant=7", "https://律所.cn/", "http://[::1]:8080/"}) {
    auto stored = AppConfig::serverURLToSave(typed);
    ASSERT_TRUE(stored) << typed;
    EXPECT_NE(stored->back(), '/') << typed;
    EXPECT_EQ(AppConfig::validServerURL(*stored), stored) << typed;
  }
}

TEST(SettingsServerAddress, AnythingButAnHttpAddressWithAHostIsRefusedAndSaidSo) {
  for (const char* typed : {"garbage", "law.example.com", "file:///etc/passwd", "javascript:alert(1)",
                            "http://", "https:///dashboard", "ftp://law.example.com", "https://u:p@law.example.com"})
    EXPECT_EQ(AppConfig::serverURLToSave(typed), std::nullopt) << typed;

  EXPECT_EQ(serverSaveHint(std::nullopt), (ServerHint{"地址无效，未保存", ServerHint::Tone::danger}));
  EXPECT_EQ(serverSaveHint(std::string("https://law.example.com")), (ServerHint{"已保存", ServerHint::Tone::success}));
  // Plain http is stored, with a warning that it is unencrypted.
  auto http = serverSaveHint(std::string("http://127.0.0.1:40809"));
  EXPECT_EQ(http.tone, ServerHint::Tone::warning);
  EXPECT_EQ(http.text.rfind("已保存", 0), 0u);
}

TEST(SettingsServerAddress, AnotherSchemeHostOrPortIsAnotherService) {
  EXPECT_FALSE(changesService("https://law.example.com", "https://LAW.example.com/app"));
  EXPECT_FALSE(changesService("https://law.example.com", "https://law.example.com:443"));
  EXPECT_TRUE(changesService("https://law.example.com", "https://other.example.com"));
  EXPECT_TRUE(changesService("https://example.com", "https://law.example.com")) << "a subdomain is another firm's";
  EXPECT_TRUE(changesService("https://law.example.com", "http://law.example.com"));
  EXPECT_TRUE(changesService("http://127.0.0.1:40809", "http://127.0.0.1:40810"));
}

TEST(SettingsAccountLines, AvatarNameAndDetailForSignedInAndSignedOut) {
  EXPECT_EQ(accountAvatarCharacter(""), "?");
  EXPECT_EQ(accountNameLine(""), "当前未登录");
  EXPECT_EQ(accountAvatarCharacter("张三"), "张");
  EXPECT_EQ(accountAvatarCharacter("👩🏽‍⚖️ 李"), "👩🏽‍⚖️");  // one character, not its first byte
  EXPECT_EQ(accountNameLine("张三"), "张三");

  EXPECT_EQ(accountDetailLine("衡石律所", "lawyer"), "衡石律所 · 律师");
  EXPECT_EQ(accountDetailLine("", "director"), "主任");
  EXPECT_EQ(accountDetailLine("衡石律所", ""), "衡石律所");
  EXPECT_EQ(accountDetailLine("", "paralegal_x"), "paralegal_x");  // unknown code shown as it is
  EXPECT_EQ(accountDetailLine("", ""), "登录后自动同步待办、菜单与卷宗权限");
  EXPECT_EQ(accountDetailLine("", "  "), "登录后自动同步待办、菜单与卷宗权限");
}

TEST(SettingsZoomChips, TheNearestChipWithinTheMarginIsLitAndNeverTwo) {
  auto lit = [](double scale) {
    std::string titles;
    for (const ZoomChoice& c : kZoomChoices)
      if (zoomChipActive(scale, c.scale)) titles += c.title;
    return titles;
  };
  EXPECT_EQ(lit(1.14), "大 115%");
  EXPECT_EQ(lit(0.92), "小 90%");
  EXPECT_EQ(lit(1.0), "标准 100%");
  EXPECT_EQ(lit(1.05), "");
  EXPECT_EQ(lit(0.87), "");  // exactly 0.03 away is outside the margin
  for (double s = 0.5; s < 2.0; s += 0.005) {
    int count = 0;
    for (const ZoomChoice& c : kZoomChoices) count += zoomChipActive(s, c.scale);
    EXPECT_LE(count, 1) << s;
  }
}
