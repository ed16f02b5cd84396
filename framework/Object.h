// Run-time class records for safe down-casts between window, document and
// audio classes. Each class names itself; IsKindOf walks the base chain.
#pragma once

#include <cstring>

struct CRuntimeClass {
  const char* m_lpszClassName;
  const CRuntimeClass* m_pBaseClass;

  bool IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass)
      if (c == base) return true;
    return false;
  }
};

class CObject {
 public:
  virtual ~CObject() = default;
  static const CRuntimeClass classCObject;
  virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
  bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }
};

inline const CRuntimeClass CObject::classCObject = {"CObject", nullptr};

#define RUNTIME_CLASS(name) (&name::class##name)

// In the class body: DECLARE_DYNAMIC(CAudioCore)
#define DECLARE_DYNAMIC(name)                             \
 public:                                                  \
  static const CRuntimeClass class##name;                 \
  const CRuntimeClass* GetRuntimeClass() const override { \
    return &class##name;                                  \
  }

// At namespace scope in one source: IMPLEMENT_DYNAMIC(CAudioCore, CObject)
#define IMPLEMENT_DYNAMIC(name, base) \
  const CRuntimeClass name::class##name = {#name, RUNTIME_CLASS(base)};

// A checked down-cast: null when the object is not of that class.
template <class T>
T* DynamicDowncast(CObject* object) {
  return object != nullptr && object->IsKindOf(RUNTIME_CLASS(T)) ? static_cast<T*>(object)
                                                                 : nullptr;
}
