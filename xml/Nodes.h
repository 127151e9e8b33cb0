#pragma once

// The node tree of a parsed XML document. Every node is owned by exactly one list:
// the document owns the whole tree, an element owns its attributes and children.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Xml {
namespace Library {

template <class Char, class String>
class XmlVisitor;

template <class Char, class String = std::basic_string<Char>>
class Node {
public:
    using Visitor = XmlVisitor<Char, String>;
    using NodePtr = std::unique_ptr<Node>;

    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Children go from the last to the first, and without recursion: a subtree is
    // flattened into a work list first, so no depth of tree can exhaust the stack.
    virtual ~Node()
    {
        std::vector<NodePtr> pending = TakeChildren();
        while (!pending.empty()) {
            NodePtr node = std::move(pending.back());
            pending.pop_back();
            std::vector<NodePtr> grandchildren = node->TakeChildren();
            for (NodePtr& child : grandchildren) pending.push_back(std::move(child));
        }
    }

    virtual bool Accept(Visitor& visitor) = 0;

    void AppendChild(NodePtr child)
    {
        child->parent = this;
        children.push_back(std::move(child));
    }

    Node* parent = nullptr;
    std::vector<NodePtr> children;

protected:
    // Hands over the children (and for an element its attributes) for destruction.
    virtual std::vector<NodePtr> TakeChildren() { return std::move(children); }
};

template <class Char, class String = std::basic_string<Char>>
class DocumentNode : public Node<Char, String> {
public:
    bool Accept(XmlVisitor<Char, String>& visitor) override;
};

template <class Char, class String = std::basic_string<Char>>
class AttributeNode : public Node<Char, String> {
public:
    AttributeNode(String nodeName, String nodeValue) : name(std::move(nodeName)), value(std::move(nodeValue)) {}
    bool Accept(XmlVisitor<Char, String>& visitor) override;

    String name;
    String value;
};

template <class Char, class String = std::basic_string<Char>>
class ElementNode : public Node<Char, String> {
public:
    using NodePtr = typename Node<Char, String>::NodePtr;

    explicit ElementNode(String nodeName) : name(std::move(nodeName)) {}
    // Attributes are destroyed first, from the last to the first.
    ~ElementNode() override
    {
        while (!attributes.empty()) attributes.pop_back();
    }
    bool Accept(XmlVisitor<Char, String>& visitor) override;

    void AppendAttribute(std::unique_ptr<AttributeNode<Char, String>> attribute)
    {
        attributes.push_back(std::move(attribute));
    }

    String name;
    std::vector<std::unique_ptr<AttributeNode<Char, String>>> attributes;
    // The line of the element's start tag, counted from 1 (0 for an element built by hand).
    std::int64_t line = 0;
};

template <class Char, class String = std::basic_string<Char>>
class TextNode : public Node<Char, String> {
public:
    explicit TextNode(String content) : text(std::move(content)) {}
    bool Accept(XmlVisitor<Char, String>& visitor) override;

    String text;
};

template <class Char, class String = std::basic_string<Char>>
class CdataNode : public Node<Char, String> {
public:
    explicit CdataNode(String content) : text(std::move(content)) {}
    bool Accept(XmlVisitor<Char, String>& visitor) override;

    String text;
};

template <class Char, class String = std::basic_string<Char>>
class CommentNode : public Node<Char, String> {
public:
    explicit CommentNode(String content) : text(std::move(content)) {}
    bool Accept(XmlVisitor<Char, String>& visitor) override;

    String text;
};

}  // namespace Library
}  // namespace Xml
