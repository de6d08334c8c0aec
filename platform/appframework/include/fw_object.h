// CObject and CRuntimeClass: the framework's root class and its run-time
// class records (name, size, schema, creation function, base class), with
// the macros that declare and define a class's record.
#pragma once

#include "fw_types.h"

class CObject;
class CArchive;
class CDumpContext;

struct CRuntimeClass {
  LPCSTR m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;                        // 0xFFFF: not serialisable
  CObject* (*m_pfnCreateObject)();       // null: no dynamic creation
  const CRuntimeClass* m_pBaseClass;     // null for CObject
  const CRuntimeClass* m_pNextClass;     // unused link, kept for the layout

  // A new object of the class, or null when it has no creation function.
  CObject* CreateObject() const;
  BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};
static_assert(sizeof(CRuntimeClass) == 24);

class CObject {
 public:
  virtual const CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject();
  // Does nothing here; serialisable classes override it.
  virtual void Serialize(CArchive& archive);
  // Diagnostics hooks of the framework; the base checks and prints nothing.
  virtual void AssertValid() const;
  virtual void Dump(CDumpContext& context) const;

  BOOL IsKindOf(const CRuntimeClass* type) const;
  BOOL IsSerializable() const;

  static const CRuntimeClass classCObject;

 protected:
  CObject() = default;

 private:
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;
};
static_assert(sizeof(CObject) == 4, "a CObject is its virtual-table pointer");

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                \
 public:                                                           \
  static const CRuntimeClass class##class_name;                    \
  const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS(class_name, base_name, schema, create)                          \
  const CRuntimeClass class_name::class##class_name = {#class_name, sizeof(class_name), schema, \
                                                       create, RUNTIME_CLASS(base_name), nullptr}; \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_name) \
  IMPLEMENT_RUNTIMECLASS(class_name, base_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_name)                   \
  CObject* class_name::CreateObject() { return new class_name; }     \
  IMPLEMENT_RUNTIMECLASS(class_name, base_name, 0xFFFF, class_name::CreateObject)
