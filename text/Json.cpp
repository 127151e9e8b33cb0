#include "text/Json.h"

#include "text/TextEncoding.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

CJson CJson::Array()
{
    CJson value;
    value.m_kind = Kind::Array;
    return value;
}

CJson CJson::Object()
{
    CJson value;
    value.m_kind = Kind::Object;
    return value;
}

CJson& CJson::Set(const std::string& key, CJson value)
{
    m_kind = Kind::Object;
    for (auto& member : m_members) {
        if (member.first == key) return member.second = std::move(value);
    }
    m_members.emplace_back(key, std::move(value));
    return m_members.back().second;
}

const CJson* CJson::Find(const std::string& key) const
{
    for (const auto& member : m_members) {
        if (member.first == key) return &member.second;
    }
    return nullptr;
}

CJson* CJson::Find(const std::string& key) { return const_cast<CJson*>(static_cast<const CJson&>(*this).Find(key)); }

std::string CJson::TextOf(const std::string& key) const
{
    const CJson* member = Find(key);
    return member != nullptr && member->m_kind == Kind::String ? member->m_text : std::string();
}

bool CJson::BoolOf(const std::string& key) const
{
    const CJson* member = Find(key);
    return member != nullptr && member->m_kind == Kind::Bool && member->m_bool;
}

void CJson::SetName(const std::string& key, const std::string& bytes)
{
    Set(key, bytes);
    if (Encoding::ClassifyUtf8(bytes) != Encoding::Utf8Form::IllFormed) return;
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char byte : bytes) {
        hex.push_back(kDigits[static_cast<unsigned char>(byte) >> 4]);
        hex.push_back(kDigits[static_cast<unsigned char>(byte) & 0x0F]);
    }
    Set(key + "_hex", hex);
}

bool CJson::NameOf(const std::string& key, std::string& bytes) const
{
    bytes.clear();
    const auto digit = [](char hex) {
        if (hex >= '0' && hex <= '9') return hex - '0';
        if (hex >= 'a' && hex <= 'f') return hex - 'a' + 10;
        if (hex >= 'A' && hex <= 'F') return hex - 'A' + 10;
        return -1;
    };
    if (const CJson* hex = Find(key + "_hex"); hex != nullptr && !hex->IsNull()) {
        if (hex->m_kind != Kind::String || hex->m_text.size() % 2 != 0) return false;
        for (std::size_t index = 0; index < hex->m_text.size(); index += 2) {
            const int high = digit(hex->m_text[index]);
            const int low = digit(hex->m_text[index + 1]);
            if (high < 0 || low < 0) return false;
            bytes.push_back(static_cast<char>(high * 16 + low));
        }
        const CJson* text = Find(key);
        return text != nullptr && text->m_kind == Kind::String;
    }
    const CJson* text = Find(key);
    if (text == nullptr || text->IsNull()) return true;
    if (text->m_kind != Kind::String) return false;
    bytes = text->m_text;
    return true;
}

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

void AppendQuoted(std::string& out, const std::string& text)
{
    out.push_back('"');
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char byte = text[index];
        if (static_cast<unsigned char>(byte) >= 0x80) {
            std::uint32_t codePoint = 0;
            const std::size_t length = Encoding::DecodeUtf8(text, index, codePoint);
            if (length == 0) {
                out += kReplacement;
            } else {
                out.append(text, index, length);
                index += length - 1;
            }
            continue;
        }
        switch (byte) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(byte) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(byte)));
                out += escape;
            } else {
                out.push_back(byte);
            }
        }
    }
    out.push_back('"');
}

// An array's or object's lines: one item a line, indented, with commas between.
template <class DumpItem>
void DumpList(std::string& out, int indent, char open, char close, std::size_t count, const DumpItem& dumpItem)
{
    out.push_back(open);
    if (count > 0) {
        out.push_back('\n');
        for (std::size_t index = 0; index < count; ++index) {
            out.append(static_cast<std::size_t>(indent + 2), ' ');
            dumpItem(index);
            out += index + 1 < count ? ",\n" : "\n";
        }
        out.append(static_cast<std::size_t>(indent), ' ');
    }
    out.push_back(close);
}

}  // namespace

std::string CJson::Dump() const
{
    std::string out;
    DumpInto(out, 0);
    out.push_back('\n');
    return out;
}

void CJson::DumpInto(std::string& out, int indent) const
{
    switch (m_kind) {
    case Kind::Null: out += "null"; return;
    case Kind::Bool: out += m_bool ? "true" : "false"; return;
    case Kind::Number: {
        char number[40];
        if (std::floor(m_number) == m_number && std::fabs(m_number) < 1e15) {
            std::snprintf(number, sizeof number, "%lld", static_cast<long long>(m_number));
        } else {
            std::snprintf(number, sizeof number, "%.17g", m_number);
        }
        out += number;
        return;
    }
    case Kind::String: AppendQuoted(out, m_text); return;
    case Kind::Array:
        DumpList(out, indent, '[', ']', m_items.size(), [&](std::size_t index) {
            m_items[index].DumpInto(out, indent + 2);
        });
        return;
    case Kind::Object:
        DumpList(out, indent, '{', '}', m_members.size(), [&](std::size_t index) {
            AppendQuoted(out, m_members[index].first);
            out += ": ";
            m_members[index].second.DumpInto(out, indent + 2);
        });
        return;
    }
}

class CJsonReader {
public:
    explicit CJsonReader(std::string_view text) : m_text(text) {}

    bool ReadWhole(CJson& value)
    {
        if (!ReadValue(value, 0)) return false;
        SkipBlanks();
        return m_at == m_text.size() || Refuse("text after the JSON value");
    }

    std::string Reason() const { return m_reason + " at byte " + std::to_string(m_failedAt); }

private:
    void SkipBlanks()
    {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t' || m_text[m_at] == '\n' ||
                                        m_text[m_at] == '\r')) {
            ++m_at;
        }
    }

    bool Literal(std::string_view word)
    {
        if (m_text.substr(m_at, word.size()) != word) return false;
        m_at += word.size();
        return true;
    }

    bool Refuse(const char* reason)
    {
        if (m_reason.empty()) {
            m_reason = reason;
            m_failedAt = m_at;
        }
        return false;
    }

    bool ReadValue(CJson& value, int depth)
    {
        if (depth > CJson::kMaxDepth) return Refuse("nested too deep");
        SkipBlanks();
        if (m_at >= m_text.size()) return Refuse("the text ends where a value was expected");
        const char first = m_text[m_at];
        if (first == '{') return ReadObject(value, depth);
        if (first == '[') return ReadArray(value, depth);
        if (first == '"') {
            value = CJson(std::string());
            return ReadString(value.m_text);
        }
        if (Literal("null")) return value = CJson(), true;
        if (Literal("true")) return value = CJson(true), true;
        if (Literal("false")) return value = CJson(false), true;
        return ReadNumber(value);
    }

    bool Digits()
    {
        const std::size_t start = m_at;
        while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9') ++m_at;
        return m_at > start;
    }

    // -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
    bool ReadNumber(CJson& value)
    {
        const std::size_t start = m_at;
        if (m_at < m_text.size() && m_text[m_at] == '-') ++m_at;
        if (m_at < m_text.size() && m_text[m_at] == '0') {
            ++m_at;
        } else if (m_at >= m_text.size() || m_text[m_at] < '1' || m_text[m_at] > '9' || !Digits()) {
            m_at = start;
            return Refuse("no JSON value");
        }
        if (m_at < m_text.size() && m_text[m_at] == '.' && (++m_at, !Digits())) return Refuse("a number without digits after '.'");
        if (m_at < m_text.size() && (m_text[m_at] == 'e' || m_text[m_at] == 'E')) {
            ++m_at;
            if (m_at < m_text.size() && (m_text[m_at] == '+' || m_text[m_at] == '-')) ++m_at;
            if (!Digits()) return Refuse("a number without digits in its exponent");
        }
        if (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9') return Refuse("a number with a leading zero");
        // Read whatever the process's locale: a Russian one has a decimal comma.
        const std::string_view digits = m_text.substr(start, m_at - start);
        double number = 0;
        const std::from_chars_result read = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (read.ec != std::errc() || read.ptr != digits.data() + digits.size()) return Refuse("a number out of range");
        value = CJson();
        value.m_kind = CJson::Kind::Number;
        value.m_number = number;
        return true;
    }

    bool ReadHex4(std::uint32_t& unit)
    {
        if (m_text.size() - m_at < 4) return false;
        unit = 0;
        for (int count = 0; count < 4; ++count) {
            const char digit = m_text[m_at++];
            unit <<= 4;
            if (digit >= '0' && digit <= '9') {
                unit |= static_cast<std::uint32_t>(digit - '0');
            } else if (digit >= 'a' && digit <= 'f') {
                unit |= static_cast<std::uint32_t>(digit - 'a' + 10);
            } else if (digit >= 'A' && digit <= 'F') {
                unit |= static_cast<std::uint32_t>(digit - 'A' + 10);
            } else {
                return false;
            }
        }
        return true;
    }

    bool ReadString(std::string& text)
    {
        ++m_at;  // the opening quote
        while (m_at < m_text.size()) {
            const char byte = m_text[m_at];
            if (static_cast<unsigned char>(byte) < 0x20) return Refuse("a raw control character in a string");
            if (static_cast<unsigned char>(byte) >= 0x80) {
                std::uint32_t codePoint = 0;
                const std::size_t length = Encoding::DecodeUtf8(m_text, m_at, codePoint);
                if (length == 0) return Refuse("a byte that is not UTF-8");
                text.append(m_text.substr(m_at, length));
                m_at += length;
                continue;
            }
            ++m_at;
            if (byte == '"') return true;
            if (byte != '\\') {
                text.push_back(byte);
                continue;
            }
            if (m_at >= m_text.size()) return Refuse("the text ends in a string");
            const char escape = m_text[m_at++];
            switch (escape) {
            case '"': case '\\': case '/': text.push_back(escape); break;
            case 'b': text.push_back('\b'); break;
            case 'f': text.push_back('\f'); break;
            case 'n': text.push_back('\n'); break;
            case 'r': text.push_back('\r'); break;
            case 't': text.push_back('\t'); break;
            case 'u': {
                std::uint32_t unit = 0;
                if (!ReadHex4(unit)) return Refuse("a \\u escape without four hex digits");
                if (unit >= 0xDC00 && unit <= 0xDFFF) return Refuse("a lone surrogate");
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    std::uint32_t low = 0;
                    if (!Literal("\\u") || !ReadHex4(low) || low < 0xDC00 || low > 0xDFFF) {
                        return Refuse("a lone surrogate");
                    }
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                }
                Encoding::AppendUtf8(text, unit);
                break;
            }
            default: return Refuse("an unknown escape");
            }
        }
        return Refuse("the text ends in a string");
    }

    bool ReadArray(CJson& value, int depth)
    {
        value = CJson::Array();
        ++m_at;
        SkipBlanks();
        if (Literal("]")) return true;
        for (;;) {
            CJson item;
            if (!ReadValue(item, depth + 1)) return false;
            value.m_items.push_back(std::move(item));
            SkipBlanks();
            if (Literal("]")) return true;
            if (!Literal(",")) return Refuse("no ',' or ']' after an item");
        }
    }

    bool ReadObject(CJson& value, int depth)
    {
        value = CJson::Object();
        ++m_at;
        SkipBlanks();
        if (Literal("}")) return true;
        for (;;) {
            SkipBlanks();
            std::string key;
            if (m_at >= m_text.size() || m_text[m_at] != '"') return Refuse("no key where one was expected");
            const std::size_t keyAt = m_at;
            if (!ReadString(key)) return false;
            if (value.Find(key) != nullptr) {
                m_at = keyAt;
                return Refuse("a key given twice");
            }
            SkipBlanks();
            if (!Literal(":")) return Refuse("no ':' after a key");
            CJson member;
            if (!ReadValue(member, depth + 1)) return false;
            value.m_members.emplace_back(std::move(key), std::move(member));
            SkipBlanks();
            if (Literal("}")) return true;
            if (!Literal(",")) return Refuse("no ',' or '}' after a member");
        }
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    std::string m_reason;
    std::size_t m_failedAt = 0;
};

bool CJson::Parse(std::string_view text, CJson& value, std::string* reason)
{
    CJsonReader reader(text);
    CJson parsed;
    if (!reader.ReadWhole(parsed)) {
        if (reason != nullptr) *reason = reader.Reason();
        return false;
    }
    value = std::move(parsed);
    return true;
}
