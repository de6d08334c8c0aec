// The program's report lists: columns moved to new places, a header
// right-click that offers to cut the decimals off a column, and the rule of
// a header drag (a column dropped onto itself or onto the column right
// after it stays).
#pragma once

#include "ctl_controls.h"

class CListViewBase : public CListCtrl {
 public:
  // Moves column from (heading, width, format, every row's text) so that it
  // stands before the column that was at to; to may be the column count
  // (the end). Out of range: nothing moves, FALSE.
  BOOL MoveColumn(int from, int to);
  // The end of a header drag: the pressed column dropped at column drop.
  // Onto itself or the column right after it nothing moves (FALSE).
  BOOL DropHeaderColumn(int pressed, int drop);
  // Asks whether to cut the decimals off the column under the click and
  // does so on yes.
  void OnHeaderRightClick(int column) override;
  // In every row, removes everything from the first '.' of the column's
  // text.
  void StripDecimals(int column);
};
