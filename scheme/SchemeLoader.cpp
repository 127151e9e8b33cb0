#include "scheme/SchemeLoader.h"

#include "console/Console.h"
#include "console/Messages.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "text/Sha256.h"
#include "text/Utf16.h"
#include "xml/XmlParser.h"
#include "xml/XmlFileBuffer.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace {

std::string SyntaxErrorText(const std::string& resolvedPath, std::int64_t errorLine, int errorCode)
{
    return "An error occurred while parsing XML-scheme! Invalid syntax in XML-file '" +
           Console::ShownName(resolvedPath) + "'" +
           "\n[Line=" + std::to_string(errorLine) + ", " + " Error=\"" + Xml::Library::ErrorMessage(errorCode) +
           "\"]";
}

}  // namespace

SchemeDocument ReadSchemeDocument(const std::string& schemePath)
{
    const std::string resolvedPath = AbsoluteToProgramDirectory(schemePath);
    const Xml::Library::XmlFileBuffer<char> file(resolvedPath);
    if (!file.usable) {
        throw std::runtime_error("Could not load converter's scheme from XML-file \"" + Console::ShownName(schemePath) +
                                 "\".");
    }
    // A scheme saved as "Unicode" is UTF-16 with a mark: the parser reads its text in
    // UTF-8. A zero byte in any other scheme makes it no text at all.
    const std::string_view bytes(file.data, file.size);
    std::string decoded;
    const Utf16::TextForm form = Utf16::DecodeText(bytes, false, ByteForm::SingleBytes, decoded);
    if (!form.IsText()) {
        throw std::runtime_error(
            Messages::Fill(form.form == ByteForm::SingleBytes ? Messages::kNotTextFile : Messages::kNotWellFormedUtf16,
                           {Console::ShownName(resolvedPath), std::to_string(form.badOffset)}));
    }
    const bool utf16 = form.form != ByteForm::SingleBytes;
    Xml::Library::Buffer<char> text;
    text.data = utf16 ? decoded.data() : file.data;
    text.size = utf16 ? static_cast<std::uint32_t>(std::min<std::size_t>(decoded.size(), UINT32_MAX)) : file.size;
    Xml::Library::XmlParser<char> state;
    if (!Xml::Library::ParseDocument(state, text)) {
        throw std::runtime_error(SyntaxErrorText(resolvedPath, state.errorLine, state.errorCode));
    }
    // Every text in the tree is a copy, so the buffers can go before the walk.
    SchemeDocument document;
    document.tree = std::move(state.document);
    document.encoding = utf16 ? DecideUtf16SchemeEncoding(std::string_view(text.data, text.size))
                              : DecideSchemeEncoding(std::string_view(text.data, text.size));
    document.identity.bytesSha256 = Sha256Hex(bytes);
    document.identity.digest = SchemeDigest(*document.tree, document.encoding.encoding);
    document.identity.id = SchemeIdOf(*document.tree, document.encoding.encoding);
    return document;
}

std::vector<FileConversion> BuildConversions(CSchemaParser& parser, SchemeDocument& document)
{
    const TextEncoding own = document.encoding.encoding;
    {
        const Console::TextEncodingScope names(own);
        document.tree->Accept(parser);
    }
    std::vector<FileConversion> conversions;
    conversions.reserve(parser.fileEntries.size());
    for (const SchemeFileEntry& entry : parser.fileEntries) {
        conversions.emplace_back(entry);
        conversions.back().schemeEncoding = own;
        // Where names are Unicode, a Windows-1251 scheme's file names are its characters.
        if (Platform::FileNamesAreUnicode() && own == TextEncoding::Windows1251) {
            for (COptional<std::string>* name : {&conversions.back().inputName, &conversions.back().outputName}) {
                std::string converted;
                if (name->HasValue() && Encoding::Convert(name->Value(), own, TextEncoding::Utf8, converted)) {
                    *name = converted;
                }
            }
        }
    }

    const TextEncoding other = own == TextEncoding::Utf8 ? TextEncoding::Windows1251 : TextEncoding::Utf8;
    const CTranscodedTexts transcoded(*document.tree, own, other);
    CSchemaParser otherParser(parser.sectionNameRegex);
    {
        const Console::MuteScope mute;
        document.tree->Accept(otherParser);
    }
    for (std::size_t index = 0; index < conversions.size() && index < otherParser.fileEntries.size(); ++index) {
        conversions[index].otherEncodingActions = otherParser.fileEntries[index].sectionActions;
        conversions[index].otherEncodingUnencodable = transcoded.UnencodableIn(index);
    }
    return conversions;
}

std::vector<FileConversion> LoadScheme(CSchemaParser& parser, const std::string& schemePath)
{
    SchemeDocument document = ReadSchemeDocument(schemePath);
    return BuildConversions(parser, document);
}
