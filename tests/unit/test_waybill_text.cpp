// Waybill fields out of recognised text: the Part's rules on typical printed waybills
// of the couriers, as a recogniser returns them (ASCII brackets and colons, dropped or
// doubled blanks, full-width digits).
#include <gtest/gtest.h>

#include "features/recognition/WaybillText.h"
#include "platform/ocr/TextRecognizer.h"

using namespace quorvel;
using namespace quorvel::WaybillText;

TEST(WaybillText, TrackingNumberRulesInOrder) {
  // A labelled number wins over a later 13-digit run and comes back upper-cased.
  EXPECT_EQ(trackingNumber("运单号：YT7305918246\n电话 4008270270123"), "YT7305918246");
  EXPECT_EQ(trackingNumber("单号: sf73059182"), "SF73059182");
  EXPECT_EQ(trackingNumber("No. 7305918246"), "7305918246");
  EXPECT_EQ(trackingNumber("寄件 ab730591824cn 北京"), "AB730591824CN");
  // Without label or postal form, 13 digits win over an earlier 18-digit run.
  EXPECT_EQ(trackingNumber("订单 110101199003077777 客服\n编码 9876543210123"), "9876543210123");
  EXPECT_EQ(trackingNumber("73059182461234567"), "73059182461234567");
  EXPECT_EQ(trackingNumber("13800000000"), "");
  // An English label inside a word is no label (the page would otherwise turn green).
  EXPECT_EQ(trackingNumber("Announcement 2024"), "");
  EXPECT_EQ(trackingNumber("noname12345678"), "");
  EXPECT_EQ(trackingNumber("Waybill: JT0001234567890"), "JT0001234567890");
  EXPECT_EQ(trackingNumber("NO.SF1402938475612"), "SF1402938475612");
  EXPECT_EQ(trackingNumber("京东 JD0087654321098"), "");  // no label, no word boundary before the digits
  EXPECT_EQ(trackingNumber(normalisePunctuation("快递单号：ＳＦ１４０２９３８４７５６１２")), "SF1402938475612");
}

TEST(WaybillText, CourierByListOrder) {
  EXPECT_EQ(courier("京东物流 顺丰速运 联合承运"), "顺丰");
  EXPECT_EQ(courier("中国邮政 EMS 国内标准快递"), "中国邮政");
  EXPECT_EQ(courier("ems 特快"), "");
  EXPECT_EQ(courier("百世快递"), "百世");
  EXPECT_EQ(courier("无名快递"), "");
}

TEST(WaybillText, PartiesAndRemarks) {
  EXPECT_EQ(party(senderLabels(), "寄件人：前台 13800000000 北京市"), "前台");
  EXPECT_EQ(party(recipientLabels(), "收件人: 档案室 电话 010-0000"), "档案室");
  EXPECT_EQ(party(recipientLabels(), "收件人:李华电话 010-62345678"), "李华");  // blank dropped
  // A line with only the label is skipped, also by the shorter label inside it.
  EXPECT_EQ(party(senderLabels(), "寄件人\n发件人：李四"), "李四");
  EXPECT_EQ(party(senderLabels(), "寄件人：\n寄件：王五 地址 北京"), "王五");
  EXPECT_EQ(party(recipientLabels(), "收方，张三"), "张三");
  EXPECT_EQ(party(senderLabels(), "寄件人：" + std::string(30 * 3, 'x')).size(), 24u);
  EXPECT_EQ(party(senderLabels(), "寄件人：北京市朝阳区人民法院民事审判第一庭书记员办公室档案科"),
            "北京市朝阳区人民法院民事审判第一庭书记员办公室档");
  EXPECT_EQ(remark("备注：合同原件"), "合同原件");
  EXPECT_EQ(remark("内件品名: 文件"), "文件");
  EXPECT_EQ(remark("内件：证据材料"), "内件：证据材料");
  EXPECT_EQ(remark("备注：\n备注:判决书正本（3份）"), "判决书正本（3份）");
  EXPECT_EQ(characterCount(remark("备注：" + std::string(40, 'a'))), 30u);
}

TEST(WaybillText, TypicalPrintedWaybills) {
  struct Case {
    const char* text;
    const char* tracking;
    const char* courier;
    const char* sender;
    const char* recipient;
    const char* status;
  };
  const Case cases[] = {
      {"顺丰速运\n运单号 SF 1402938475612\n寄件人:张明 138 0000 0000\n收件人:李华 电话:010-62345678\n托寄物:文件",
       "1402938475612", "顺丰", "张明", "李华", "green"},  // split by a blank: the digits alone
      {"顺丰速运 标准快递\n运单号:SF1402938475612\n寄件人:张明13800000000\n收件人:李华", "SF1402938475612", "顺丰", "张明",
       "李华", "green"},
      {"EMS 中国邮政速递物流\n邮件号:EA123456789CN\n收件人:北京市第二中级人民法院\n寄件人:王律师 手机 13911112222",
       "EA123456789CN", "中国邮政", "王律师", "北京市第二中级人民法院", "green"},
      {"京东快递\n运单号：JD0087654321098\n收方:赵敏 186****1234\n寄方:京东自营", "JD0087654321098", "京东", "", "赵敏", "green"},
      {"中通快递 ZTO\n78301234567890\n收件:周律师 地址:上海市", "78301234567890", "中通", "", "周律师", "green"},
      {"YUNDA 韵达快递\n快递单号: 4312345678901\n备注:证据原件(共5页)", "4312345678901", "韵达", "", "", "green"},
      {"极兔速递 J&T\n运单号:JT5012345678901", "JT5012345678901", "极兔", "", "", "green"},
      {"某某同城配送\n单号 ABC12345678", "ABC12345678", "", "", "", "yellow"},
  };
  for (const auto& c : cases) {
    auto f = analyse(c.text);
    EXPECT_EQ(f.trackingNo, c.tracking) << c.text;
    EXPECT_EQ(f.courier, c.courier) << c.text;
    EXPECT_EQ(f.sender, c.sender) << c.text;
    EXPECT_EQ(f.recipient, c.recipient) << c.text;
    EXPECT_EQ(f.status, c.status) << c.text;
  }
  // Names and the remark come back as written: brackets and full-width digits stay.
  auto written = analyse("运单号：ＳＦ１４０２９３８４７５６１２\n寄件人：张三(律师)\n收件人：李华（收发室）Ａ座\n备注:证据原件(共５页)");
  EXPECT_EQ(written.trackingNo, "SF1402938475612");
  EXPECT_EQ(written.sender, "张三(律师)");
  EXPECT_EQ(written.recipient, "李华（收发室）Ａ座");
  EXPECT_EQ(written.remark, "证据原件(共５页)");
  auto none = analyse("寄件人：张三\n收件人：李四");
  EXPECT_EQ(none.status, "red");
  EXPECT_EQ(none.msg, "未识别到单号，请手动填写");
  EXPECT_EQ(analyse("单号 ABC12345678").msg, "已识别单号，快递公司未确认");
}

TEST(WaybillText, PunctuationAndRecognisedLines) {
  EXPECT_EQ(normalisePunctuation("(2026)京0105民初１２３号\u3000开庭"), "（2026）京0105民初123号 开庭");
  EXPECT_EQ(tidyRecognisedLine("案号: (2026)\n"), "案号: (2026)");
  EXPECT_EQ(tidyRecognisedLine("  \n"), "");
  EXPECT_EQ(tidyRecognisedLine("\xff\xfe"), "");
  EXPECT_EQ(characterPrefix("👨‍👩‍👧中文", 2), "👨‍👩‍👧中");
}
