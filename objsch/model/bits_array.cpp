// The bit array's storage and bit operations.
#include "bits_array.h"

#include <cstring>

#include "durnavel.h"
#include "dv_new.h"

CBitsArray::CBitsArray(objsch::dv4u n) : m_nBytes(n), m_pBytes(nullptr) {
  if (n == 0) return;
  m_pBytes = static_cast<unsigned char*>(::operator new(n, this, dv_qem::dv_typespec::get_unsigned_char(), n));
  std::memset(m_pBytes, 0, n);
}

CBitsArray::~CBitsArray() {
  dv_qem::durnavel::free_memory(m_pBytes);
  m_pBytes = nullptr;
}

int CBitsArray::GetAt(objsch::dv4u i) const {
  if (i >= GetSize()) return 0;
  return (m_pBytes[i / 8] >> (i % 8)) & 1;
}

void CBitsArray::SetAt(objsch::dv4u i, int on) {
  if (i >= GetSize()) return;
  unsigned char mask = static_cast<unsigned char>(1u << (i % 8));
  if (on)
    m_pBytes[i / 8] |= mask;
  else
    m_pBytes[i / 8] &= static_cast<unsigned char>(~mask);
}

void CBitsArray::SetAll(int on) {
  if (m_nBytes != 0) std::memset(m_pBytes, on ? 0xff : 0, m_nBytes);
}

bool CBitsArray::SetBits(const objsch::dv4u* indices, unsigned count, int on) {
  for (unsigned k = 0; k < count; ++k)
    if (indices[k] >= GetSize()) return false;
  for (unsigned k = 0; k < count; ++k) SetAt(indices[k], on);
  return true;
}
