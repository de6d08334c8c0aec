// The mapping grid: a report list whose edited column takes its value from
// an in-place drop-down list shown over the selected row's cell.
#pragma once

#include <memory>

#include "list_view_base.h"

class CMappingListCtrl;

// The grid's in-place combo: picking an entry writes it into the grid's
// cell of the current row and edited column and marks the owning page
// changed.
class CInPlaceCombo : public CComboBox {
 public:
  BOOL OnReflectedNotify(UINT code) override;
};

class CMappingListCtrl : public CListViewBase {
 public:
  // Makes combo a child of the grid (the grid owns it), editing column;
  // hidden until a row is selected.
  void AttachCombo(std::unique_ptr<CInPlaceCombo> combo, int column);
  int GetCurrentRow() const { return currentRow_; }
  int GetEditedColumn() const { return editedColumn_; }
  CInPlaceCombo* GetCombo() const { return combo_; }
  // A change of the selected row: the combo hides (no row) or shows over
  // the row's cell with the entry equal to the cell's text selected.
  BOOL OnReflectedNotify(UINT code) override;

 protected:
  // The combo goes with the grid's children.
  void ResetContents() override;

 private:
  int currentRow_ = -1;
  int editedColumn_ = 0;
  CInPlaceCombo* combo_ = nullptr;
};
