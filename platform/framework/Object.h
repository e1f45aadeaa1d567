#pragma once

#include <cstddef>

class CObject;

// What a class is at run time: its name, how to make one, and what it derives
// from. A form "class" travels through the program as a pointer to one of
// these (the table of forms hands them to the splitter, which creates the
// form), so a form can be chosen by data and built without naming its type.
struct CRuntimeClass
{
    const char* m_lpszClassName;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    // A new object of the class, or null when the class cannot be created.
    CObject* CreateObject() const;
    // True when this class is pBase or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* pBase) const;
};

// Root of the classes that carry run-time class information. Header-only, like
// CCmdTarget, so that layers without widgets can use it.
class CObject
{
public:
    virtual ~CObject() = default;

    static const CRuntimeClass classCObject;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const CRuntimeClass* pClass) const;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

// DECLARE_DYNAMIC / IMPLEMENT_DYNAMIC: the class can be asked what it is.
// DECLARE_DYNCREATE / IMPLEMENT_DYNCREATE: it can also be created from its
// CRuntimeClass (it needs a default constructor).
#define DECLARE_DYNAMIC(class_name)                                                                          \
public:                                                                                                      \
    static const CRuntimeClass class##class_name;                                                            \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name)                                                                        \
    DECLARE_DYNAMIC(class_name)                                                                              \
    static CObject* CreateObject();

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                       \
    const CRuntimeClass class_name::class##class_name = {#class_name, nullptr,                               \
                                                         RUNTIME_CLASS(base_class_name)};                    \
    const CRuntimeClass* class_name::GetRuntimeClass() const                                                 \
    {                                                                                                        \
        return RUNTIME_CLASS(class_name);                                                                    \
    }

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                                     \
    CObject* class_name::CreateObject()                                                                      \
    {                                                                                                        \
        return new class_name;                                                                               \
    }                                                                                                        \
    const CRuntimeClass class_name::class##class_name = {#class_name, &class_name::CreateObject,             \
                                                         RUNTIME_CLASS(base_class_name)};                    \
    const CRuntimeClass* class_name::GetRuntimeClass() const                                                 \
    {                                                                                                        \
        return RUNTIME_CLASS(class_name);                                                                    \
    }

inline const CRuntimeClass CObject::classCObject = {"CObject", nullptr, nullptr};

inline CObject* CRuntimeClass::CreateObject() const
{
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

inline bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBase) const
{
    for (const CRuntimeClass* p = this; p; p = p->m_pBaseClass) {
        if (p == pBase)
            return true;
    }
    return false;
}

inline const CRuntimeClass* CObject::GetRuntimeClass() const
{
    return RUNTIME_CLASS(CObject);
}

inline bool CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    return pClass && GetRuntimeClass()->IsDerivedFrom(pClass);
}
