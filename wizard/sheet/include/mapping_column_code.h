// The 32-bit code of a mapping column. A main column's code is its index
// in the field-name table (top bit clear). An option or choice column has
// the top bit set and packs:
//   bits 20-30  option index (11 bits, from 0)
//   bits 16-19  option-column kind: 0 option name, 1 option status,
//               2 option default
//   bits  4-15  choice index (12 bits, from 0)
//   bits  0-3   choice-column kind: 1 choice name, 2 choice price, 3 choice
//               item number, 4 (never produced); 0 on option columns
#pragma once

#include "fw_types.h"

class MappingColumnCode {
 public:
  enum : DWORD {
    kOptionBit = 0x80000000,
    kOptionIndexMask = 0x7FF00000,
    kOptionKindMask = 0x000F0000,
    kChoiceIndexMask = 0x0000FFF0,
    kChoiceKindMask = 0x0000000F,
  };
  enum OptionKind : DWORD { OptionName = 0, OptionStatus = 1, OptionDefault = 2 };
  enum ChoiceKind : DWORD { ChoiceName = 1, ChoicePrice = 2, ChoiceItemNo = 3, ChoiceFourth = 4 };

  explicit MappingColumnCode(DWORD code = 0) : code_(code) {}
  DWORD Value() const { return code_; }

  // An option column of option index and kind.
  static MappingColumnCode ForOption(int option, OptionKind kind);
  // A choice column of option, choice and kind.
  static MappingColumnCode ForChoice(int option, int choice, ChoiceKind kind);

  bool IsOptionColumn() const { return (code_ & kOptionBit) != 0; }
  // True for an option column of that kind (its low 16 bits zero).
  bool IsOptionName() const { return (code_ & 0xFFFF) == 0 && (code_ & 0x800F0000) == 0x80000000; }
  bool IsOptionStatus() const { return (code_ & 0xFFFF) == 0 && (code_ & 0x800F0000) == 0x80010000; }
  // True for a choice column of that kind.
  bool IsChoiceName() const { return (code_ & 0x8000000F) == 0x80000001; }
  bool IsChoicePrice() const { return (code_ & 0x8000000F) == 0x80000002; }
  bool IsChoiceItemNo() const { return (code_ & 0x8000000F) == 0x80000003; }
  bool IsChoiceFourth() const { return (code_ & 0x8000000F) == 0x80000004; }

  // Clears the option kind; with set, makes the code an option column of
  // that kind.
  void SetOptionKind(OptionKind kind, bool set = true);
  // Clears the choice kind; with set, makes the code a choice column of that
  // kind.
  void SetChoiceKind(ChoiceKind kind, bool set = true);
  void ClearOptionKind() { code_ &= ~static_cast<DWORD>(kOptionKindMask); }
  void ClearChoiceKind() { code_ &= ~static_cast<DWORD>(kChoiceKindMask); }
  int OptionIndex() const { return static_cast<int>((code_ & kOptionIndexMask) >> 20); }
  int ChoiceIndex() const { return static_cast<int>((code_ & kChoiceIndexMask) >> 4); }
  // Sets the index (taken modulo the field's width).
  void SetOptionIndex(int option);
  void SetChoiceIndex(int choice);

  bool SameOption(MappingColumnCode other) const {
    return (code_ & kOptionIndexMask) == (other.code_ & kOptionIndexMask);
  }
  bool SameOptionAndChoice(MappingColumnCode other) const {
    return SameOption(other) && (code_ & kChoiceIndexMask) == (other.code_ & kChoiceIndexMask);
  }

 private:
  DWORD code_;
};
