#include "TestServiceTodos.h"

#include "TestService.h"

namespace quorvel::test {

std::string todoDemoDeadlinesJson() {
  // The firm's own proceedings (the case pages), as the dashboard lists them.
  return R"({"overdue":[)"
         R"({"content":"提交补充证据材料","date":"2026-02-27","days":-3,"client":"张三","proc":"（2026）京0105民初1234号","proc_id":88},)"
         R"({"content":"回复委托人咨询函","date":"2026-02-28","days":-2,"client":"鹿鸣湾餐饮管理有限公司","proc":"（2025）沪0104民初5678号","proc_id":102},)"
         R"({"content":"整理并寄送原件证据","date":"2026-03-01","days":-1,"client":"李四","proc":null,"proc_id":null}],)"
         R"("today":[)"
         R"({"content":"缴纳诉讼费","date":"2026-03-02","days":0,"client":"李四","proc":"（2026）京0105民初2871号","proc_id":91},)"
         R"({"content":"整理庭审提纲并发送委托人确认","date":"2026-03-02","days":0,"client":"张三","proc":"（2026）京0105民初1234号","proc_id":88}],)"
         R"("soon":[)"
         R"({"content":"提交财产线索","date":"2026-03-03","days":1,"client":"张三","proc":"（2026）京0105执517号","proc_id":113},)"
         R"({"content":"证据交换","date":"2026-03-04","days":2,"client":"周九","proc":"（2026）京0108民初3145号","proc_id":118},)"
         R"({"content":"答辩期届满","date":"2026-03-05","days":3,"client":"青禾数码科技有限公司","proc":"（2026）京0108民初2210号","proc_id":95},)"
         R"({"content":"与当事人确认和解条款","date":"2026-03-05","days":3,"client":null,"proc":null,"proc_id":null}],)"
         R"("verify":[)"
         R"({"content":"核实开庭时间（法院短信通知）","date":"2026-03-16","days":14,"client":"鹿鸣湾餐饮管理有限公司","proc":"（2025）沪0104民初5678号","proc_id":102}],)"
         R"("hearings":[)"
         R"({"content":"开庭（第三法庭）","date":"2026-03-10 09:30","days":8,"client":"张三","proc":"（2026）京0105民初1234号","proc_id":88},)"
         R"({"content":"二审开庭（第十二法庭）","date":"2026-03-18 14:00","days":16,"client":"云栖禾木文化传媒有限公司","proc":"（2025）京03民终1876号","proc_id":107}]})";
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
