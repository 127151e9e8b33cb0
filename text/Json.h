#pragma once

// A JSON value with a writer and a reader: what the run's record and the report are
// made of. Objects keep their members in the order they were set. The writer's output
// is always valid UTF-8: a byte of a text that is not well-formed UTF-8 is written as
// U+FFFD (names keep their bytes beside, in "<key>_hex": SetName). The reader is strict:
// one whole value, no raw control characters, no lone surrogates, no ill-formed UTF-8,
// numbers as JSON spells them, no key twice in an object, nothing nested deeper than
// kMaxDepth.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CJson {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };
    static constexpr int kMaxDepth = 64;

    CJson() = default;
    CJson(bool value) : m_kind(Kind::Bool), m_bool(value) {}
    CJson(int value) : CJson(static_cast<std::int64_t>(value)) {}
    CJson(std::int64_t value) : m_kind(Kind::Number), m_number(static_cast<double>(value)) {}
    CJson(std::string value) : m_kind(Kind::String), m_text(std::move(value)) {}
    CJson(const char* value) : CJson(std::string(value)) {}
    static CJson Array();
    static CJson Object();

    Kind GetKind() const { return m_kind; }
    bool IsNull() const { return m_kind == Kind::Null; }

    // Object members: Set replaces a member of that key or appends one.
    CJson& Set(const std::string& key, CJson value);
    const CJson* Find(const std::string& key) const;
    CJson* Find(const std::string& key);
    // The member's text, or the empty text when it is missing or no string.
    std::string TextOf(const std::string& key) const;
    bool BoolOf(const std::string& key) const;
    // A name (a file's path) whose bytes may be any: the text, and when it is not
    // well-formed UTF-8 also "<key>_hex" with its bytes as hex digits.
    void SetName(const std::string& key, const std::string& bytes);
    // The bytes of a name: "<key>_hex" when present, else the text. False when a member
    // present has another type (null counts as absent and gives the empty text), or the
    // hex is not hex.
    bool NameOf(const std::string& key, std::string& bytes) const;

    // Array items.
    void Push(CJson value) { m_items.push_back(std::move(value)); }
    const std::vector<CJson>& Items() const { return m_items; }
    std::vector<CJson>& Items() { return m_items; }

    const std::string& Text() const { return m_text; }
    bool Bool() const { return m_bool; }
    double Number() const { return m_number; }

    // Two-space indentation, one member or item a line.
    std::string Dump() const;
    // False for a text that is not one whole JSON value; `reason` then says why, and
    // where.
    static bool Parse(std::string_view text, CJson& value, std::string* reason = nullptr);

private:
    void DumpInto(std::string& out, int indent) const;

    Kind m_kind = Kind::Null;
    bool m_bool = false;
    double m_number = 0;
    std::string m_text;
    std::vector<CJson> m_items;
    std::vector<std::pair<std::string, CJson>> m_members;

    friend class CJsonReader;
};
