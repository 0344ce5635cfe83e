// A window's accessible object, read in process as a screen reader reads it: oleacc's object for
// the window's client area, which the window hands out when asked.
#include <windows.h>
#include <oleacc.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>

#include "platform/Accessible.h"
#include "platform/Text.h"

using Microsoft::WRL::ComPtr;

namespace {

class CTestSource : public qv::IAccessibleSource {
public:
    CString AccessibleName() const override { return m_name; }
    long AccessibleRole() const override { return ROLE_SYSTEM_PUSHBUTTON; }
    CString AccessibleDescription() const override { return m_description; }
    CString DefaultActionName() const override { return "按下"; }
    void DoDefaultAction() override { ++m_nPresses; }

    CString m_name = "收起";
    CString m_description;
    int m_nPresses = 0;
};

VARIANT Self() {
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

ComPtr<IAccessible> ClientObject(HWND hWnd) {
    ComPtr<IAccessible> object;
    ::AccessibleObjectFromWindow(hWnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), &object);
    return object;
}

// A text the object gives, as code page 936; "<none>" when it gives none.
std::string Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), IAccessible* object) {
    BSTR text = nullptr;
    const HRESULT hr = (object->*get)(Self(), &text);
    const std::string result = hr == S_OK && text ? qv::GbkFromWide(text).GetString() : "<none>";
    ::SysFreeString(text);
    return result;
}

long Number(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), IAccessible* object) {
    VARIANT value;
    ::VariantInit(&value);
    return SUCCEEDED((object->*get)(Self(), &value)) && value.vt == VT_I4 ? value.lVal : -1;
}

struct ComScope {
    ComScope() { ::CoInitialize(nullptr); }
    ~ComScope() { ::CoUninitialize(); }
};

}  // namespace

TEST(AccessibleWindow, TellsWhatItsSourceSaysWithTheWindowsStateAndLetsGoWhenTheWindowGoes) {
    const ComScope com;
    HWND hParent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 80, 80, nullptr, nullptr,
                                     nullptr, nullptr);
    HWND hWnd = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 5, 5, 20, 40, hParent,
                                  nullptr, nullptr, nullptr);
    ASSERT_TRUE(hParent && hWnd);
    CTestSource source;
    qv::CAccessibleWindow access;
    ASSERT_TRUE(access.Attach(hWnd, &source));

    const ComPtr<IAccessible> object = ClientObject(hWnd);
    ASSERT_TRUE(object);
    EXPECT_EQ("收起", Text(&IAccessible::get_accName, object.Get()));
    EXPECT_EQ(ROLE_SYSTEM_PUSHBUTTON, Number(&IAccessible::get_accRole, object.Get()));
    EXPECT_EQ("<none>", Text(&IAccessible::get_accDescription, object.Get()));
    EXPECT_EQ("按下", Text(&IAccessible::get_accDefaultAction, object.Get()));
    EXPECT_EQ(S_OK, object->accDoDefaultAction(Self()));
    EXPECT_EQ(1, source.m_nPresses);
    // Each question is asked anew.
    source.m_name = "展开";
    source.m_description = "说明";
    EXPECT_EQ("展开", Text(&IAccessible::get_accName, object.Get()));
    EXPECT_EQ("说明", Text(&IAccessible::get_accDescription, object.Get()));
    // The state is the window's.
    EXPECT_EQ(STATE_SYSTEM_FOCUSABLE, Number(&IAccessible::get_accState, object.Get()));
    ::EnableWindow(hWnd, FALSE);
    ::ShowWindow(hWnd, SW_HIDE);
    EXPECT_EQ(STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_INVISIBLE,
              Number(&IAccessible::get_accState, object.Get()));
    // Where it stands, and its parent, come from the system's object for the window.
    long x = 0, y = 0, width = 0, height = 0;
    EXPECT_EQ(S_OK, object->accLocation(&x, &y, &width, &height, Self()));
    EXPECT_EQ(20, width);
    EXPECT_EQ(40, height);
    ComPtr<IDispatch> parent;
    EXPECT_EQ(S_OK, object->get_accParent(&parent));
    EXPECT_TRUE(parent);

    // Once the window is gone, a program that kept the object is told so; the source is not asked.
    ::DestroyWindow(hWnd);
    BSTR name = nullptr;
    EXPECT_EQ(RPC_E_DISCONNECTED, object->get_accName(Self(), &name));
    EXPECT_EQ(RPC_E_DISCONNECTED, object->accDoDefaultAction(Self()));
    EXPECT_EQ(1, source.m_nPresses);
    ::DestroyWindow(hParent);
}

TEST(AccessibleWindow, DetachedTheWindowAnswersWithTheSystemsObjectAgain) {
    const ComScope com;
    HWND hWnd = ::CreateWindowExW(0, L"STATIC", L"文字", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr, nullptr);
    CTestSource source;
    qv::CAccessibleWindow access;
    ASSERT_TRUE(access.Attach(hWnd, &source));
    const ComPtr<IAccessible> ours = ClientObject(hWnd);
    access.Detach();
    const ComPtr<IAccessible> system = ClientObject(hWnd);
    ASSERT_TRUE(ours && system);
    EXPECT_NE(ROLE_SYSTEM_PUSHBUTTON, Number(&IAccessible::get_accRole, system.Get()));
    EXPECT_EQ(RPC_E_DISCONNECTED, ours->accDoDefaultAction(Self()));
    EXPECT_EQ(0, source.m_nPresses);
    ::DestroyWindow(hWnd);
}
