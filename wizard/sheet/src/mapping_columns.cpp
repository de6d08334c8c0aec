// The field-name table and the making of the mapping columns.
#include "mapping_column.h"

#include "localisation.h"
#include "main_sheet.h"

const FieldNameEntry kFieldNameTable[9] = {
    {51601, "P_NAME"},  {51606, "P_ITEMNO"},  {51609, "DEPT_NAME"}, {51602, "P_DESC"}, {51603, "P_IMAGE"},
    {51604, "P_PRICE"}, {51605, "P_SPECIAL"}, {51608, "P_TAX"},     {51610, "P_LINK"},
};

namespace {

// "Option1" cut before its last "1" ("Option"), or "Op" when the string is
// empty.
CString OptionLabel() {
  CString label = LoadResString(32908);
  if (label.IsEmpty()) return "Op";
  int one = label.ReverseFind('1');
  return one >= 0 ? label.Left(one) : label;
}

}  // namespace

int CMainSheet::BuildMappingColumns() {
  m_mappingColumns.clear();
  m_nMainColumns = m_nAllFields != 0 ? 9 : 4;
  m_nMainColumnsCopy = m_nMainColumns;
  m_nColumnsPerOption = 2;
  m_nColumnsPerChoice = 3;
  int options = m_nOptionCount;
  int choices = m_nChoiceCount;
  m_nImportingFields = m_nMainColumns + options * choices * m_nColumnsPerChoice + options * m_nColumnsPerOption;
  for (int i = 0; i < m_nImportingFields; ++i) m_mappingColumns.push_back(std::make_unique<CMappingColumn>());

  for (int i = 0; i < m_nMainColumns; ++i) {
    CMappingColumn& column = *m_mappingColumns[i];
    column.m_strCaption = LoadResString(kFieldNameTable[i].stringId);
    column.m_code = MappingColumnCode(static_cast<DWORD>(i));
  }
  const UINT optionCaptions[2] = {51611, 51612};
  const MappingColumnCode::OptionKind optionKinds[2] = {MappingColumnCode::OptionName, MappingColumnCode::OptionStatus};
  const UINT choiceCaptions[3] = {51614, 51615, 51616};
  const MappingColumnCode::ChoiceKind choiceKinds[3] = {MappingColumnCode::ChoiceName, MappingColumnCode::ChoicePrice,
                                                        MappingColumnCode::ChoiceItemNo};
  CString label = OptionLabel();
  for (int o = 0; o < options; ++o) {
    CString optionName;
    optionName.Format("%s%d", static_cast<LPCTSTR>(label), o + 1);
    for (int k = 0; k < 2; ++k) {
      CMappingColumn& column = *m_mappingColumns[m_nMainColumns + o * (2 + choices * 3) + k];
      column.m_strCaption.Format("%s%s %d", "", static_cast<LPCTSTR>(LoadResString(optionCaptions[k])), o + 1);
      column.m_code = MappingColumnCode::ForOption(o, optionKinds[k]);
    }
    for (int c = 0; c < choices; ++c) {
      for (int k = 0; k < 3; ++k) {
        CMappingColumn& column = *m_mappingColumns[m_nMainColumns + (choices * o + c) * 3 + (o + 1) * 2 + k];
        column.m_strCaption.Format("%s%s %s %d", "", static_cast<LPCTSTR>(optionName),
                                   static_cast<LPCTSTR>(LoadResString(choiceCaptions[k])), c + 1);
        column.m_code = MappingColumnCode::ForChoice(o, c, choiceKinds[k]);
      }
    }
  }
  for (int i = 0; i < m_nImportingFields; ++i) m_mappingColumns[i]->m_nNumber = i;
  return m_nImportingFields;
}
