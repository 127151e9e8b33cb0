#include "scheme/SchemeLoader.h"

#include "platform/Paths.h"
#include "xml/XmlParser.h"
#include "xml/XmlWindowsFileBuffer.h"

#include <cstdint>
#include <stdexcept>

namespace {

std::string SyntaxErrorText(const std::string& resolvedPath, std::int64_t errorLine, int errorCode)
{
    return "An error occurred while parsing XML-scheme! Invalid syntax in XML-file '" + resolvedPath + "'" +
           "\n[Line=" + std::to_string(errorLine) + ", " + " Error=\"" + Xml::Library::ErrorMessage(errorCode) +
           "\"]";
}

}  // namespace

std::unique_ptr<Xml::Library::DocumentNode<char>> ReadSchemeDocument(const std::string& schemePath)
{
    const std::string resolvedPath = AbsoluteToProgramDirectory(schemePath);
    const Xml::Library::XmlWindowsFileBuffer<char> buffer(resolvedPath);
    if (!buffer.usable) {
        throw std::runtime_error("Could not load converter's scheme from XML-file \"" + schemePath + "\".");
    }
    Xml::Library::XmlParser<char> state;
    if (!Xml::Library::ParseDocument(state, buffer)) {
        throw std::runtime_error(SyntaxErrorText(resolvedPath, state.errorLine, state.errorCode));
    }
    // Every text in the tree is a copy, so the buffer can go before the walk.
    return std::move(state.document);
}

std::vector<FileConversion> BuildConversions(CSchemaParser& parser, Xml::Library::DocumentNode<char>& document)
{
    document.Accept(parser);
    std::vector<FileConversion> conversions;
    conversions.reserve(parser.fileEntries.size());
    for (const SchemeFileEntry& entry : parser.fileEntries) conversions.emplace_back(entry);
    return conversions;
}

std::vector<FileConversion> LoadScheme(CSchemaParser& parser, const std::string& schemePath)
{
    std::unique_ptr<Xml::Library::DocumentNode<char>> document = ReadSchemeDocument(schemePath);
    return BuildConversions(parser, *document);
}
