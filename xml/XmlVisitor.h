#pragma once

// Every reader of the node tree is a visitor. The default walks are pre-order: an
// element, then its attributes, then its children; false from any visit stops the
// whole walk.

#include "xml/Nodes.h"

#include <string>

namespace Xml {
namespace Library {

template <class Char, class String = std::basic_string<Char>>
class XmlVisitor {
public:
    virtual ~XmlVisitor() = default;

    virtual bool VisitText(TextNode<Char, String>&) { return true; }
    virtual bool VisitCdata(CdataNode<Char, String>&) { return true; }
    virtual bool VisitComment(CommentNode<Char, String>&) { return true; }
    virtual bool VisitAttribute(AttributeNode<Char, String>&) { return true; }

    virtual bool VisitElement(ElementNode<Char, String>& element)
    {
        for (auto& attribute : element.attributes) {
            if (!attribute->Accept(*this)) return false;
        }
        for (auto& child : element.children) {
            if (!child->Accept(*this)) return false;
        }
        return true;
    }

    virtual bool VisitDocument(DocumentNode<Char, String>& document)
    {
        for (auto& child : document.children) {
            if (!child->Accept(*this)) return false;
        }
        return true;
    }
};

template <class Char, class String>
bool DocumentNode<Char, String>::Accept(XmlVisitor<Char, String>& visitor)
{
    return visitor.VisitDocument(*this);
}

template <class Char, class String>
bool ElementNode<Char, String>::Accept(XmlVisitor<Char, String>& visitor)
{
    return visitor.VisitElement(*this);
}

template <class Char, class String>
bool AttributeNode<Char, String>::Accept(XmlVisitor<Char, String>& visitor)
{
    return visitor.VisitAttribute(*this);
}

template <class Char, class String>
bool TextNode<Char, String>::Accept(XmlVisitor<Char, String>& visitor)
{
    return visitor.VisitText(*this);
}

template <class Char, class String>
bool CdataNode<Char, String>::Accept(XmlVisitor<Char, String>& visitor)
{
    return visitor.VisitCdata(*this);
}

template <class Char, class String>
bool CommentNode<Char, String>::Accept(XmlVisitor<Char, String>& visitor)
{
    return visitor.VisitComment(*this);
}

}  // namespace Library
}  // namespace Xml
