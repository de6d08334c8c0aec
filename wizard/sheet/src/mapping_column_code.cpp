// Reading and writing the fields of a mapping-column code.
#include "mapping_column_code.h"

MappingColumnCode MappingColumnCode::ForOption(int option, OptionKind kind) {
  MappingColumnCode code;
  code.SetOptionIndex(option);
  code.SetOptionKind(kind);
  return code;
}

MappingColumnCode MappingColumnCode::ForChoice(int option, int choice, ChoiceKind kind) {
  MappingColumnCode code;
  code.SetOptionIndex(option);
  code.SetChoiceIndex(choice);
  code.SetChoiceKind(kind);
  return code;
}

void MappingColumnCode::SetOptionKind(OptionKind kind, bool set) {
  ClearOptionKind();
  if (set) code_ |= kOptionBit | (static_cast<DWORD>(kind) << 16);
}

void MappingColumnCode::SetChoiceKind(ChoiceKind kind, bool set) {
  ClearChoiceKind();
  if (set) code_ |= kOptionBit | static_cast<DWORD>(kind);
}

void MappingColumnCode::SetOptionIndex(int option) {
  code_ = (code_ & ~static_cast<DWORD>(kOptionIndexMask)) | ((static_cast<DWORD>(option) << 20) & kOptionIndexMask);
}

void MappingColumnCode::SetChoiceIndex(int choice) {
  code_ = (code_ & ~static_cast<DWORD>(kChoiceIndexMask)) | ((static_cast<DWORD>(choice) << 4) & kChoiceIndexMask);
}
