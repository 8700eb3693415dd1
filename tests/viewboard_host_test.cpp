// The host layer: message boxes, scripted prompts, progress callbacks and
// the module's start-up and shut-down.
#include "platform/HostServices.h"
#include "platform/Morlak.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

class Host : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHostServices();
    GetScriptedHost().SetMessageStream(&log);
  }
  void TearDown() override {
    GetScriptedHost().SetMessageStream(nullptr);
    ResetHostServices();
  }
  std::ostringstream log;
};

TEST_F(Host, MessageBoxesAreCapturedWithTheirCaption) {
  EXPECT_EQ(MessageBoxA(nullptr, "请选择且只选择一个平面图", "Vek Error", 0), 1);
  EXPECT_EQ(MessageBoxA(nullptr, "请选择一个平面图", "VekError", 0), 1);
  EXPECT_EQ(AfxMessageBox("没有顶板, 将略去顶板绘制过程"), 1);
  MessageBoxA(nullptr, nullptr, nullptr, 0);

  const auto& m = GetScriptedHost().GetMessages();
  ASSERT_EQ(m.size(), 4u);
  EXPECT_EQ(m[0].caption, "Vek Error");
  EXPECT_EQ(m[0].text, "请选择且只选择一个平面图");
  EXPECT_EQ(m[1].caption, "VekError");
  EXPECT_FALSE(m[1].framework);
  EXPECT_TRUE(m[2].framework);
  EXPECT_EQ(m[2].caption, GetHostName());
  EXPECT_EQ(m[3].text, "");
  EXPECT_EQ(log.str(),
            "Vek Error: 请选择且只选择一个平面图\nVekError: 请选择一个平面图\ntankdesign: 没有顶板, 将略去顶板绘制过程\n: \n");
}

TEST_F(Host, ScriptedAnswersReachTheModuleInOrder) {
  ScriptedHostUi& host = GetScriptedHost();
  host.QueueAnswer(PromptAnswer::Point(_3dPoint(1, 2)).Expecting("请选择底面配筋图插入点"));
  host.QueueAnswer(PromptAnswer::Cancel());
  host.QueueAnswer(PromptAnswer::Point(_3dPoint(3, 4)));
  host.QueueAnswer(PromptAnswer::Entity(0x1A2));
  EXPECT_EQ(host.PendingAnswers(), 4u);

  _3dPoint p;
  EXPECT_TRUE(PromptInsertionPoint("请选择底面配筋图插入点", _3dPoint(0, 0), p));
  EXPECT_EQ(p, _3dPoint(1, 2));
  EXPECT_FALSE(PromptInsertionPoint("请选择顶面配筋图插入点", _3dPoint(0, 0), p));
  EXPECT_EQ(p, _3dPoint(1, 2));  // a cancel leaves the point alone
  EXPECT_TRUE(PromptPoint("", p));
  EXPECT_EQ(p, _3dPoint(3, 4));
  const PromptAnswer pick = PromptPick("选择构件");
  EXPECT_EQ(pick.kind, PromptAnswer::kEntity);
  EXPECT_EQ(pick.entity, 0x1A2u);
  // Nothing left: cancelled, and recorded as unanswered.
  EXPECT_FALSE(PromptPoint("多余的提示", p));

  const auto& prompts = host.GetPrompts();
  ASSERT_EQ(prompts.size(), 5u);
  EXPECT_EQ(prompts[0].prompt, "请选择底面配筋图插入点");
  EXPECT_EQ(prompts[1].answer, PromptAnswer::kCancel);
  EXPECT_EQ(prompts[3].kind, PromptKind::kPick);
  EXPECT_FALSE(prompts[3].unanswered);
  EXPECT_TRUE(prompts[4].unanswered);
}

TEST_F(Host, AScriptThatDriftsFromTheModuleIsAnError) {
  ScriptedHostUi& host = GetScriptedHost();
  host.QueueAnswer(PromptAnswer::Point(_3dPoint(1, 2)).Expecting("请选择洞口详图插入点"));
  _3dPoint p;
  EXPECT_THROW(PromptInsertionPoint("请选择池壁剖面配筋图插入点", _3dPoint(), p), HostScriptError);
  EXPECT_EQ(host.PendingAnswers(), 1u);  // not consumed
  host.Reset();
  host.QueueAnswer(PromptAnswer::Entity(5));
  EXPECT_THROW(PromptPoint("请选择洞口详图插入点", p), HostScriptError);
}

TEST_F(Host, ProgressIsRecordedAndCancelValuesAreReadBack) {
  ScriptedHostUi& host = GetScriptedHost();
  host.ScriptCancel(50, 2);
  host.ScriptCancel(90, 1);
  std::vector<int> readBack;
  for (int percent : {15, 25, 50, 75, 100}) readBack.push_back(ReportCancelProgress(&HostCancelProgress, percent));
  EXPECT_EQ(readBack, (std::vector<int>{0, 0, 2, 0, 1}));

  ReportProgress(&HostProgress, 10);
  ReportTextProgress(&HostTextProgress, 33, "正在绘制顶板平面图，请稍候...");
  ReportProgress(nullptr, 20);  // no callback: nothing happens
  ReportTextProgress(nullptr, 20, "x");
  EXPECT_EQ(ReportCancelProgress(nullptr, 20, 3), 3);
  HostCancelProgress(5, nullptr);  // a null pointer is tolerated

  const auto& p = host.GetProgress();
  ASSERT_EQ(p.size(), 8u);
  EXPECT_EQ(p[2].cancel, 2);
  EXPECT_EQ(p[5].percent, 10);
  EXPECT_EQ(p[6].text, "正在绘制顶板平面图，请稍候...");
}

TEST_F(Host, AnotherHostCanTakeOver) {
  struct Recorder : HostUi {
    std::vector<std::string> calls;
    void ShowMessage(const std::string& text, const std::string& caption, bool) override {
      calls.push_back(caption + ":" + text);
    }
    PromptAnswer Prompt(PromptKind, const std::string& prompt, const _3dPoint* base) override {
      calls.push_back("prompt:" + prompt + (base ? "@base" : ""));
      return PromptAnswer::Point(_3dPoint(7, 8));
    }
    void Progress(int percent, const std::string&, int* cancel) override {
      calls.push_back("progress:" + std::to_string(percent));
      if (cancel) *cancel = 1;
    }
  } recorder;
  SetHostUi(&recorder);
  HostMessageBox("t", "c");
  _3dPoint p;
  EXPECT_TRUE(PromptInsertionPoint("here", _3dPoint(), p));
  EXPECT_EQ(ReportCancelProgress(&HostCancelProgress, 40), 1);
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"c:t", "prompt:here@base", "progress:40"}));
  EXPECT_TRUE(GetScriptedHost().GetMessages().empty());
  SetHostUi(nullptr);
  HostMessageBox("t", "c");
  EXPECT_EQ(GetScriptedHost().GetMessages().size(), 1u);
}

// ---------------------------------------------------------------------------
// Start-up and shut-down

class ModuleSteps : public ::testing::Test {
 protected:
  void SetUp() override {
    ModuleShutdown();
    ResetModuleSteps();
  }
  void TearDown() override {
    try {
      ModuleShutdown();
    } catch (...) {
    }
    ResetModuleSteps();
  }
  std::vector<std::string> trace;
  void Add(const std::string& name, bool failStart = false, bool failStop = false) {
    RegisterModuleStep(
        name,
        [this, name, failStart] {
          if (failStart) throw std::runtime_error("start " + name);
          trace.push_back("+" + name);
        },
        [this, name, failStop] {
          trace.push_back("-" + name);
          if (failStop) throw std::runtime_error("stop " + name);
        });
  }
};

TEST_F(ModuleSteps, StartInOrderShutDownInReverseOnce) {
  Add("pi");
  Add("LineReinEntity");
  RegisterModuleStep("lists", [this] { trace.push_back("+lists"); });  // no shut-down step
  Add("captions");
  EXPECT_EQ(GetModuleStepNames(), (std::vector<std::string>{"pi", "LineReinEntity", "lists", "captions"}));
  ModuleStartup();
  ModuleStartup();  // once
  EXPECT_TRUE(IsModuleStarted());
  EXPECT_THROW(Add("late"), std::logic_error);
  ModuleShutdown();
  ModuleShutdown();  // once
  EXPECT_FALSE(IsModuleStarted());
  EXPECT_EQ(trace, (std::vector<std::string>{"+pi", "+LineReinEntity", "+lists", "+captions", "-captions",
                                             "-LineReinEntity", "-pi"}));
}

TEST_F(ModuleSteps, AFailingStartUpUndoesWhatStarted) {
  Add("a");
  Add("b");
  Add("c", true);
  Add("d");
  EXPECT_THROW(ModuleStartup(), std::runtime_error);
  EXPECT_FALSE(IsModuleStarted());
  EXPECT_EQ(trace, (std::vector<std::string>{"+a", "+b", "-b", "-a"}));
  EXPECT_THROW(Add("a"), std::logic_error);  // a name twice
}

TEST_F(ModuleSteps, AFailingShutDownStillShutsDownTheRest) {
  Add("a");
  Add("b", false, true);
  Add("c");
  ModuleStartup();
  EXPECT_THROW(ModuleShutdown(), std::runtime_error);
  EXPECT_EQ(trace, (std::vector<std::string>{"+a", "+b", "+c", "-c", "-b", "-a"}));
  EXPECT_FALSE(IsModuleStarted());
}

}  // namespace
