#include "scheme/SchemeIdentity.h"

#include "text/Sha256.h"

#include <algorithm>
#include <vector>

namespace {

using Element = Xml::Library::ElementNode<char>;
using Attribute = Xml::Library::AttributeNode<char>;
using Node = Xml::Library::Node<char>;

std::string InUtf8(const std::string& text, TextEncoding encoding)
{
    std::string converted;
    if (encoding == TextEncoding::Utf8 || !Encoding::Convert(text, encoding, TextEncoding::Utf8, converted)) return text;
    return converted;
}

// A text with its length in front, so that no two lists of texts give one digest input.
void AppendField(std::string& out, char kind, const std::string& text)
{
    out += kind;
    out += std::to_string(text.size());
    out += ':';
    out += text;
}

}  // namespace

std::string SchemeDigest(const Xml::Library::DocumentNode<char>& document, TextEncoding encoding)
{
    std::string canonical;
    // Depth first without recursion: a null entry closes the element opened before.
    std::vector<const Node*> pending;
    for (auto child = document.children.rbegin(); child != document.children.rend(); ++child) pending.push_back(child->get());
    while (!pending.empty()) {
        const Node* node = pending.back();
        pending.pop_back();
        if (node == nullptr) {
            canonical += ')';
            continue;
        }
        const auto* element = dynamic_cast<const Element*>(node);
        if (element == nullptr) continue;
        AppendField(canonical, '(', InUtf8(element->name, encoding));
        std::vector<const Attribute*> attributes;
        for (const auto& attribute : element->attributes) attributes.push_back(attribute.get());
        std::stable_sort(attributes.begin(), attributes.end(),
                         [](const Attribute* left, const Attribute* right) { return left->name < right->name; });
        for (const Attribute* attribute : attributes) {
            AppendField(canonical, 'a', InUtf8(attribute->name, encoding));
            AppendField(canonical, '=', InUtf8(attribute->value, encoding));
        }
        pending.push_back(nullptr);
        for (auto child = element->children.rbegin(); child != element->children.rend(); ++child) {
            pending.push_back(child->get());
        }
    }
    return Sha256Hex(canonical);
}

std::string SchemeIdOf(const Xml::Library::DocumentNode<char>& document, TextEncoding encoding)
{
    for (const auto& child : document.children) {
        const auto* root = dynamic_cast<const Element*>(child.get());
        if (root == nullptr) continue;
        for (const auto& attribute : root->attributes) {
            if (attribute->name == "scheme_id") return InUtf8(attribute->value, encoding);
        }
        return std::string();
    }
    return std::string();
}
