#pragma once

// The encoding of a scheme's texts, and those texts put into the other encoding for a
// settings file in it.

#include "text/TextEncoding.h"
#include "xml/Nodes.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct SchemeEncoding {
    TextEncoding encoding = TextEncoding::Windows1251;
    // The declaration's encoding name as written; empty without one.
    std::string declared;
    // The declared name is one of the two encodings.
    bool declaredKnown = false;
    // The declared encoding is the one the scheme's bytes were taken in.
    bool declarationHonoured = false;
    // What the bytes alone tell (ASCII taken as the declared encoding, if known).
    TextEncoding detected = TextEncoding::Windows1251;
};

// The declaration's encoding when the bytes are well-formed in it; otherwise the
// encoding told from the bytes as a settings file's is, ASCII taken as Windows-1251.
SchemeEncoding DecideSchemeEncoding(std::string_view bytes);
// A scheme read from UTF-16: its texts are Unicode, taken as a UTF-8 scheme's, and a
// declaration naming UTF-16 is honoured.
SchemeEncoding DecideUtf16SchemeEncoding(std::string_view utf8);

// While alive, every text attribute of the tree (names, new names, values, factors,
// conditions; file names stay bytes) holds its text in `to`; the tree's own texts come
// back when it goes. The texts of each Convert or File element's record that `to`
// cannot hold are remembered, the first of each record.
class CTranscodedTexts {
public:
    CTranscodedTexts(Xml::Library::DocumentNode<char>& document, TextEncoding from, TextEncoding to);
    ~CTranscodedTexts();
    CTranscodedTexts(const CTranscodedTexts&) = delete;
    CTranscodedTexts& operator=(const CTranscodedTexts&) = delete;

    // The first text of the record (counted in document order) that did not fit; empty
    // when all did.
    std::string UnencodableIn(std::size_t record) const;

private:
    std::vector<std::pair<Xml::Library::AttributeNode<char>*, std::string>> m_originals;
    std::vector<std::string> m_unencodable;
};
