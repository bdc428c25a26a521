#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestEnv.h"
#include "core/AppConfig.h"
#include "core/NavItem.h"
#include "platform/UserDefaults.h"

using namespace quorvel;

TEST(NavSymbol, ExactPathsPrefixesAndFallback) {
  EXPECT_EQ(navSymbol("/dashboard"), "square.grid.2x2");
  EXPECT_EQ(navSymbol("/cases"), "folder.fill");
  EXPECT_EQ(navSymbol("/cases/12"), "doc");  // only the exact path is the case centre
  EXPECT_EQ(navSymbol("/admin/console/usersX"), "person.2");
  EXPECT_EQ(navSymbol("/admin/console"), "chart.bar");
  EXPECT_EQ(navSymbol("/admin/console/audit/9"), "doc.plaintext");
  EXPECT_EQ(navSymbol("/proceeding/88"), "folder");
  EXPECT_EQ(navSymbol("/platform/x"), "slider.horizontal.3");
  EXPECT_EQ(navSymbol("/Dashboard"), "doc");  // case-sensitive
  EXPECT_EQ(navSymbol("/dashboard?x=1"), "doc");
  EXPECT_EQ(navSymbol(""), "doc");
}

TEST(RoleName, TrimsAndLowerCasesKnownCodesOnly) {
  EXPECT_EQ(roleName("  LaWyEr\t"), "律师");
  EXPECT_EQ(roleName("platform_admin"), "平台管理员");
  EXPECT_EQ(roleName("admin"), "平台管理员");
  EXPECT_EQ(roleName("   "), "");
  EXPECT_EQ(roleName("partner "), "partner ");
  EXPECT_EQ(roleName("lawyer\n"), "lawyer\n");  // newlines are not trimmed
}

TEST(DefaultSideItems, ElevenEntriesInOrderWithTheirSymbols) {
  const auto& items = defaultSideItems();
  ASSERT_EQ(items.size(), 11u);
  EXPECT_EQ(items.front(), (NavItem{"个人工作台", "square.grid.2x2", "/dashboard"}));
  EXPECT_EQ(items[3].path, "/cases");
  EXPECT_EQ(items[7].title, "缓存管理");
  EXPECT_EQ(items.back(), (NavItem{"系统教程", "book", "/tutorial"}));
  for (auto& i : items) EXPECT_EQ(i.symbol, navSymbol(i.path));
}

TEST(ServerURL, TrimsStoredValueAndFallsBack) {
  test::TempHome home;
  EXPECT_EQ(AppConfig::serverURL(), AppConfig::kDefaultServerURL);
  UserDefaults::standard().set("serverURL", "  https://law.example.com/ \n");
  EXPECT_EQ(AppConfig::serverURL(), "https://law.example.com/");  // trailing slash stays
  EXPECT_EQ(AppConfig::homeURL().host, "law.example.com");

  AppConfig::setServerURL("   ");
  EXPECT_EQ(UserDefaults::standard().string("serverURL"), std::string(AppConfig::kDefaultServerURL));

  UserDefaults::standard().set("serverURL", "not a url");
  EXPECT_EQ(AppConfig::serverURL(), "not a url");
  EXPECT_EQ(AppConfig::homeURL().toString(), AppConfig::kDefaultServerURL);

  UserDefaults::standard().set("serverURL", 42);  // wrong type counts as absent
  EXPECT_EQ(AppConfig::serverURL(), AppConfig::kDefaultServerURL);
}

TEST(UserAgent, SuffixesAreQueryEncoded) {
  auto ua = AppConfig::userAgentFor("ThinkPad X1 Carbon", "Li Si's PC");
  EXPECT_EQ(ua.rfind("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
                     "Version/17.0 Safari/605.1.15 Quorvel/2.2.0",
                     0),
            0u);
  EXPECT_NE(ua.find(" QuorvelModel/ThinkPad%20X1%20Carbon QuorvelName/Li%20Si's%20PC"), std::string::npos);
  EXPECT_EQ(AppConfig::userAgentFor("", ""),
            "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
            "Version/17.0 Safari/605.1.15 Quorvel/2.2.0");
  EXPECT_NE(AppConfig::userAgentFor("", "律所-电脑").find("QuorvelName/%E5%BE%8B"), std::string::npos);
}

TEST(Folders, DataDirIsCreatedOnceAndStable) {
  test::TempHome home;
  auto a = AppConfig::dataDir();
  auto b = AppConfig::dataDir();
  EXPECT_EQ(a, b);
  EXPECT_TRUE(std::filesystem::is_directory(a));
  EXPECT_EQ(a.filename(), "Quorvel");
  EXPECT_EQ(AppConfig::downloadDir().filename(), "墨衡台");
  EXPECT_FALSE(std::filesystem::exists(AppConfig::mirrorDir()));  // made only when written into
}

TEST(ServiceHost, DotSuffixAndCaseInsensitive) {
  EXPECT_TRUE(isServiceHost("example.com", "example.com"));
  EXPECT_TRUE(isServiceHost("SUB.example.com", "example.com"));
  EXPECT_TRUE(isServiceHost("a.b.EXAMPLE.COM", "example.com"));
  EXPECT_FALSE(isServiceHost("badexample.com", "example.com"));
  EXPECT_FALSE(isServiceHost("example.com.evil.org", "example.com"));
  EXPECT_FALSE(isServiceHost("", "example.com"));
}

TEST(ServiceOrigin, SchemeHostAndEffectivePortMustAllMatch) {
  auto home = *Url::parse("http://Example.com:8080/");
  auto origin = [&](const std::string& u) { return isServiceOrigin(*Url::parse(u), home); };
  EXPECT_TRUE(origin("http://example.com:8080/dashboard"));
  EXPECT_TRUE(origin("HTTP://sub.EXAMPLE.com:8080/x?y#z"));
  EXPECT_FALSE(origin("http://example.com:8081/dashboard"));
  EXPECT_FALSE(origin("http://example.com/dashboard"));
  EXPECT_FALSE(origin("https://example.com:8080/dashboard"));
  EXPECT_FALSE(origin("http://badexample.com:8080/"));
  EXPECT_FALSE(origin("data:text/html,x"));
  EXPECT_FALSE(origin("about:blank"));

  // Without a port, each scheme's default port counts.
  auto plain = *Url::parse("https://example.com");
  EXPECT_TRUE(isServiceOrigin(*Url::parse("https://example.com:443/a"), plain));
  EXPECT_TRUE(isServiceOrigin(*Url::parse("https://a.example.com/a"), plain));
  EXPECT_FALSE(isServiceOrigin(*Url::parse("https://example.com:8443/a"), plain));
  EXPECT_FALSE(isServiceOrigin(*Url::parse("http://example.com/a"), plain));
  EXPECT_TRUE(isServiceOrigin(*Url::parse("http://example.com/"), *Url::parse("http://example.com:80")));
}

TEST(UserDefaultsFile, DamagedFileIsMovedAsideNotOverwritten) {
  test::TempHome home;
  auto file = home.configHome() / "Quorvel" / "defaults.json";
  std::filesystem::create_directories(file.parent_path());
  { std::ofstream(file) << "{ this is not json"; }
  UserDefaults::resetStandardForTesting();
  EXPECT_FALSE(UserDefaults::standard().string("serverURL"));
  UserDefaults::standard().set("k", 1);
  int aside = 0;
  for (auto& e : std::filesystem::directory_iterator(file.parent_path()))
    if (e.path().filename().string().find("defaults.json.damaged-") == 0) {
      ++aside;
      std::ifstream in(e.path());
      std::string s((std::istreambuf_iterator<char>(in)), {});
      EXPECT_EQ(s, "{ this is not json");
    }
  EXPECT_EQ(aside, 1);
  EXPECT_EQ(UserDefaults::standard().integer("k"), 1);
}

TEST(UserDefaultsFile, TypedReadsTreatWrongTypesAsAbsent) {
  test::TempHome home;
  auto& d = UserDefaults::standard();
  d.set("i", 3);
  d.set("f", 3.5);
  d.set("b", true);
  d.set("s", "x");
  EXPECT_EQ(d.integer("i"), 3);
  EXPECT_FALSE(d.integer("f"));
  EXPECT_FALSE(d.integer("b"));
  EXPECT_FALSE(d.integer("s"));
  EXPECT_EQ(d.number("i"), 3.0);
  EXPECT_FALSE(d.number("s"));
  EXPECT_FALSE(d.boolean("i"));
  EXPECT_FALSE(d.string("i"));
  // A fresh reader sees what was written.
  UserDefaults again(d.file());
  EXPECT_EQ(again.string("s"), "x");
}
