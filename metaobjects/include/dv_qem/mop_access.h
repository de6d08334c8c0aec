// Typed member access: reading and writing a data member of an object
// through its metaobject. The member's type must have the kind that matches
// the C++ type of the value (no indirection is stripped) and exactly its
// size; bit-fields are refused. Every refusal is a dv_err_mop and reads or
// writes nothing.
#pragma once

#include "dv_qem/mop_class.h"

namespace dv_qem {

// The object's address plus the member's or base's offset.
void* dv_fetch_address(void* object, const dv_member_variable& m);
const void* dv_fetch_address(const void* object, const dv_member_variable& m);
void* dv_fetch_address(void* object, const dv_base_class& b);
const void* dv_fetch_address(const void* object, const dv_base_class& b);

// Copies the member into out and returns it.
unsigned long dv_fetch(const void* object, const dv_member_variable& m, unsigned long& out);
long dv_fetch(const void* object, const dv_member_variable& m, long& out);
unsigned int dv_fetch(const void* object, const dv_member_variable& m, unsigned int& out);
int dv_fetch(const void* object, const dv_member_variable& m, int& out);
unsigned short dv_fetch(const void* object, const dv_member_variable& m, unsigned short& out);
short dv_fetch(const void* object, const dv_member_variable& m, short& out);
unsigned char dv_fetch(const void* object, const dv_member_variable& m, unsigned char& out);
signed char dv_fetch(const void* object, const dv_member_variable& m, signed char& out);
char dv_fetch(const void* object, const dv_member_variable& m, char& out);
float dv_fetch(const void* object, const dv_member_variable& m, float& out);
double dv_fetch(const void* object, const dv_member_variable& m, double& out);
long double dv_fetch(const void* object, const dv_member_variable& m, long double& out);
void* dv_fetch(const void* object, const dv_member_variable& m, void*& out);

// Copies the value into the member.
void dv_store(void* object, const dv_member_variable& m, unsigned long value);
void dv_store(void* object, const dv_member_variable& m, long value);
void dv_store(void* object, const dv_member_variable& m, unsigned int value);
void dv_store(void* object, const dv_member_variable& m, int value);
void dv_store(void* object, const dv_member_variable& m, unsigned short value);
void dv_store(void* object, const dv_member_variable& m, short value);
void dv_store(void* object, const dv_member_variable& m, unsigned char value);
void dv_store(void* object, const dv_member_variable& m, signed char value);
void dv_store(void* object, const dv_member_variable& m, char value);
void dv_store(void* object, const dv_member_variable& m, float value);
void dv_store(void* object, const dv_member_variable& m, double value);
void dv_store(void* object, const dv_member_variable& m, long double value);
void dv_store(void* object, const dv_member_variable& m, const void* value);

}  // namespace dv_qem
