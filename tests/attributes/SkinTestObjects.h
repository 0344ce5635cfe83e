// A concrete skin object for the tests, and the static ones that check start-up order.
#pragma once

#include "attributes/SkinAttribute.h"

class CTestSkin : public CSkinAttribute {
public:
    explicit CTestSkin(const char* className, int* pDestroyed = nullptr)
        : CSkinAttribute(className),
          m_hFontAtConstruction(g_skinFont.GetSafeHandle()),
          m_pDestroyed(pDestroyed) {}
    ~CTestSkin() override {
        if (m_pDestroyed) ++*m_pDestroyed;
    }

    bool SaveToStore() override {
        const bool dword = SaveDwordToStore("按钮字体颜色", m_crColor);
        const bool text = SaveStringToStore("按钮背景图", m_strImage);
        return dword && text;
    }
    bool LoadFromStore() override {
        m_crColor = LoadDwordFromStore("按钮字体颜色", 7);
        return true;
    }

    // The font as this object's own constructor left it.
    HFONT m_hFontAtConstruction;
    DWORD m_crColor = 0;
    CString m_strImage;

private:
    int* m_pDestroyed;
};

// Static skin objects in units linked before and after the skin unit.
CTestSkin& EarlyStaticSkin();
CTestSkin& LateStaticSkin();
