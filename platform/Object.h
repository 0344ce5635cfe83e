// Root class of framework objects: a virtual destructor and a validity check that debug builds
// run before touching an object's state.
#pragma once

#include "platform/Debug.h"

class CObject {
public:
    virtual ~CObject() = default;
    // Reports a debug assertion when the object is broken; derived classes may check more.
    virtual void AssertValid() const {}

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

#if defined(QV_DEBUG) && QV_DEBUG
#define ASSERT_VALID(pObject) \
    do { ASSERT((pObject) != nullptr); if (pObject) (pObject)->AssertValid(); } while (0)
#else
#define ASSERT_VALID(pObject) ((void)0)
#endif
