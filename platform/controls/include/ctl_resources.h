// The program's dialog resources: each dialog's caption and its controls in
// tab order, with their texts (localisable texts end in ",NNNN"). No
// coordinates: the front end lays the controls out.
#pragma once

#include <cstddef>

#include "ctl_window.h"

struct FwControlTemplate {
  UINT id;
  FwControlKind kind;
  LPCTSTR text;
  BOOL groupStart;  // opens a group of radio buttons
  BOOL hidden;      // created invisible
};

struct FwDialogTemplate {
  UINT id;
  LPCTSTR caption;
  const FwControlTemplate* controls;
  size_t controlCount;
};

// Makes the templates of table findable; a later table's template of the
// same id hides an earlier one.
void FwRegisterDialogTemplates(const FwDialogTemplate* table, size_t count);
// The template of dialog id; throws FwControlError when none is registered.
const FwDialogTemplate& FwFindDialogTemplate(UINT id);
// Sets window's caption and gives it one child per control of the template.
void FwCreateControls(CWnd& window, const FwDialogTemplate& dialog);
