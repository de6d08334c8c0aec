// The progress bar: a position within a range, moved by steps.
#include "ctl_controls.h"

namespace {
FwProgressShown g_show = nullptr;

// Tells the front end when the bar shows another position.
void Moved(CProgressCtrl& bar, int previous) {
  if (g_show != nullptr && bar.GetPos() != previous) g_show(bar);
}
}  // namespace

FwProgressShown FwSetProgressShown(FwProgressShown show) {
  FwProgressShown previous = g_show;
  g_show = show;
  return previous;
}

int CProgressCtrl::SetPos(int position) {
  int previous = position_;
  position_ = position < lower_ ? lower_ : position > upper_ ? upper_ : position;
  Moved(*this, previous);
  return previous;
}

int CProgressCtrl::StepIt() {
  int previous = position_;
  position_ += step_;
  // The bar wraps to its start when a step passes the end.
  if (position_ > upper_) position_ = lower_ + (position_ - upper_);
  Moved(*this, previous);
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
