// A window of the control model as a toolkit dialog: widgets made from the
// controls, laid out from the template order, and kept in step with the
// model (a person's action on a widget goes to the model as the matching
// action; after it the widgets show the model again).
#include "term_window_view.h"

#include <algorithm>
#include <functional>

#include "ctl_actions.h"
#include "term_choice_list.h"
#include "term_text.h"

using finalcut::FKey;
using finalcut::FPoint;
using finalcut::FSize;
using finalcut::FString;

namespace fw_term {

namespace {

// Keys the footer names for each kind of control.
const char* const kListKeys = "Up/Down: choose  Tab: next  Shift-Tab: back  F1: help  Esc: cancel";
const char* const kCheckRowsKeys = "Up/Down: choose  Space: check  F2: column box  Tab: next  F1: help  Esc: cancel";
const char* const kReportKeys = "Up/Down: choose  F2: column box  Tab: next  F1: help  Esc: cancel";
const char* const kGridKeys = "Up/Down: row  Enter: its column  F2: column box  Tab: next  F1: help  Esc: cancel";
const char* const kTreeKeys = "Up/Down: choose  Right/Left: open/close  Tab: next  F1: help  Esc: cancel";
const char* const kComboKeys = "Enter/Alt-Down: open the list  Up/Down: choose  Tab: next  F1: help  Esc: cancel";
const char* const kEditKeys = "Type the text  Tab: next  Shift-Tab: back  F1: help  Esc: cancel";
// A button's footer names it.
FString ButtonKeys(const FString& caption) {
  std::wstring name = Wide(WithoutAccessMarks(Utf8(caption))).toWString();
  for (const wchar_t* arrow : {L"< ", L" >"}) {
    size_t at = name.find(arrow);
    if (at != std::wstring::npos) name.erase(at, 2);
  }
  while (!name.empty() && name.front() == L' ') name.erase(name.begin());
  while (!name.empty() && name.back() == L' ') name.pop_back();
  return FString(name) + FString(": Enter: press  Alt+letter: access key  Tab: next  F1: help  Esc: cancel");
}
const char* const kCheckKeys = "Space: check or uncheck  Tab: next  Shift-Tab: back  F1: help  Esc: cancel";
const char* const kRadioKeys = "Space: choose this one  Tab: next  Shift-Tab: back  F1: help  Esc: cancel";

// Shows a hidden widget again; the dialog's next draw shows it.
void Reveal(finalcut::FWidget& widget) { widget.setVisible(true); }

bool IsEnter(FKey key) { return key == FKey::Return || key == FKey::Enter; }

// A toolkit widget whose keys are offered to a hook first (TRUE: taken).
template <class Widget>
class Hooked : public Widget {
 public:
  using Widget::Widget;
  std::function<bool(FKey)> keyHook;
  std::function<void()> focusOutHook;
  // Tab and Shift-Tab (and an arrow key a widget does not take) go to the
  // window's own order of controls: the toolkit's order would stay inside
  // the scroll view holding the page.
  std::function<bool(int)> focusHook;
  bool focusNextChild() override { return focusHook ? focusHook(+1) : Widget::focusNextChild(); }
  bool focusPrevChild() override { return focusHook ? focusHook(-1) : Widget::focusPrevChild(); }
  // The window's own keys (Esc, F1): before the widget's, which might keep
  // them (a combo box keeps Esc).
  std::function<bool(FKey)> windowKeys;
  void onKeyPress(finalcut::FKeyEvent* event) override {
    if (windowKeys && windowKeys(event->key())) {
      event->accept();
      return;
    }
    if (keyHook && keyHook(event->key())) {
      event->accept();
      return;
    }
    Widget::onKeyPress(event);
  }
  void onFocusOut(finalcut::FFocusEvent* event) override {
    Widget::onFocusOut(event);
    if (focusOutHook) focusOutHook();
  }
  std::function<void()> focusInHook;
  void onFocusIn(finalcut::FFocusEvent* event) override {
    Widget::onFocusIn(event);
    if (focusInHook) focusInHook();
  }
  // Sends a key to the widget's own handling (no hook).
  void Press(FKey key) {
    finalcut::FKeyEvent event(finalcut::Event::KeyPress, key);
    Widget::onKeyPress(&event);
  }
};

using ListBox = Hooked<finalcut::FListBox>;
using ComboBox = Hooked<finalcut::FComboBox>;
using ListView = Hooked<finalcut::FListView>;
using LineEdit = Hooked<finalcut::FLineEdit>;
using Button = Hooked<finalcut::FButton>;
using CheckBox = Hooked<finalcut::FCheckBox>;
using RadioButton = Hooked<finalcut::FRadioButton>;

std::string Str(const CString& text) { return static_cast<LPCTSTR>(text); }

bool IsReadOnlyEdit(const CWnd& control) {
  auto* edit = dynamic_cast<const CEdit*>(&control);
  return edit != nullptr && edit->IsReadOnly();
}

bool IsField(const CWnd& control) {
  return (control.Kind() == FwControlKind::Edit && !IsReadOnlyEdit(control)) || control.Kind() == FwControlKind::ComboBox;
}

// The grid's in-place combo: a visible combo box child of a report list.
CWnd* InPlaceCombo(CWnd& list) {
  for (CWnd* child : list.Children())
    if (child->Kind() == FwControlKind::ComboBox && child->IsWindowVisible()) return child;
  return nullptr;
}

bool HasInPlaceCombo(CWnd& list) {
  for (CWnd* child : list.Children())
    if (child->Kind() == FwControlKind::ComboBox) return true;
  return false;
}

bool HasRowChecks(CListCtrl& list) {
  for (int row = 0; row < list.GetItemCount(); ++row)
    if (list.GetItemState(row, LVIS_STATEIMAGEMASK) != 0) return true;
  return false;
}

// A report list's headings in one text, to tell when they change.
std::string HeaderKey(CListCtrl& list) {
  std::string key;
  for (int column = 0; column < list.GetColumnCount(); ++column) {
    FwListColumn info{};
    list.GetColumn(column, info);
    key += static_cast<LPCTSTR>(info.text);
    key += '\x1F';
  }
  return key;
}

// The tree's items from the roots down, each with its depth.
void FlattenTree(CTreeCtrl& tree, HTREEITEM first, int depth, std::vector<std::pair<HTREEITEM, int>>& out) {
  for (HTREEITEM item = first; item != nullptr; item = tree.GetNextSiblingItem(item)) {
    out.emplace_back(item, depth);
    FlattenTree(tree, tree.GetChildItem(item), depth + 1, out);
  }
}

}  // namespace

struct WindowView::Bound {
  explicit Bound(CWnd* shown) : control(shown) {}
  CWnd* control;
  finalcut::FWidget* widget = nullptr;
  finalcut::FLabel* label = nullptr;  // a static shown beside the field after it
  std::vector<std::string> items;      // what the list shows now, one text per row
  std::string header;                  // a report list's column headings as shown
  std::vector<finalcut::FListViewItem*> rows;
  std::vector<HTREEITEM> treeItems;
  int shownSelection = -2;
  std::string shownText;
  bool fresh = true;
};

WindowView::WindowView(finalcut::FWidget* root, CDialog* dialog, CPropertySheet* sheet)
    : finalcut::FDialog(root), dialog_(dialog), sheet_(sheet) {
  setBorder(false);
  setResizeable(false);
  setMinimizable(false);
  setTitlebarButtonVisibility(false);
  setShadow(false);
  setGeometry(FPoint{1, 1}, FSize{std::max<std::size_t>(getDesktopWidth(), 1), std::max<std::size_t>(getDesktopHeight(), 2) - 1},
              false);
  caption_ = new finalcut::FLabel(this);
  caption_->setEmphasis();
  notice_ = new finalcut::FLabel(this);
  notice_->hide();
  if (sheet_ != nullptr) {
    struct Named {
      const char* text;
      int button;
    };
    for (Named named : {Named{"< &Back", PSBTN_BACK}, Named{"&Next >", PSBTN_NEXT}, Named{"&Finish", PSBTN_FINISH},
                        Named{"Cancel", PSBTN_CANCEL}}) {
      auto* button = new Button(FString(named.text), this);
      button->focusHook = [this](int step) { return MoveFocus(step); };
      button->windowKeys = [this](FKey key) { return WindowKey(key); };
      button->unsetShadow();
      // The toolkit's button loops (nearly) for ever drawing itself
      // narrower than two columns: every button has its size from the start.
      button->setGeometry(FPoint{1, 1}, FSize{Cells(FString(named.text)) + 3, 1}, false);
      button->setStatusbarMessage(ButtonKeys(FString(named.text)));
      int which = named.button;
      button->addCallback("clicked", [this, which]() { Act([this, which]() { sheet_->PressButton(which); }); });
      wizardButtons_.push_back(button);
    }
  }
  Sync();
}

WindowView::~WindowView() {
  closing_ = true;
  // A drop-down list makes its window the active one as it is destroyed;
  // this window is made active while it is whole (a box that closed over
  // it may have left it inactive), so that call finds nothing to do.
  setActiveWindow(this);
  // A label calls back into itself when the field it gives its access key
  // is destroyed: the toolkit would destroy the label (made first) before
  // the field. The fields go first.
  for (finalcut::FWidget* field : labelled_) delete field;
  for (Bound* bound : bound_) delete bound;
}

CWnd& WindowView::Window() const { return dialog_ != nullptr ? static_cast<CWnd&>(*dialog_) : *sheet_->GetActivePage(); }

bool WindowView::Ended() const { return sheet_ != nullptr ? sheet_->IsEnded() : dialog_->IsEnded(); }

void WindowView::RunModal() {
  if (Ended()) return;
  setModal();
  show();
  // The run ends when the model ended the window (Sync hid the dialog).
  unsetModal();
}

void WindowView::Act(const std::function<void()>& action) {
  // Nothing more reaches the model once the window has ended (a widget
  // may still report losing the focus as the view goes).
  if (syncing_ || closing_ || Ended()) return;
  action();
  Sync();
  // Work that moved a progress bar leaves the bar in sight.
  if (movedBar_ != nullptr && !closing_ && !tooSmall_) {
    for (Bound* bound : bound_)
      if (bound->control == movedBar_) ScrollToBar(*bound);
    redraw();
  }
  movedBar_ = nullptr;
}

void WindowView::ScrollToBar(Bound& bound) {
  // The bar (and its percentage above it) as the view's last line, or as
  // low as the view scrolls.
  int bottom = bound.widget->getY();
  int viewHeight = static_cast<int>(view_->getViewportHeight());
  view_->scrollToY(std::max(1, bottom - viewHeight + 1));
}

void WindowView::Build() {
  if (view_ != nullptr) {
    view_->hide();
    retired_.push_back(view_);
  }
  for (Bound* bound : bound_) delete bound;
  bound_.clear();
  shown_ = &Window();
  newPage_ = true;
  view_ = new finalcut::FScrollView(this);
  view_->unsetBorder();
  view_->setHorizontalScrollBarMode(finalcut::ScrollBarMode::Hidden);
  // The tab order is the children's order: the page's controls come
  // before the wizard's buttons.
  for (auto* button : wizardButtons_) {
    delChild(button);
    addChild(button);
  }
  CWnd& window = *shown_;
  for (CWnd* control : window.Children()) {
    auto* bound = new Bound(control);
    bound_.push_back(bound);
    UINT id = control->GetDlgCtrlID();
    FString text = Wide(Str(control->GetWindowText()));
    switch (control->Kind()) {
      case FwControlKind::Static:
        bound->widget = new finalcut::FLabel(FString(text), view_);
        break;
      case FwControlKind::Edit: {
        if (IsReadOnlyEdit(*control)) {
          bound->widget = new finalcut::FLabel(view_);
          break;
        }
        auto* edit = new LineEdit(view_);
        edit->focusHook = [this](int step) { return MoveFocus(step); };
        edit->windowKeys = [this](FKey key) { return WindowKey(key); };
        edit->unsetShadow();
        edit->setStatusbarMessage(kEditKeys);
        edit->addCallback("changed", [this, edit, id]() {
          Act([this, edit, id]() { FwTypeText(Window(), id, Utf8(edit->getText()).c_str()); });
        });
        CWnd* page = shown_;
        edit->focusOutHook = [this, id, page]() {
          // Only while its own page is shown: ids repeat across pages.
          if (!syncing_ && !closing_ && !Ended() && shown_ == page && &Window() == page)
            Act([this, id]() { FwLeaveEdit(Window(), id); });
        };
        bound->widget = edit;
        break;
      }
      case FwControlKind::Button: {
        auto* button = new Button(FString(text), view_);
        button->focusHook = [this](int step) { return MoveFocus(step); };
        button->windowKeys = [this](FKey key) { return WindowKey(key); };
        button->unsetShadow();
        button->setGeometry(FPoint{1, 1}, FSize{Cells(text) + 4, 1}, false);
        button->setStatusbarMessage(ButtonKeys(text));
        button->addCallback("clicked", [this, id]() { Act([this, id]() { FwClickButton(Window(), id); }); });
        bound->widget = button;
        break;
      }
      case FwControlKind::CheckBox:
      case FwControlKind::Radio: {
        finalcut::FToggleButton* toggle = nullptr;
        if (control->Kind() == FwControlKind::CheckBox) {
          auto* box = new CheckBox(FString(text), view_);
          box->focusHook = [this](int step) { return MoveFocus(step); };
          box->windowKeys = [this](FKey key) { return WindowKey(key); };
          toggle = box;
          toggle->setStatusbarMessage(kCheckKeys);
        } else {
          auto* radio = new RadioButton(FString(text), view_);
          radio->focusHook = [this](int step) { return MoveFocus(step); };
          radio->windowKeys = [this](FKey key) { return WindowKey(key); };
          toggle = radio;
          toggle->setStatusbarMessage(kRadioKeys);
        }
        toggle->addCallback("toggled", [this, id, toggle, control]() {
          // A radio button already chosen stays chosen.
          bool radio = control->Kind() == FwControlKind::Radio;
          if (radio && !toggle->isChecked()) {
            Sync();
            return;
          }
          Act([this, id]() { FwClickButton(Window(), id); });
        });
        bound->widget = toggle;
        break;
      }
      case FwControlKind::ListBox: {
        auto* list = new ListBox(view_);
        list->focusHook = [this](int step) { return MoveFocus(step); };
        list->windowKeys = [this](FKey key) { return WindowKey(key); };
        list->setStatusbarMessage(kListKeys);
        list->addCallback("row-changed", [this, list, id]() {
          Act([this, list, id]() { FwPickItem(Window(), id, static_cast<int>(list->currentItem()) - 1); });
        });
        // Enter or Space choose the item under the cursor (the first one
        // too, which the cursor starts on).
        list->keyHook = [this, list, id, control](FKey key) {
          if (!IsEnter(key) && key != FKey::Space) return false;
          int current = static_cast<int>(list->currentItem()) - 1;
          if (current >= 0 && static_cast<FwItemList*>(control)->GetCurSel() != current)
            Act([this, id, current]() { FwPickItem(Window(), id, current); });
          return true;
        };
        bound->widget = list;
        break;
      }
      case FwControlKind::ComboBox: {
        auto* combo = new ComboBox(view_);
        combo->focusHook = [this](int step) { return MoveFocus(step); };
        combo->windowKeys = [this](FKey key) { return WindowKey(key); };
        combo->unsetShadow();
        // The model's combo boxes hold a choice among their items, never
        // typed text.
        combo->unsetEditable();
        combo->setStatusbarMessage(kComboKeys);
        // The toolkit shows the message of the widget holding the focus:
        // the combo box's own text field, when the focus comes to it.
        for (finalcut::FObject* child : combo->getChildren())
          if (auto* field = dynamic_cast<finalcut::FLineEdit*>(child)) field->setStatusbarMessage(kComboKeys);
        combo->addCallback("row-changed", [this, combo, bound, id]() {
          Act([this, combo, bound, id]() {
            std::string chosen = Utf8(combo->getText());
            auto found = std::find(bound->items.begin(), bound->items.end(), chosen);
            if (found != bound->items.end()) FwPickItem(Window(), id, static_cast<int>(found - bound->items.begin()));
          });
        });
        // Enter or Alt-Down opens the choices as a list of their own,
        // which takes the keys until a choice is made or Esc is pressed.
        combo->keyHook = [this, bound](FKey key) {
          if (!IsEnter(key) && key != FKey::Meta_down) return false;
          OpenComboList(*bound);
          return true;
        };
        bound->widget = combo;
        break;
      }
      case FwControlKind::ListCtrl:
      case FwControlKind::TreeCtrl: {
        auto* list = new ListView(view_);
        list->focusHook = [this](int step) { return MoveFocus(step); };
        list->windowKeys = [this](FKey key) { return WindowKey(key); };
        bool tree = control->Kind() == FwControlKind::TreeCtrl;
        if (tree) {
          list->setTreeView();
          list->addColumn("", 72);  // room for the department names
          list->setStatusbarMessage(kTreeKeys);
        }
        list->hideSortIndicator();
        if (!tree) {
          auto& report = static_cast<CListCtrl&>(*control);
          bound->header = HeaderKey(report);
          for (int column = 0; column < report.GetColumnCount(); ++column) {
            FwListColumn info{};
            report.GetColumn(column, info);
            list->addColumn(Wide(Str(info.text)));
          }
          if (report.GetColumnCount() == 0) list->addColumn("");
          list->setStatusbarMessage(HasInPlaceCombo(report) ? kGridKeys : HasRowChecks(report) ? kCheckRowsKeys : kReportKeys);
        }
        list->addCallback("row-changed", [this, bound]() { Act([this, bound]() { PickCurrentRow(*bound); }); });
        // A tree with nothing chosen chooses the item under its cursor when
        // the focus comes to it: what is highlighted is what is chosen.
        if (tree)
          list->focusInHook = [this, bound]() {
            if (static_cast<CTreeCtrl&>(*bound->control).GetSelectedItem() == nullptr)
              Act([this, bound]() { PickCurrentRow(*bound); });
          };
        list->keyHook = [this, bound, tree](FKey key) {
          if (tree) {
            // The row under the cursor is chosen (a tree of one item too).
            if (!IsEnter(key) && key != FKey::Space) return false;
            Act([this, bound]() { PickCurrentRow(*bound); });
            return true;
          }
          auto& report = static_cast<CListCtrl&>(*bound->control);
          if (key == FKey::Space && HasRowChecks(report)) {
            Act([this, bound, &report]() {
              PickCurrentRow(*bound);
              int row = report.GetNextItem(-1, LVNI_SELECTED);
              if (row >= 0) FwToggleRowCheck(Window(), report.GetDlgCtrlID(), row);
            });
            return true;
          }
          if ((IsEnter(key) || key == FKey::Meta_down) && HasInPlaceCombo(report)) {
            Act([this, bound]() { PickCurrentRow(*bound); });
            OpenRowList(*bound);
            return true;
          }
          if (IsEnter(key) || key == FKey::Space) {
            Act([this, bound]() { PickCurrentRow(*bound); });
            return true;
          }
          if (key == FKey::F2) {
            OpenColumnBox(*bound);
            return true;
          }
          return false;
        };
        bound->widget = list;
        break;
      }
      case FwControlKind::Progress: {
        auto* bar = new finalcut::FProgressbar(view_);
        bar->unsetShadow();
        bound->widget = bar;
        break;
      }
      default:
        bound->widget = new finalcut::FLabel(view_);
        break;
    }
  }
  // A static right before a field is its label.
  for (size_t i = 0; i + 1 < bound_.size(); ++i) {
    if (bound_[i]->control->Kind() == FwControlKind::Static && IsField(*bound_[i + 1]->control))
      bound_[i + 1]->label = static_cast<finalcut::FLabel*>(bound_[i]->widget);
  }
  for (size_t i = 0; i + 1 < bound_.size(); ++i) {
    if (bound_[i + 1]->label == nullptr) continue;
    bound_[i + 1]->label->setAccelWidget(bound_[i + 1]->widget);
    labelled_.push_back(bound_[i + 1]->widget);
  }
  layoutKey_.clear();
}

void WindowView::SyncControl(Bound& bound) {
  CWnd& control = *bound.control;
  finalcut::FWidget& widget = *bound.widget;
  std::string text = Str(control.GetWindowText());
  if (widget.isEnabled() != static_cast<bool>(control.IsWindowEnabled())) {
    widget.setEnable(control.IsWindowEnabled());
    widget.redraw();
  }
  switch (control.Kind()) {
    case FwControlKind::Static:
      if (bound.fresh || text != bound.shownText) static_cast<finalcut::FLabel&>(widget).setText(Wide(text));
      break;
    case FwControlKind::Edit:
      if (IsReadOnlyEdit(control)) {
        if (bound.fresh || text != bound.shownText) {
          layoutKey_.clear();  // its lines may change
          static_cast<finalcut::FLabel&>(widget).setText(Wide(text));
        }
      } else if (Utf8(static_cast<finalcut::FLineEdit&>(widget).getText()) != text) {
        static_cast<finalcut::FLineEdit&>(widget).setText(Wide(text));
      }
      break;
    case FwControlKind::Button:
      if (bound.fresh || text != bound.shownText) static_cast<finalcut::FButton&>(widget).setText(Wide(text));
      break;
    case FwControlKind::CheckBox:
    case FwControlKind::Radio: {
      auto& toggle = static_cast<finalcut::FToggleButton&>(widget);
      if (bound.fresh || text != bound.shownText) toggle.setText(Wide(text));
      bool checked = static_cast<CButton&>(control).GetCheck() == BST_CHECKED;
      if (toggle.isChecked() != checked) toggle.setChecked(checked);
      break;
    }
    case FwControlKind::ListBox:
    case FwControlKind::ComboBox: {
      auto& model = static_cast<FwItemList&>(control);
      std::vector<std::string> items;
      for (int i = 0; i < model.GetCount(); ++i) items.push_back(Str(model.GetItemText(i)));
      bool changed = bound.fresh || items != bound.items;
      if (changed) {
        layoutKey_.clear();
        bound.items = items;
        bound.shownSelection = -2;
        if (control.Kind() == FwControlKind::ListBox) {
          auto& list = static_cast<finalcut::FListBox&>(widget);
          list.clear();
          for (const std::string& item : items) list.insert(Wide(item));
        } else {
          auto& combo = static_cast<finalcut::FComboBox&>(widget);
          combo.clear();
          for (const std::string& item : items) combo.insert(Wide(item));
        }
      }
      int selected = model.GetCurSel();
      if (selected != bound.shownSelection) {
        bound.shownSelection = selected;
        if (control.Kind() == FwControlKind::ListBox) {
          auto& list = static_cast<finalcut::FListBox&>(widget);
          if (selected >= 0) list.setCurrentItem(static_cast<std::size_t>(selected) + 1);
        } else {
          auto& combo = static_cast<finalcut::FComboBox&>(widget);
          if (selected >= 0)
            combo.setCurrentItem(static_cast<std::size_t>(selected) + 1);
          else
            combo.clearText();
        }
        widget.redraw();
      }
      break;
    }
    case FwControlKind::ListCtrl: {
      auto& model = static_cast<CListCtrl&>(control);
      auto& list = static_cast<finalcut::FListView&>(widget);
      bool checks = HasRowChecks(model);
      std::vector<std::string> items;
      std::string header = HeaderKey(model);
      for (int row = 0; row < model.GetItemCount(); ++row) {
        std::string line = model.GetCheck(row) ? "1" : "0";
        for (int column = 0; column < model.GetColumnCount(); ++column) line += Str(model.GetItemText(row, column)) + '\x1F';
        items.push_back(line);
      }
      int selected = model.GetNextItem(-1, LVNI_SELECTED);
      if (bound.fresh || items != bound.items || header != bound.header) {
        bool newColumns = header != bound.header;
        bound.header = header;
        bound.items = items;
        layoutKey_.clear();
        if (newColumns) {
          // The toolkit adds columns but takes none away: a new header
          // needs a new widget.
          auto* fresh = new ListView(view_);
          fresh->focusHook = [this](int step) { return MoveFocus(step); };
          fresh->windowKeys = [this](FKey key) { return WindowKey(key); };
          auto* old = static_cast<ListView*>(&list);
          fresh->keyHook = old->keyHook;
          fresh->setStatusbarMessage(HasInPlaceCombo(model) ? kGridKeys : checks ? kCheckRowsKeys : kReportKeys);
          fresh->hideSortIndicator();
          fresh->addCallback("row-changed", [this, &bound]() { Act([this, &bound]() { PickCurrentRow(bound); }); });
          bool hadFocus = old->hasFocus();
          old->hide();
          old->setVisible(false);
          old->delCallback();
          old->keyHook = nullptr;
          retired_.push_back(old);
          bound.widget = fresh;
          for (int column = 0; column < model.GetColumnCount(); ++column) {
            FwListColumn info{};
            model.GetColumn(column, info);
            fresh->addColumn(Wide(Str(info.text)));
          }
          if (model.GetColumnCount() == 0) fresh->addColumn("");
          if (hadFocus) fresh->setFocus();
        }
        auto& shown = static_cast<finalcut::FListView&>(*bound.widget);
        shown.clear();
        bound.rows.clear();
        for (int row = 0; row < model.GetItemCount(); ++row) {
          finalcut::FStringList cells;
          for (int column = 0; column < std::max(1, model.GetColumnCount()); ++column)
            cells.push_back(Wide(Str(model.GetItemText(row, column))));
          auto at = shown.insert(cells);
          auto* item = static_cast<finalcut::FListViewItem*>(*at);
          if (checks) {
            item->setCheckable(true);
            item->setChecked(model.GetCheck(row));
          }
          bound.rows.push_back(item);
        }
        bound.shownSelection = -2;
        shown.redraw();
      }
      if (selected != bound.shownSelection) {
        bound.shownSelection = selected;
        if (selected >= 0) MoveListTo(bound, selected);
      }
      break;
    }
    case FwControlKind::TreeCtrl: {
      auto& model = static_cast<CTreeCtrl&>(control);
      auto& list = static_cast<finalcut::FListView&>(widget);
      std::vector<std::pair<HTREEITEM, int>> flat;
      FlattenTree(model, model.GetRootItem(), 0, flat);
      std::vector<std::string> items;
      for (auto& [item, depth] : flat) items.push_back(std::to_string(depth) + ":" + Str(model.GetItemText(item)));
      if (bound.fresh || items != bound.items) {
        bound.items = items;
        layoutKey_.clear();
        list.clear();
        bound.rows.clear();
        bound.treeItems.clear();
        std::vector<finalcut::FObject::iterator> parents;
        for (auto& [item, depth] : flat) {
          finalcut::FStringList cells{Wide(Str(model.GetItemText(item)))};
          finalcut::FObject::iterator at;
          if (depth == 0 || static_cast<size_t>(depth) > parents.size())
            at = list.insert(cells);
          else
            at = list.insert(cells, parents[static_cast<size_t>(depth) - 1]);
          parents.resize(static_cast<size_t>(depth));
          parents.push_back(at);
          bound.rows.push_back(static_cast<finalcut::FListViewItem*>(*at));
          bound.treeItems.push_back(item);
        }
        for (auto* row : bound.rows) row->expand();
        bound.shownSelection = -2;
        list.redraw();
      }
      int selected = -1;
      for (size_t i = 0; i < bound.treeItems.size(); ++i)
        if (bound.treeItems[i] == model.GetSelectedItem()) selected = static_cast<int>(i);
      if (selected != bound.shownSelection) {
        bound.shownSelection = selected;
        if (selected >= 0) MoveListTo(bound, selected);
      }
      break;
    }
    case FwControlKind::Progress: {
      auto& model = static_cast<CProgressCtrl&>(control);
      int lower = 0, upper = 0;
      model.GetRange(lower, upper);
      int percent = upper > lower ? (std::clamp(model.GetPos(), lower, upper) - lower) * 100 / (upper - lower) : 0;
      static_cast<finalcut::FProgressbar&>(widget).setPercentage(static_cast<std::size_t>(percent));
      break;
    }
    default: break;
  }
  bound.shownText = text;
  bound.fresh = false;
}

void WindowView::MoveListTo(Bound& bound, int row) {
  // The list view has no call to make a row current: it is walked there
  // with its own keys, as a person would.
  auto* list = static_cast<ListView*>(bound.widget);
  if (list->getCurrentItem() == bound.rows[static_cast<size_t>(row)]) return;
  bool was = syncing_;
  syncing_ = true;
  list->Press(FKey::Home);
  for (int i = 0; i < row && list->getCurrentItem() != bound.rows[static_cast<size_t>(row)]; ++i) list->Press(FKey::Down);
  syncing_ = was;
}

void WindowView::Sync() {
  if (Ended()) {
    closing_ = true;
    if (isModal()) done(ResultCode::Accept);
    return;
  }
  bool was = syncing_;
  syncing_ = true;
  CWnd& window = Window();
  window.OnPaint();
  if (shown_ != &window) Build();
  for (Bound* bound : bound_) SyncControl(*bound);
  std::string key;
  for (Bound* bound : bound_) key += bound->control->IsWindowVisible() ? '1' : '0';
  if (sheet_ != nullptr) {
    FString title = Wide(Str(sheet_->GetTitle().IsEmpty() ? sheet_->GetWindowText() : sheet_->GetTitle()));
    if (getText() != title) setText(title);
    caption_->setText(Wide(Str(window.GetWindowText())));
    // The model's buttons, not the widgets' (those follow only a layout).
    for (int which : {PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH, PSBTN_CANCEL})
      key += sheet_->IsButtonEnabled(which) ? '1' : '0';
    key += (sheet_->GetWizardButtons() & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0 ? 'F' : 'N';
  } else {
    if (getText() != Wide(Str(window.GetWindowText()))) setText(Wide(Str(window.GetWindowText())));
  }
  if (key != layoutKey_) {
    layoutKey_ = key;
    Layout();
  }
  Present();
  syncing_ = was;
  redraw();
}

void WindowView::ShowFooter() {
  auto* footer = finalcut::FWidget::getStatusBar();
  finalcut::FWidget* focus = finalcut::FWidget::getFocusWidget();
  if (footer == nullptr) return;
  // The keys of the control whose widget holds the focus.
  FString message;
  for (finalcut::FWidget* w = focus; w != nullptr && !tooSmall_ && message.isEmpty(); w = w->getParentWidget())
    message = w->getStatusbarMessage();
  // Drawn each time: the dialog's own drawing may have gone over it.
  if (footer->getMessage() != message) footer->setMessage(message);
  footer->drawMessage();
}

void WindowView::Present() {
  // Widgets made or shown again while the dialog is on screen are drawn
  // here (before that, the dialog's own show draws them).
  if (!isShown()) return;
  if (tooSmall_) {
    notice_->setVisible(true);
    notice_->show();
  } else {
    view_->setVisible(true);
    view_->show();
    caption_->setVisible(true);
    caption_->show();
    for (auto* button : wizardButtons_)
      if (button->isVisible()) button->show();
  }
  redraw();
  ShowFooter();
}

void WindowView::onShow(finalcut::FShowEvent* event) {
  finalcut::FDialog::onShow(event);
  // Laid out for the terminal as it is now it is on screen.
  Layout();
  Present();
}

void WindowView::adjustSize() {
  finalcut::FDialog::adjustSize();
  FSize size{std::max<std::size_t>(getDesktopWidth(), 1), std::max<std::size_t>(getDesktopHeight(), 2) - 1};
  if (getSize() != size) setSize(size, false);
  setPos(FPoint{1, 1}, false);
  if (view_ != nullptr) {
    Layout();
    Present();
  }
}

void WindowView::Layout() {
  if (view_ == nullptr) return;
  // The room inside the dialog, from its size (the toolkit updates its
  // client size only later in a resize).
  const int width = static_cast<int>(getWidth()) - getLeftPadding() - getRightPadding();
  const int height = static_cast<int>(getHeight()) - getTopPadding() - getBottomPadding();
  const int contentWidth = std::max(1, width - 2);  // a column for the scroll bar

  // Wizard buttons: Next and Finish share a place, the one the page offers
  // is shown.
  std::vector<finalcut::FButton*> buttonsShown;
  if (sheet_ != nullptr) {
    DWORD mask = sheet_->GetWizardButtons();
    bool finish = (mask & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
    int which[] = {PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH, PSBTN_CANCEL};
    for (size_t i = 0; i < wizardButtons_.size(); ++i) {
      auto* button = wizardButtons_[i];
      bool enabled = sheet_->IsButtonEnabled(which[i]);
      button->setEnable(enabled);
      bool show = which[i] == PSBTN_NEXT ? !finish || enabled : which[i] == PSBTN_FINISH ? finish : true;
      if (show) {
        buttonsShown.push_back(button);
      } else {
        button->hide();
        button->setVisible(false);
      }
    }
  }

  // Each shown control's place: its width, height, and whether it takes a
  // row of its own.
  struct Place {
    Bound* bound;
    int width, height;
    bool ownRow;
    bool withNext;  // a label placed with the field after it
  };
  std::vector<Place> places;
  std::vector<Bound*> shown;
  for (Bound* bound : bound_) {
    if (bound->control->IsWindowVisible()) {
      shown.push_back(bound);
    } else {
      bound->widget->hide();
      bound->widget->setVisible(false);
    }
  }
  int widest = 20;
  for (size_t i = 0; i < shown.size(); ++i) {
    Bound* bound = shown[i];
    CWnd& control = *bound->control;
    FString text = Wide(WithoutAccessMarks(Str(control.GetWindowText())));
    int cells = static_cast<int>(Cells(text));
    Place place{bound, cells, 1, false, false};
    switch (control.Kind()) {
      case FwControlKind::Static:
        place.withNext = i + 1 < shown.size() && shown[i + 1]->label == static_cast<finalcut::FLabel*>(bound->widget);
        if (place.withNext) place.width = std::min(cells + 1, contentWidth / 3);
        else if (cells > contentWidth || text.toWString().find(L'\n') != std::wstring::npos) {
          place.ownRow = true;
          place.height = static_cast<int>(Wrap(text, static_cast<std::size_t>(contentWidth)).size());
          place.width = contentWidth;
        }
        if (cells == 0 && !place.withNext) place.width = 0;
        break;
      case FwControlKind::Edit:
        if (IsReadOnlyEdit(control)) {
          if (cells > 30 || text.toWString().find(L'\n') != std::wstring::npos) {
            place.ownRow = true;
            std::vector<FString> lines = Wrap(text, static_cast<std::size_t>(contentWidth));
            static_cast<finalcut::FLabel*>(bound->widget)->setText([&]() {
              FString joined;
              for (size_t k = 0; k < lines.size(); ++k) joined += (k ? FString("\n") : FString()) + lines[k];
              return joined;
            }());
            place.height = static_cast<int>(lines.size());
            place.width = contentWidth;
          } else {
            place.width = std::max(cells, 6);
          }
        } else {
          place.width = 20;
        }
        break;
      case FwControlKind::Button: place.width = cells + 4; break;
      case FwControlKind::CheckBox:
      case FwControlKind::Radio: place.width = cells + 5; break;
      case FwControlKind::ComboBox: {
        int longest = 10;
        for (const std::string& item : bound->items) longest = std::max(longest, static_cast<int>(Cells(Wide(item))));
        place.width = std::min(longest + 4, 44);
        break;
      }
      case FwControlKind::Progress:
        // The toolkit's bar writes its percentage on the line above it:
        // the bar takes two lines, the upper one for the percentage.
        place.width = std::min(contentWidth - 3, 60);
        place.height = 2;
        break;
      default:  // lists
        place.ownRow = true;
        place.width = contentWidth;
        break;
    }
    // The smallest width: what cannot shrink (buttons, check boxes, radio
    // buttons); text boxes, lists and bars take the room there is.
    FwControlKind kind = control.Kind();
    if (kind == FwControlKind::Button || kind == FwControlKind::CheckBox || kind == FwControlKind::Radio)
      widest = std::max(widest, place.width + 2);
    places.push_back(place);
  }

  // Too small: one line asks for more room, and the page waits.
  int buttonsWidth = 0;
  for (auto* button : buttonsShown) buttonsWidth += static_cast<int>(Cells(button->getText())) + 3;
  int minWidth = std::max({40, widest + 2, buttonsWidth + 2});
  int minHeight = sheet_ != nullptr ? 12 : 8;
  bool small = width < minWidth || height + 2 < minHeight;
  if (small) {
    if (!tooSmall_) {
      tooSmall_ = true;
      view_->hide();
      view_->setVisible(false);
      caption_->hide();
      caption_->setVisible(false);
      for (auto* button : wizardButtons_) {
        button->hide();
        button->setVisible(false);
      }
      setFocus();
    }
    FString notice = Wide("Enlarge the terminal to at least " + std::to_string(minWidth) + " x " + std::to_string(minHeight));
    std::vector<FString> lines = Wrap(notice, static_cast<std::size_t>(std::max(1, width)));
    FString joined;
    for (size_t k = 0; k < lines.size(); ++k) joined += (k ? FString("\n") : FString()) + lines[k];
    notice_->setText(joined);
    notice_->setGeometry(FPoint{1, 1}, FSize{static_cast<std::size_t>(std::max(1, width)), std::max<std::size_t>(1, lines.size())}, false);
    Reveal(*notice_);
    redraw();
    return;
  }
  if (tooSmall_) {
    tooSmall_ = false;
    notice_->hide();
    notice_->setVisible(false);
    Reveal(*view_);
    Reveal(*caption_);
  }

  // Rows: the fixed controls flow left to right; lists get the room left,
  // each up to its content.
  int viewHeight = std::max(1, height - (sheet_ != nullptr ? 3 : 1));
  struct Row {
    std::vector<size_t> members;
    int height = 1;
  };
  std::vector<Row> rows;
  int x = 1;
  for (size_t i = 0; i < places.size(); ++i) {
    Place& place = places[i];
    int need = place.width + (place.withNext && i + 1 < places.size() ? std::min(places[i + 1].width, 20) + 1 : 0);
    // A text box after a radio button starts a row: beside the button it
    // would read as that button's value.
    bool afterRadio = i > 0 && places[i - 1].bound->control->Kind() == FwControlKind::Radio &&
                      place.bound->control->Kind() == FwControlKind::Edit && !IsReadOnlyEdit(*place.bound->control);
    if (rows.empty() || place.ownRow || afterRadio ||
        (!rows.back().members.empty() && places[rows.back().members.back()].ownRow) || x + need > contentWidth + 1) {
      rows.push_back(Row{});
      x = 1;
    }
    rows.back().members.push_back(i);
    x += place.width + 1;
  }
  // List heights.
  std::vector<int> wanted(places.size(), 0);
  int fixed = 0;
  for (Row& row : rows) {
    int rowHeight = 1;
    for (size_t i : row.members) {
      Place& place = places[i];
      CWnd& control = *place.bound->control;
      bool list = control.Kind() == FwControlKind::ListBox || control.Kind() == FwControlKind::ListCtrl ||
                  control.Kind() == FwControlKind::TreeCtrl;
      if (list) {
        int content = static_cast<int>(control.Kind() == FwControlKind::ListBox ? place.bound->items.size() : place.bound->rows.size());
        wanted[i] = std::max(content, 1) + 2;
        place.height = std::min(wanted[i], 4);
      }
      rowHeight = std::max(rowHeight, place.height);
    }
    row.height = rowHeight;
    fixed += rowHeight;
  }
  int spare = viewHeight - fixed;
  for (Row& row : rows) {
    for (size_t i : row.members) {
      Place& place = places[i];
      if (wanted[i] > place.height && spare > 0) {
        int more = std::min(spare, wanted[i] - place.height);
        place.height += more;
        spare -= more;
        row.height = std::max(row.height, place.height);
      }
    }
  }
  int y = 1;
  for (Row& row : rows) {
    x = 1;
    for (size_t k = 0; k < row.members.size(); ++k) {
      Place& place = places[row.members[k]];
      int w = place.width;
      bool field = IsField(*place.bound->control);
      if (field) {
        // A field takes the row's room left, leaving a button after it in the row.
        int after = 0;
        for (size_t j = k + 1; j < row.members.size(); ++j) after += places[row.members[j]].width + 1;
        int room = contentWidth + 1 - x - after;
        w = place.bound->control->Kind() == FwControlKind::Edit ? std::max(8, room) : std::min(std::max(8, room), place.width);
      }
      if (w <= 0) {
        place.bound->widget->hide();
        continue;
      }
      w = std::min(w, contentWidth + 1 - x);
      // The toolkit's button loops (nearly) for ever drawing itself
      // narrower than two columns: a button that does not fit is hidden.
      bool button = place.bound->control->Kind() == FwControlKind::Button;
      if (button && w < 4) {
        place.bound->widget->hide();
        place.bound->widget->setVisible(false);
        continue;
      }
      bool bar = place.bound->control->Kind() == FwControlKind::Progress;
      place.bound->widget->setGeometry(FPoint{x, bar ? y + 1 : y},
                                       FSize{static_cast<std::size_t>(std::max(1, w)), static_cast<std::size_t>(bar ? 1 : place.height)},
                                       false);
      Reveal(*place.bound->widget);
      x += w + 1;
    }
    y += row.height;
  }
  view_->setGeometry(FPoint{1, 2}, FSize{static_cast<std::size_t>(width), static_cast<std::size_t>(viewHeight)}, false);
  FSize scrollSize{static_cast<std::size_t>(contentWidth), static_cast<std::size_t>(std::max(y - 1, viewHeight))};
  if (view_->getScrollSize() != scrollSize) {
    // The toolkit's scroll view asserts when its size changes while it is
    // scrolled down: it goes to the top for the change and back after.
    int scrolled = view_->getScrollY();
    view_->scrollTo(1, 1);
    view_->setScrollSize(scrollSize);
    view_->scrollToY(std::min(scrolled, std::max(1, static_cast<int>(scrollSize.getHeight()) - viewHeight + 1)));
  }
  caption_->setGeometry(FPoint{2, 1}, FSize{static_cast<std::size_t>(std::max(1, width - 2)), 1}, false);
  if (sheet_ != nullptr) {
    int bx = 2;
    for (auto* button : buttonsShown) {
      std::size_t bw = Cells(Wide(WithoutAccessMarks(Utf8(button->getText())))) + 4;
      button->setGeometry(FPoint{bx, height}, FSize{bw, 1}, false);
      Reveal(*button);
      bx += static_cast<int>(bw) + 2;
    }
  }
  // Focus on a control the person can use: the first one when the focus
  // is nowhere (a new page).
  finalcut::FWidget* focus = finalcut::FWidget::getFocusWidget();
  bool usable = focus != nullptr && focus->isVisible() && focus->isEnabled() && focus->acceptFocus();
  bool inside = false;
  for (finalcut::FWidget* w = focus; usable && w != nullptr; w = w->getParentWidget())
    if (w == view_ || std::find(wizardButtons_.begin(), wizardButtons_.end(), w) != wizardButtons_.end()) inside = true;
  if (!inside || newPage_) {
    newPage_ = false;
    bool placed = false;
    for (Bound* bound : bound_) {
      finalcut::FWidget* w = bound->widget;
      if (bound->control->IsWindowVisible() && bound->control->IsWindowEnabled() && w->acceptFocus() && w->isEnabled() &&
          bound->control->Kind() != FwControlKind::Static && !IsReadOnlyEdit(*bound->control) &&
          bound->control->Kind() != FwControlKind::Progress) {
        w->setFocus();
        finalcut::FApplication::setKeyboardWidget(w);
        placed = true;
        break;
      }
    }
    if (!placed)
      for (auto* button : buttonsShown)
        if (button->isEnabled()) {
          button->setFocus();
          finalcut::FApplication::setKeyboardWidget(button);
          break;
        }
  }
  redraw();
}

void WindowView::PickCurrentRow(Bound& bound) {
  auto* list = static_cast<finalcut::FListView*>(bound.widget);
  auto found = std::find(bound.rows.begin(), bound.rows.end(), list->getCurrentItem());
  if (found == bound.rows.end()) return;
  int row = static_cast<int>(found - bound.rows.begin());
  UINT id = bound.control->GetDlgCtrlID();
  if (auto* tree = dynamic_cast<CTreeCtrl*>(bound.control)) {
    if (tree->GetSelectedItem() == bound.treeItems[static_cast<size_t>(row)]) return;
    tree->SelectItem(bound.treeItems[static_cast<size_t>(row)]);
    FwNotifyDialog(Window(), id, TVN_SELCHANGED);
  } else {
    auto& report = static_cast<CListCtrl&>(*bound.control);
    if (report.GetNextItem(-1, LVNI_SELECTED) == row && report.GetSelectedCount() == 1) return;
    FwPickItem(Window(), id, row);
  }
}

bool WindowView::MoveFocus(int step) {
  std::vector<finalcut::FWidget*> order;
  if (!tooSmall_) {
    for (Bound* bound : bound_) {
      CWnd& control = *bound->control;
      finalcut::FWidget* w = bound->widget;
      if (!control.IsWindowVisible() || !control.IsWindowEnabled() || control.Kind() == FwControlKind::Static ||
          control.Kind() == FwControlKind::Progress || IsReadOnlyEdit(control))
        continue;
      if (w->isVisible() && w->isEnabled() && w->acceptFocus()) order.push_back(w);
    }
    for (auto* button : wizardButtons_)
      if (button->isVisible() && button->isEnabled()) order.push_back(button);
  }
  if (order.empty()) return false;
  finalcut::FWidget* focus = finalcut::FWidget::getFocusWidget();
  // The focus may be inside a control's widget (a combo box's text field).
  auto at = order.end();
  for (finalcut::FWidget* w = focus; w != nullptr && at == order.end(); w = w->getParentWidget())
    at = std::find(order.begin(), order.end(), w);
  int count = static_cast<int>(order.size());
  int index = at == order.end() ? (step > 0 ? 0 : count - 1) : (static_cast<int>(at - order.begin()) + step + count) % count;
  finalcut::FWidget* next = order[static_cast<size_t>(index)];
  if (at != order.end() && next == *at) return true;
  if (focus != nullptr) {
    finalcut::FFocusEvent out(finalcut::Event::FocusOut);
    out.setFocusType(step > 0 ? finalcut::FocusTypes::NextWidget : finalcut::FocusTypes::PreviousWidget);
    finalcut::FApplication::sendEvent(focus, &out);
  }
  // The focus-out may have changed the page (a handler ran): the order is
  // taken again then.
  if (std::find(order.begin(), order.end(), next) == order.end() || !next->isVisible()) return true;
  if (shown_ != &Window()) return true;
  next->setFocus();
  // Keys already read go to the new focus too.
  finalcut::FApplication::setKeyboardWidget(next);
  finalcut::FFocusEvent in(finalcut::Event::FocusIn);
  in.setFocusType(step > 0 ? finalcut::FocusTypes::NextWidget : finalcut::FocusTypes::PreviousWidget);
  finalcut::FApplication::sendEvent(next, &in);
  if (next->getParentWidget() == view_) {
    finalcut::FFocusEvent child(finalcut::Event::ChildFocusIn);
    finalcut::FApplication::sendEvent(view_, &child);
  }
  if (focus != nullptr) focus->redraw();
  next->redraw();
  ShowFooter();
  return true;
}

WindowView::Bound* WindowView::FocusedBound() {
  finalcut::FWidget* focus = finalcut::FWidget::getFocusWidget();
  for (Bound* bound : bound_)
    if (bound->widget == focus) return bound;
  return nullptr;
}

bool WindowView::WindowKey(FKey key) {
  if (key == FKey::Escape || key == FKey::Escape_mintty) {
    if (sheet_ != nullptr)
      AskCancel();
    else
      Act([this]() { FwNotifyDialog(Window(), IDCANCEL, BN_CLICKED); });
    return true;
  }
  // Alt-F presses Finish where the page offers it: the toolkit does not
  // register the access letter of a button that shares its place with
  // another (Next and Finish).
  if (key == FKey::Meta_f && sheet_ != nullptr && sheet_->IsButtonEnabled(PSBTN_FINISH)) {
    Act([this]() { sheet_->PressButton(PSBTN_FINISH); });
    return true;
  }
  if (key == FKey::F1) {
    Act([this]() {
      if (!Window().OnHelp() && sheet_ != nullptr) sheet_->OnHelp();
    });
    return true;
  }
  return false;
}

void WindowView::onKeyPress(finalcut::FKeyEvent* event) {
  FKey key = event->key();
  if (tooSmall_) {
    event->accept();  // the page waits for room
    return;
  }
  if (WindowKey(key)) {
    event->accept();
    return;
  }
  if (key == FKey::F2) {
    Bound* bound = FocusedBound();
    if (bound != nullptr && bound->control->Kind() == FwControlKind::ListCtrl) {
      event->accept();
      OpenColumnBox(*bound);
      return;
    }
  }
  // Esc never reaches the toolkit's dialog (which would end itself): this
  // one ends by the model. Keys left unaccepted go on to the access keys.
  finalcut::FDialog::onKeyPress(event);
}

void WindowView::AskCancel() {
  finalcut::FMessageBox box("Import Wizard", FString("Cancel the import wizard?"), finalcut::FMessageBox::ButtonType::Yes,
                            finalcut::FMessageBox::ButtonType::No, finalcut::FMessageBox::ButtonType::Reject, this);
  if (box.exec() == finalcut::FMessageBox::ButtonType::Yes) Act([this]() { sheet_->PressButton(PSBTN_CANCEL); });
}

void WindowView::OpenRowList(Bound& bound) {
  auto& report = static_cast<CListCtrl&>(*bound.control);
  UINT id = report.GetDlgCtrlID();
  int row = report.GetNextItem(-1, LVNI_SELECTED);
  if (row < 0) {
    if (report.GetItemCount() == 0) return;
    Act([this, id]() { FwPickItem(Window(), id, 0); });
    row = 0;
  }
  CWnd* combo = InPlaceCombo(report);
  if (combo == nullptr) return;
  auto& items = static_cast<CComboBox&>(*combo);
  std::vector<std::string> choices;
  for (int i = 0; i < items.GetCount(); ++i) choices.push_back(Str(items.GetItemText(i)));
  int index = items.GetCurSel();
  // The list opens under the row it sets.
  FPoint at = bound.widget->getTermPos() + FPoint{2, 1};
  int chosen = ChooseFromList(this, Wide(Str(report.GetItemText(row, 0))), choices, index, at);
  ShowFooter();
  if (chosen < 0) return;
  UINT comboId = combo->GetDlgCtrlID();
  Act([&report, comboId, chosen]() { FwPickItem(report, comboId, chosen); });
}

void WindowView::OpenComboList(Bound& bound) {
  auto& combo = static_cast<CComboBox&>(*bound.control);
  std::vector<std::string> choices;
  for (int i = 0; i < combo.GetCount(); ++i) choices.push_back(Str(combo.GetItemText(i)));
  if (choices.empty()) return;
  FPoint at = bound.widget->getTermPos() + FPoint{0, 1};
  int chosen = ChooseFromList(this, FString(""), choices, combo.GetCurSel(), at);
  ShowFooter();
  if (chosen < 0 || chosen == combo.GetCurSel()) return;
  UINT id = combo.GetDlgCtrlID();
  Act([this, id, chosen]() { FwPickItem(Window(), id, chosen); });
}

void WindowView::OpenColumnBox(Bound& bound) {
  auto& report = static_cast<CListCtrl&>(*bound.control);
  std::vector<std::string> headings;
  for (int column = 0; column < report.GetColumnCount(); ++column) {
    FwListColumn info{};
    report.GetColumn(column, info);
    headings.push_back(Str(info.text));
  }
  if (headings.empty()) return;
  FPoint at = bound.widget->getTermPos() + FPoint{2, 1};
  int column = ChooseFromList(this, FString("Column"), headings, 0, at);
  ShowFooter();
  if (column < 0) return;
  UINT id = report.GetDlgCtrlID();
  Act([this, id, column]() { FwRightClickHeader(Window(), id, column); });
}

void WindowView::ShowProgress(CProgressCtrl& bar) {
  for (Bound* bound : bound_) {
    if (bound->control != &bar) continue;
    SyncControl(*bound);
    // The percentage beside the bar is shown too.
    for (Bound* other : bound_)
      if (other != bound && IsReadOnlyEdit(*other->control)) SyncControl(*other);
    if (!tooSmall_) {
      ScrollToBar(*bound);
      movedBar_ = &bar;
    }
    bound->widget->redraw();
    view_->redraw();
    redraw();
    flush();
  }
}

}  // namespace fw_term
