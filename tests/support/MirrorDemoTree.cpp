#include "MirrorDemoTree.h"

#include "WebDavServer.h"

namespace quorvel::test {

namespace {
constexpr long long kMarch = 1772438400;  // 2026-03-02
std::string pdf(const std::string& title, int pages = 2) { return WebDavServer::samplePdf(title, pages); }
}  // namespace

const std::vector<MirrorDemoContract>& mirrorDemoTree() {
  static const std::vector<MirrorDemoContract> tree = {
      {7, 301, "张三诉李四民间借贷纠纷", "user_data/FIRM_demo/案件/2026",
       {
           {"起诉状.pdf", pdf("Civil Complaint - Zhang San v. Li Si", 3), kMarch},
           {"庭审提纲.docx", "PK demo docx placeholder", kMarch + 3600},
           {"答辩状（第二稿）.docx", "PK demo docx placeholder", kMarch + 7200},
           {"财产线索清单.xlsx", "PK demo xlsx placeholder", kMarch + 9000},
           {"办案笔记.txt", "2026年3月2日 与委托人张三电话沟通，确认诉讼请求与证据清单。\n", kMarch + 9600},
           {"00_合同公共材料/委托代理合同.pdf", pdf("Engagement Agreement HT-2026-007"), kMarch - 86400 * 20},
           {"00_合同公共材料/授权委托书.pdf", pdf("Power of Attorney"), kMarch - 86400 * 20},
           {"01_一审诉状与证据/补充证据清单_v2.pdf", pdf("Supplementary Evidence List v2", 3), kMarch + 86400},
           {"01_一审诉状与证据/证据一 借款合同.pdf", pdf("Exhibit 1 Loan Agreement", 4), kMarch + 86400},
           {"01_一审诉状与证据/证据二 转账凭证+收条.pdf", pdf("Exhibit 2 Transfer Receipts"), kMarch + 86400},
           {"02_庭审材料/庭审笔录（第一次）.pdf", pdf("Hearing Transcript 1", 5), kMarch + 86400 * 12},
           {"10_结案归档/结案报告.docx", "PK demo docx placeholder - closing report", kMarch + 86400 * 40},
       }},
      {9, 302, "青禾数码采购合同审查", "user_data/FIRM_demo/案件/HT-2026-009青禾数码",
       {
           {"01_尽调材料/营业执照.pdf", pdf("Business Licence"), kMarch - 86400 * 5},
           {"01_尽调材料/股东名册.xlsx", "PK demo xlsx placeholder - shareholders", kMarch - 86400 * 5},
           {"02_合同审查/采购合同修订稿.docx", "PK demo docx placeholder - purchase contract rev 3", kMarch},
       }},
      {58, 303, "鹿鸣湾餐饮劳动仲裁", "user_data/FIRM_demo/案件/HT-2025-058鹿鸣湾餐饮",
       {
           {"00_合同公共材料/法律顾问合同.pdf", pdf("Counsel Agreement HT-2025-058"), kMarch - 86400 * 200},
           {"01_劳动仲裁/仲裁申请书.pdf", pdf("Arbitration Application", 3), kMarch - 86400 * 60},
           {"01_劳动仲裁/证据目录.pdf", pdf("Evidence Index"), kMarch - 86400 * 60},
           {"03_执行/执行申请书.pdf", pdf("Enforcement Application"), kMarch - 86400 * 2},
       }},
  };
  return tree;
}

std::string mirrorDemoTail(const std::string& serverPath) {
  static const std::string prefix = "user_data/FIRM_demo/";
  return serverPath.rfind(prefix, 0) == 0 ? serverPath.substr(prefix.size()) : serverPath;
}

}  // namespace quorvel::test
