// The scripted driver: reads line commands and acts on the running sheet or
// dialog through the control model.
#include "script_driver.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "ctl_actions.h"
#include "ctl_property_sheet.h"

namespace {

// Splits off the first word of rest (blanks around it dropped).
std::string TakeWord(std::string& rest) {
  size_t start = rest.find_first_not_of(" \t");
  if (start == std::string::npos) {
    rest.clear();
    return std::string();
  }
  size_t end = rest.find_first_of(" \t", start);
  std::string word = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
  rest = end == std::string::npos ? std::string() : rest.substr(end);
  return word;
}

// The rest of the line as one text: blanks around it dropped, and one pair
// of double quotes around it taken off (to keep blanks at its ends).
std::string TakeText(std::string& rest) {
  size_t start = rest.find_first_not_of(" \t");
  size_t end = rest.find_last_not_of(" \t\r");
  std::string text = start == std::string::npos ? std::string() : rest.substr(start, end - start + 1);
  rest.clear();
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return text;
}

bool ParseNumber(const std::string& word, long& value) {
  if (word.empty()) return false;
  char* end = nullptr;
  value = std::strtol(word.c_str(), &end, 0);
  return *end == '\0';
}

const std::map<std::string, int>& ButtonNames() {
  static const std::map<std::string, int> names = {{"ok", IDOK},       {"cancel", IDCANCEL}, {"abort", IDABORT},
                                                    {"retry", IDRETRY}, {"ignore", IDIGNORE}, {"yes", IDYES},
                                                    {"no", IDNO}};
  return names;
}

}  // namespace

FwScriptDriver::FwScriptDriver(const std::string& name, const std::vector<std::string>& lines)
    : name_(name), lines_(lines) {}

FwScriptDriver FwScriptDriver::FromFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw FwScriptError("cannot read the script " + path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return FwScriptDriver(path, lines);
}

void FwScriptDriver::Install() {
  previousHost_ = FwSetModalHost(this);
  previousPrompts_ = FwSetPrompts(&prompts_);
}

void FwScriptDriver::Uninstall() {
  FwSetModalHost(previousHost_);
  FwSetPrompts(previousPrompts_);
}

void FwScriptDriver::Fail(const std::string& why) const {
  throw FwScriptError(name_ + ":" + std::to_string(lineNo_) + ": " + why);
}

bool FwScriptDriver::WindowEnded(const Window& window) const {
  return window.sheet != nullptr ? window.sheet->IsEnded() : window.dialog->IsEnded();
}

CWnd& FwScriptDriver::Current() {
  if (windows_.empty()) Fail("no window is open");
  const Window& top = windows_.back();
  if (top.dialog != nullptr) return *top.dialog;
  CPropertyPage* page = top.sheet->GetActivePage();
  if (page == nullptr) Fail("the sheet shows no page");
  return *page;
}

void FwScriptDriver::RunDialog(CDialog& dialog) {
  windows_.push_back({&dialog, nullptr});
  RunUntilEnded();
}

void FwScriptDriver::RunSheet(CPropertySheet& sheet) {
  windows_.push_back({nullptr, &sheet});
  RunUntilEnded();
}

void FwScriptDriver::RunUntilEnded() {
  Window window = windows_.back();
  while (!WindowEnded(window)) {
    if (next_ >= lines_.size()) {
      lineNo_ = lines_.size();
      windows_.pop_back();
      Fail("the script ended while dialog " +
           std::to_string(window.sheet != nullptr && window.sheet->GetActivePage() != nullptr
                              ? window.sheet->GetActivePage()->GetTemplateId()
                              : window.dialog != nullptr ? window.dialog->GetTemplateId() : 0) +
           " was still open");
    }
    lineNo_ = ++next_;
    try {
      Execute(lines_[next_ - 1]);
    } catch (const FwScriptError&) {
      windows_.pop_back();
      throw;
    } catch (const std::runtime_error& e) {
      windows_.pop_back();
      Fail(e.what());
    }
  }
  windows_.pop_back();
}

void FwScriptDriver::Finish() {
  while (next_ < lines_.size()) {
    lineNo_ = ++next_;
    try {
      Execute(lines_[next_ - 1]);
    } catch (const FwScriptError&) {
      throw;
    } catch (const std::runtime_error& e) {
      Fail(e.what());
    }
  }
  size_t pending = prompts_.PendingAnswers();
  if (pending != 0) {
    lineNo_ = answerLines_[answerLines_.size() - pending];
    Fail("the answer given here was never asked for");
  }
}

void FwScriptDriver::Execute(const std::string& line) {
  std::string rest = line;
  std::string command = TakeWord(rest);
  if (command.empty() || command[0] == '#') return;

  auto controlId = [&]() -> UINT {
    std::string word = TakeWord(rest);
    long id = 0;
    if (!ParseNumber(word, id) || id <= 0) Fail("\"" + word + "\" is no control id");
    return static_cast<UINT>(id);
  };
  auto number = [&](const char* what) -> long {
    std::string word = TakeWord(rest);
    long value = 0;
    if (!ParseNumber(word, value)) Fail("\"" + word + "\" is no " + what);
    return value;
  };
  auto sheet = [&]() -> CPropertySheet& {
    if (windows_.empty() || windows_.back().sheet == nullptr) Fail(command + " needs the wizard sheet in front");
    return *windows_.back().sheet;
  };
  auto press = [&](int button, const char* name) {
    CPropertySheet& s = sheet();
    if (!s.IsButtonEnabled(button))
      Fail(std::string(name) + " is disabled on page " + std::to_string(s.GetActivePage()->GetTemplateId()));
    s.PressButton(button);
  };
  auto queueAnswer = [&]() { answerLines_.push_back(lineNo_); };
  // Words left after the arguments fail the line before anything is done.
  auto noMore = [&]() {
    if (rest.find_first_not_of(" \t\r") != std::string::npos)
      Fail("more on the line than " + command + " takes: \"" + rest + "\"");
  };

  if (command == "set") {
    UINT id = controlId();
    FwTypeText(Current(), id, TakeText(rest).c_str());
    FwLeaveEdit(Current(), id);
  } else if (command == "pick") {
    UINT id = controlId();
    FwPickItemByText(Current(), id, TakeText(rest).c_str());
  } else if (command == "pick-index") {
    UINT id = controlId();
    int index = static_cast<int>(number("item index"));
    noMore();
    FwPickItem(Current(), id, index);
  } else if (command == "click" || command == "toggle") {
    UINT id = controlId();
    noMore();
    FwClickButton(Current(), id);
  } else if (command == "row-check") {
    UINT id = controlId();
    int row = static_cast<int>(number("row number"));
    noMore();
    FwToggleRowCheck(Current(), id, row);
  } else if (command == "header-click") {
    // The column box of a report list's header (a right-click on the header).
    UINT id = controlId();
    long column = number("column number");
    noMore();
    CWnd* list = Current().RequireDlgItem(id);
    int columns = list->Kind() == FwControlKind::ListCtrl ? static_cast<CListCtrl*>(list)->GetColumnCount() : 0;
    if (column < 0 || column >= columns)
      Fail("report list " + std::to_string(id) + " has no column " + std::to_string(column) + " (it has " +
           std::to_string(columns) + ")");
    FwRightClickHeader(Current(), id, static_cast<int>(column));
  } else if (command == "tree") {
    UINT id = controlId();
    FwSelectTreePath(Current(), id, TakeText(rest).c_str());
  } else if (command == "map") {
    // A grid row to a source column: the row is selected, which shows the
    // grid's in-place combo, and the combo's entry is picked.
    UINT grid = controlId();
    long row = number("row number");
    std::string column = TakeText(rest);
    CWnd& page = Current();
    FwPickItem(page, grid, static_cast<int>(row));
    CWnd& list = *page.RequireDlgItem(grid);
    CWnd* combo = nullptr;
    for (CWnd* child : list.Children())
      if (child->Kind() == FwControlKind::ComboBox && child->IsWindowVisible()) combo = child;
    if (combo == nullptr) Fail("the grid " + std::to_string(grid) + " shows no combo box on row " + std::to_string(row));
    FwPickItemByText(list, combo->GetDlgCtrlID(), column.c_str());
  } else if (command == "help") {
    noMore();
    if (!Current().OnHelp() && !windows_.empty() && windows_.back().sheet != nullptr) windows_.back().sheet->OnHelp();
  } else if (command == "next") {
    noMore();
    press(PSBTN_NEXT, "Next");
  } else if (command == "back") {
    noMore();
    press(PSBTN_BACK, "Back");
  } else if (command == "finish") {
    noMore();
    press(PSBTN_FINISH, "Finish");
  } else if (command == "cancel") {
    noMore();
    if (!windows_.empty() && windows_.back().sheet != nullptr)
      press(PSBTN_CANCEL, "Cancel");
    else
      FwNotifyDialog(Current(), IDCANCEL, BN_CLICKED);
  } else if (command == "ok") {
    noMore();
    if (windows_.empty() || windows_.back().dialog == nullptr) Fail("ok needs a dialog in front");
    FwNotifyDialog(Current(), IDOK, BN_CLICKED);
  } else if (command == "answer") {
    std::string button = TakeWord(rest);
    auto found = ButtonNames().find(button);
    if (found == ButtonNames().end()) Fail("\"" + button + "\" is no message-box button");
    std::string what = TakeWord(rest);
    if (what.empty()) {
      prompts_.ExpectMessageBox(found->second);
    } else if (what == "id") {
      prompts_.ExpectMessageBox(found->second, static_cast<UINT>(number("string id")));
    } else if (what == "text") {
      prompts_.ExpectMessageBox(found->second, 0, TakeText(rest).c_str());
    } else {
      Fail("after the button comes \"id\" or \"text\", not \"" + what + "\"");
    }
    queueAnswer();
  } else if (command == "answer-open" || command == "answer-save") {
    prompts_.ExpectFileName(command == "answer-open", TakeText(rest).c_str());
    queueAnswer();
  } else if (command == "answer-folder") {
    prompts_.ExpectFolder(TakeText(rest).c_str());
    queueAnswer();
  } else if (command == "answer-document") {
    std::string word = TakeWord(rest);
    if (word != "opened" && word != "none") Fail("answer-document takes \"opened\" or \"none\"");
    prompts_.ExpectOpenDocument(word == "opened");
    queueAnswer();
  } else if (command == "expect") {
    std::string what = TakeWord(rest);
    if (what == "page") {
      long id = number("dialog id");
      CPropertyPage* page = sheet().GetActivePage();
      if (page == nullptr || page->GetTemplateId() != static_cast<UINT>(id))
        Fail("expected page " + std::to_string(id) + ", the sheet shows page " +
             std::to_string(page == nullptr ? 0 : page->GetTemplateId()));
    } else if (what == "dialog") {
      long id = number("dialog id");
      if (windows_.empty() || windows_.back().dialog == nullptr ||
          windows_.back().dialog->GetTemplateId() != static_cast<UINT>(id))
        Fail("expected dialog " + std::to_string(id) + " in front");
    } else if (what == "buttons") {
      long mask = number("buttons mask");
      DWORD shown = sheet().GetWizardButtons();
      if (shown != static_cast<DWORD>(mask))
        Fail("expected buttons " + std::to_string(mask) + ", the sheet shows " + std::to_string(shown));
    } else if (what == "text") {
      UINT id = controlId();
      std::string expected = TakeText(rest);
      CString shown = Current().GetDlgItemText(id);
      if (expected != static_cast<LPCTSTR>(shown))
        Fail("expected control " + std::to_string(id) + " to show \"" + expected + "\", it shows \"" +
             static_cast<LPCTSTR>(shown) + "\"");
    } else if (what == "message") {
      // The next message box shown since the last one checked.
      size_t shownBoxes = 0;
      const FwScriptedPrompts::Asked* box = nullptr;
      for (const auto& asked : prompts_.asked) {
        if (asked.kind != FwPromptKind::MessageBox) continue;
        if (shownBoxes++ == checkedBoxes_) box = &asked;
      }
      if (box == nullptr) Fail("expected a message box, none more was shown");
      ++checkedBoxes_;
      std::string expected = TakeText(rest);
      long id = 0;
      bool byId = ParseNumber(expected, id);
      // A script line holds no line break: one the box text ends with
      // (database errors end so) is not compared.
      std::string shown = static_cast<LPCTSTR>(box->text);
      while (!shown.empty() && (shown.back() == '\n' || shown.back() == '\r')) shown.pop_back();
      if (byId ? box->stringId != static_cast<UINT>(id) : expected != shown)
        Fail("expected message box " + expected + ", the box shown was " + std::to_string(box->stringId) + " \"" +
             static_cast<LPCTSTR>(box->text) + "\"");
    } else {
      Fail("expect what? \"" + what + "\" is none of page, dialog, buttons, text, message");
    }
  } else {
    Fail("unknown command \"" + command + "\"");
  }
  noMore();
}
