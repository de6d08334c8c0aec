// The drop-down choice list: a small modal dialog holding a list box.
#include "term_choice_list.h"

#include <algorithm>

#include "term_text.h"

namespace fw_term {

namespace {

class ChoiceDialog : public finalcut::FDialog {
 public:
  ChoiceDialog(finalcut::FWidget* parent, const finalcut::FString& title) : finalcut::FDialog(parent) {
    setText(title);
    setResizeable(false);
    setMinimizable(false);
    setTitlebarButtonVisibility(false);
    list = new finalcut::FListBox(this);
    list->setStatusbarMessage("Up/Down: choose  Enter: take it  Esc: leave it unchanged");
    list->addCallback("clicked", [this]() { Take(); });
  }
  void onKeyPress(finalcut::FKeyEvent* event) override {
    if (event->key() == finalcut::FKey::Return || event->key() == finalcut::FKey::Enter) {
      event->accept();
      Take();
      return;
    }
    finalcut::FDialog::onKeyPress(event);  // Esc leaves with nothing chosen
  }
  void Take() {
    chosen = static_cast<int>(list->currentItem()) - 1;
    done(ResultCode::Accept);
  }
  finalcut::FListBox* list;
  int chosen = -1;
};

}  // namespace

int ChooseFromList(finalcut::FWidget* parent, const finalcut::FString& title, const std::vector<std::string>& choices,
                   int current, finalcut::FPoint at) {
  if (choices.empty()) return -1;
  ChoiceDialog dialog(parent, title);
  std::size_t widest = Cells(title) + 4;
  for (const std::string& choice : choices) {
    dialog.list->insert(Wide(choice));
    widest = std::max(widest, Cells(Wide(choice)) + 4);
  }
  // Nothing chosen yet: the list opens on its first choice, which Enter takes.
  bool known = current >= 0 && static_cast<std::size_t>(current) < choices.size();
  dialog.list->setCurrentItem(known ? static_cast<std::size_t>(current) + 1 : 1);
  int termWidth = static_cast<int>(dialog.getDesktopWidth());
  int termHeight = static_cast<int>(dialog.getDesktopHeight());
  int width = std::min(static_cast<int>(widest) + 2, std::max(termWidth, 6));
  // The title bar, the list's two borders, the dialog's bottom border and
  // a blank line around the choices.
  int height = std::min(static_cast<int>(choices.size()) + 5, std::max(termHeight - 1, 5));
  int x = std::clamp(at.getX(), 1, std::max(1, termWidth - width + 1));
  int y = std::clamp(at.getY(), 1, std::max(1, termHeight - height));
  dialog.setGeometry(finalcut::FPoint{x, y}, finalcut::FSize{static_cast<std::size_t>(width), static_cast<std::size_t>(height)});
  dialog.list->setGeometry(finalcut::FPoint{1, 1},
                           finalcut::FSize{static_cast<std::size_t>(std::max(1, width - 2)), static_cast<std::size_t>(std::max(1, height - 3))});
  dialog.list->setFocus();
  if (auto* footer = finalcut::FWidget::getStatusBar()) {
    footer->setMessage(dialog.list->getStatusbarMessage());
    footer->drawMessage();
  }
  dialog.setModal();
  dialog.exec();
  return dialog.chosen;
}

}  // namespace fw_term
