#include "scheme/SchemeEncoding.h"

#include "text/Utf16.h"

#include <cstring>

namespace {

using Xml::Library::AttributeNode;
using Xml::Library::ElementNode;
using Xml::Library::Node;

// The encoding named in `<?xml ... encoding="..."?>` at the very start; empty without.
std::string DeclaredEncoding(std::string_view bytes)
{
    if (Encoding::StartsWithByteOrderMark(bytes)) bytes.remove_prefix(Encoding::kByteOrderMark.size());
    if (bytes.substr(0, 5) != "<?xml") return std::string();
    const std::size_t end = bytes.find("?>");
    const std::string_view declaration = bytes.substr(0, end);
    std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return std::string();
    at += std::strlen("encoding");
    while (at < declaration.size() && (declaration[at] == ' ' || declaration[at] == '\t')) ++at;
    if (at >= declaration.size() || declaration[at] != '=') return std::string();
    ++at;
    while (at < declaration.size() && (declaration[at] == ' ' || declaration[at] == '\t')) ++at;
    if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) return std::string();
    const std::size_t close = declaration.find(declaration[at], at + 1);
    if (close == std::string_view::npos) return std::string();
    return std::string(declaration.substr(at + 1, close - at - 1));
}

// The attributes whose texts meet a settings file.
bool IsTextAttribute(const std::string& name)
{
    static const char* const kNames[] = {
        "section_name", "section_to",   "case_section",  "case_default_section", "copy_to",
        "setting_name", "setting_to",   "setting_value", "move_to",              "divider",
        "multiplier",   "case_setting", "case_default_setting",
    };
    for (const char* known : kNames) {
        if (name == known) return true;
    }
    return false;
}

}  // namespace

SchemeEncoding DecideUtf16SchemeEncoding(std::string_view utf8)
{
    SchemeEncoding decided;
    decided.declared = DeclaredEncoding(utf8);
    decided.encoding = TextEncoding::Utf8;
    decided.detected = TextEncoding::Utf8;
    TextEncoding declared = TextEncoding::Utf8;
    ByteForm order = ByteForm::SingleBytes;
    if (decided.declared.empty() || Utf16::ParseName(decided.declared, order)) {
        decided.declaredKnown = !decided.declared.empty();
        decided.declarationHonoured = true;
    } else {
        // Another known name is not what the bytes are: -check says so.
        decided.declaredKnown = Encoding::ParseName(decided.declared, declared);
    }
    return decided;
}

SchemeEncoding DecideSchemeEncoding(std::string_view bytes)
{
    SchemeEncoding decided;
    decided.declared = DeclaredEncoding(bytes);
    TextEncoding declared = TextEncoding::Windows1251;
    decided.declaredKnown = Encoding::ParseName(decided.declared, declared);
    const Encoding::Utf8Form form = Encoding::ClassifyUtf8(bytes);
    decided.detected = Encoding::Detect(bytes, decided.declaredKnown ? declared : TextEncoding::Windows1251);
    if (decided.declaredKnown && (declared == TextEncoding::Windows1251 || form != Encoding::Utf8Form::IllFormed)) {
        decided.encoding = declared;
        decided.declarationHonoured = true;
        return decided;
    }
    decided.encoding = decided.detected;
    return decided;
}

CTranscodedTexts::CTranscodedTexts(Xml::Library::DocumentNode<char>& document, TextEncoding from, TextEncoding to)
{
    // Document order without recursion: a scheme may nest deeply.
    std::vector<Node<char>*> pending {&document};
    std::size_t records = 0;
    while (!pending.empty()) {
        Node<char>* node = pending.back();
        pending.pop_back();
        if (auto* element = dynamic_cast<ElementNode<char>*>(node)) {
            if (element->name == "Convert" || element->name == "File") {
                ++records;
                m_unencodable.resize(records);
            }
            for (auto& attribute : element->attributes) {
                if (!IsTextAttribute(attribute->name)) continue;
                std::string converted;
                const bool fits = Encoding::Convert(attribute->value, from, to, converted);
                if (!fits) {
                    if (records > 0 && m_unencodable[records - 1].empty()) m_unencodable[records - 1] = attribute->value;
                    continue;
                }
                if (converted == attribute->value) continue;
                m_originals.emplace_back(attribute.get(), std::move(attribute->value));
                attribute->value = std::move(converted);
            }
        }
        for (auto child = node->children.rbegin(); child != node->children.rend(); ++child) pending.push_back(child->get());
    }
}

CTranscodedTexts::~CTranscodedTexts()
{
    for (auto& [attribute, original] : m_originals) attribute->value = std::move(original);
}

std::string CTranscodedTexts::UnencodableIn(std::size_t record) const
{
    return record < m_unencodable.size() ? m_unencodable[record] : std::string();
}
