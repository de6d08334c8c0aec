// Everything that asks the person goes through one installed
// implementation: message boxes, open and save file dialogs, folder
// browsing and opening a document with its program. The terminal front end
// asks; the scripted implementation answers from a queue and records every
// question.
#pragma once

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "fw_message_box.h"

enum class FwPromptKind { MessageBox, OpenFile, SaveFile, Folder, OpenDocument };

struct FwFileRequest {
  BOOL open;          // TRUE: open dialog, FALSE: save dialog
  CString title;      // dialog title (may be empty)
  CString filter;     // "Text files (*.txt)|*.txt|All files (*.*)|*.*||"
  CString defaultExt; // extension added to a name without one
  CString initialDir;
  CString fileName;   // the proposed name
};

class FwPrompts : public FwMessageBoxes {
 public:
  // Message boxes: the button chosen (an ID value).
  int Show(const FwMessageBoxRequest& request) override = 0;
  // A file name to open or save; FALSE when the person cancelled.
  virtual BOOL AskFileName(const FwFileRequest& request, CString& chosen) = 0;
  // A folder; FALSE when cancelled.
  virtual BOOL BrowseFolder(const CString& title, CString& chosen) = 0;
  // Opens the document with its associated program; FALSE when there is
  // none.
  virtual BOOL OpenDocument(const CString& path) = 0;
};

// Installs prompts (also as the message boxes of the framework) and returns
// the previous one.
FwPrompts* FwSetPrompts(FwPrompts* prompts);
// The installed prompts; throws FwControlError when none is installed.
FwPrompts& FwGetPrompts();

// A question the scripted prompts did not expect, or expected otherwise.
class FwUnexpectedPrompt : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Answers from a queue filled in advance and records every question. A
// question with no answer queued, or of another kind than the next answer,
// or a message box whose string id or text differs from the one the answer
// expects, throws FwUnexpectedPrompt.
class FwScriptedPrompts : public FwPrompts {
 public:
  struct Asked {
    FwPromptKind kind;
    UINT stringId;  // message boxes: the string id (0: a literal text)
    CString text;   // the box's text, the file or folder dialog's title, the document
    UINT type;      // message boxes: MB_ bits
  };

  // The next message box answers button; with expectedId (not 0) it must
  // come from that string, with expectedText (not empty) it must show it.
  void ExpectMessageBox(int button, UINT expectedId = 0, const CString& expectedText = CString());
  // The next file dialog (open or save as given) answers name; an empty
  // name cancels.
  void ExpectFileName(BOOL open, const CString& name);
  void ExpectFolder(const CString& folder);
  // The next document opening answers opened.
  void ExpectOpenDocument(BOOL opened);
  // Answers not used yet.
  size_t PendingAnswers() const { return answers_.size(); }

  int Show(const FwMessageBoxRequest& request) override;
  BOOL AskFileName(const FwFileRequest& request, CString& chosen) override;
  BOOL BrowseFolder(const CString& title, CString& chosen) override;
  BOOL OpenDocument(const CString& path) override;

  std::vector<Asked> asked;

 private:
  struct Answer {
    FwPromptKind kind;
    int button;
    UINT expectedId;
    CString text;  // expected box text, or the name/folder to answer
    BOOL yes;
  };
  Answer Take(const Asked& question);
  std::deque<Answer> answers_;
};

// The kind's name in messages ("message box", "open file dialog").
const char* FwPromptKindName(FwPromptKind kind);
