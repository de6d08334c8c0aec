// The terminal front end: lays the window's controls out one under the
// other, draws them with ncurses and turns keys into a person's actions on
// the control model.
#include "term_front_end.h"

#include <curses.h>
#include <fnmatch.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "ctl_actions.h"
#include "ctl_property_sheet.h"

extern char** environ;

namespace {

constexpr int kListLines = 6;  // lines a list shows at most
constexpr int kEscape = 27;

// One line of the laid-out window.
struct Line {
  std::string text;
  bool focused;
  bool dim;
};

std::string Str(const CString& text) { return static_cast<LPCTSTR>(text); }

bool IsList(const CWnd& control) {
  switch (control.Kind()) {
    case FwControlKind::ListBox:
    case FwControlKind::ComboBox:
    case FwControlKind::ListCtrl:
    case FwControlKind::TreeCtrl: return true;
    default: return false;
  }
}

// The items a list shows, and which is selected.
std::vector<std::string> ListItems(CWnd& control, int& selected, std::vector<HTREEITEM>* treeItems) {
  std::vector<std::string> items;
  selected = -1;
  if (auto* list = dynamic_cast<FwItemList*>(&control)) {
    for (int i = 0; i < list->GetCount(); ++i) items.push_back(Str(list->GetItemText(i)));
    selected = list->GetCurSel();
  } else if (auto* report = dynamic_cast<CListCtrl*>(&control)) {
    for (int row = 0; row < report->GetItemCount(); ++row) {
      std::string text = report->GetCheck(row) ? "[x] " : "[ ] ";
      for (int column = 0; column < std::max(1, report->GetColumnCount()); ++column) {
        std::string cell = Str(report->GetItemText(row, column));
        cell.resize(std::max<size_t>(12, std::min<size_t>(cell.size(), 24)), ' ');
        text += (column > 0 ? " | " : "") + cell;
      }
      items.push_back(text);
      if (report->GetItemState(row, LVIS_SELECTED)) selected = row;
    }
  } else if (auto* tree = dynamic_cast<CTreeCtrl*>(&control)) {
    std::vector<std::pair<HTREEITEM, int>> stack;
    for (HTREEITEM item = tree->GetRootItem(); item != nullptr; item = tree->GetNextSiblingItem(item))
      stack.emplace_back(item, 0);
    std::reverse(stack.begin(), stack.end());
    while (!stack.empty()) {
      auto [item, depth] = stack.back();
      stack.pop_back();
      if (item == tree->GetSelectedItem()) selected = static_cast<int>(items.size());
      items.push_back(std::string(depth * 2, ' ') + Str(tree->GetItemText(item)));
      if (treeItems != nullptr) treeItems->push_back(item);
      std::vector<std::pair<HTREEITEM, int>> children;
      for (HTREEITEM child = tree->GetChildItem(item); child != nullptr; child = tree->GetNextSiblingItem(child))
        children.emplace_back(child, depth + 1);
      stack.insert(stack.end(), children.rbegin(), children.rend());
    }
  }
  return items;
}

// A label as shown: each '&' that marks the access key taken out ("&&"
// shows one '&').
std::string WithoutAccessMarks(const std::string& text) {
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

// text cut into lines of at most width characters at blanks and line breaks.
std::vector<std::string> Wrap(const std::string& text, int width) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    std::string paragraph = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    if (end != std::string::npos && text[end] == '\r' && at < text.size() && text[at] == '\n') ++at;
    while (static_cast<int>(paragraph.size()) > width) {
      size_t cut = paragraph.rfind(' ', width);
      if (cut == std::string::npos || cut == 0) cut = width;
      lines.push_back(paragraph.substr(0, cut));
      paragraph = paragraph.substr(cut < paragraph.size() && paragraph[cut] == ' ' ? cut + 1 : cut);
    }
    lines.push_back(paragraph);
  }
  return lines;
}

void AddControlLines(CWnd& control, bool focused, std::vector<Line>& lines) {
  bool dim = !control.IsWindowEnabled();
  std::string text = Str(control.GetWindowText());
  switch (control.Kind()) {
    case FwControlKind::Static:
      if (!text.empty()) lines.push_back({WithoutAccessMarks(text), false, dim});
      return;
    case FwControlKind::Edit:
      // A read-only text box is the page's help text: shown as a paragraph.
      if (static_cast<CEdit&>(control).IsReadOnly()) {
        for (const std::string& line : Wrap(text, std::max(20, COLS - 6))) lines.push_back({line, false, dim});
        lines.push_back({"", false, false});
        return;
      }
      lines.push_back({"[" + text + (focused ? "_" : "") + "]", focused, dim});
      return;
    case FwControlKind::Button: lines.push_back({"< " + WithoutAccessMarks(text) + " >", focused, dim}); return;
    case FwControlKind::CheckBox:
      lines.push_back({std::string(static_cast<CButton&>(control).GetCheck() ? "[x] " : "[ ] ") + WithoutAccessMarks(text),
                       focused, dim});
      return;
    case FwControlKind::Radio:
      lines.push_back({std::string(static_cast<CButton&>(control).GetCheck() ? "(*) " : "( ) ") + WithoutAccessMarks(text),
                       focused, dim});
      return;
    case FwControlKind::Progress: {
      auto& bar = static_cast<CProgressCtrl&>(control);
      int lower = 0, upper = 0;
      bar.GetRange(lower, upper);
      int filled = upper > lower ? (bar.GetPos() - lower) * 40 / (upper - lower) : 0;
      lines.push_back({"[" + std::string(filled, '#') + std::string(40 - filled, ' ') + "]", false, dim});
      return;
    }
    default: break;
  }
  if (auto* report = dynamic_cast<CListCtrl*>(&control); report != nullptr && report->GetColumnCount() > 0) {
    std::string header = "    ";
    for (int column = 0; column < report->GetColumnCount(); ++column) {
      FwListColumn info{};
      report->GetColumn(column, info);
      std::string heading = Str(info.text);
      heading.resize(std::max<size_t>(12, std::min<size_t>(heading.size(), 24)), ' ');
      header += (column > 0 ? " | " : "") + heading;
    }
    lines.push_back({header, false, true});
  }
  int selected = -1;
  std::vector<std::string> items = ListItems(control, selected, nullptr);
  int first = selected >= kListLines ? selected - kListLines + 1 : 0;
  if (items.empty()) lines.push_back({"  (empty)", focused, true});
  for (int i = first; i < static_cast<int>(items.size()) && i < first + kListLines; ++i)
    lines.push_back({(i == selected ? "> " : "  ") + items[i], focused && i == selected, dim});
  if (focused && selected < 0 && !items.empty()) lines[lines.size() - std::min<size_t>(items.size(), kListLines)].focused = true;
}

const char* ButtonName(int button) {
  switch (button) {
    case PSBTN_BACK: return "Back";
    case PSBTN_NEXT: return "Next";
    case PSBTN_FINISH: return "Finish";
  }
  return "Cancel";
}

}  // namespace

FwTerminal::FwTerminal() {
  initscr();
  cbreak();
  noecho();
  keypad(stdscr, TRUE);
  set_escdelay(25);
  curs_set(0);
}

FwTerminal::~FwTerminal() { endwin(); }

FwTerminal* FwTerminal::installed_ = nullptr;

void FwTerminal::Install() {
  previousHost_ = FwSetModalHost(this);
  previousPrompts_ = FwSetPrompts(this);
  previousProgress_ = FwSetProgressShown(&FwTerminal::ShowProgress);
  installed_ = this;
}

void FwTerminal::Uninstall() {
  FwSetModalHost(previousHost_);
  FwSetPrompts(previousPrompts_);
  FwSetProgressShown(previousProgress_);
  installed_ = nullptr;
}

void FwTerminal::ShowProgress(CProgressCtrl& bar) {
  if (installed_ == nullptr || installed_->frames_.empty() || !bar.IsWindowVisible()) return;
  installed_->Draw(*installed_->frames_.back());
}

void FwTerminal::RunDialog(CDialog& dialog) {
  Frame frame{&dialog, nullptr};
  Run(frame);
}

void FwTerminal::RunSheet(CPropertySheet& sheet) {
  Frame frame{nullptr, &sheet};
  Run(frame);
}

void FwTerminal::Run(Frame& frame) {
  frames_.push_back(&frame);
  try {
    while (!(frame.sheet != nullptr ? frame.sheet->IsEnded() : frame.dialog->IsEnded())) {
      Draw(frame);
      HandleKey(frame, getch());
    }
  } catch (...) {
    frames_.pop_back();
    throw;
  }
  frames_.pop_back();
}

CWnd& FwTerminal::Window(Frame& frame) {
  if (frame.dialog != nullptr) return *frame.dialog;
  return *frame.sheet->GetActivePage();
}

std::vector<FwTerminal::Focusable> FwTerminal::FocusList(Frame& frame) {
  std::vector<Focusable> list;
  for (CWnd* control : Window(frame).Children()) {
    if (!control->IsWindowVisible() || !control->IsWindowEnabled()) continue;
    if (control->Kind() == FwControlKind::Static || control->Kind() == FwControlKind::Progress) continue;
    if (auto* edit = dynamic_cast<CEdit*>(control); edit != nullptr && edit->IsReadOnly()) continue;
    list.push_back({control, -1});
  }
  if (frame.sheet != nullptr)
    for (int button : {PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH, PSBTN_CANCEL})
      if (frame.sheet->IsButtonEnabled(button)) list.push_back({nullptr, button});
  return list;
}

void FwTerminal::Draw(Frame& frame) {
  CWnd& window = Window(frame);
  if (frame.shown != &window) {
    frame.shown = &window;
    frame.focus = 0;
  }
  window.OnPaint();
  std::vector<Focusable> focusable = FocusList(frame);
  if (frame.focus >= focusable.size()) frame.focus = 0;
  const Focusable* focused = focusable.empty() ? nullptr : &focusable[frame.focus];

  std::vector<Line> lines;
  for (CWnd* control : window.Children())
    if (control->IsWindowVisible()) AddControlLines(*control, focused != nullptr && focused->control == control, lines);

  erase();
  std::string title = frame.sheet != nullptr ? Str(frame.sheet->GetTitle()) : Str(window.GetWindowText());
  if (frame.sheet != nullptr && title.empty()) title = Str(frame.sheet->GetWindowText());
  attron(A_REVERSE);
  mvhline(0, 0, ' ', COLS);
  mvaddnstr(0, 1, title.c_str(), COLS - 2);
  attroff(A_REVERSE);
  int top = 2;
  if (frame.sheet != nullptr) {
    attron(A_BOLD);
    mvaddnstr(1, 1, Str(window.GetWindowText()).c_str(), COLS - 2);
    attroff(A_BOLD);
    top = 3;
  }
  int room = LINES - top - 3;
  size_t focusLine = 0;
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].focused) focusLine = i;
  size_t first = focusLine >= static_cast<size_t>(room) ? focusLine - room + 1 : 0;
  for (size_t i = first; i < lines.size() && static_cast<int>(i - first) < room; ++i) {
    attr_t attributes = (lines[i].focused ? A_REVERSE : 0) | (lines[i].dim ? A_DIM : 0);
    attron(attributes);
    mvaddnstr(top + static_cast<int>(i - first), 2, lines[i].text.c_str(), COLS - 3);
    attroff(attributes);
  }
  if (frame.sheet != nullptr) {
    int column = 2;
    for (int button : {PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH, PSBTN_CANCEL}) {
      bool enabled = frame.sheet->IsButtonEnabled(button);
      // Next and Finish share a place: the one the page offers is shown.
      if (button == PSBTN_NEXT && !enabled && (frame.sheet->GetWizardButtons() & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH))) continue;
      if (button == PSBTN_FINISH && !(frame.sheet->GetWizardButtons() & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH))) continue;
      std::string label = enabled ? std::string("< ") + ButtonName(button) + " >" : std::string("  ") + ButtonName(button) + "  ";
      bool isFocused = focused != nullptr && focused->control == nullptr && focused->button == button;
      attr_t attributes = (isFocused ? A_REVERSE : 0) | (enabled ? 0 : A_DIM);
      attron(attributes);
      mvaddstr(LINES - 2, column, label.c_str());
      attroff(attributes);
      column += static_cast<int>(label.size()) + 2;
    }
  }
  attron(A_DIM);
  mvaddnstr(LINES - 1, 1, "Tab: next field  Space: toggle  Enter: press  Up/Down: choose in a list  F1: help  Esc: cancel", COLS - 2);
  attroff(A_DIM);
  refresh();
}

void FwTerminal::HandleKey(Frame& frame, int key) {
  std::vector<Focusable> focusable = FocusList(frame);
  CWnd& window = Window(frame);
  if (key == kEscape) {
    if (frame.sheet != nullptr)
      frame.sheet->PressButton(PSBTN_CANCEL);
    else
      FwNotifyDialog(window, IDCANCEL, BN_CLICKED);
    return;
  }
  if (key == KEY_F(1)) {
    if (!window.OnHelp() && frame.sheet != nullptr) frame.sheet->OnHelp();
    return;
  }
  if (focusable.empty()) return;
  if (frame.focus >= focusable.size()) frame.focus = 0;
  Focusable focused = focusable[frame.focus];
  CWnd* control = focused.control;
  // Moving the focus off an edit tells its dialog (EN_KILLFOCUS).
  auto move = [&](int step) {
    frame.focus = (frame.focus + focusable.size() + step) % focusable.size();
    if (control != nullptr && control->Kind() == FwControlKind::Edit)
      FwNotifyDialog(window, control->GetDlgCtrlID(), EN_KILLFOCUS);
  };

  if (control != nullptr && IsList(*control) && (key == KEY_UP || key == KEY_DOWN)) {
    int selected = -1;
    std::vector<HTREEITEM> treeItems;
    std::vector<std::string> items = ListItems(*control, selected, &treeItems);
    int target = std::clamp(selected + (key == KEY_DOWN ? 1 : -1), 0, static_cast<int>(items.size()) - 1);
    if (items.empty() || target == selected) return;
    if (auto* tree = dynamic_cast<CTreeCtrl*>(control)) {
      tree->SelectItem(treeItems[target]);
      FwNotifyDialog(window, control->GetDlgCtrlID(), TVN_SELCHANGED);
    } else {
      FwPickItem(window, control->GetDlgCtrlID(), target);
    }
    return;
  }
  switch (key) {
    case '\t':
    case KEY_RIGHT:
    case KEY_DOWN: move(+1); return;
    case KEY_BTAB:
    case KEY_LEFT:
    case KEY_UP: move(-1); return;
    default: break;
  }
  if (control == nullptr) {
    if (key == '\n' || key == '\r' || key == KEY_ENTER || key == ' ') frame.sheet->PressButton(focused.button);
    return;
  }
  UINT id = control->GetDlgCtrlID();
  switch (control->Kind()) {
    case FwControlKind::Edit:
      if (key == KEY_BACKSPACE || key == 127 || key == 8) {
        std::string text = Str(control->GetWindowText());
        if (!text.empty()) text.pop_back();
        FwTypeText(window, id, text.c_str());
      } else if (key >= 32 && key < 256 && key != 127) {
        std::string text = Str(control->GetWindowText()) + static_cast<char>(key);
        FwTypeText(window, id, text.c_str());
      } else if (key == '\n' || key == '\r' || key == KEY_ENTER) {
        move(+1);
      }
      return;
    case FwControlKind::Button:
    case FwControlKind::CheckBox:
    case FwControlKind::Radio:
      if (key == ' ' || key == '\n' || key == '\r' || key == KEY_ENTER) FwClickButton(window, id);
      return;
    case FwControlKind::ListCtrl:
      if (key == ' ') {
        auto& report = static_cast<CListCtrl&>(*control);
        int row = report.GetNextItem(-1, LVNI_SELECTED);
        if (row >= 0) FwToggleRowCheck(window, id, row);
      }
      return;
    default: return;
  }
}

int FwTerminal::Show(const FwMessageBoxRequest& request) {
  std::vector<std::pair<const char*, int>> buttons;
  switch (request.type & MB_TYPEMASK) {
    case MB_OKCANCEL: buttons = {{"OK", IDOK}, {"Cancel", IDCANCEL}}; break;
    case MB_ABORTRETRYIGNORE: buttons = {{"Abort", IDABORT}, {"Retry", IDRETRY}, {"Ignore", IDIGNORE}}; break;
    case MB_YESNOCANCEL: buttons = {{"Yes", IDYES}, {"No", IDNO}, {"Cancel", IDCANCEL}}; break;
    case MB_YESNO: buttons = {{"Yes", IDYES}, {"No", IDNO}}; break;
    case MB_RETRYCANCEL: buttons = {{"Retry", IDRETRY}, {"Cancel", IDCANCEL}}; break;
    default: buttons = {{"OK", IDOK}}; break;
  }
  // The text wrapped at blanks to the box's width.
  int width = std::max(30, std::min(COLS - 8, 70));
  std::vector<std::string> lines = Wrap(Str(request.text), width - 4);
  int height = static_cast<int>(lines.size()) + 4;
  WINDOW* box = newwin(height, width, std::max(0, (LINES - height) / 2), (COLS - width) / 2);
  keypad(box, TRUE);
  size_t choice = 0;
  for (;;) {
    werase(box);
    ::box(box, 0, 0);
    for (size_t i = 0; i < lines.size(); ++i) mvwaddnstr(box, static_cast<int>(i) + 1, 2, lines[i].c_str(), width - 4);
    int column = 2;
    for (size_t i = 0; i < buttons.size(); ++i) {
      std::string label = std::string("< ") + buttons[i].first + " >";
      if (i == choice) wattron(box, A_REVERSE);
      mvwaddstr(box, height - 2, column, label.c_str());
      if (i == choice) wattroff(box, A_REVERSE);
      column += static_cast<int>(label.size()) + 2;
    }
    wrefresh(box);
    int key = wgetch(box);
    if (key == '\t' || key == KEY_RIGHT) choice = (choice + 1) % buttons.size();
    if (key == KEY_BTAB || key == KEY_LEFT) choice = (choice + buttons.size() - 1) % buttons.size();
    if (key == '\n' || key == '\r' || key == KEY_ENTER || key == ' ') break;
    if (key == kEscape) {
      auto cancel = std::find_if(buttons.begin(), buttons.end(), [](const auto& b) { return b.second == IDCANCEL; });
      if (cancel != buttons.end() || buttons.size() == 1) {
        choice = cancel != buttons.end() ? static_cast<size_t>(cancel - buttons.begin()) : 0;
        break;
      }
    }
  }
  delwin(box);
  touchwin(stdscr);
  return buttons[choice].second;
}

bool FwTerminal::AskLine(const std::string& title, std::string& text) {
  int width = std::max(30, COLS - 8);
  WINDOW* box = newwin(5, width, (LINES - 5) / 2, 4);
  keypad(box, TRUE);
  bool accepted = false;
  for (;;) {
    werase(box);
    ::box(box, 0, 0);
    mvwaddnstr(box, 1, 2, title.c_str(), width - 4);
    std::string shown = text.size() > static_cast<size_t>(width - 6) ? text.substr(text.size() - (width - 6)) : text;
    mvwaddstr(box, 2, 2, (shown + "_").c_str());
    mvwaddnstr(box, 3, 2, "Enter: accept  Esc: cancel", width - 4);
    wrefresh(box);
    int key = wgetch(box);
    if (key == '\n' || key == '\r' || key == KEY_ENTER) {
      accepted = true;
      break;
    }
    if (key == kEscape) break;
    if ((key == KEY_BACKSPACE || key == 127 || key == 8) && !text.empty()) text.pop_back();
    if (key >= 32 && key < 127) text += static_cast<char>(key);
  }
  delwin(box);
  touchwin(stdscr);
  return accepted;
}

namespace {

// The patterns of a filter's first entry ("Text (*.csv)|*.csv;*.txt|..."
// gives *.csv and *.txt); none for an empty filter.
std::vector<std::string> FirstFilterPatterns(const std::string& filter) {
  std::vector<std::string> patterns;
  size_t bar = filter.find('|');
  if (bar == std::string::npos) return patterns;
  std::string list = filter.substr(bar + 1, filter.find('|', bar + 1) - bar - 1);
  for (size_t at = 0; at <= list.size();) {
    size_t end = list.find(';', at);
    std::string pattern = list.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (!pattern.empty()) patterns.push_back(pattern);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return patterns;
}

// The folder part of path with its '/' ("" for a bare name).
std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The entries of folder: "../", then the folders (with a trailing '/') and
// the files that match a pattern (any file without patterns), by name, case
// ignored in the matching.
std::vector<std::string> FolderEntries(const std::string& folder, const std::vector<std::string>& patterns) {
  std::vector<std::string> folders, files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, error)) {
    std::string name = entry.path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    if (entry.is_directory(error)) {
      folders.push_back(name + "/");
      continue;
    }
    bool fits = patterns.empty();
    for (const std::string& pattern : patterns) fits = fits || fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
    if (fits) files.push_back(name);
  }
  std::sort(folders.begin(), folders.end());
  std::sort(files.begin(), files.end());
  std::vector<std::string> entries{"../"};
  entries.insert(entries.end(), folders.begin(), folders.end());
  entries.insert(entries.end(), files.begin(), files.end());
  return entries;
}

}  // namespace

bool FwTerminal::AskPath(const std::string& title, const std::vector<std::string>& patterns, std::string& path) {
  int width = std::max(40, COLS - 8);
  int height = std::max(10, LINES - 4);
  int rows = height - 6;
  WINDOW* box = newwin(height, width, (LINES - height) / 2, (COLS - width) / 2);
  keypad(box, TRUE);
  int selected = -1;
  bool accepted = false;
  // The folder listed: the path's, except while an entry is being chosen.
  std::string folder = FolderOf(path);
  for (;;) {
    std::vector<std::string> entries = FolderEntries(folder, patterns);
    werase(box);
    ::box(box, 0, 0);
    mvwaddnstr(box, 1, 2, title.c_str(), width - 4);
    std::string shown = path.size() > static_cast<size_t>(width - 6) ? path.substr(path.size() - (width - 6)) : path;
    mvwaddstr(box, 2, 2, (shown + "_").c_str());
    int first = selected >= rows ? selected - rows + 1 : 0;
    for (int i = first; i < static_cast<int>(entries.size()) && i < first + rows; ++i) {
      if (i == selected) wattron(box, A_REVERSE);
      mvwaddnstr(box, 3 + i - first, 4, entries[i].c_str(), width - 6);
      if (i == selected) wattroff(box, A_REVERSE);
    }
    mvwaddnstr(box, height - 2, 2, "Up/Down: choose  Enter: open the folder or take the file  Esc: cancel", width - 4);
    wrefresh(box);
    int key = wgetch(box);
    if (key == kEscape) break;
    if (key == KEY_UP || key == KEY_DOWN) {
      selected = std::clamp(selected + (key == KEY_DOWN ? 1 : -1), 0, static_cast<int>(entries.size()) - 1);
      path = folder + entries[selected];
      continue;
    }
    if (key == '\n' || key == '\r' || key == KEY_ENTER) {
      std::error_code error;
      if (!path.empty() && (path.back() == '/' || std::filesystem::is_directory(path, error))) {
        std::filesystem::path entered = std::filesystem::weakly_canonical(path.empty() ? "." : path, error);
        path = entered.string();
        if (path.empty() || path.back() != '/') path += '/';
        folder = path;
        selected = -1;
        continue;
      }
      accepted = !path.empty();
      if (accepted) break;
      continue;
    }
    if ((key == KEY_BACKSPACE || key == 127 || key == 8) && !path.empty()) path.pop_back();
    if (key >= 32 && key < 127) path += static_cast<char>(key);
    folder = FolderOf(path);
    selected = -1;
  }
  delwin(box);
  touchwin(stdscr);
  return accepted;
}

BOOL FwTerminal::AskFileName(const FwFileRequest& request, CString& chosen) {
  std::string title = request.title.IsEmpty() ? (request.open ? "Open file:" : "Save file as:") : Str(request.title);
  std::string filter = Str(request.filter);
  // The filter's first description ("Text files (*.txt)") tells what is asked for.
  if (!filter.empty()) title += "  " + filter.substr(0, filter.find('|'));
  std::string text = Str(request.initialDir);
  if (!text.empty() && text.back() != '/') text += '/';
  std::string proposed = Str(request.fileName);
  // A wildcard proposes no name: the list shows what it matches.
  if (proposed.find_first_of("*?") == std::string::npos) text += proposed;
  if (!AskPath(title, FirstFilterPatterns(filter), text) || text.empty()) return FALSE;
  std::string base = text.substr(text.rfind('/') == std::string::npos ? 0 : text.rfind('/') + 1);
  if (!request.defaultExt.IsEmpty() && base.find('.') == std::string::npos) text += "." + Str(request.defaultExt);
  chosen = text.c_str();
  return TRUE;
}

BOOL FwTerminal::BrowseFolder(const CString& title, CString& chosen) {
  std::string text = Str(chosen);
  if (!AskLine(title.IsEmpty() ? "Folder:" : Str(title), text) || text.empty()) return FALSE;
  chosen = text.c_str();
  return TRUE;
}

BOOL FwTerminal::OpenDocument(const CString& path) {
  const char* program = "xdg-open";
  char* argv[] = {const_cast<char*>(program), const_cast<char*>(static_cast<LPCTSTR>(path)), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The opener's own output would spoil the screen.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", 1, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", 1, 0);
  pid_t child = 0;
  int failed = posix_spawnp(&child, program, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0;
}
