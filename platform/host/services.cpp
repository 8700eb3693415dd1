// Host layer: message boxes, prompts and progress through the host's UI.
#include "platform/HostServices.h"

#include <iostream>

namespace {

HostUi* g_hostUi = nullptr;

const char* Or(const char* text) { return text ? text : ""; }

}  // namespace

// ---------------------------------------------------------------------------
// PromptAnswer

PromptAnswer PromptAnswer::Point(const _3dPoint& p) {
  PromptAnswer a;
  a.kind = kPoint;
  a.point = p;
  return a;
}

PromptAnswer PromptAnswer::Entity(unsigned long long number) {
  PromptAnswer a;
  a.kind = kEntity;
  a.entity = number;
  return a;
}

PromptAnswer PromptAnswer::Cancel() { return PromptAnswer(); }

PromptAnswer PromptAnswer::Expecting(const std::string& prompt) const {
  PromptAnswer a = *this;
  a.checkPrompt = true;
  a.expectedPrompt = prompt;
  return a;
}

// ---------------------------------------------------------------------------
// ScriptedHostUi

ScriptedHostUi::ScriptedHostUi() : m_messageStream(&std::cerr) {}

void ScriptedHostUi::ShowMessage(const std::string& text, const std::string& caption, bool framework) {
  m_messages.push_back({caption, text, framework});
  if (m_messageStream) *m_messageStream << caption << ": " << text << std::endl;
}

PromptAnswer ScriptedHostUi::Prompt(PromptKind kind, const std::string& prompt, const _3dPoint* /*base*/) {
  PromptRecord record;
  record.kind = kind;
  record.prompt = prompt;
  if (m_nextAnswer >= m_answers.size()) {
    record.unanswered = true;
    m_prompts.push_back(record);
    return PromptAnswer::Cancel();
  }
  const PromptAnswer& answer = m_answers[m_nextAnswer];
  if (answer.checkPrompt && answer.expectedPrompt != prompt) {
    throw HostScriptError("scripted answer " + std::to_string(m_nextAnswer + 1) + " expects the prompt \"" +
                          answer.expectedPrompt + "\" but the module asks \"" + prompt + "\"");
  }
  if (kind == PromptKind::kPoint && answer.kind == PromptAnswer::kEntity) {
    throw HostScriptError("scripted answer " + std::to_string(m_nextAnswer + 1) +
                          " is an entity number, but the prompt \"" + prompt + "\" asks for a point");
  }
  ++m_nextAnswer;
  record.answer = answer.kind;
  m_prompts.push_back(record);
  return answer;
}

void ScriptedHostUi::Progress(int percent, const std::string& text, int* cancel) {
  ProgressRecord record{percent, text, 0};
  if (cancel) {
    if (m_nextCancel < m_cancels.size() && percent >= m_cancels[m_nextCancel].first) {
      *cancel = m_cancels[m_nextCancel].second;
      ++m_nextCancel;
    }
    record.cancel = *cancel;
  }
  m_progress.push_back(record);
  if (m_progressStream) {
    *m_progressStream << percent << "%";
    if (!text.empty()) *m_progressStream << " " << text;
    *m_progressStream << std::endl;
  }
}

void ScriptedHostUi::ScriptCancel(int percent, int value) { m_cancels.emplace_back(percent, value); }

void ScriptedHostUi::Reset() {
  m_answers.clear();
  m_nextAnswer = 0;
  m_cancels.clear();
  m_nextCancel = 0;
  m_messages.clear();
  m_prompts.clear();
  m_progress.clear();
}

// ---------------------------------------------------------------------------
// The current host

ScriptedHostUi& GetScriptedHost() {
  static ScriptedHostUi host;
  return host;
}

HostUi& GetHostUi() { return g_hostUi ? *g_hostUi : GetScriptedHost(); }

void SetHostUi(HostUi* host) { g_hostUi = host; }

const char* GetHostName() { return "tankdesign"; }

void ResetHostServices() {
  GetScriptedHost().Reset();
  g_hostUi = nullptr;
}

// ---------------------------------------------------------------------------
// Calls of the module

void HostMessageBox(const std::string& text, const std::string& caption) {
  GetHostUi().ShowMessage(text, caption, false);
}

void HostFrameworkMessage(const std::string& text) { GetHostUi().ShowMessage(text, GetHostName(), true); }

int MessageBoxA(void* /*owner*/, const char* text, const char* caption, unsigned /*style*/) {
  HostMessageBox(Or(text), Or(caption));
  return 1;
}

int AfxMessageBox(const char* text, unsigned /*type*/, unsigned /*help*/) {
  HostFrameworkMessage(Or(text));
  return 1;
}

bool PromptInsertionPoint(const std::string& prompt, const _3dPoint& base, _3dPoint& chosen) {
  const PromptAnswer a = GetHostUi().Prompt(PromptKind::kPoint, prompt, &base);
  if (a.kind != PromptAnswer::kPoint) return false;
  chosen = a.point;
  return true;
}

bool PromptPoint(const std::string& prompt, _3dPoint& point) {
  const PromptAnswer a = GetHostUi().Prompt(PromptKind::kPoint, prompt, nullptr);
  if (a.kind != PromptAnswer::kPoint) return false;
  point = a.point;
  return true;
}

PromptAnswer PromptPick(const std::string& prompt) { return GetHostUi().Prompt(PromptKind::kPick, prompt, nullptr); }

// ---------------------------------------------------------------------------
// Progress

void ReportProgress(ProgressFn fn, int percent) {
  if (!fn) return;
  int reserved = 0;
  fn(percent, &reserved);
}

int ReportCancelProgress(CancelProgressFn fn, int percent, int cancel) {
  if (!fn) return cancel;
  fn(percent, &cancel);
  return cancel;
}

void ReportTextProgress(TextProgressFn fn, int percent, const std::string& text) {
  if (!fn) return;
  int reserved = 0;
  fn(percent, text, &reserved);
}

void HostProgress(int percent, int* /*reserved*/) { GetHostUi().Progress(percent, std::string(), nullptr); }

void HostCancelProgress(int percent, int* cancel) {
  int local = 0;
  GetHostUi().Progress(percent, std::string(), cancel ? cancel : &local);
}

void HostTextProgress(int percent, std::string text, int* /*reserved*/) {
  GetHostUi().Progress(percent, text, nullptr);
}
