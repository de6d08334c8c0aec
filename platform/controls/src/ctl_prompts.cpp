// The installed prompts and the scripted prompts of tests and scripts.
#include "ctl_prompts.h"

#include <string>

#include "ctl_window.h"

namespace {
FwPrompts* g_prompts = nullptr;

std::string Describe(const FwScriptedPrompts::Asked& question) {
  std::string text = FwPromptKindName(question.kind);
  if (question.stringId != 0) text += " " + std::to_string(question.stringId);
  if (!question.text.IsEmpty()) text += " \"" + std::string(static_cast<LPCTSTR>(question.text)) + "\"";
  return text;
}
}  // namespace

FwPrompts* FwSetPrompts(FwPrompts* prompts) {
  FwPrompts* previous = g_prompts;
  g_prompts = prompts;
  FwSetMessageBoxes(prompts);
  return previous;
}

FwPrompts& FwGetPrompts() {
  if (g_prompts == nullptr) throw FwControlError("no front end installed to ask the person");
  return *g_prompts;
}

const char* FwPromptKindName(FwPromptKind kind) {
  switch (kind) {
    case FwPromptKind::MessageBox: return "message box";
    case FwPromptKind::OpenFile: return "open file dialog";
    case FwPromptKind::SaveFile: return "save file dialog";
    case FwPromptKind::Folder: return "folder dialog";
    case FwPromptKind::OpenDocument: return "document opening";
  }
  return "question";
}

void FwScriptedPrompts::ExpectMessageBox(int button, UINT expectedId, const CString& expectedText) {
  answers_.push_back({FwPromptKind::MessageBox, button, expectedId, expectedText, FALSE});
}

void FwScriptedPrompts::ExpectFileName(BOOL open, const CString& name) {
  answers_.push_back({open ? FwPromptKind::OpenFile : FwPromptKind::SaveFile, 0, 0, name, FALSE});
}

void FwScriptedPrompts::ExpectFolder(const CString& folder) {
  answers_.push_back({FwPromptKind::Folder, 0, 0, folder, FALSE});
}

void FwScriptedPrompts::ExpectOpenDocument(BOOL opened) {
  answers_.push_back({FwPromptKind::OpenDocument, 0, 0, CString(), opened});
}

FwScriptedPrompts::Answer FwScriptedPrompts::Take(const Asked& question) {
  asked.push_back(question);
  if (answers_.empty()) throw FwUnexpectedPrompt("unexpected " + Describe(question) + ": no answer was given for it");
  Answer answer = answers_.front();
  if (answer.kind != question.kind)
    throw FwUnexpectedPrompt("unexpected " + Describe(question) + ": the next answer is for a " +
                             FwPromptKindName(answer.kind));
  if (answer.kind == FwPromptKind::MessageBox) {
    if (answer.expectedId != 0 && answer.expectedId != question.stringId)
      throw FwUnexpectedPrompt("unexpected " + Describe(question) + ": expected message box " +
                               std::to_string(answer.expectedId));
    if (!answer.text.IsEmpty() && answer.text != question.text)
      throw FwUnexpectedPrompt("unexpected " + Describe(question) + ": expected the text \"" +
                               std::string(static_cast<LPCTSTR>(answer.text)) + "\"");
  }
  answers_.pop_front();
  return answer;
}

int FwScriptedPrompts::Show(const FwMessageBoxRequest& request) {
  return Take({FwPromptKind::MessageBox, request.stringId, request.text, request.type}).button;
}

BOOL FwScriptedPrompts::AskFileName(const FwFileRequest& request, CString& chosen) {
  Answer answer = Take({request.open ? FwPromptKind::OpenFile : FwPromptKind::SaveFile, 0, request.title, 0});
  if (answer.text.IsEmpty()) return FALSE;
  chosen = answer.text;
  return TRUE;
}

BOOL FwScriptedPrompts::BrowseFolder(const CString& title, CString& chosen) {
  Answer answer = Take({FwPromptKind::Folder, 0, title, 0});
  if (answer.text.IsEmpty()) return FALSE;
  chosen = answer.text;
  return TRUE;
}

BOOL FwScriptedPrompts::OpenDocument(const CString& path) {
  return Take({FwPromptKind::OpenDocument, 0, path, 0}).yes;
}
