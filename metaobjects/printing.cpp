// Printing metaobjects: one line of items per metaobject, "KEY:value" and
// bare words each followed by two spaces; lists of bases and members on
// indented lines of their own.
#include <ostream>

#include "dv_qem/mop_class.h"
#include "dv_qem/mop_template.h"

namespace dv_qem {

namespace {

constexpr const char* gap = "  ";
constexpr const char* indent_8 = "\n        ";
constexpr const char* indent_13 = "\n             ";
constexpr const char* indent_20 = "\n                    ";

template <class V>
void key(std::ostream& out, const char* k, const V& value) {
  out << k << ':' << value << gap;
}

void word(std::ostream& out, const char* w) { out << w << gap; }

void header(std::ostream& out, const char* w) { key(out, "TYPE", w); }

const char* integral_word(int kind) {
  switch (kind) {
    case dv_type::Unsigned_char: return "UChar";
    case dv_type::Signed_char: return "SChar";
    case dv_type::Unsigned_short: return "UShort";
    case dv_type::Signed_short: return "SShort";
    case dv_type::Integer: return "Int";
    case dv_type::Unsigned_integer: return "UInt";
    case dv_type::Signed_long: return "SLong";
    case dv_type::Unsigned_long: return "ULong";
    case dv_type::Char: return "Char_type";
    case dv_type::Wchar_t: return "WChar";
    case dv_type::Bool_t: return "Bool";
    case dv_type::Signed_int64: return "SInt64";
    case dv_type::Unsigned_int64: return "UInt64";
    default: return "Unknown";
  }
}

const char* real_word(int kind) {
  switch (kind) {
    case dv_type::Float: return "Float";
    case dv_type::Double: return "Double";
    case dv_type::Long_double: return "LDouble";
    default: return "Unknown";
  }
}

// Access of members and bases: 1 public, 2 private, 3 protected.
const char* access_word(int access) {
  switch (access) {
    case 1: return "Pub";
    case 2: return "Priv";
    case 3: return "Prot";
    default: return nullptr;
  }
}

const char* storage_word(int storage) {
  switch (storage) {
    case 0: return "RegStg";
    case 1: return "PerStg";
    case 2: return "StaticStg";
    default: return "N/A";
  }
}

constexpr const char* class_kind_words[] = {"Class", "Struct", "Union", "AUnion"};

}  // namespace

// ---- types -------------------------------------------------------------------------------

void dv_type::print_common(std::ostream& out) const {
  key(out, "NAME", get_name());
  key(out, "SCOPE", enclosing_class_ != nullptr ? enclosing_class_->get_name() : "Global");
  key(out, "SIZE", get_size());
  key(out, "ALIGN", get_alignment());
}

void dv_integral_type::print(std::ostream& out, int) const {
  header(out, integral_word(kind_));
  print_common(out);
}

void dv_real_type::print(std::ostream& out, int) const {
  header(out, real_word(kind_));
  print_common(out);
}

void dv_void_type::print(std::ostream& out, int) const {
  header(out, "Void_type");
  print_common(out);
}

void dv_enumerator_literal::print(std::ostream& out) const {
  word(out, "ELit");
  key(out, get_name(), value_);
}

void dv_enum_type::print(std::ostream& out, int) const {
  header(out, "Enum");
  print_common(out);
  enumerators_.each([&](dv_enumerator_literal* e) {
    e->print(out);
    out << ' ';
  });
  out << gap;
}

void dv_indirect_type::print(std::ostream& out, int with_header) const {
  if (with_header) header(out, "Indirect");
  print_common(out);
  key(out, "TRG", _Mop_name_of(target_));
}

void dv_anonymous_indirect_type::print(std::ostream& out, int) const {
  header(out, "AIndirect");
  dv_indirect_type::print(out, 0);
  word(out, is_const_ ? "Const" : "NonConst");
  word(out, is_volatile_ ? "Volatile" : "NonVolatile");
}

void dv_named_indirect_type::print(std::ostream& out, int) const {
  header(out, "NIndirect");
  dv_indirect_type::print(out, 0);
}

void dv_pointer_type::print(std::ostream& out, int with_header) const {
  if (with_header) header(out, "Ptr");
  print_common(out);
  key(out, "TRG", _Mop_name_of(target_));
}

void dv_reference_type::print(std::ostream& out, int) const {
  header(out, "Ref");
  dv_pointer_type::print(out, 0);
}

void dv_pointer_to_member_type::print(std::ostream& out, int) const {
  header(out, "Ptr");
  dv_pointer_type::print(out, 0);
  key(out, "TRG", _Mop_name_of(target_class_));
}

void dv_array_type::print(std::ostream& out, int) const {
  header(out, "Arr");
  print_common(out);
  key(out, "#Elem", count_);
  key(out, "TRG", _Mop_name_of(element_));
}

void dv_function_type::print(std::ostream& out, int) const {
  header(out, "Func");
  print_common(out);
  word(out, "");  // the argument-list kind has no word of its own
  out << "ARGLIST:";
  args_.each([&](dv_type* t) { out << _Mop_name_of(t) << ' '; });
  out << gap << "RetVal:" << _Mop_name_of(return_type_);
}

void dv_class_type::print(std::ostream& out, int with_header) const {
  if (with_header) header(out, "Class");
  print_common(out);
  if (class_kind_ >= 0 && class_kind_ <= 3) word(out, class_kind_words[class_kind_]);
  if (!bases_.empty()) {
    out << indent_8 << "BASES:";
    bases_.each([&](dv_base_class* b) {
      out << indent_13;
      b->print(out);
    });
    out << '\n';
  }
  if (!members_.empty()) {
    out << indent_8 << "MEMBERS:";
    members_.each([&](dv_member* m) {
      out << indent_13;
      m->print(out, 1);
    });
    out << '\n';
  }
}

void dv_instantiated_class_type::print(std::ostream& out, int) const {
  header(out, "InstClass");
  dv_class_type::print(out, 0);
  out << indent_8 << "TRG:" << indent_13;
  if (instantiation_ != nullptr) instantiation_->print(out);
  out << gap;
}

void dv_base_class::print(std::ostream& out) const {
  word(out, "BaseClass");
  key(out, "TRG", _Mop_name_of(class_));
  const char* access = access_word(access_);
  word(out, access != nullptr ? access : "Unknown");
  if (is_virtual_) word(out, "Virtual");
}

// ---- members -----------------------------------------------------------------------------

void dv_member::print_common(std::ostream& out) const {
  key(out, "NAME", get_name());
  if (const char* access = access_word(access_)) word(out, access);
}

void dv_member_variable::print(std::ostream& out, int with_header) const {
  if (with_header) header(out, "MVar");
  print_common(out);
  word(out, storage_word(storage_class_));
  key(out, "TRG", _Mop_name_of(type_));
}

void dv_field_member_variable::print(std::ostream& out, int) const {
  header(out, "FieldMem");
  dv_member_variable::print(out, 0);
  key(out, "SIZE", static_cast<unsigned>(bits_));
}

void dv_member_function::print(std::ostream& out, int) const {
  header(out, "MFunc");
  print_common(out);
  if (is_inline_) word(out, "Inline");
  if (is_static_) word(out, "Static");
  if (is_pure_virtual_)
    word(out, "PVirtual");
  else if (is_virtual_)
    word(out, "Virtual");
  if (is_overloaded_) word(out, "Ovrldd");
  if (type_ != nullptr) type_->print(out, 1);
  out << gap;
  if (is_const_) word(out, "Const");
}

void dv_member_type::print(std::ostream& out, int) const {
  header(out, "Type");
  print_common(out);
  key(out, "TRG", _Mop_name_of(type_));
}

// ---- templates ---------------------------------------------------------------------------

void dv_template_instantiation::print(std::ostream& out) const {
  header(out, "InstTempl");
  key(out, "INST_OF", template_ != nullptr ? template_->get_name() : "");
  out << "ARGS:";
  args_.each([&](dv_template_actual_arg* a) {
    out << indent_20;
    a->print(out);
    out << ' ';
  });
  out << gap;
}

void dv_template::print(std::ostream& out) const {
  word(out, "Templ");
  out << "ARGS:";
  args_.each([&](dv_template_formal_arg* a) {
    a->print(out);
    out << ' ';
  });
  out << gap;
  word(out, _Mop_name_of(type_));
}

void dv_template_type_formal::print(std::ostream& out) const {
  header(out, "TFormalArg");
  key(out, "NAME", get_name());
}

void dv_template_value_formal::print(std::ostream& out) const {
  header(out, "TFormalArg");
  key(out, "NAME", get_name());
  key(out, "TRG", _Mop_name_of(type_));
}

void dv_type_template_actual_arg::print(std::ostream& out) const {
  header(out, "TypeArg");
  key(out, "TRG", _Mop_name_of(type_));
}

void dv_literal_template_actual_arg::print(std::ostream& out) const {
  header(out, "LitArg");
  out << "TRG:";
  if (literal_ != nullptr) literal_->print(out);
  out << gap;
}

void dv_literal::print(std::ostream& out) const {
  word(out, "Lit");
  switch (kind_) {
    case 1:
      if (const dv_enumerator_literal* e = get_enum_literal()) e->print(out);
      break;
    case 4: case 5: case 12:
      out << static_cast<char>(value_);
      break;
    case 6: case 14:
      out << static_cast<std::uint16_t>(value_);
      break;
    case 7:
      out << static_cast<std::int16_t>(value_);
      break;
    case 8: case 10:
      out << static_cast<long>(value_);
      break;
    case 9: case 11:
      out << static_cast<unsigned long>(value_);
      break;
    default:
      out << "N/A";
  }
  out << gap;
}

// ---- inserters ---------------------------------------------------------------------------

namespace {

// x printed to out by its print(out, args...); answers out.
template <class T, class... A>
std::ostream& printed(std::ostream& out, const T& x, A... args) {
  x.print(out, args...);
  return out;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const dv_type& t) { return printed(out, t, 1); }
std::ostream& operator<<(std::ostream& out, const dv_member& m) { return printed(out, m, 1); }
std::ostream& operator<<(std::ostream& out, const dv_base_class& b) { return printed(out, b); }
std::ostream& operator<<(std::ostream& out, const dv_enumerator_literal& e) { return printed(out, e); }
std::ostream& operator<<(std::ostream& out, const dv_template& t) { return printed(out, t); }
std::ostream& operator<<(std::ostream& out, const dv_template_instantiation& i) { return printed(out, i); }
std::ostream& operator<<(std::ostream& out, const dv_template_formal_arg& a) { return printed(out, a); }
std::ostream& operator<<(std::ostream& out, const dv_template_actual_arg& a) { return printed(out, a); }
std::ostream& operator<<(std::ostream& out, const dv_literal& l) { return printed(out, l); }

}  // namespace dv_qem
