#pragma once

// Walks a scheme document and collects one entry per Convert or File element, with the
// section actions of the Section elements that follow each.

#include "scheme/FileConversion.h"
#include "xml/XmlVisitor.h"

#include <vector>

class CSchemaParser : public Xml::Library::XmlVisitor<char> {
public:
    explicit CSchemaParser(bool regexMode = false) : sectionNameRegex(regexMode) {}

    bool VisitElement(Xml::Library::ElementNode<char>& element) override;

    std::vector<SchemeFileEntry> fileEntries;
    bool sectionNameRegex = false;

private:
    void ReadConvert(Xml::Library::ElementNode<char>& element);
    void ReadFile(Xml::Library::ElementNode<char>& element);
    void ReadSection(Xml::Library::ElementNode<char>& element);
};
