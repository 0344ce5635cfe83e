#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "attributes/SkinAttribute.h"
#include "tests/support/AssertRecorder.h"
#include "tests/attributes/SkinTestObjects.h"

namespace {

std::vector<ISkinObject*> Registry() {
    std::vector<ISkinObject*> entries;
    for (int i = 0; i < SKIN_REGISTRY_SIZE && g_skinRegistry[i]; ++i) entries.push_back(g_skinRegistry[i]);
    return entries;
}

int IndexInRegistry(ISkinObject* pSkin) {
    const std::vector<ISkinObject*> entries = Registry();
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i] == pSkin) return static_cast<int>(i);
    return -1;
}

class SkinAttributeTest : public AssertingTest {
protected:
    void SetUp() override { m_baseline = Registry(); }
    void TearDown() override {
        EXPECT_EQ(Registry(), m_baseline) << "every test's skin objects are gone again";
        g_pSkinStore = nullptr;
        AssertingTest::TearDown();
    }

    std::vector<ISkinObject*> m_baseline;
};

// ---- Start-up and the shared font ----------------------------------------------------------

TEST_F(SkinAttributeTest, StaticSkinObjectsFindTheFontReadyWhateverTheLinkOrder) {
    HFONT font = g_skinFont.GetSafeHandle();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(::GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
    // Each kept the font it created or found; a font object constructed after them would have
    // dropped it.
    EXPECT_EQ(EarlyStaticSkin().m_hFontAtConstruction, font);
    EXPECT_EQ(LateStaticSkin().m_hFontAtConstruction, font);
    EXPECT_EQ(EarlyStaticSkin().GetFont(), font);
    EXPECT_GE(IndexInRegistry(&EarlyStaticSkin()), 0);
    EXPECT_GE(IndexInRegistry(&LateStaticSkin()), 0);
    EXPECT_TRUE(g_bSkinRegistryInit);
}

TEST_F(SkinAttributeTest, SharedFontIsTwelvePixelSimSun) {
    LOGFONTW lf{};
    ASSERT_EQ(::GetObjectW(g_skinFont.GetSafeHandle(), sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfEscapement, 0);
    EXPECT_EQ(lf.lfOrientation, 0);
    EXPECT_EQ(lf.lfWeight, 400);
    EXPECT_EQ(lf.lfItalic, 0);
    EXPECT_EQ(lf.lfUnderline, 0);
    EXPECT_EQ(lf.lfStrikeOut, 0);
    EXPECT_EQ(lf.lfCharSet, 134);
    EXPECT_EQ(lf.lfOutPrecision, 3);
    EXPECT_EQ(lf.lfClipPrecision, 2);
    EXPECT_EQ(lf.lfQuality, 1);
    EXPECT_EQ(lf.lfPitchAndFamily, 2);
    EXPECT_EQ(std::wstring(lf.lfFaceName), std::wstring(L"宋体"));
}

TEST_F(SkinAttributeTest, LaterSkinObjectsShareTheOneFont) {
    HFONT font = g_skinFont.GetSafeHandle();
    CTestSkin first("First"), second("Second");
    EXPECT_EQ(first.GetFont(), font);
    EXPECT_EQ(second.GetFont(), font);
    EXPECT_EQ(second.m_hFontAtConstruction, font) << "not created again";
}

// ---- Class name ----------------------------------------------------------------------------

TEST_F(SkinAttributeTest, ClassNameIsCutAt31Bytes) {
    CTestSkin plain("CSkinButton");
    EXPECT_STREQ(plain.GetClassName(), "CSkinButton");
    const std::string forty = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
    CTestSkin longName(forty.c_str());
    EXPECT_EQ(std::string(longName.GetClassName()), forty.substr(0, 31));
    const std::string exact = forty.substr(0, 31);
    CTestSkin exactName(exact.c_str());
    EXPECT_EQ(std::string(exactName.GetClassName()), exact);
}

TEST_F(SkinAttributeTest, CutNeverLeavesHalfACharacter) {
    // "按" is 0xB0 0xB4: its trail byte also lies in the lead-byte range.
    std::string characters;
    for (int k = 0; k < 16; ++k) characters += "按";

    // 1 + 15 * 2 = 31 bytes end on a whole character, even though the last byte looks like a lead.
    CTestSkin whole(("A" + characters).c_str());
    EXPECT_EQ(std::string(whole.GetClassName()), "A" + characters.substr(0, 30));

    // 2 + 14 * 2 = 30 bytes, then a lead byte whose trail was cut off: it goes too.
    CTestSkin split(("AB" + characters).c_str());
    EXPECT_EQ(std::string(split.GetClassName()), "AB" + characters.substr(0, 28));

    // A name of exactly 31 bytes ending in a lead byte was not cut and is kept as given.
    const std::string given = std::string(30, 'x') + "\xB0";
    CTestSkin uncut(given.c_str());
    EXPECT_EQ(std::string(uncut.GetClassName()), given);
}

TEST_F(SkinAttributeTest, NullClassNameIsReportedAndEmpty) {
    CTestSkin unnamed(nullptr);
    EXPECT_TRUE(asserts.Expect("SkinAttribute", 1));
    EXPECT_STREQ(unnamed.GetClassName(), "");
    EXPECT_GE(IndexInRegistry(&unnamed), 0) << "otherwise a complete skin object";
}

TEST_F(SkinAttributeTest, ClassNameIsPublishedReadOnlyByAddress) {
    CTestSkin skin("CSkinButton");
    IAttribute* attribute = skin.FindAttribute("类名字");
    ASSERT_NE(attribute, nullptr);
    EXPECT_EQ(attribute, skin.GetAttributeAt(0));
    EXPECT_EQ(attribute->GetType(), ATTR_TYPE_POINTER);
    EXPECT_TRUE(attribute->IsReadOnly());
    void* value = nullptr;
    EXPECT_TRUE(skin.GetValue("类名字", value));
    EXPECT_EQ(value, static_cast<const void*>(skin.GetClassName()));

    EXPECT_FALSE(skin.SetValue("类名字", static_cast<void*>(&value)));
    EXPECT_TRUE(asserts.Expect("Attribute", 1));
    CString text("untouched");
    EXPECT_FALSE(skin.GetText("类名字", text));
    EXPECT_TRUE(asserts.Expect("Attribute", 1));
    EXPECT_STREQ(text, "untouched");
    EXPECT_TRUE(skin.GetValue("类名字", value));
    EXPECT_EQ(value, static_cast<const void*>(skin.GetClassName()));
}

// ---- Interfaces ----------------------------------------------------------------------------

TEST_F(SkinAttributeTest, EveryInterfaceAnswersTheSameSkinObject) {
    CTestSkin skin("CSkinButton");
    ISkinObject* self = &skin;
    IAttributeBinder* binder = &skin;
    IAttributeAccess* access = &skin;
    for (IObject* asked : {static_cast<IObject*>(self), static_cast<IObject*>(binder),
                           static_cast<IObject*>(access)}) {
        EXPECT_EQ(asked->QueryInterface(IID_ISkinObject, ATTR_INTERFACE_VERSION), self);
        EXPECT_EQ(asked->QueryInterface(IID_ISkinObject, 0x010100FF), self);
        EXPECT_EQ(asked->QueryInterface(IID_ISkinObject, 0x01010200), nullptr);
        EXPECT_EQ(asked->QueryInterface(IID_IObject, ATTR_INTERFACE_VERSION), binder);
        EXPECT_EQ(asked->QueryInterface(IID_IAttributeBinder, ATTR_INTERFACE_VERSION), binder);
        EXPECT_EQ(asked->QueryInterface(IID_IAttributeAccess, ATTR_INTERFACE_VERSION), access);
        EXPECT_EQ(asked->QueryInterface(IID_IAttribute, ATTR_INTERFACE_VERSION), nullptr);
    }
}

TEST_F(SkinAttributeTest, ReleaseDestroysTheDerivedObjectAndUnregistersIt) {
    int destroyed = 0;
    ISkinObject* skin = new CTestSkin("Heap", &destroyed);
    EXPECT_EQ(IndexInRegistry(skin), static_cast<int>(m_baseline.size()));
    EXPECT_TRUE(skin->Release());
    EXPECT_EQ(destroyed, 1);
}

// ---- Registry ------------------------------------------------------------------------------

TEST_F(SkinAttributeTest, RegistryStaysPackedInOrder) {
    const int base = static_cast<int>(m_baseline.size());
    auto a = std::make_unique<CTestSkin>("A");
    auto b = std::make_unique<CTestSkin>("B");
    auto c = std::make_unique<CTestSkin>("C");
    EXPECT_EQ(IndexInRegistry(a.get()), base);
    EXPECT_EQ(IndexInRegistry(b.get()), base + 1);
    EXPECT_EQ(IndexInRegistry(c.get()), base + 2);

    b.reset();
    EXPECT_EQ(IndexInRegistry(c.get()), base + 1);
    EXPECT_EQ(g_skinRegistry[base + 2], nullptr);
    auto d = std::make_unique<CTestSkin>("D");
    EXPECT_EQ(IndexInRegistry(d.get()), base + 2);

    d.reset();  // the last entry: nothing moves
    EXPECT_EQ(IndexInRegistry(c.get()), base + 1);
    EXPECT_EQ(static_cast<int>(Registry().size()), base + 2);
}

TEST_F(SkinAttributeTest, SixtyFifthObjectIsReportedAndLeftOut) {
    std::vector<std::unique_ptr<CTestSkin>> skins;
    while (Registry().size() < static_cast<size_t>(SKIN_REGISTRY_SIZE))
        skins.push_back(std::make_unique<CTestSkin>("Filler"));
    EXPECT_EQ(g_skinRegistry[SKIN_REGISTRY_SIZE - 1], skins.back().get());
    const std::vector<ISkinObject*> full = Registry();

    auto extra = std::make_unique<CTestSkin>("Extra");
    EXPECT_TRUE(asserts.Expect("SkinAttribute", 1));
    EXPECT_EQ(IndexInRegistry(extra.get()), -1);
    EXPECT_STREQ(extra->GetClassName(), "Extra") << "otherwise complete";
    EXPECT_NE(extra->FindAttribute("类名字"), nullptr);

    extra.reset();
    EXPECT_TRUE(asserts.Expect("SkinAttribute", 1));
    EXPECT_EQ(Registry(), full);

    // The first of them leaves: the list closes up, the last slot is free again.
    skins.erase(skins.begin());
    EXPECT_EQ(g_skinRegistry[SKIN_REGISTRY_SIZE - 1], nullptr);
    EXPECT_EQ(g_skinRegistry[SKIN_REGISTRY_SIZE - 2], skins.back().get());
}

TEST_F(SkinAttributeTest, RegistrationRefusesWhatIsNotASkinObjectOrAlreadyIn) {
    EXPECT_FALSE(RegisterSkinObject(nullptr));
    EXPECT_TRUE(asserts.Expect("SkinAttribute", 1));
    EXPECT_FALSE(UnregisterSkinObject(nullptr));
    EXPECT_TRUE(asserts.Expect("SkinAttribute", 1));

    CAttributeSet plain;
    IAttributeBinder* root = &plain;
    EXPECT_FALSE(RegisterSkinObject(root));
    EXPECT_TRUE(asserts.Expect("SkinAttribute", 1));
    EXPECT_FALSE(UnregisterSkinObject(root));
    EXPECT_TRUE(asserts.Expect("SkinAttribute", 1));

    CTestSkin skin("Once");
    IAttributeBinder* skinRoot = &skin;
    EXPECT_FALSE(RegisterSkinObject(skinRoot));
    EXPECT_TRUE(asserts.Expect("SkinAttribute", 1));
    EXPECT_EQ(Registry().size(), m_baseline.size() + 1) << "no second entry";

    // Taken out by hand: its destructor's unregistration then finds nothing.
    EXPECT_TRUE(UnregisterSkinObject(skinRoot));
    EXPECT_EQ(Registry(), m_baseline);
    EXPECT_FALSE(UnregisterSkinObject(skinRoot));
    EXPECT_TRUE(asserts.Expect("SkinAttribute", 1));
    EXPECT_TRUE(RegisterSkinObject(skinRoot));
}

// ---- Skin store ----------------------------------------------------------------------------

// Remembers every call; answers with what the test sets.
class RecordingStore : public ISkinStore {
public:
    bool IsValid() override { return true; }
    bool Release() override { return true; }
    void* QueryInterface(const GUID&, DWORD) override { return nullptr; }

    DWORD GetDword(const char* className, const char* attrName, DWORD defaultValue) override {
        calls.push_back(std::string("GetDword ") + className + " " + attrName + " " +
                        std::to_string(defaultValue));
        return stored;
    }
    bool SetDword(const char* className, const char* attrName, DWORD value) override {
        calls.push_back(std::string("SetDword ") + className + " " + attrName + " " + std::to_string(value));
        return accept;
    }
    bool SetString(const char* className, const char* attrName, const char* text) override {
        calls.push_back(std::string("SetString ") + className + " " + attrName + " " + text);
        return accept;
    }

    std::vector<std::string> calls;
    DWORD stored = 0x00FF00;
    bool accept = true;
};

TEST_F(SkinAttributeTest, WithoutAStoreLoadingGivesTheDefaultAndSavingFails) {
    CTestSkin skin("CSkinButton");
    skin.m_crColor = 1;
    EXPECT_TRUE(skin.LoadFromStore());
    EXPECT_EQ(skin.m_crColor, 7u);
    EXPECT_FALSE(skin.SaveToStore());
}

TEST_F(SkinAttributeTest, StoreIsAskedUnderClassAndAttributeName) {
    RecordingStore store;
    g_pSkinStore = &store;
    CTestSkin skin("CSkinButton");
    EXPECT_TRUE(skin.LoadFromStore());
    EXPECT_EQ(skin.m_crColor, 0x00FF00u);
    skin.m_strImage = "背景.bmp";
    EXPECT_TRUE(skin.SaveToStore());
    store.accept = false;
    EXPECT_FALSE(skin.SaveToStore());
    const std::vector<std::string> expected = {
        "GetDword CSkinButton 按钮字体颜色 7",
        "SetDword CSkinButton 按钮字体颜色 65280",
        "SetString CSkinButton 按钮背景图 背景.bmp",
        "SetDword CSkinButton 按钮字体颜色 65280",
        "SetString CSkinButton 按钮背景图 背景.bmp",
    };
    EXPECT_EQ(store.calls, expected);
}

}  // namespace
