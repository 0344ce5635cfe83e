// The modal loop of dialogs on real windows under Wine: what it gives back, what it passes on,
// which windows it offers messages to before dispatching them, and nesting.
#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/Dialog.h"
#include "ModalLoopTests.h"

namespace {

constexpr UINT WM_TEST_START = WM_APP + 1;
constexpr UINT WM_TEST_PROBE = WM_APP + 2;
constexpr UINT WM_TEST_END = WM_APP + 3;  // ends the dialog with IDOK once what was posted before it is handled

// A dialog that runs the test's step once its loop is running, and records what it is offered.
class CScriptedDialog : public CDialog {
public:
    explicit CScriptedDialog(CWnd* pParent, UINT nIDTemplate = IDD_MODAL_TEST) : CDialog(nIDTemplate, pParent) {}

    std::function<void(CScriptedDialog&)> step;
    std::vector<HWND> offered;  // targets of the test messages offered to PreTranslateMessage

    using CDialog::EndDialog;

    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (pMsg->message == WM_TEST_PROBE) offered.push_back(pMsg->hwnd);
        return CDialog::PreTranslateMessage(pMsg);
    }

protected:
    BOOL OnInitDialog() override {
        PostMessage(WM_TEST_START);
        return TRUE;
    }
    LRESULT OnStart(WPARAM, LPARAM) {
        if (step) step(*this);
        return 0;
    }
    LRESULT OnEnd(WPARAM, LPARAM) {
        EndDialog(IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CScriptedDialog, CDialog)
    ON_MESSAGE(WM_TEST_START, OnStart)
    ON_MESSAGE(WM_TEST_END, OnEnd)
END_MESSAGE_MAP()

class COwner : public CWnd {
public:
    COwner() { CreateEx(0, L"STATIC", "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 200), nullptr, 0); }
};

class ModalLoop : public ::testing::Test {
protected:
    void TearDown() override {
        // Nothing a test posted may reach the next one.
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {}
    }
    COwner owner;
};

TEST_F(ModalLoop, EndsWithItsResultDestroysTheWindowAndGivesTheOwnerBack) {
    CScriptedDialog dialog(&owner);
    HWND hDialog = nullptr;
    bool ownerEnabledMeanwhile = true;
    dialog.step = [&](CScriptedDialog& self) {
        hDialog = self.m_hWnd;
        ownerEnabledMeanwhile = ::IsWindowEnabled(owner.m_hWnd) != FALSE;
        self.EndDialog(7);
    };
    EXPECT_EQ(7, dialog.DoModal());
    EXPECT_NE(nullptr, hDialog);
    EXPECT_FALSE(ownerEnabledMeanwhile) << "the owner waits while the dialog runs";
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
    EXPECT_FALSE(::IsWindow(hDialog));
    EXPECT_EQ(nullptr, dialog.m_hWnd);
}

TEST_F(ModalLoop, QuitEndsTheLoopAndIsPassedOnToTheOuterLoop) {
    CScriptedDialog dialog(&owner);
    dialog.step = [](CScriptedDialog&) { ::PostQuitMessage(3); };
    EXPECT_EQ(IDABORT, dialog.DoModal()) << "it ran, but no result was given";
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit was swallowed";
    EXPECT_EQ(3u, msg.wParam);
}

TEST_F(ModalLoop, OffersMessagesForItsOwnWindowsOnlyBeforeDispatching) {
    CScriptedDialog dialog(&owner);
    HWND hButton = nullptr;
    HWND hDialog = nullptr;
    dialog.step = [&](CScriptedDialog& self) {
        hDialog = self.m_hWnd;
        hButton = ::GetDlgItem(hDialog, IDOK);
        ::PostMessageW(hButton, WM_TEST_PROBE, 0, 0);
        ::PostMessageW(owner.m_hWnd, WM_TEST_PROBE, 0, 0);  // outside the dialog
        ::PostMessageW(hDialog, WM_TEST_PROBE, 0, 0);
        self.PostMessage(WM_TEST_END);
    };
    ASSERT_EQ(IDOK, dialog.DoModal());
    ASSERT_NE(nullptr, hButton);
    EXPECT_EQ(std::vector<HWND>({hButton, hDialog}), dialog.offered);
}

TEST_F(ModalLoop, MissingTemplateFailsAndLeavesTheOwnerAsItWas) {
    CScriptedDialog dialog(&owner, IDD_MODAL_TEST + 99);
    EXPECT_EQ(-1, dialog.DoModal());
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), ::GetLastError()) << "the reason is kept";
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
    EXPECT_EQ(nullptr, dialog.m_hWnd);
}

TEST_F(ModalLoop, AnInnerDialogEndsItsOwnLoopOnly) {
    CScriptedDialog outer(&owner);
    INT_PTR innerResult = 0;
    bool outerEnabledDuringInner = true;
    outer.step = [&](CScriptedDialog& self) {
        CScriptedDialog inner(&self);
        inner.step = [&](CScriptedDialog& innerSelf) {
            outerEnabledDuringInner = ::IsWindowEnabled(self.m_hWnd) != FALSE;
            innerSelf.EndDialog(IDCANCEL);
        };
        innerResult = inner.DoModal();
        self.EndDialog(5);
    };
    EXPECT_EQ(5, outer.DoModal());
    EXPECT_EQ(IDCANCEL, innerResult);
    EXPECT_FALSE(outerEnabledDuringInner);
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
}

}  // namespace
