// Object-store errors shown to the person while the program runs windowed:
// dv_err::print goes to a message box of the installed prompts.
#pragma once

// Shows text in a stop box of the installed prompts (the title is not
// shown: every box of the program carries the program's title).
void ShowStoreErrorBox(const char* title, const char* text);

// While an object lives, dv_err::print shows its message in a box;
// afterwards it writes to standard error again.
class StoreErrorsInBoxes {
 public:
  StoreErrorsInBoxes();
  ~StoreErrorsInBoxes();
  StoreErrorsInBoxes(const StoreErrorsInBoxes&) = delete;
  StoreErrorsInBoxes& operator=(const StoreErrorsInBoxes&) = delete;
};
