// Host layer: what the module asks of the application that loads it.
//
// - Message boxes with caption and text.  The module's boxes are OK-only and
//   their result is never read; nothing blocks.  The command-line host prints
//   each box to its message stream (stderr unless set) as "caption: text"
//   and records it, so tests can assert it.  Boxes of the application
//   framework have no caption of their own; they get the host's name
//   ("tankdesign").
// - Progress callbacks of three kinds (plain function pointers, called
//   synchronously on the host's thread): percent only; percent and a step
//   text; percent with a cancel value the module reads back through the
//   pointer after every call.
// - Prompts for an insertion point and for a pick, answered from a queue of
//   scripted answers: a point, an entity number (a handle id), or cancel.  An
//   answer may name the prompt text it expects, so that a drift between a
//   script and the module is caught instead of answered wrongly.  A prompt
//   with no answer left is cancelled.
// - The module's start-up and shut-down: a registration list of steps; start
//   up runs them in registration order, shut down in reverse.
//
// Texts are UTF-8.  Everything runs on the host's thread.
#pragma once

#include "platform/Morlak.h"

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Progress callbacks.  The percent-only and the cancel kinds share one
// signature: the percent-only callers pass a pointer to a local 0 they never
// read; the cancelling callers read the value back (0 goes on, non-zero
// stops).

using ProgressFn = void (*)(int percent, int* reserved);
using CancelProgressFn = void (*)(int percent, int* cancel);
using TextProgressFn = void (*)(int percent, std::string text, int* reserved);

// Module-side helpers: call `fn` when it is set.  ReportCancelProgress
// starts from `cancel` (0 unless the caller holds an earlier value) and
// returns the value the host left there.
void ReportProgress(ProgressFn fn, int percent);
int ReportCancelProgress(CancelProgressFn fn, int percent, int cancel = 0);
void ReportTextProgress(TextProgressFn fn, int percent, const std::string& text);

// Host-side callbacks of the command-line host, to pass where the module
// takes a callback: they record the progress and answer the scripted cancel
// values (see ScriptedHostUi::ScriptCancel).
void HostProgress(int percent, int* reserved);
void HostCancelProgress(int percent, int* cancel);
void HostTextProgress(int percent, std::string text, int* reserved);

// ---------------------------------------------------------------------------
// Prompts and their answers.

enum class PromptKind { kPoint, kPick };

struct PromptAnswer {
  enum Kind { kPoint, kEntity, kCancel };
  Kind kind = kCancel;
  _3dPoint point;
  unsigned long long entity = 0;
  // When set, the answer belongs to a prompt with exactly this text.
  bool checkPrompt = false;
  std::string expectedPrompt;

  static PromptAnswer Point(const _3dPoint& p);
  static PromptAnswer Entity(unsigned long long number);
  static PromptAnswer Cancel();
  // The same answer, bound to a prompt text.
  PromptAnswer Expecting(const std::string& prompt) const;
};

// A prompt the module raised, with how it was answered.
struct PromptRecord {
  PromptKind kind = PromptKind::kPoint;
  std::string prompt;
  PromptAnswer::Kind answer = PromptAnswer::kCancel;
  bool unanswered = false;  // the queue was empty
};

// A script that does not fit what the module asks: an answer bound to
// another prompt text, or an entity number for a point prompt.
class HostScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct HostMessage {
  std::string caption;
  std::string text;
  bool framework = false;  // a framework box (no caption of its own)
};

struct ProgressRecord {
  int percent = 0;
  std::string text;
  int cancel = 0;  // the value handed back (cancel kind only)
};

// ---------------------------------------------------------------------------
// HostUi: the host's side.  A GUI host derives its own; the command-line
// host and the tests use ScriptedHostUi.

class HostUi {
 public:
  virtual ~HostUi() = default;
  virtual void ShowMessage(const std::string& text, const std::string& caption, bool framework) = 0;
  // The answer to a prompt; `base` is the base point of a drag (nullptr for
  // picks and plain points).
  virtual PromptAnswer Prompt(PromptKind kind, const std::string& prompt, const _3dPoint* base) = 0;
  // A progress step; `cancel` is null for the kinds that read nothing back.
  virtual void Progress(int percent, const std::string& text, int* cancel) = 0;
};

class ScriptedHostUi : public HostUi {
 public:
  ScriptedHostUi();

  void ShowMessage(const std::string& text, const std::string& caption, bool framework) override;
  PromptAnswer Prompt(PromptKind kind, const std::string& prompt, const _3dPoint* base) override;
  void Progress(int percent, const std::string& text, int* cancel) override;

  // Where messages are printed (nullptr: nowhere) and where progress is
  // printed (nullptr, the default: nowhere).
  void SetMessageStream(std::ostream* stream) { m_messageStream = stream; }
  void SetProgressStream(std::ostream* stream) { m_progressStream = stream; }

  // Answers, taken in the order queued.
  void QueueAnswer(const PromptAnswer& answer) { m_answers.push_back(answer); }
  std::size_t PendingAnswers() const { return m_answers.size() - m_nextAnswer; }
  // The first cancelling progress call at or above `percent` reads back
  // `value`; each scripted value is used once, in the order scripted.
  void ScriptCancel(int percent, int value);

  const std::vector<HostMessage>& GetMessages() const { return m_messages; }
  const std::vector<PromptRecord>& GetPrompts() const { return m_prompts; }
  const std::vector<ProgressRecord>& GetProgress() const { return m_progress; }

  // Clears answers, scripted cancels and the records; the streams stay.
  void Reset();

 private:
  std::ostream* m_messageStream;
  std::ostream* m_progressStream = nullptr;
  std::vector<PromptAnswer> m_answers;
  std::size_t m_nextAnswer = 0;
  std::vector<std::pair<int, int>> m_cancels;
  std::size_t m_nextCancel = 0;
  std::vector<HostMessage> m_messages;
  std::vector<PromptRecord> m_prompts;
  std::vector<ProgressRecord> m_progress;
};

// The host the module talks to; SetHostUi(nullptr) returns to the built-in
// scripted host.  The caller keeps a host it sets alive while it is set.
HostUi& GetHostUi();
void SetHostUi(HostUi* host);
// The built-in scripted host (also when another host is set).
ScriptedHostUi& GetScriptedHost();
// The host's name, the caption of the framework's boxes.
const char* GetHostName();

// ---------------------------------------------------------------------------
// Calls of the module.

// A message box with caption; a framework box (caption: the host's name).
void HostMessageBox(const std::string& text, const std::string& caption);
void HostFrameworkMessage(const std::string& text);
// The Windows calls the module makes, forwarded to the host; both answer
// IDOK (1).  Null texts read as empty.
int MessageBoxA(void* owner, const char* text, const char* caption, unsigned style);
int AfxMessageBox(const char* text, unsigned type = 0, unsigned help = 0);

// The point where `base` lands; false when cancelled.
bool PromptInsertionPoint(const std::string& prompt, const _3dPoint& base, _3dPoint& chosen);
// A plain point; false when cancelled.
bool PromptPoint(const std::string& prompt, _3dPoint& point);
// A pick: a point or an entity number, or cancel.
PromptAnswer PromptPick(const std::string& prompt);

// ---------------------------------------------------------------------------
// Module start-up and shut-down.

using ModuleStep = std::function<void()>;

// Adds a step: `startup` runs at ModuleStartup in registration order,
// `shutdown` (when set) at ModuleShutdown in reverse order.  Registering
// while the module is started, or a name twice, is a std::logic_error.
void RegisterModuleStep(const std::string& name, ModuleStep startup, ModuleStep shutdown = {});

// Registers a step at static initialisation:
//   static const ModuleStepRegistrar step1("pi", [] { ... }, [] { ... });
// Steps registered by one source file keep their order in the file.
struct ModuleStepRegistrar {
  ModuleStepRegistrar(const std::string& name, ModuleStep startup, ModuleStep shutdown = {});
};

// Runs the start-up steps once (a second call does nothing).  When a step
// throws, the steps already started are shut down in reverse order and the
// exception is passed on; the module is then not started.
void ModuleStartup();
// Runs the shut-down steps of the started steps in reverse order (once).  A
// throwing shut-down step does not stop the others; the first exception is
// passed on after all have run.
void ModuleShutdown();
bool IsModuleStarted();
std::vector<std::string> GetModuleStepNames();
// Forgets every step (tests).  The module must not be started.
void ResetModuleSteps();

// Back to a fresh host layer (tests): the built-in scripted host is reset
// and set as the host.
void ResetHostServices();
