#pragma once

#include "xml/XmlParser.h"

#include <memory>
#include <cstdint>
#include <string>

namespace XmlTestSupport {

struct ParseResult {
    std::unique_ptr<Xml::Library::DocumentNode<char>> document;
    int errorCode = 0;
    std::int64_t errorLine = 0;
};

// Parses text held in an exactly sized heap block, so that a read past its end is
// caught by the address sanitizer.
inline ParseResult ParseXml(const std::string& text)
{
    std::unique_ptr<char[]> bytes(new char[text.size() + (text.empty() ? 1 : 0)]);
    std::copy(text.begin(), text.end(), bytes.get());
    Xml::Library::Buffer<char> buffer;
    buffer.data = bytes.get();
    buffer.size = static_cast<std::uint32_t>(text.size());
    Xml::Library::XmlParser<char> state;
    ParseResult result;
    Xml::Library::ParseDocument(state, buffer);
    result.document = std::move(state.document);
    result.errorCode = state.errorCode;
    result.errorLine = state.errorLine;
    return result;
}

// Writes the visit order as `<name @attr=value #text !comment $cdata`.
class RecordingVisitor : public Xml::Library::XmlVisitor<char> {
public:
    bool VisitElement(Xml::Library::ElementNode<char>& element) override
    {
        log += "<" + element.name + " ";
        return XmlVisitor<char>::VisitElement(element);
    }
    bool VisitAttribute(Xml::Library::AttributeNode<char>& attribute) override
    {
        log += "@" + attribute.name + "=" + attribute.value + " ";
        return attribute.name != stopAtAttribute;
    }
    bool VisitText(Xml::Library::TextNode<char>& text) override
    {
        log += "#" + text.text + " ";
        return true;
    }
    bool VisitComment(Xml::Library::CommentNode<char>& comment) override
    {
        log += "!" + comment.text + " ";
        return true;
    }
    bool VisitCdata(Xml::Library::CdataNode<char>& cdata) override
    {
        log += "$" + cdata.text + " ";
        return true;
    }

    std::string log;
    std::string stopAtAttribute;
};

}  // namespace XmlTestSupport
