#pragma once

// Fetches the value of one named attribute. Walked over an element it sees the
// element's own attributes and then those of every element below it, in document
// order, so the last match wins; fed single attributes it sees only those.

#include "xml/XmlVisitor.h"

#include <string>

namespace TS {

class CXMLValue : public Xml::Library::XmlVisitor<char> {
public:
    bool VisitAttribute(Xml::Library::AttributeNode<char>& attribute) override
    {
        if (attribute.name == wantedName) {
            value = attribute.value;
            found = true;
        }
        return true;
    }

    bool VisitElement(Xml::Library::ElementNode<char>& element) override
    {
        return XmlVisitor<char>::VisitElement(element);
    }

    std::string value;
    std::string wantedName;
    // Tells an attribute present with an empty value from an absent one.
    bool found = false;
};

// The last `name` attribute of the element or of any element below it.
inline CXMLValue ValueBelow(Xml::Library::ElementNode<char>& element, const std::string& name)
{
    CXMLValue lookup;
    lookup.wantedName = name;
    lookup.VisitElement(element);
    return lookup;
}

// The last `name` attribute among the element's own attributes.
inline CXMLValue OwnValue(Xml::Library::ElementNode<char>& element, const std::string& name)
{
    CXMLValue lookup;
    lookup.wantedName = name;
    for (auto& attribute : element.attributes) attribute->Accept(lookup);
    return lookup;
}

}  // namespace TS
