// The option-count dialog (dialog 20010): how many product options the
// mapping holds (0 to 2) and how many choices each option has (0 to 10).
#pragma once

#include "ctl_dialog.h"

class COptionCountDlg : public CDialog {
 public:
  enum : UINT { IDD = 20010, IDC_OPTIONS = 21149, IDC_CHOICES = 21150 };

  COptionCountDlg(int options, int choices) : CDialog(IDD), m_nOptions(options), m_nChoices(choices) {}
  int GetOptionCount() const { return m_nOptions; }
  int GetChoiceCount() const { return m_nChoices; }

  // Offers "0" to "2" options and "0" to "10" choices with the current
  // counts selected.
  BOOL OnInitDialog() override;
  // Takes both selections as the counts.
  void OnOK() override;

 private:
  int m_nOptions;
  int m_nChoices;
};
