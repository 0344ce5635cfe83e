// The attribute model: objects publish member variables as named, typed attributes behind small
// abstract interfaces, found by 128-bit identifier and version. There is no reference counting:
// Release destroys the object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "attributes/Array.h"
#include "platform/String.h"
#include "platform/Types.h"

#ifndef _WIN32
// Windows has this layout in guiddef.h; native builds get the same 16 bytes.
struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
#endif

inline bool IsSameIid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

inline constexpr GUID IID_IObject = {
    0x92D87E91, 0x5A5B, 0x4A45, {0x8C, 0xFD, 0x38, 0x2F, 0xE6, 0xB3, 0x2B, 0x0B}};
inline constexpr GUID IID_IAttribute = {
    0xF75B8E91, 0x5E0D, 0x4E3A, {0xB7, 0xAE, 0xA7, 0x72, 0x3D, 0x04, 0x41, 0x8A}};
inline constexpr GUID IID_IAttributeBinder = {
    0x5935B008, 0x0EAA, 0x432B, {0xA4, 0x89, 0x3C, 0x5A, 0xD7, 0xDA, 0x17, 0xB1}};
inline constexpr GUID IID_IAttributeAccess = {
    0x51860649, 0xCFF4, 0x44E7, {0xAA, 0x63, 0x06, 0xB5, 0x2D, 0x95, 0x5E, 0x9F}};

// Every interface of the framework is at version 1.1.1.x.
inline constexpr DWORD ATTR_INTERFACE_VERSION = 0x01010100;

// Top byte 1, next byte 1, third byte at most 1; the low byte is free.
inline bool IsAcceptableVersion(DWORD version) {
    return (version >> 24) == 1 && ((version >> 16) & 0xFF) == 1 && ((version >> 8) & 0xFF) <= 1;
}

// IsValid cannot probe memory soundly (IsBadWritePtr swallows guard-page faults and races with
// other threads), so it checks what can be checked without touching the storage: the object's
// address is non-null and aligned for its class.
inline bool IsObjectAddressSound(const void* pObject, std::size_t alignment) {
    const auto address = reinterpret_cast<std::uintptr_t>(pObject);
    return address != 0 && address % alignment == 0;
}

inline constexpr int ATTR_TYPE_NONE = 0;
inline constexpr int ATTR_TYPE_POINTER = 1;
inline constexpr int ATTR_TYPE_INT = 2;
inline constexpr int ATTR_TYPE_BYTE = 3;
inline constexpr int ATTR_TYPE_WORD = 4;
inline constexpr int ATTR_TYPE_LONG = 5;
inline constexpr int ATTR_TYPE_DWORD = 6;
inline constexpr int ATTR_TYPE_DOUBLE = 7;
inline constexpr int ATTR_TYPE_STRING = 8;

// Interfaces are destroyed only through Release, never deleted through an interface pointer.
class IObject {
public:
    virtual bool IsValid() = 0;
    virtual bool Release() = 0;
    // The interface of this object for iid, or null; no reference is added.
    virtual void* QueryInterface(const GUID& iid, DWORD version) = 0;

protected:
    ~IObject() = default;
};

class IAttribute : public IObject {
public:
    virtual int GetNameHash() = 0;
    virtual bool IsReadOnly() = 0;
    virtual const char* GetName() = 0;
    virtual int GetType() = 0;
    virtual bool GetValue(CString& out) = 0;
    virtual bool GetValue(double& out) = 0;
    virtual bool GetValue(DWORD& out) = 0;
    virtual bool GetValue(long& out) = 0;
    virtual bool GetValue(WORD& out) = 0;
    virtual bool GetValue(BYTE& out) = 0;
    virtual bool GetValue(int& out) = 0;
    virtual bool GetValue(void*& out) = 0;
    virtual bool GetText(CString& out) = 0;
    virtual bool SetValue(const char* value) = 0;
    virtual bool SetValue(double value) = 0;
    virtual bool SetValue(DWORD value) = 0;
    virtual bool SetValue(long value) = 0;
    virtual bool SetValue(WORD value) = 0;
    virtual bool SetValue(BYTE value) = 0;
    virtual bool SetValue(int value) = 0;
    virtual bool SetValue(void* value) = 0;

protected:
    ~IAttribute() = default;
};

class IAttributeBinder : public IObject {
public:
    virtual bool RemoveAttribute(const char* name) = 0;
    virtual bool AddAttribute(const char* name, CString* variable, bool readOnly) = 0;
    virtual bool AddAttribute(const char* name, double* variable, bool readOnly) = 0;
    virtual bool AddAttribute(const char* name, DWORD* variable, bool readOnly) = 0;
    virtual bool AddAttribute(const char* name, long* variable, bool readOnly) = 0;
    virtual bool AddAttribute(const char* name, WORD* variable, bool readOnly) = 0;
    virtual bool AddAttribute(const char* name, BYTE* variable, bool readOnly) = 0;
    virtual bool AddAttribute(const char* name, int* variable, bool readOnly) = 0;
    // Holds the pointer value itself.
    virtual bool AddAttribute(const char* name, void* value, bool readOnly) = 0;

protected:
    ~IAttributeBinder() = default;
};

class IAttributeAccess : public IObject {
public:
    virtual IAttribute* FindAttribute(const char* name) = 0;
    virtual IAttribute* GetAttributeAt(WORD index) = 0;
    virtual bool GetValue(const char* name, CString& out) = 0;
    virtual bool GetValue(const char* name, double& out) = 0;
    virtual bool GetValue(const char* name, DWORD& out) = 0;
    virtual bool GetValue(const char* name, long& out) = 0;
    virtual bool GetValue(const char* name, WORD& out) = 0;
    virtual bool GetValue(const char* name, BYTE& out) = 0;
    virtual bool GetValue(const char* name, int& out) = 0;
    virtual bool GetValue(const char* name, void*& out) = 0;
    virtual bool GetText(const char* name, CString& out) = 0;
    virtual bool SetValue(const char* name, const char* value) = 0;
    virtual bool SetValue(const char* name, double value) = 0;
    virtual bool SetValue(const char* name, DWORD value) = 0;
    virtual bool SetValue(const char* name, long value) = 0;
    virtual bool SetValue(const char* name, WORD value) = 0;
    virtual bool SetValue(const char* name, BYTE value) = 0;
    virtual bool SetValue(const char* name, int value) = 0;
    virtual bool SetValue(const char* name, void* value) = 0;

protected:
    ~IAttributeAccess() = default;
};

// Case-insensitive for A-Z (double-byte characters untouched); only the last 31 bytes count.
int HashAttributeName(const char* name);

// One attribute: a record pointing at the variable it publishes, which it never owns.
class CAttribute : public IAttribute {
public:
    CAttribute() = default;
    // pValue is the variable's address, or for ATTR_TYPE_POINTER the held pointer itself.
    CAttribute(const char* name, void* pValue, bool bReadOnly, int nType);
    CAttribute(const CAttribute& other) = default;
    CAttribute& operator=(const CAttribute& other) = default;
    virtual ~CAttribute() = default;

    bool IsValid() override;
    bool Release() override;
    void* QueryInterface(const GUID& iid, DWORD version) override;

    int GetNameHash() override { return m_nNameHash; }
    bool IsReadOnly() override { return m_bReadOnly; }
    const char* GetName() override { return m_strName; }
    int GetType() override { return m_nType; }
    bool GetValue(CString& out) override;
    bool GetValue(double& out) override;
    bool GetValue(DWORD& out) override;
    bool GetValue(long& out) override;
    bool GetValue(WORD& out) override;
    bool GetValue(BYTE& out) override;
    bool GetValue(int& out) override;
    bool GetValue(void*& out) override;
    bool GetText(CString& out) override;
    bool SetValue(const char* value) override;
    bool SetValue(double value) override;
    bool SetValue(DWORD value) override;
    bool SetValue(long value) override;
    bool SetValue(WORD value) override;
    bool SetValue(BYTE value) override;
    bool SetValue(int value) override;
    bool SetValue(void* value) override;

private:
    template <class T>
    bool Read(int nType, T& out);
    // T is the published variable's type, V what the caller hands in.
    template <class T, class V>
    bool Write(int nType, V value);

    bool m_bReadOnly = false;
    int m_nNameHash = 0;
    CString m_strName;
    void* m_pValue = nullptr;
    int m_nType = ATTR_TYPE_NONE;
};

// A container of uniquely named attributes in order of addition; owns its attributes.
class CAttributeSet : public IAttributeBinder, public IAttributeAccess {
public:
    CAttributeSet() = default;
    CAttributeSet(const CAttributeSet&) = delete;
    CAttributeSet& operator=(const CAttributeSet&) = delete;
    virtual ~CAttributeSet() = default;

    bool IsValid() override;
    bool Release() override;
    void* QueryInterface(const GUID& iid, DWORD version) override;

    bool RemoveAttribute(const char* name) override;
    bool AddAttribute(const char* name, CString* variable, bool readOnly) override {
        return Add(name, variable, readOnly, ATTR_TYPE_STRING);
    }
    bool AddAttribute(const char* name, double* variable, bool readOnly) override {
        return Add(name, variable, readOnly, ATTR_TYPE_DOUBLE);
    }
    bool AddAttribute(const char* name, DWORD* variable, bool readOnly) override {
        return Add(name, variable, readOnly, ATTR_TYPE_DWORD);
    }
    bool AddAttribute(const char* name, long* variable, bool readOnly) override {
        return Add(name, variable, readOnly, ATTR_TYPE_LONG);
    }
    bool AddAttribute(const char* name, WORD* variable, bool readOnly) override {
        return Add(name, variable, readOnly, ATTR_TYPE_WORD);
    }
    bool AddAttribute(const char* name, BYTE* variable, bool readOnly) override {
        return Add(name, variable, readOnly, ATTR_TYPE_BYTE);
    }
    bool AddAttribute(const char* name, int* variable, bool readOnly) override {
        return Add(name, variable, readOnly, ATTR_TYPE_INT);
    }
    bool AddAttribute(const char* name, void* value, bool readOnly) override {
        return Add(name, value, readOnly, ATTR_TYPE_POINTER);
    }

    IAttribute* FindAttribute(const char* name) override;
    IAttribute* GetAttributeAt(WORD index) override;
    bool GetValue(const char* name, CString& out) override { return ReadByName(name, out); }
    bool GetValue(const char* name, double& out) override { return ReadByName(name, out); }
    bool GetValue(const char* name, DWORD& out) override { return ReadByName(name, out); }
    bool GetValue(const char* name, long& out) override { return ReadByName(name, out); }
    bool GetValue(const char* name, WORD& out) override { return ReadByName(name, out); }
    bool GetValue(const char* name, BYTE& out) override { return ReadByName(name, out); }
    bool GetValue(const char* name, int& out) override { return ReadByName(name, out); }
    bool GetValue(const char* name, void*& out) override { return ReadByName(name, out); }
    bool GetText(const char* name, CString& out) override {
        IAttribute* pAttribute = FindAttribute(name);
        return pAttribute && pAttribute->GetText(out);
    }
    bool SetValue(const char* name, const char* value) override { return WriteByName(name, value); }
    bool SetValue(const char* name, double value) override { return WriteByName(name, value); }
    bool SetValue(const char* name, DWORD value) override { return WriteByName(name, value); }
    bool SetValue(const char* name, long value) override { return WriteByName(name, value); }
    bool SetValue(const char* name, WORD value) override { return WriteByName(name, value); }
    bool SetValue(const char* name, BYTE value) override { return WriteByName(name, value); }
    bool SetValue(const char* name, int value) override { return WriteByName(name, value); }
    bool SetValue(const char* name, void* value) override { return WriteByName(name, value); }

private:
    bool Add(const char* name, void* pValue, bool bReadOnly, int nType);
    // Position of the attribute named name, or -1.
    int IndexOf(const char* name);

    template <class T>
    bool ReadByName(const char* name, T& out) {
        IAttribute* pAttribute = FindAttribute(name);
        return pAttribute && pAttribute->GetValue(out);
    }
    template <class T>
    bool WriteByName(const char* name, T value) {
        IAttribute* pAttribute = FindAttribute(name);
        return pAttribute && pAttribute->SetValue(value);
    }

    CGrowableArray<CAttribute> m_attributes;
};
