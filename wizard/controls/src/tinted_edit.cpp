// The tinted text box's text from the string table.
#include "tinted_edit.h"

#include "localisation.h"

void CTintedEdit::SetTextFromString(UINT id) { SetWindowText(LoadResString(id)); }
