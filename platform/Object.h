// Root class of framework objects: a virtual destructor, run-time class names for type queries,
// and a validity check that debug builds run before touching an object's state.
#pragma once

#include "platform/Debug.h"

struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;

    bool IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
        for (const CRuntimeClass* p = this; p; p = p->m_pBaseClass)
            if (p == pBaseClass) return true;
        return false;
    }
};

class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &classCObject; }
    // Reports a debug assertion when the object is broken; derived classes may check more.
    virtual void AssertValid() const {}

    bool IsKindOf(const CRuntimeClass* pClass) const { return GetRuntimeClass()->IsDerivedFrom(pClass); }

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

inline const CRuntimeClass CObject::classCObject = {"CObject", nullptr};

#define RUNTIME_CLASS(theClass) (&theClass::class##theClass)

#define DECLARE_DYNAMIC(theClass)                      \
public:                                                \
    static const CRuntimeClass class##theClass;        \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(theClass, baseClass)                                                 \
    const CRuntimeClass theClass::class##theClass = {#theClass, RUNTIME_CLASS(baseClass)};     \
    const CRuntimeClass* theClass::GetRuntimeClass() const { return RUNTIME_CLASS(theClass); }

#if defined(QV_DEBUG) && QV_DEBUG
#define ASSERT_VALID(pObject) \
    do { ASSERT((pObject) != nullptr); if (pObject) (pObject)->AssertValid(); } while (0)
#else
#define ASSERT_VALID(pObject) ((void)0)
#endif
