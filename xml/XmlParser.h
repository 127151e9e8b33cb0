#pragma once

// A small recursive-descent parser with backtracking for the XML subset the scheme
// files use: an optional leading declaration, comments, one root element, attributes
// in either quote style, text, CDATA. No entities, no DTD, no byte-order mark. The
// parser never throws for bad input: it fails and leaves an error code and a line in
// its state.

#include "text/LetterCase.h"
#include "xml/Buffer.h"
#include "xml/XmlVisitor.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Xml {
namespace Library {

enum ErrorCode {
    kWrongMagicPrefix = 1,
    kStringPatternIncorrect = 2,
    kNeedCommentStart = 3,
    kNeedCommentEnd = 4,
    kRestOfFileNotEmpty = 5,
    kNeedNodeStart = 6,
    kNeedAttributeStart = 7,
    kNeedNodeEnd = 8,
    kNeedAttributeStartAgain = 9,
    kStartEndTagDifferent = 10,
    kNeedDataStart = 11,
    kNeedDataEnd = 12,
    kNestedTooDeep = 13,
};

// Each level of elements costs a few stack frames; a hostile file can nest a million
// deep. 256 levels stay far inside a 1 MiB stack and far beyond any real scheme.
constexpr int kMaxElementDepth = 256;

inline const char* ErrorMessage(int code)
{
    switch (code) {
    case kWrongMagicPrefix: return "Wrong magic xml-prefix";
    case kStringPatternIncorrect: return "String pattern incorrect";
    case kNeedCommentStart: return "Need comment start tag";
    case kNeedCommentEnd: return "Need comment end tag";
    case kRestOfFileNotEmpty: return "Rest of file not empty";
    case kNeedNodeStart: return "Need node start tag";
    case kNeedAttributeStart: return "Need attribute start tag";
    case kNeedNodeEnd: return "Need node end tag";
    case kNeedAttributeStartAgain: return "Need attribute start tag";
    case kStartEndTagDifferent: return "Start and end node tag is different";
    case kNeedDataStart: return "Need data start tag";
    case kNeedDataEnd: return "Need data end tag";
    case kNestedTooDeep: return "Elements nested too deep";
    default: return "Unexpected error";
    }
}

// Line and column are 64-bit: a buffer may hold more than 2^31 line breaks.
struct Cursor {
    std::size_t position = 0;
    std::int64_t line = 1;
    std::int64_t column = 1;
    std::int64_t previousLineLength = 0;
};

template <class Char, class String = std::basic_string<Char>>
struct XmlParser {
    std::int64_t errorLine = -1;
    Cursor cursor;
    const Buffer<Char>* buffer = nullptr;
    int errorCode = 0;
    std::unique_ptr<DocumentNode<Char, String>> document;
};

namespace Detail {

template <class Char, class String>
class ParseRun {
public:
    using Element = ElementNode<Char, String>;
    using NodePtr = std::unique_ptr<Node<Char, String>>;

    ParseRun(XmlParser<Char, String>& state, const Buffer<Char>& buffer) : m_state(state), m_buffer(buffer) {}

    // Document := [Declaration] Misc* Element Misc* End
    std::unique_ptr<DocumentNode<Char, String>> Document()
    {
        m_state.errorCode = kWrongMagicPrefix;
        auto document = std::make_unique<DocumentNode<Char, String>>();
        const Cursor start = m_state.cursor;
        if (!(Match("<?xml") && ScanUntil("?>", nullptr))) m_state.cursor = start;
        Misc(*document);
        NodePtr root = EmptyElement();
        if (!root && !m_aborted) root = FullElement();
        if (!root) return nullptr;
        document->AppendChild(std::move(root));
        Misc(*document);
        if (m_state.cursor.position != m_buffer.size) {
            m_state.errorCode = kRestOfFileNotEmpty;
            return nullptr;
        }
        return document;
    }

private:
    bool AtEnd() const { return m_state.cursor.position >= m_buffer.size; }
    Char Peek() const { return m_buffer.data[m_state.cursor.position]; }

    void Advance()
    {
        Cursor& cursor = m_state.cursor;
        if (m_buffer.data[cursor.position] == Char('\n')) {
            cursor.previousLineLength = cursor.column;
            ++cursor.line;
            cursor.column = 1;
        } else {
            ++cursor.column;
        }
        ++cursor.position;
    }

    void StepBack()
    {
        Cursor& cursor = m_state.cursor;
        if (cursor.position == 0) return;
        if (cursor.column == 1) {
            cursor.column = cursor.previousLineLength;
            --cursor.line;
        } else {
            --cursor.column;
        }
        --cursor.position;
    }

    bool LiteralAt(std::size_t position, const char* literal, std::size_t length) const
    {
        if (length > m_buffer.size || position > m_buffer.size - length) return false;
        for (std::size_t index = 0; index < length; ++index) {
            if (m_buffer.data[position + index] != Char(literal[index])) return false;
        }
        return true;
    }

    bool Match(const char* literal)
    {
        m_state.errorCode = kStringPatternIncorrect;
        const std::size_t length = std::char_traits<char>::length(literal);
        if (!LiteralAt(m_state.cursor.position, literal, length)) return false;
        for (std::size_t index = 0; index < length; ++index) Advance();
        return true;
    }

    // Collects every byte up to the terminator and steps over it; on failure the
    // cursor stays where it was.
    bool ScanUntil(const char* terminator, String* collected)
    {
        m_state.errorCode = kStringPatternIncorrect;
        if (collected != nullptr) collected->clear();
        const std::size_t length = std::char_traits<char>::length(terminator);
        std::size_t found = m_state.cursor.position;
        while (!LiteralAt(found, terminator, length)) {
            if (found >= m_buffer.size) return false;
            ++found;
        }
        if (collected != nullptr) {
            collected->assign(m_buffer.data + m_state.cursor.position, m_buffer.data + found);
        }
        while (m_state.cursor.position < found + length) Advance();
        return true;
    }

    static bool IsBlank(Char byte)
    {
        return byte == Char(' ') || byte == Char('\t') || byte == Char('\r') || byte == Char('\n');
    }

    bool Blanks(NodePtr* node)
    {
        const std::size_t start = m_state.cursor.position;
        while (!AtEnd() && IsBlank(Peek())) Advance();
        if (m_state.cursor.position == start) return false;
        if (node != nullptr) {
            *node = std::make_unique<TextNode<Char, String>>(
                String(m_buffer.data + start, m_buffer.data + m_state.cursor.position));
        }
        return true;
    }

    static bool IsLetter(Char byte)
    {
        const auto value = static_cast<unsigned long>(static_cast<std::make_unsigned_t<Char>>(byte));
        if ((value >= 'a' && value <= 'z') || (value >= 'A' && value <= 'Z')) return true;
        return value >= 0x80 && value <= 0xFF && LetterCase::IsCasedLetter(static_cast<unsigned char>(value));
    }
    static bool IsNameStart(Char byte) { return IsLetter(byte) || byte == Char('_') || byte == Char(':'); }
    static bool IsNameByte(Char byte)
    {
        return IsNameStart(byte) || (byte >= Char('0') && byte <= Char('9')) || byte == Char('-') ||
               byte == Char('.');
    }

    bool Name(String& name)
    {
        if (AtEnd() || !IsNameStart(Peek())) return false;
        const std::size_t start = m_state.cursor.position;
        while (!AtEnd() && IsNameByte(Peek())) Advance();
        name.assign(m_buffer.data + start, m_buffer.data + m_state.cursor.position);
        return true;
    }

    // Misc := (Comment | Blanks)*
    void Misc(Node<Char, String>& parent)
    {
        for (;;) {
            NodePtr node = Comment();
            if (!node && !Blanks(&node)) return;
            parent.AppendChild(std::move(node));
        }
    }

    // Comment := '<!--' Text '-->'
    NodePtr Comment() { return Delimited<CommentNode<Char, String>>("<!--", "-->", kNeedCommentStart, kNeedCommentEnd); }

    // Cdata := '<![CDATA[' Text ']]>'
    NodePtr Cdata() { return Delimited<CdataNode<Char, String>>("<![CDATA[", "]]>", kNeedDataStart, kNeedDataEnd); }

    template <class TextKind>
    NodePtr Delimited(const char* opening, const char* closing, int missingOpening, int missingClosing)
    {
        const Cursor start = m_state.cursor;
        if (!Match(opening)) {
            m_state.cursor = start;
            m_state.errorCode = missingOpening;
            return nullptr;
        }
        String text;
        if (!ScanUntil(closing, &text)) {
            m_state.cursor = start;
            m_state.errorCode = missingClosing;
            return nullptr;
        }
        return std::make_unique<TextKind>(std::move(text));
    }

    // Attribute := Blanks Name Blanks? '=' Blanks? ('"' Text '"' | "'" Text "'")
    std::unique_ptr<AttributeNode<Char, String>> Attribute()
    {
        const Cursor start = m_state.cursor;
        String name;
        String value;
        bool parsed = Blanks(nullptr) && Name(name);
        if (parsed) {
            Blanks(nullptr);
            parsed = Match("=");
            Blanks(nullptr);
        }
        if (parsed) {
            if (Match("\"")) parsed = ScanUntil("\"", &value);
            else parsed = Match("'") && ScanUntil("'", &value);
        }
        if (!parsed) {
            m_state.cursor = start;
            return nullptr;
        }
        return std::make_unique<AttributeNode<Char, String>>(std::move(name), std::move(value));
    }

    void Attributes(Element& element)
    {
        while (auto attribute = Attribute()) element.AppendAttribute(std::move(attribute));
    }

    // EmptyElement := '<' Name Attribute* Blanks? '/>'
    NodePtr EmptyElement()
    {
        const Cursor start = m_state.cursor;
        if (!Match("<")) return Fail(start, kNeedNodeStart);
        String name;
        if (!Name(name)) return Fail(start, kNeedAttributeStart);
        auto element = std::make_unique<Element>(std::move(name));
        element->line = start.line;
        Attributes(*element);
        Blanks(nullptr);
        if (!Match("/>")) {
            m_state.cursor = start;
            return nullptr;
        }
        return element;
    }

    // FullElement := '<' Name Attribute* Blanks? '>' Content '</' Name Blanks? '>'
    NodePtr FullElement()
    {
        const Cursor start = m_state.cursor;
        if (!Match("<")) return Fail(start, kNeedNodeStart);
        String name;
        if (!Name(name)) {
            m_state.errorLine = m_state.cursor.line;
            return Fail(start, kNeedAttributeStart);
        }
        auto element = std::make_unique<Element>(std::move(name));
        element->line = start.line;
        Attributes(*element);
        Blanks(nullptr);
        if (!Match(">")) {
            m_state.errorLine = m_state.cursor.line;
            m_state.cursor = start;
            return nullptr;
        }
        if (m_depth >= kMaxElementDepth) {
            m_state.errorLine = m_state.cursor.line;
            m_aborted = true;
            return Fail(start, kNestedTooDeep);
        }
        ++m_depth;
        Content(*element);
        --m_depth;
        if (m_aborted) return Fail(start, kNestedTooDeep);
        return EndTag(start, std::move(element));
    }

    // Content := (EmptyElement | FullElement | Comment | Cdata | Text)*
    void Content(Element& element)
    {
        for (;;) {
            NodePtr child = EmptyElement();
            if (!child && !m_aborted) child = FullElement();
            if (m_aborted) return;
            if (!child) child = Comment();
            if (!child) child = Cdata();
            if (!child) child = Text();
            if (!child) return;
            element.AppendChild(std::move(child));
        }
    }

    // Text := every byte up to the next '<'
    NodePtr Text()
    {
        const Cursor start = m_state.cursor;
        String text;
        if (!ScanUntil("<", &text) || text.empty()) {
            m_state.cursor = start;
            return nullptr;
        }
        StepBack();
        return std::make_unique<TextNode<Char, String>>(std::move(text));
    }

    NodePtr EndTag(const Cursor& start, std::unique_ptr<Element> element)
    {
        const bool opened = Match("</");
        if (!opened) m_state.errorLine = m_state.cursor.line;
        String name;
        if (!opened || !Name(name) || name != element->name) return Fail(start, kStartEndTagDifferent);
        Blanks(nullptr);
        if (!Match(">")) return Fail(start, kNeedNodeEnd);
        return element;
    }

    std::nullptr_t Fail(const Cursor& start, int code)
    {
        m_state.cursor = start;
        m_state.errorCode = m_aborted ? kNestedTooDeep : code;
        return nullptr;
    }

    XmlParser<Char, String>& m_state;
    const Buffer<Char>& m_buffer;
    int m_depth = 0;
    // Set when the nesting limit is hit: every construct then fails at once.
    bool m_aborted = false;
};

}  // namespace Detail

// Parses the whole buffer. On success the state's document holds the tree; on
// failure it holds nothing and the state keeps the error code and line.
template <class Char, class String>
bool ParseDocument(XmlParser<Char, String>& state, const Buffer<Char>& buffer)
{
    state.buffer = &buffer;
    state.document = Detail::ParseRun<Char, String>(state, buffer).Document();
    return state.document != nullptr;
}

}  // namespace Library
}  // namespace Xml
