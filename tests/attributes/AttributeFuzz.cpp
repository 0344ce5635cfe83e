// Drives one CAttributeSet through a sequence of operations decoded from the input and checks it
// after every step against a plain model: a list of (name, type, read-only, variable) in order of
// addition, unique by exact bytes. Names mix ASCII, code page 936 double-byte characters, case
// variants and names that share their last 31 bytes (and so their hash).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "attributes/Attribute.h"
#include "platform/Debug.h"

#define FUZZ_CHECK(condition)                                                          \
    do {                                                                               \
        if (!(condition)) {                                                            \
            std::fprintf(stderr, "check failed at line %d: %s\n", __LINE__, #condition); \
            std::abort();                                                              \
        }                                                                              \
    } while (0)

namespace {

#if defined(QV_DEBUG) && QV_DEBUG
constexpr bool kDebugChecks = true;
#else
constexpr bool kDebugChecks = false;
#endif

int g_reports = 0;
void CountReport(const char*, int) { ++g_reports; }

// Reads the input front to back; past its end every value is zero.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool Done() const { return m_pos >= m_size; }
    std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    std::uint32_t Dword() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = (value << 8) | Byte();
        return value;
    }
    double Double() {
        std::uint64_t bits = (static_cast<std::uint64_t>(Dword()) << 32) | Dword();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// The variables an attribute may publish; each entry of the model owns one.
struct Variables {
    int i = 0;
    BYTE b = 0;
    WORD w = 0;
    long l = 0;
    DWORD d = 0;
    double f = 0;
    CString s;
};

struct Entry {
    std::string name;
    int type;
    bool readOnly;
    Variables* vars;
    void* held;  // the value of a pointer attribute
};

// Reference hash: ASCII letters lowered outside double-byte characters, then shifted in.
int ModelHash(const std::string& name) {
    std::string lower = name;
    for (std::size_t k = 0; k < lower.size(); ++k) {
        const auto c = static_cast<unsigned char>(lower[k]);
        if (c >= 0x81 && c <= 0xFE) {
            ++k;
        } else if (c >= 'A' && c <= 'Z') {
            lower[k] = static_cast<char>(c + 32);
        }
    }
    std::uint32_t h = 0;
    for (char c : lower) h = (h ^ static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)))) << 1;
    return static_cast<int>(h);
}

std::string TextOf(const Entry& e) {
    char buffer[512];
    switch (e.type) {
    case ATTR_TYPE_INT: std::snprintf(buffer, sizeof buffer, "%d", e.vars->i); break;
    case ATTR_TYPE_BYTE: std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(e.vars->b)); break;
    case ATTR_TYPE_WORD: std::snprintf(buffer, sizeof buffer, "%u", static_cast<unsigned>(e.vars->w)); break;
    case ATTR_TYPE_LONG: std::snprintf(buffer, sizeof buffer, "%ld", e.vars->l); break;
    case ATTR_TYPE_DWORD:
        std::snprintf(buffer, sizeof buffer, "%lu", static_cast<unsigned long>(e.vars->d));
        break;
    case ATTR_TYPE_DOUBLE: std::snprintf(buffer, sizeof buffer, "%f", e.vars->f); break;
    default: return e.vars->s.GetString();
    }
    return buffer;
}

class Session {
public:
    explicit Session(Input& in) : m_in(in) {}

    void Run() {
        for (int step = 0; step < 200 && !m_in.Done(); ++step) {
            g_reports = 0;
            m_expectedReports = 0;
            Step();
            FUZZ_CHECK(g_reports == (kDebugChecks ? m_expectedReports : 0));
            Verify();
        }
    }

private:
    // A name from the input: an existing one, a variant of one, or new bytes.
    std::string Name() {
        const std::uint8_t mode = m_in.Byte();
        if (!m_model.empty() && mode < 0x80) {
            std::string name = m_model[m_in.Byte() % m_model.size()].name;
            switch (mode % 4) {
            case 1:  // flip the case of every ASCII letter outside double-byte characters
                for (std::size_t k = 0; k < name.size(); ++k) {
                    const auto c = static_cast<unsigned char>(name[k]);
                    if (c >= 0x81 && c <= 0xFE) ++k;
                    else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') name[k] = static_cast<char>(c ^ 0x20);
                }
                break;
            case 2:  // another prefix: same hash once the name is 31 bytes or longer
                name.insert(name.begin(), static_cast<char>(m_in.Byte() | 1));
                break;
            case 3:  // one byte less
                if (!name.empty()) name.pop_back();
                break;
            default: break;
            }
            return name;
        }
        std::string name;
        const int length = m_in.Byte() % 40;
        for (int k = 0; k < length; ++k) {
            const std::uint8_t c = m_in.Byte();
            if (c >= 0xF0) {
                name += "\xC0\xE0\xC3\xFB";  // two common double-byte characters
            } else {
                name += static_cast<char>(c ? c : 'a');
            }
        }
        return name;
    }

    int IndexOf(const std::string& name) const {
        for (std::size_t k = 0; k < m_model.size(); ++k)
            if (m_model[k].name == name) return static_cast<int>(k);
        return -1;
    }

    void Step() {
        switch (m_in.Byte() % 9) {
        case 0: Add(); break;
        case 1: Remove(); break;
        case 2: Find(); break;
        case 3: At(); break;
        case 4: Read(); break;
        case 5: Write(); break;
        case 6: Text(); break;
        case 7: OwnerWrite(); break;
        default: NullName(); break;
        }
    }

    void Add() {
        const int type = ATTR_TYPE_POINTER + m_in.Byte() % 8;
        const bool readOnly = m_in.Byte() & 1;
        const std::string name = Name();
        m_vars.emplace_back();
        Variables* v = &m_vars.back();
        void* held = reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_in.Dword()));
        bool added = false;
        switch (type) {
        case ATTR_TYPE_POINTER: added = m_set.AddAttribute(name.c_str(), held, readOnly); break;
        case ATTR_TYPE_INT: added = m_set.AddAttribute(name.c_str(), &v->i, readOnly); break;
        case ATTR_TYPE_BYTE: added = m_set.AddAttribute(name.c_str(), &v->b, readOnly); break;
        case ATTR_TYPE_WORD: added = m_set.AddAttribute(name.c_str(), &v->w, readOnly); break;
        case ATTR_TYPE_LONG: added = m_set.AddAttribute(name.c_str(), &v->l, readOnly); break;
        case ATTR_TYPE_DWORD: added = m_set.AddAttribute(name.c_str(), &v->d, readOnly); break;
        case ATTR_TYPE_DOUBLE: added = m_set.AddAttribute(name.c_str(), &v->f, readOnly); break;
        default: added = m_set.AddAttribute(name.c_str(), &v->s, readOnly); break;
        }
        FUZZ_CHECK(added == (IndexOf(name) < 0));
        if (added) m_model.push_back({name, type, readOnly, v, held});
    }

    void Remove() {
        const std::string name = Name();
        const int index = IndexOf(name);
        FUZZ_CHECK(m_set.RemoveAttribute(name.c_str()) == (index >= 0));
        if (index >= 0) m_model.erase(m_model.begin() + index);
    }

    void Find() {
        const std::string name = Name();
        const int index = IndexOf(name);
        IAttribute* found = m_set.FindAttribute(name.c_str());
        FUZZ_CHECK(found == (index < 0 ? nullptr : m_set.GetAttributeAt(static_cast<WORD>(index))));
    }

    void At() {
        const WORD index = static_cast<WORD>(m_in.Byte() | (m_in.Byte() & 1) << 8);
        IAttribute* at = m_set.GetAttributeAt(index);
        FUZZ_CHECK((at != nullptr) == (index < m_model.size()));
        if (at) FUZZ_CHECK(m_model[index].name == at->GetName());
    }

    // Same value; doubles compared as bits, so a NaN read back still matches.
    template <class T>
    static bool Same(const T& a, const T& b) {
        return a == b;
    }
    static bool Same(const double& a, const double& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
    static bool Same(const CString& a, const CString& b) { return a == b.GetString(); }

    // Reads through one overload; a value the read may not touch starts as a marker.
    template <class T>
    void CheckRead(const char* name, const Entry* e, int type, const T& marker, const T& expected) {
        T out = marker;
        const bool read = m_set.GetValue(name, out);
        if (!e) {
            FUZZ_CHECK(!read && Same(out, marker));
        } else if (e->type != type) {
            ++m_expectedReports;
            FUZZ_CHECK(!read && Same(out, T()));
        } else {
            FUZZ_CHECK(read && Same(out, expected));
        }
    }

    void Read() {
        const int t = ATTR_TYPE_POINTER + m_in.Byte() % 8;
        const std::string name = Name();
        const int index = IndexOf(name);
        const Entry* e = index < 0 ? nullptr : &m_model[static_cast<std::size_t>(index)];
        const Variables none;
        const Variables& v = e ? *e->vars : none;
        const char* n = name.c_str();
        switch (t) {
        case ATTR_TYPE_POINTER: CheckRead<void*>(n, e, t, &m_in, e ? e->held : nullptr); break;
        case ATTR_TYPE_INT: CheckRead<int>(n, e, t, 99, v.i); break;
        case ATTR_TYPE_BYTE: CheckRead<BYTE>(n, e, t, 99, v.b); break;
        case ATTR_TYPE_WORD: CheckRead<WORD>(n, e, t, 99, v.w); break;
        case ATTR_TYPE_LONG: CheckRead<long>(n, e, t, 99, v.l); break;
        case ATTR_TYPE_DWORD: CheckRead<DWORD>(n, e, t, 99, v.d); break;
        case ATTR_TYPE_DOUBLE: CheckRead<double>(n, e, t, 99, v.f); break;
        default: CheckRead<CString>(n, e, t, CString("marker"), v.s); break;
        }
    }

    void Write() {
        const int overload = ATTR_TYPE_POINTER + m_in.Byte() % 8;
        const std::string name = Name();
        const int index = IndexOf(name);
        Entry* e = index < 0 ? nullptr : &m_model[static_cast<std::size_t>(index)];
        const std::uint32_t raw = m_in.Dword();
        const double real = m_in.Double();
        const std::string text = Name();
        bool written = false;
        switch (overload) {
        case ATTR_TYPE_POINTER:
            written = m_set.SetValue(name.c_str(), reinterpret_cast<void*>(static_cast<std::uintptr_t>(raw)));
            break;
        case ATTR_TYPE_INT: written = m_set.SetValue(name.c_str(), static_cast<int>(raw)); break;
        case ATTR_TYPE_BYTE: written = m_set.SetValue(name.c_str(), static_cast<BYTE>(raw)); break;
        case ATTR_TYPE_WORD: written = m_set.SetValue(name.c_str(), static_cast<WORD>(raw)); break;
        case ATTR_TYPE_LONG: written = m_set.SetValue(name.c_str(), static_cast<long>(static_cast<std::int32_t>(raw))); break;
        case ATTR_TYPE_DWORD: written = m_set.SetValue(name.c_str(), static_cast<DWORD>(raw)); break;
        case ATTR_TYPE_DOUBLE: written = m_set.SetValue(name.c_str(), real); break;
        default: written = m_set.SetValue(name.c_str(), text.c_str()); break;
        }
        const bool writable = e && !e->readOnly && e->type == overload;
        FUZZ_CHECK(written == writable);
        if (e) m_expectedReports += (e->type != overload) + e->readOnly;
        if (!writable) return;
        switch (overload) {
        case ATTR_TYPE_POINTER: e->held = reinterpret_cast<void*>(static_cast<std::uintptr_t>(raw)); break;
        case ATTR_TYPE_INT: FUZZ_CHECK(e->vars->i == static_cast<int>(raw)); break;
        case ATTR_TYPE_BYTE: FUZZ_CHECK(e->vars->b == static_cast<BYTE>(raw)); break;
        case ATTR_TYPE_WORD: FUZZ_CHECK(e->vars->w == static_cast<WORD>(raw)); break;
        case ATTR_TYPE_LONG: FUZZ_CHECK(e->vars->l == static_cast<std::int32_t>(raw)); break;
        case ATTR_TYPE_DWORD: FUZZ_CHECK(e->vars->d == raw); break;
        case ATTR_TYPE_DOUBLE: FUZZ_CHECK(std::memcmp(&e->vars->f, &real, sizeof real) == 0); break;
        default: FUZZ_CHECK(e->vars->s == text.c_str()); break;
        }
    }

    void Text() {
        const std::string name = Name();
        const int index = IndexOf(name);
        CString out("marker");
        const bool rendered = m_set.GetText(name.c_str(), out);
        if (index < 0) {
            FUZZ_CHECK(!rendered && out == "marker");
            return;
        }
        const Entry& e = m_model[static_cast<std::size_t>(index)];
        if (e.type == ATTR_TYPE_POINTER) {
            ++m_expectedReports;
            FUZZ_CHECK(!rendered && out == "marker");
        } else {
            FUZZ_CHECK(rendered && out == TextOf(e).c_str());
        }
    }

    // The owner changes its variable directly; the next reads must see it.
    void OwnerWrite() {
        if (m_model.empty()) return;
        Variables& v = *m_model[m_in.Byte() % m_model.size()].vars;
        const std::uint32_t raw = m_in.Dword();
        v.i = static_cast<int>(raw);
        v.b = static_cast<BYTE>(raw);
        v.w = static_cast<WORD>(raw);
        v.l = static_cast<std::int32_t>(raw);
        v.d = raw;
        v.f = static_cast<double>(static_cast<std::int32_t>(raw)) / 7.0;
        v.s = Name().c_str();
    }

    void NullName() {
        ++m_expectedReports;
        int value = 5;
        CString text("marker");
        switch (m_in.Byte() % 6) {
        case 0: FUZZ_CHECK(m_set.FindAttribute(nullptr) == nullptr); break;
        case 1: FUZZ_CHECK(!m_set.RemoveAttribute(nullptr)); break;
        case 2: FUZZ_CHECK(!m_set.AddAttribute(nullptr, &value, false)); break;
        case 3: FUZZ_CHECK(!m_set.GetValue(nullptr, value) && value == 5); break;
        case 4: FUZZ_CHECK(!m_set.SetValue(nullptr, 7) && value == 5); break;
        default: FUZZ_CHECK(!m_set.GetText(nullptr, text) && text == "marker"); break;
        }
    }

    // The whole set against the model: order, names, types, flags, hashes and lookups.
    void Verify() {
        for (std::size_t k = 0; k < m_model.size(); ++k) {
            const Entry& e = m_model[k];
            IAttribute* at = m_set.GetAttributeAt(static_cast<WORD>(k));
            FUZZ_CHECK(at != nullptr);
            FUZZ_CHECK(e.name == at->GetName());
            FUZZ_CHECK(at->GetType() == e.type);
            FUZZ_CHECK(at->IsReadOnly() == e.readOnly);
            FUZZ_CHECK(at->GetNameHash() == ModelHash(e.name));
            FUZZ_CHECK(m_set.FindAttribute(e.name.c_str()) == at);
            FUZZ_CHECK(at->QueryInterface(IID_IAttribute, ATTR_INTERFACE_VERSION) == at);
        }
        FUZZ_CHECK(m_set.GetAttributeAt(static_cast<WORD>(m_model.size())) == nullptr);
    }

    Input& m_in;
    std::deque<Variables> m_vars;  // stable addresses: the set points into them
    CAttributeSet m_set;           // declared after m_vars, so destroyed before them
    std::vector<Entry> m_model;
    int m_expectedReports = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qv::AssertHook previous = qv::SetAssertHook(&CountReport);
    Input in(data, size);
    Session(in).Run();
    qv::SetAssertHook(previous);
    return 0;
}
