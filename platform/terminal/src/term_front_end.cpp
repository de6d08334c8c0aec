// The terminal front end: the toolkit's application and desktop, a window
// view per running sheet or dialog, and the toolkit's message boxes, file
// dialogs and a text box for documents as the prompts.
#include "term_front_end.h"

#include <csignal>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <final/final.h>

#include "ctl_property_sheet.h"
#include "html_text.h"
#include "term_text.h"
#include "term_window_view.h"

using finalcut::FPoint;
using finalcut::FSize;
using finalcut::FString;
using fw_term::Utf8;
using fw_term::Wide;

namespace {

// The toolkit reads its own options from the command line: it gets none.
int gArgc = 1;
char gProgram[] = "tallyport";
char* gArgv[] = {gProgram, nullptr};

// A plain text or HTML document in a scrollable text box; Esc or Enter
// closes it.
class DocumentView : public finalcut::FDialog {
 public:
  DocumentView(finalcut::FWidget* parent, const FString& title, const FString& text) : finalcut::FDialog(parent) {
    setText(title);
    setResizeable(false);
    setMinimizable(false);
    setTitlebarButtonVisibility(false);
    view_ = new finalcut::FTextView(this);
    view_->setStatusbarMessage("Up/Down/PgUp/PgDn: scroll  Esc or Enter: close");
    text_ = text;
    Place();
  }
  void onKeyPress(finalcut::FKeyEvent* event) override {
    if (event->key() == finalcut::FKey::Return || event->key() == finalcut::FKey::Enter) {
      event->accept();
      done(ResultCode::Accept);
      return;
    }
    finalcut::FDialog::onKeyPress(event);
  }

 protected:
  void adjustSize() override {
    finalcut::FDialog::adjustSize();
    Place();
  }

 private:
  void Place() {
    std::size_t width = std::max<std::size_t>(getDesktopWidth(), 4);
    std::size_t height = std::max<std::size_t>(getDesktopHeight(), 4) - 1;
    if (getSize() != FSize{width, height}) setSize(FSize{width, height}, false);
    setPos(FPoint{1, 1}, false);
    view_->setGeometry(FPoint{1, 1}, FSize{std::max<std::size_t>(getClientWidth(), 1), std::max<std::size_t>(getClientHeight(), 1)}, false);
    // The text wrapped to the box.
    std::size_t wrap = getClientWidth() > 3 ? getClientWidth() - 3 : 1;
    FString shown;
    for (const FString& line : fw_term::Wrap(text_, wrap)) shown += line + FString("\n");
    view_->setText(shown);
    view_->setFocus();
  }
  finalcut::FTextView* view_;
  FString text_;
};

// Message-box buttons of a box type, the first the default.
std::vector<std::pair<finalcut::FMessageBox::ButtonType, int>> BoxButtons(UINT type) {
  using B = finalcut::FMessageBox::ButtonType;
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{B::Ok, IDOK}, {B::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{B::Abort, IDABORT}, {B::Retry, IDRETRY}, {B::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL: return {{B::Yes, IDYES}, {B::No, IDNO}, {B::Cancel, IDCANCEL}};
    case MB_YESNO: return {{B::Yes, IDYES}, {B::No, IDNO}};
    case MB_RETRYCANCEL: return {{B::Retry, IDRETRY}, {B::Cancel, IDCANCEL}};
    default: return {{B::Ok, IDOK}};
  }
}

// The patterns of a filter's first entry ("Text (*.csv)|*.csv;*.txt|...")
// as the file dialog takes them ("*.csv;*.txt" is offered as its first).
std::string FirstFilterPattern(const std::string& filter) {
  size_t bar = filter.find('|');
  if (bar == std::string::npos) return "*";
  std::string list = filter.substr(bar + 1, filter.find('|', bar + 1) - bar - 1);
  return list.empty() ? "*" : list;
}

}  // namespace

// The object store takes page faults (SIGSEGV, SIGBUS) as its way of
// paging in; the toolkit sets handlers of its own for them when it takes
// the terminal, which would end the program at the first fault. The
// store's handlers are put back at once.
// Its handlers of the other fault signals (abort, illegal instruction,
// floating-point fault) end the program without a core: those are put
// back too.
class KeepFaultHandlers {
 public:
  KeepFaultHandlers() {
    for (size_t i = 0; i < kCount; ++i) sigaction(kSignals[i], nullptr, &saved_[i]);
  }
  void Restore() const {
    for (size_t i = 0; i < kCount; ++i) sigaction(kSignals[i], &saved_[i], nullptr);
  }

 private:
  static constexpr size_t kCount = 5;
  static constexpr int kSignals[kCount] = {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE};
  struct sigaction saved_[kCount] {};
};

struct FwTerminal::Screen {
  Screen() : app(gArgc, gArgv), desktop(&app) {
    app.setMainWidget(&desktop);
    footer = new finalcut::FStatusBar(&desktop);
    desktop.show();
    faults.Restore();
  }
  KeepFaultHandlers faults;  // made before the toolkit takes the terminal
  finalcut::FApplication app;
  finalcut::FWidget desktop;
  finalcut::FStatusBar* footer;  // owned by the desktop
  std::vector<fw_term::WindowView*> views;
  // The widget new boxes belong to: the window in front.
  finalcut::FWidget* Front() { return views.empty() ? static_cast<finalcut::FWidget*>(&desktop) : views.back(); }
};

FwTerminal* FwTerminal::installed_ = nullptr;

FwTerminal::FwTerminal() {
  std::setlocale(LC_ALL, "");
  screen_ = std::make_unique<Screen>();
}

FwTerminal::~FwTerminal() = default;

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
  if (installed_ == nullptr || installed_->screen_->views.empty() || !bar.IsWindowVisible()) return;
  installed_->screen_->views.back()->ShowProgress(bar);
}

namespace {

void RunView(FwTerminal::Screen& screen, CDialog* dialog, CPropertySheet* sheet) {
  auto* view = new fw_term::WindowView(screen.Front(), dialog, sheet);
  screen.views.push_back(view);
  try {
    view->RunModal();
  } catch (...) {
    screen.views.pop_back();
    view->hide();
    delete view;
    throw;
  }
  screen.views.pop_back();
  view->hide();
  delete view;
  if (!screen.views.empty()) {
    screen.views.back()->Sync();
    screen.views.back()->redraw();
  }
}

}  // namespace

void FwTerminal::RunDialog(CDialog& dialog) { RunView(*screen_, &dialog, nullptr); }

void FwTerminal::RunSheet(CPropertySheet& sheet) { RunView(*screen_, nullptr, &sheet); }

int FwTerminal::Show(const FwMessageBoxRequest& request) {
  auto buttons = BoxButtons(request.type);
  using B = finalcut::FMessageBox::ButtonType;
  B first = buttons[0].first, second = buttons.size() > 1 ? buttons[1].first : B::Reject,
    third = buttons.size() > 2 ? buttons[2].first : B::Reject;
  // The text wrapped to what the terminal holds.
  std::size_t width = screen_->desktop.getDesktopWidth();
  std::size_t wrap = width > 12 ? std::min<std::size_t>(width - 8, 70) : 4;
  FString text;
  std::vector<FString> lines = fw_term::Wrap(Wide(static_cast<LPCTSTR>(request.text)), wrap);
  while (!lines.empty() && lines.back().isEmpty()) lines.pop_back();
  for (size_t i = 0; i < lines.size(); ++i) text += (i ? FString("\n") : FString()) + lines[i];
  finalcut::FMessageBox box("Tallyport", std::move(text), first, second, third, screen_->Front());
  B answer = box.exec();
  for (const auto& [type, id] : buttons)
    if (type == answer) return id;
  // Esc: Cancel where there is one, else the last button (No, or OK).
  for (const auto& [type, id] : buttons)
    if (id == IDCANCEL) return id;
  return buttons.back().second;
}

BOOL FwTerminal::AskFileName(const FwFileRequest& request, CString& chosen) {
  std::string folder = static_cast<LPCTSTR>(request.initialDir);
  std::string name = static_cast<LPCTSTR>(request.fileName);
  std::string filter = FirstFilterPattern(static_cast<LPCTSTR>(request.filter));
  // A proposed name with a wildcard is the filter.
  if (name.find_first_of("*?") != std::string::npos) {
    filter = name;
    name.clear();
  }
  if (folder.empty()) folder = name.find('/') != std::string::npos ? name.substr(0, name.rfind('/')) : ".";
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) folder = ".";
  // The toolkit's own choosers: the chosen file's full path, empty when
  // the person cancelled.
  FString picked = request.open ? finalcut::FFileDialog::fileOpenChooser(screen_->Front(), Wide(folder), Wide(filter))
                                : finalcut::FFileDialog::fileSaveChooser(screen_->Front(), Wide(folder), Wide(filter));
  // A folder alone (no file chosen in it) is no answer.
  if (picked.isEmpty() || std::filesystem::is_directory(Utf8(picked), error)) return FALSE;
  std::string path = Utf8(picked);
  std::string base = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  if (!request.defaultExt.IsEmpty() && base.find('.') == std::string::npos)
    path += "." + std::string(static_cast<LPCTSTR>(request.defaultExt));
  chosen = path.c_str();
  return TRUE;
}

BOOL FwTerminal::BrowseFolder(const CString& title, CString& chosen) {
  // The file dialog chooses a folder: the folder it shows when the person
  // takes it (an entry chosen in it names its folder).
  std::string start = static_cast<LPCTSTR>(chosen);
  std::error_code error;
  if (start.empty() || !std::filesystem::is_directory(start, error)) start = ".";
  finalcut::FFileDialog dialog(Wide(start), FString("*/"), finalcut::FFileDialog::DialogType::Open, screen_->Front());
  dialog.setText(title.IsEmpty() ? FString("Choose a folder") : Wide(static_cast<LPCTSTR>(title)));
  if (dialog.exec() != finalcut::FDialog::ResultCode::Accept) return FALSE;
  std::string path = Utf8(dialog.getPath() + dialog.getSelectedFile());
  if (!std::filesystem::is_directory(path, error)) path = Utf8(dialog.getPath());
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  chosen = path.c_str();
  return TRUE;
}

BOOL FwTerminal::OpenDocument(const CString& path) {
  std::ifstream in(static_cast<LPCTSTR>(path), std::ios::binary);
  if (!in) return FALSE;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  std::string name = static_cast<LPCTSTR>(path);
  std::string text = fw_term::IsHtmlFileName(name) ? fw_term::HtmlToText(bytes.str()) : bytes.str();
  std::string title = name.substr(name.find_last_of("/\\") == std::string::npos ? 0 : name.find_last_of("/\\") + 1);
  DocumentView view(screen_->Front(), Wide(title), Wide(text));
  view.setModal();
  view.exec();
  if (!screen_->views.empty()) screen_->views.back()->redraw();
  return TRUE;
}
