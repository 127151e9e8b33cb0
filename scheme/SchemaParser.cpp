#include "scheme/SchemaParser.h"

#include "actions/SectionActions.h"
#include "actions/SectionContAction.h"
#include "condition/ConditionParser.h"
#include "xml/XmlValue.h"

#include <memory>
#include <stdexcept>

namespace {

using Element = Xml::Library::ElementNode<char>;

std::string TrimSpaces(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A file-level attribute: the first of the element's own, trimmed of spaces only;
// present but empty after trimming is an error.
COptional<std::string> FileAttribute(const Element& element, const std::string& name, const std::string& elementName)
{
    for (const auto& attribute : element.attributes) {
        if (attribute->name != name) continue;
        const std::string value = TrimSpaces(attribute->value);
        if (value.empty()) throw std::runtime_error("empty '" + name + "' attribute in '" + elementName + "' element");
        return value;
    }
    return COptional<std::string>();
}

struct SectionAttributes {
    explicit SectionAttributes(Element& section)
        : name(TS::ValueBelow(section, "section_name").value),
          to(TS::ValueBelow(section, "section_to").value),
          caseText(TS::ValueBelow(section, "case_section").value),
          caseDefault(TS::ValueBelow(section, "case_default_section").value),
          // A copy_to on a Setting below must not turn the section into a copy.
          copyTo(TS::OwnValue(section, "copy_to").value)
    {
    }

    std::string name, to, caseText, caseDefault, copyTo;
};

// The first row that applies decides; attributes of later rows are ignored.
std::shared_ptr<CSectionAction> BuildSectionAction(Element& section, const SectionAttributes& attributes,
                                                   bool sectionNameRegex)
{
    if (attributes.to == "-") return std::make_shared<CSectionRemoveAction>(attributes.name, sectionNameRegex);
    if (attributes.to == "+") return std::make_shared<CSectionAddAction>(attributes.name, sectionNameRegex);
    if (!attributes.to.empty()) {
        return std::make_shared<CSectionRenameAction>(attributes.to, attributes.name, sectionNameRegex);
    }
    if (!attributes.copyTo.empty()) {
        return std::make_shared<CSectionCopyAction>(attributes.copyTo, attributes.name, sectionNameRegex);
    }
    // A container builds its setting actions before its own conditions are attached.
    auto container = std::make_shared<CSectionContAction>(attributes.name, sectionNameRegex);
    container->VisitElement(section);
    return container;
}

}  // namespace

bool CSchemaParser::VisitElement(Element& element)
{
    if (element.name == "Convert") {
        ReadConvert(element);
    } else if (element.name == "File") {
        ReadFile(element);
    } else if (element.name == "Section") {
        ReadSection(element);
    }
    return XmlVisitor<char>::VisitElement(element);
}

void CSchemaParser::ReadConvert(Element& element)
{
    fileEntries.emplace_back();
    SchemeFileEntry& entry = fileEntries.back();
    entry.line = element.line;
    entry.inputName = FileAttribute(element, "file", "Convert");
    entry.outputName = FileAttribute(element, "output_file", "Convert");
}

void CSchemaParser::ReadFile(Element& element)
{
    fileEntries.emplace_back();
    SchemeFileEntry& entry = fileEntries.back();
    entry.line = element.line;
    entry.inputName = FileAttribute(element, "name", "File");
    if (!entry.inputName.HasValue()) throw std::runtime_error("'name' attribute not found in 'File' element");
    entry.outputName = FileAttribute(element, "output_file", "File");
}

void CSchemaParser::ReadSection(Element& element)
{
    if (fileEntries.empty()) {
        throw std::runtime_error("'Section' element found outside of 'Convert' or 'File' element");
    }
    const SectionAttributes attributes(element);
    if (attributes.name.empty()) return;
    std::shared_ptr<CSectionAction> action = BuildSectionAction(element, attributes, sectionNameRegex);
    AttachConditions(attributes.caseText, attributes.caseDefault, action->conditions);
    fileEntries.back().sectionActions.Add(std::move(action));
}
