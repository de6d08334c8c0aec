// The progress bar: a position within a range, moved by steps.
#include "ctl_controls.h"

int CProgressCtrl::SetPos(int position) {
  int previous = position_;
  position_ = position < lower_ ? lower_ : position > upper_ ? upper_ : position;
  return previous;
}

int CProgressCtrl::StepIt() {
  int previous = position_;
  position_ += step_;
  // The bar wraps to its start when a step passes the end.
  if (position_ > upper_) position_ = lower_ + (position_ - upper_);
  return previous;
}

int CProgressCtrl::SetStep(int step) {
  int previous = step_;
  step_ = step;
  return previous;
}

void CProgressCtrl::ResetContents() {
  lower_ = 0, upper_ = 100, position_ = 0, step_ = 10;
}
