#include "TestServiceTodos.h"

#include "TestService.h"

namespace quorvel::test {

std::string todoDemoDeadlinesJson() {
  return R"({"overdue":[)"
         R"({"content":"提交补充证据材料","date":"2026-02-27","days":-3,"client":"张三","proc":"（2026）京0105民初1234号","proc_id":88},)"
         R"({"content":"回复承办法官关于调解方案的询问","date":"2026-02-28","days":-2,"client":"北京华信科技有限公司","proc":"买卖合同纠纷一审","proc_id":102},)"
         R"({"content":"整理并寄送原件证据","date":"2026-03-01","days":-1,"client":"李四","proc":null,"proc_id":null}],)"
         R"("today":[)"
         R"({"content":"缴纳上诉案件受理费","date":"2026-03-02","days":0,"client":"李四","proc":"劳动仲裁（京劳人仲字〔2026〕第318号）","proc_id":91},)"
         R"({"content":"提交代理词","date":"2026-03-02","days":0,"client":"上海远航物流有限公司","proc":"运输合同纠纷","proc_id":117}],)"
         R"("soon":[)"
         R"({"content":"申请调取银行流水","date":"2026-03-03","days":1,"client":"深圳前海启明投资合伙企业","proc":"股权转让纠纷二审","proc_id":130},)"
         R"({"content":"举证期限届满，提交证据清单","date":"2026-03-04","days":2,"client":"王五","proc":"民间借贷纠纷","proc_id":124},)"
         R"({"content":"答辩期届满","date":"2026-03-05","days":3,"client":null,"proc":null,"proc_id":null},)"
         R"({"content":"与当事人确认和解条款","date":"2026-03-05","days":3,"client":"赵六","proc":"离婚纠纷","proc_id":133}],)"
         R"("verify":[)"
         R"({"content":"核实被告送达地址","date":"2026-03-06","days":4,"client":"北京华信科技有限公司","proc":"买卖合同纠纷一审","proc_id":102}],)"
         R"("hearings":[)"
         R"({"content":"证据交换","date":"2026-03-06 14:00","days":4,"client":"上海远航物流有限公司","proc":"运输合同纠纷","proc_id":117},)"
         R"({"content":"开庭（第三法庭）","date":"2026-03-08 09:30","days":6,"client":"张三","proc":"（2026）京0105民初1234号","proc_id":88}]})";
}

std::string todoDemoBadgeJson() {
  return R"({"overdue":3,"today":2,"soon":4,"verify":1,"hearings":2,)"
         R"("user":"张律师","role":"lawyer","firm":"墨衡律师事务所","ts":"2026-03-02 09:00"})";
}

void useTodoDemoData(TestService& service) {
  service.setDeadlinesReply(TestService::DeadlinesMode::Json, todoDemoDeadlinesJson());
  service.setBadgeReply(TestService::BadgeMode::Json, todoDemoBadgeJson());
}

}  // namespace quorvel::test
