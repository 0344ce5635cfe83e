#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "attributes/Attribute.h"
#include "tests/support/AssertRecorder.h"

namespace {

using AttributeTest = AssertingTest;

// ---- Name hash ------------------------------------------------------------------------------

TEST(AttributeNameHash, KnownAnswers) {
    EXPECT_EQ(HashAttributeName(""), 0);
    EXPECT_EQ(HashAttributeName("a"), 194);
    EXPECT_EQ(HashAttributeName("A"), 194);
    EXPECT_EQ(HashAttributeName("ab"), 320);
    EXPECT_EQ(HashAttributeName("abc"), 582);
    EXPECT_EQ(HashAttributeName("\xB0"), -160) << "bytes from 0x80 count as negative";
    // Names of the skin objects, as code page 936 bytes.
    EXPECT_EQ(HashAttributeName("类名字"), 3864);
    EXPECT_EQ(HashAttributeName("按钮字体颜色"), 446058);
    EXPECT_EQ(HashAttributeName("按钮背景图"), 107404);
}

TEST(AttributeNameHash, LowerCasesLettersButNotTrailBytes) {
    EXPECT_EQ(HashAttributeName("Font Color"), HashAttributeName("fONT cOLOR"));
    EXPECT_EQ(HashAttributeName("字X"), HashAttributeName("字x"));
    // 0x81 0x41 is one double-byte character whose trail byte looks like 'A'.
    EXPECT_EQ(HashAttributeName("\x81\x41"), -378);
    EXPECT_EQ(HashAttributeName("\x81\x61"), -314);
}

TEST(AttributeNameHash, OnlyTheLast31BytesCount) {
    const std::string tail = "abcdefghijklmnopqrstuvwxyz01234";  // 31 bytes
    ASSERT_EQ(tail.size(), 31u);
    EXPECT_EQ(HashAttributeName(("x" + tail).c_str()), HashAttributeName(("longer prefix " + tail).c_str()));
    EXPECT_EQ(HashAttributeName(tail.c_str()), HashAttributeName(("y" + tail).c_str()));
    // A difference 31 bytes from the end still counts.
    EXPECT_NE(HashAttributeName(("x" + tail).c_str()), HashAttributeName(("x" + tail.substr(1) + "5").c_str()));
}

// ---- Interfaces and versions ----------------------------------------------------------------

TEST(AttributeVersion, AcceptsMajorAndMinorOneWithRevisionUpToOne) {
    for (DWORD version : {0x01010100u, 0x01010000u, 0x010101FFu, 0x01010001u})
        EXPECT_TRUE(IsAcceptableVersion(version)) << std::hex << version;
    for (DWORD version : {0x01010200u, 0x02010100u, 0x01020100u, 0x00010100u, 0x01000100u,
                          0x11010100u, 0x0101FF00u, 0u})
        EXPECT_FALSE(IsAcceptableVersion(version)) << std::hex << version;
}

TEST(AttributeInterfaces, IdentifiersAreTheStandardBytes) {
    // {92D87E91-5A5B-4A45-8CFD-382FE6B32B0B} in memory: the first three fields little-endian.
    const unsigned char expected[16] = {0x91, 0x7E, 0xD8, 0x92, 0x5B, 0x5A, 0x45, 0x4A,
                                        0x8C, 0xFD, 0x38, 0x2F, 0xE6, 0xB3, 0x2B, 0x0B};
    static_assert(sizeof(GUID) == 16, "a GUID is 16 bytes");
    EXPECT_EQ(std::memcmp(&IID_IObject, expected, 16), 0);
    EXPECT_FALSE(IsSameIid(IID_IAttributeBinder, IID_IAttributeAccess));
}

TEST_F(AttributeTest, AttributeAnswersAsItselfOnly) {
    int value = 0;
    CAttribute attribute("n", &value, false, ATTR_TYPE_INT);
    IAttribute* self = &attribute;
    EXPECT_EQ(attribute.QueryInterface(IID_IAttribute, ATTR_INTERFACE_VERSION), self);
    EXPECT_EQ(attribute.QueryInterface(IID_IObject, ATTR_INTERFACE_VERSION), static_cast<IObject*>(self));
    EXPECT_EQ(attribute.QueryInterface(IID_IAttributeBinder, ATTR_INTERFACE_VERSION), nullptr);
    EXPECT_EQ(attribute.QueryInterface(IID_IAttribute, 0x02010100), nullptr);
}

TEST_F(AttributeTest, SetAnswersBinderAccessAndRoot) {
    CAttributeSet set;
    IAttributeBinder* binder = &set;
    IAttributeAccess* access = &set;
    ASSERT_NE(static_cast<void*>(binder), static_cast<void*>(access));
    for (IObject* asked : {static_cast<IObject*>(binder), static_cast<IObject*>(access)}) {
        EXPECT_EQ(asked->QueryInterface(IID_IAttributeBinder, ATTR_INTERFACE_VERSION), binder);
        EXPECT_EQ(asked->QueryInterface(IID_IAttributeAccess, ATTR_INTERFACE_VERSION), access);
        EXPECT_EQ(asked->QueryInterface(IID_IObject, ATTR_INTERFACE_VERSION), binder);
        EXPECT_EQ(asked->QueryInterface(IID_IAttributeAccess, 0x02010100), nullptr);
        EXPECT_EQ(asked->QueryInterface(IID_IAttribute, ATTR_INTERFACE_VERSION), nullptr);
    }
}

struct CountedSet : CAttributeSet {
    explicit CountedSet(int& destroyed) : m_destroyed(destroyed) {}
    ~CountedSet() override { ++m_destroyed; }
    int& m_destroyed;
};

TEST_F(AttributeTest, ReleaseDestroysTheMostDerivedObject) {
    int destroyed = 0;
    CountedSet* set = new CountedSet(destroyed);
    int value = 0;
    ASSERT_TRUE(set->AddAttribute("n", &value, false));
    IAttributeAccess* access = set;
    EXPECT_TRUE(access->Release());
    EXPECT_EQ(destroyed, 1);
    // A heap attribute frees itself too (the leak checker watches the native run).
    EXPECT_TRUE((new CAttribute("n", &value, false, ATTR_TYPE_INT))->Release());
}

// ---- Records --------------------------------------------------------------------------------

TEST_F(AttributeTest, DefaultRecordIsUntypedAndEmpty) {
    CAttribute attribute;
    EXPECT_STREQ(attribute.GetName(), "");
    EXPECT_EQ(attribute.GetNameHash(), 0);
    EXPECT_FALSE(attribute.IsReadOnly());
    EXPECT_EQ(attribute.GetType(), ATTR_TYPE_NONE);
    CString text("untouched");
    EXPECT_FALSE(attribute.GetText(text));
    EXPECT_TRUE(asserts.Expect("Attribute", 1));
    EXPECT_STREQ(text, "untouched");
}

TEST_F(AttributeTest, RecordKeepsItsOwnCopyOfTheName) {
    char name[] = "Width";
    int value = 0;
    CAttribute attribute(name, &value, true, ATTR_TYPE_INT);
    name[0] = 'X';
    EXPECT_STREQ(attribute.GetName(), "Width");
    EXPECT_EQ(attribute.GetNameHash(), HashAttributeName("width"));
    EXPECT_TRUE(attribute.IsReadOnly());
    CAttribute copy;
    copy = attribute;
    EXPECT_STREQ(copy.GetName(), "Width");
    EXPECT_EQ(copy.GetType(), ATTR_TYPE_INT);
    EXPECT_TRUE(copy.IsReadOnly());
    EXPECT_EQ(copy.GetNameHash(), attribute.GetNameHash());
}

// ---- Typed reads and writes through a set --------------------------------------------------

class PublishedSet : public AttributeTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(set.AddAttribute("int", &i, false));
        ASSERT_TRUE(set.AddAttribute("byte", &b, false));
        ASSERT_TRUE(set.AddAttribute("word", &w, false));
        ASSERT_TRUE(set.AddAttribute("long", &l, false));
        ASSERT_TRUE(set.AddAttribute("dword", &d, false));
        ASSERT_TRUE(set.AddAttribute("double", &f, false));
        ASSERT_TRUE(set.AddAttribute("string", &s, false));
        ASSERT_TRUE(set.AddAttribute("pointer", held, false));
        ASSERT_TRUE(set.AddAttribute("fixed", &fixed, true));
    }

    // A read that must succeed.
    template <class T>
    T Read(const char* name) {
        T value{};
        EXPECT_TRUE(set.GetValue(name, value)) << name;
        return value;
    }
    // A read with the wrong overload: reported, refused, and the output zeroed.
    template <class T>
    void ExpectRefusedRead(const char* name, T marker) {
        EXPECT_FALSE(set.GetValue(name, marker)) << name;
        EXPECT_TRUE(marker == T()) << name;
        EXPECT_TRUE(asserts.Expect("Attribute", 1)) << name;
    }
    CString Text(const char* name) {
        CString text("untouched");
        EXPECT_TRUE(set.GetText(name, text)) << name;
        return text;
    }

    CAttributeSet set;
    int i = -7;
    BYTE b = 200;
    WORD w = 65535;
    long l = -5;
    DWORD d = 0xFFFFFFFFu;
    double f = 1.5;
    CString s = "按钮";
    int marker = 0;
    void* held = &marker;
    int fixed = 11;
};

TEST_F(PublishedSet, ReadsGiveTheVariablesCurrentValueAndType) {
    EXPECT_EQ(Read<int>("int"), -7);
    EXPECT_EQ(Read<BYTE>("byte"), 200);
    EXPECT_EQ(Read<WORD>("word"), 65535);
    EXPECT_EQ(Read<long>("long"), -5);
    EXPECT_EQ(Read<DWORD>("dword"), 0xFFFFFFFFu);
    EXPECT_EQ(Read<double>("double"), 1.5);
    EXPECT_STREQ(Read<CString>("string"), "按钮");
    EXPECT_EQ(Read<void*>("pointer"), &marker);
    i = 12345;  // the owner writes its own variables; reads follow
    s = "changed";
    EXPECT_EQ(Read<int>("int"), 12345);
    EXPECT_STREQ(Read<CString>("string"), "changed");

    const int types[] = {ATTR_TYPE_INT,   ATTR_TYPE_BYTE,   ATTR_TYPE_WORD,   ATTR_TYPE_LONG,
                         ATTR_TYPE_DWORD, ATTR_TYPE_DOUBLE, ATTR_TYPE_STRING, ATTR_TYPE_POINTER};
    for (WORD k = 0; k < 8; ++k) {
        EXPECT_EQ(set.GetAttributeAt(k)->GetType(), types[k]) << k;
        EXPECT_FALSE(set.GetAttributeAt(k)->IsReadOnly()) << k;
    }
}

TEST_F(PublishedSet, ReadWithTheWrongTypeGivesZero) {
    ExpectRefusedRead<int>("dword", 77);
    ExpectRefusedRead<long>("int", 77);  // int and long are distinct types
    ExpectRefusedRead<CString>("pointer", "old");
    ExpectRefusedRead<void*>("string", &i);
    ExpectRefusedRead<double>("long", 3.0);
    ExpectRefusedRead<BYTE>("word", 3);
    EXPECT_EQ(Read<DWORD>("dword"), d);
}

TEST_F(PublishedSet, WritesStoreWithTheVariablesWidth) {
    EXPECT_TRUE(set.SetValue("int", INT_MIN));
    EXPECT_TRUE(set.SetValue("byte", static_cast<BYTE>(7)));
    EXPECT_TRUE(set.SetValue("word", static_cast<WORD>(513)));
    EXPECT_TRUE(set.SetValue("long", -123456L));
    EXPECT_TRUE(set.SetValue("dword", static_cast<DWORD>(0x80000001u)));
    EXPECT_TRUE(set.SetValue("double", -0.25));
    EXPECT_TRUE(set.SetValue("string", "类名字"));
    EXPECT_TRUE(set.SetValue("pointer", static_cast<void*>(&i)));
    EXPECT_EQ(i, INT_MIN);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(w, 513);
    EXPECT_EQ(l, -123456L);
    EXPECT_EQ(d, 0x80000001u);
    EXPECT_EQ(f, -0.25);
    EXPECT_STREQ(s, "类名字");
    EXPECT_EQ(Read<void*>("pointer"), &i);
    EXPECT_EQ(marker, 0) << "the held pointer is replaced, not written through";
}

TEST_F(PublishedSet, RefusedWritesLeaveTheVariable) {
    EXPECT_FALSE(set.SetValue("fixed", 99));
    EXPECT_TRUE(asserts.Expect("Attribute", 1));
    EXPECT_EQ(Read<int>("fixed"), 11) << "a read-only attribute can be read";

    EXPECT_FALSE(set.SetValue("int", 1.0));
    EXPECT_FALSE(set.SetValue("long", 5));
    EXPECT_FALSE(set.SetValue("byte", static_cast<WORD>(5)));
    EXPECT_FALSE(set.SetValue("string", static_cast<void*>(nullptr)));
    EXPECT_TRUE(asserts.Expect("Attribute", 4));
    EXPECT_FALSE(set.SetValue("fixed", "text"));
    EXPECT_TRUE(asserts.Expect("Attribute", 2)) << "wrong type and read-only: both reported";
    EXPECT_EQ(i, -7);
    EXPECT_EQ(l, -5);
    EXPECT_EQ(b, 200);
    EXPECT_STREQ(s, "按钮");
    EXPECT_EQ(fixed, 11);
}

TEST_F(PublishedSet, TextFormsFollowTheType) {
    EXPECT_STREQ(Text("int"), "-7");
    EXPECT_STREQ(Text("byte"), "200");
    EXPECT_STREQ(Text("word"), "65535");
    EXPECT_STREQ(Text("long"), "-5");
    EXPECT_STREQ(Text("dword"), "4294967295");
    EXPECT_STREQ(Text("double"), "1.500000");
    EXPECT_STREQ(Text("string"), "按钮");
    i = INT_MIN;
    EXPECT_STREQ(Text("int"), "-2147483648");

    CString text("untouched");
    EXPECT_FALSE(set.GetText("pointer", text));
    EXPECT_TRUE(asserts.Expect("Attribute", 1));
    EXPECT_STREQ(text, "untouched");
}

TEST_F(PublishedSet, UnknownNamesFailQuietlyAndTouchNothing) {
    int vi = 5;
    CString vs("kept");
    EXPECT_FALSE(set.GetValue("missing", vi));
    EXPECT_FALSE(set.GetValue("INT", vi)) << "lookup is case-sensitive";
    EXPECT_FALSE(set.GetText("missing", vs));
    EXPECT_FALSE(set.SetValue("missing", 3));
    EXPECT_FALSE(set.RemoveAttribute("missing"));
    EXPECT_EQ(vi, 5);
    EXPECT_STREQ(vs, "kept");
    EXPECT_EQ(set.FindAttribute("Int"), nullptr);
}

TEST_F(PublishedSet, NullNamesFailWithOneReportEach) {
    int vi = 5;
    CString vs("kept");
    void* vp = &vi;
    const bool refused[] = {
        set.FindAttribute(nullptr) == nullptr,
        !set.RemoveAttribute(nullptr),
        !set.GetValue(nullptr, vi),
        !set.GetValue(nullptr, vp),
        !set.GetText(nullptr, vs),
        !set.SetValue(nullptr, 3),
        !set.SetValue(nullptr, "text"),
        !set.AddAttribute(nullptr, &vi, false),
        !set.AddAttribute(nullptr, &vs, false),
        !set.AddAttribute(nullptr, static_cast<void*>(nullptr), true),
    };
    for (bool r : refused) EXPECT_TRUE(r);
    EXPECT_TRUE(asserts.Expect("Attribute", 10));
    EXPECT_EQ(vi, 5);
    EXPECT_EQ(vp, &vi);
    EXPECT_STREQ(vs, "kept");
    EXPECT_EQ(set.GetAttributeAt(9), nullptr) << "nothing was added";
}

// ---- The set as a container -----------------------------------------------------------------

TEST_F(AttributeTest, NamesDifferingInCaseAreDistinct) {
    CAttributeSet set;
    int lower = 1, upper = 2;
    EXPECT_TRUE(set.AddAttribute("a", &lower, false));
    EXPECT_TRUE(set.AddAttribute("A", &upper, false));
    ASSERT_NE(set.FindAttribute("a"), nullptr);
    ASSERT_NE(set.FindAttribute("A"), nullptr);
    EXPECT_EQ(set.FindAttribute("a"), set.GetAttributeAt(0));
    EXPECT_EQ(set.FindAttribute("A"), set.GetAttributeAt(1));
    int value = 0;
    EXPECT_TRUE(set.GetValue("A", value));
    EXPECT_EQ(value, 2);
}

TEST_F(AttributeTest, NamesWithTheSameHashAreToldApart) {
    CAttributeSet set;
    const std::string tail = "0123456789012345678901234567890";  // 31 bytes
    const std::string names[] = {"p" + tail, "q" + tail, "pq" + tail, "类" + tail};
    int values[4] = {10, 11, 12, 13};
    for (int k = 0; k < 4; ++k) {
        ASSERT_EQ(HashAttributeName(names[k].c_str()), HashAttributeName(tail.c_str()));
        ASSERT_TRUE(set.AddAttribute(names[k].c_str(), &values[k], false));
    }
    for (int k = 0; k < 4; ++k) {
        int value = 0;
        EXPECT_TRUE(set.GetValue(names[k].c_str(), value)) << k;
        EXPECT_EQ(value, 10 + k);
    }
    EXPECT_EQ(set.FindAttribute(tail.c_str()), nullptr);
}

TEST_F(AttributeTest, DuplicateNameIsRefusedWhateverTheType) {
    CAttributeSet set;
    int first = 1;
    double second = 2;
    EXPECT_TRUE(set.AddAttribute("按钮字体颜色", &first, false));
    EXPECT_FALSE(set.AddAttribute("按钮字体颜色", &second, true));
    IAttribute* found = set.FindAttribute("按钮字体颜色");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->GetType(), ATTR_TYPE_INT);
    EXPECT_FALSE(found->IsReadOnly());
    EXPECT_EQ(found->GetNameHash(), 446058);
    EXPECT_EQ(set.GetAttributeAt(1), nullptr);
}

TEST_F(AttributeTest, PositionsFollowAdditionAndCloseOnRemoval) {
    CAttributeSet set;
    EXPECT_EQ(set.GetAttributeAt(0), nullptr);
    int a = 1, b = 2, c = 3;
    set.AddAttribute("A", &a, false);
    set.AddAttribute("B", &b, false);
    set.AddAttribute("C", &c, false);
    EXPECT_TRUE(set.RemoveAttribute("B"));
    ASSERT_NE(set.GetAttributeAt(1), nullptr);
    EXPECT_STREQ(set.GetAttributeAt(1)->GetName(), "C");
    EXPECT_EQ(set.GetAttributeAt(2), nullptr);
    EXPECT_FALSE(set.RemoveAttribute("B"));
    EXPECT_EQ(set.FindAttribute("B"), nullptr);

    // The index is 16 bits wide: 65536 is position 0.
    int wide = 65536;  // not a constant: the call converts it
    EXPECT_EQ(set.GetAttributeAt(wide), set.GetAttributeAt(0));

    EXPECT_TRUE(set.AddAttribute("B", &b, false)) << "a removed name can be added again";
    EXPECT_STREQ(set.GetAttributeAt(2)->GetName(), "B");
}

TEST_F(AttributeTest, ManyAttributesSurviveTheArrayGrowing) {
    CAttributeSet set;
    int values[100];
    char name[16];
    for (int k = 0; k < 100; ++k) {
        values[k] = k * 3;
        std::snprintf(name, sizeof name, "attr%d", k);
        ASSERT_TRUE(set.AddAttribute(name, &values[k], k % 2 == 0));
    }
    for (int k = 99; k >= 0; --k) {
        std::snprintf(name, sizeof name, "ATTR%d", k);
        EXPECT_EQ(set.FindAttribute(name), nullptr);
        std::snprintf(name, sizeof name, "attr%d", k);
        IAttribute* attribute = set.FindAttribute(name);
        ASSERT_EQ(attribute, set.GetAttributeAt(static_cast<WORD>(k)));
        EXPECT_STREQ(attribute->GetName(), name);
        EXPECT_EQ(attribute->IsReadOnly(), k % 2 == 0);
        int value = -1;
        EXPECT_TRUE(attribute->GetValue(value));
        EXPECT_EQ(value, k * 3);
    }
    for (int k = 0; k < 100; k += 3) {
        std::snprintf(name, sizeof name, "attr%d", k);
        EXPECT_TRUE(set.RemoveAttribute(name));
    }
    EXPECT_STREQ(set.GetAttributeAt(0)->GetName(), "attr1");
    EXPECT_STREQ(set.GetAttributeAt(2)->GetName(), "attr4");
    EXPECT_EQ(set.GetAttributeAt(66), nullptr);
    EXPECT_NE(set.GetAttributeAt(65), nullptr);
}

}  // namespace
