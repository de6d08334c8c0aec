// Raising a collection error with a catalogue text: a _Coll_message pairs a
// text with the global error object it is signalled on, and
// dv_coll_raise<message>(args...) signals it. The arguments are checked at
// compile time against the text's printf directives (count and kind).
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

#include "dv_coll_err.h"

namespace dv_qem {

// What a printf directive of a catalogue text takes.
enum class _Coll_arg_kind : char {
  signed_int,    // %d %i %c
  unsigned_int,  // %u %x %X %o (a pointer is passed as its address)
  string,        // %s
  pointer,       // %p
};

template <class E>
struct _Coll_message {
  static constexpr int max_args = 4;

  E& receiver;       // the global error object signalled on
  const char* text;  // the catalogue text, tag included
  _Coll_arg_kind args[max_args] = {};
  int arg_count = 0;

  // Rejects (at compile time) a text with a directive outside the kinds
  // above or with more than max_args directives.
  consteval _Coll_message(E& global, const char* catalogue_text) : receiver(global), text(catalogue_text) {
    for (const char* p = text; *p != '\0'; ++p) {
      if (*p != '%') continue;
      ++p;
      if (*p == '%') continue;
      while (*p == '#' || *p == '-' || *p == '+' || *p == ' ' || *p == '0') ++p;
      while (*p >= '0' && *p <= '9') ++p;
      switch (*p) {
        case 'd': case 'i': case 'c': add(_Coll_arg_kind::signed_int); break;
        case 'u': case 'x': case 'X': case 'o': add(_Coll_arg_kind::unsigned_int); break;
        case 's': add(_Coll_arg_kind::string); break;
        case 'p': add(_Coll_arg_kind::pointer); break;
        default: throw "unsupported printf directive in a catalogue text";
      }
    }
  }

 private:
  consteval void add(_Coll_arg_kind kind) {
    if (arg_count == max_args) throw "too many directives in a catalogue text";
    args[arg_count++] = kind;
  }
};

// Defines the catalogue entry NAME (a _Coll_message) from one row
// X(NAME, GLOBAL, TEXT) of a catalogue table; every catalogue expands its
// table with it.
#define DV_COLL_DEFINE_MESSAGE(NAME, GLOBAL, TEXT) \
  inline constexpr ::dv_qem::_Coll_message<std::remove_reference_t<decltype(GLOBAL)>> NAME{GLOBAL, TEXT};

// One argument as the directive of its kind expects it.
template <_Coll_arg_kind K, class T>
auto _Coll_pass_arg(const T& value) {
  using V = std::decay_t<T>;
  if constexpr (K == _Coll_arg_kind::string) {
    static_assert(std::is_convertible_v<V, const char*>, "%s takes a string");
    return static_cast<const char*>(value);
  } else if constexpr (K == _Coll_arg_kind::pointer) {
    static_assert(std::is_pointer_v<V>, "%p takes a pointer");
    return static_cast<const void*>(value);
  } else if constexpr (std::is_pointer_v<V>) {
    static_assert(K == _Coll_arg_kind::unsigned_int, "%d takes an integer");
    return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(value));
  } else {
    static_assert(std::is_integral_v<V> && sizeof(V) <= sizeof(int), "integer directives take a 32-bit integer");
    if constexpr (K == _Coll_arg_kind::signed_int)
      return static_cast<int>(value);
    else
      return static_cast<unsigned>(value);
  }
}

template <const auto& M, class... A, std::size_t... I>
[[noreturn]] void _Coll_raise_with(std::index_sequence<I...>, const A&... args) {
  M.receiver.signal(M.text, _Coll_pass_arg<M.args[I]>(args)...);
}

// Throws the class of message M's global object with the message
// "<class> - " followed by M's text formatted with args.
template <const auto& M, class... A>
[[noreturn]] void dv_coll_raise(const A&... args) {
  static_assert(sizeof...(A) == M.arg_count, "the arguments do not match the catalogue text's directives");
  if constexpr (sizeof...(A) == 0)
    M.receiver.signal("%s", M.text);
  else
    _Coll_raise_with<M>(std::index_sequence_for<A...>{}, args...);
}

}  // namespace dv_qem
