#include "run/CommandLine.h"

#include <list>
#include <stdexcept>

namespace {

std::runtime_error DefinedTwice(const std::string& option)
{
    return std::runtime_error("'" + option + "' option defined twice");
}

std::runtime_error InvalidValue(const std::string& option)
{
    return std::runtime_error("'" + option + "' option invalid value");
}

using ItemList = std::list<std::string>;

void TakeFlag(ItemList& items, ItemList::iterator& item, COptional<bool>& field)
{
    if (field.HasValue()) throw DefinedTwice(*item);
    field = true;
    item = items.erase(item);
}

// Value := Option NextItem, where NextItem is not empty and does not begin with '-'.
void TakeValue(ItemList& items, ItemList::iterator& item, COptional<std::string>& field)
{
    const std::string option = *item;
    if (field.HasValue()) throw DefinedTwice(option);
    auto value = std::next(item);
    if (value == items.end()) throw InvalidValue(option);
    if (value->empty() || (*value)[0] == '-') throw InvalidValue(option);
    field = *value;
    items.erase(value);
    item = items.erase(item);
}

// "utf-8", "utf8", "windows-1251", "cp1251", "1251", "utf-16le" or "utf-16be", letter
// case free.
void TakeEncoding(ItemList& items, ItemList::iterator& item, COptional<ForcedEncoding>& field)
{
    const std::string option = *item;
    if (field.HasValue()) throw DefinedTwice(option);
    COptional<std::string> name;
    TakeValue(items, item, name);
    ForcedEncoding forced;
    // An order must be named: plain "utf-16" leaves nothing to force.
    if (Utf16::ParseName(name.Value(), forced.utf16)) {
        if (forced.utf16 == ByteForm::SingleBytes) throw InvalidValue(option);
    } else if (name.Value() == "1251") {
        forced.text = TextEncoding::Windows1251;
    } else if (!Encoding::ParseName(name.Value(), forced.text)) {
        throw InvalidValue(option);
    }
    field = forced;
}

}  // namespace

bool IsOn(const COptional<bool>& flag) { return flag.HasValue() && flag.Value(); }

CCommandLineOptions ParseCommandLine(int argumentCount, const char* const* arguments)
{
    ItemList items;
    for (int index = 1; index < argumentCount; ++index) items.emplace_back(arguments[index]);

    CCommandLineOptions options;
    auto item = items.begin();
    while (item != items.end()) {
        const std::string& text = *item;
        if (text.empty() || text[0] != '-') {
            if (options.schemeFile.HasValue()) throw std::runtime_error("XML scheme file defined twice");
            options.schemeFile = text;
            item = items.erase(item);
        } else if (text == "-nobackup") {
            TakeFlag(items, item, options.noBackup);
        } else if (text == "-f") {
            TakeValue(items, item, options.inputFile);
        } else if (text == "-o") {
            TakeValue(items, item, options.outputFile);
        } else if (text == "-fdir") {
            TakeValue(items, item, options.fileDirectory);
        } else if (text == "-sectionnameregex") {
            TakeFlag(items, item, options.sectionNameRegex);
        } else if (text == "-encoding") {
            TakeEncoding(items, item, options.encoding);
        } else if (text == "-force") {
            TakeFlag(items, item, options.force);
        } else if (text == "-restore") {
            TakeValue(items, item, options.restoreFolder);
        } else if (text == "-report") {
            TakeValue(items, item, options.reportFile);
        } else if (text == "-strict") {
            TakeFlag(items, item, options.strict);
        } else if (text == "-skipmissing") {
            TakeFlag(items, item, options.skipMissing);
        } else if (text == "-dryrun") {
            TakeFlag(items, item, options.dryRun);
        } else if (text == "-check") {
            TakeFlag(items, item, options.check);
        } else if (text == "-help" || text == "-h" || text == "--help" || text == "-?") {
            if (argumentCount != 2) throw std::runtime_error("'" + text + "' option must be given alone");
            TakeFlag(items, item, options.help);
        } else if (text == "-version" || text == "--version") {
            if (argumentCount != 2) throw std::runtime_error("'" + text + "' option must be given alone");
            TakeFlag(items, item, options.version);
        } else {
            throw std::runtime_error("unrecognized option '" + text + "'");
        }
    }
    if (IsOn(options.dryRun) && IsOn(options.check)) {
        throw std::runtime_error("'-dryrun' and '-check' options exclude each other");
    }
    if (options.restoreFolder.HasValue()) {
        const bool conversionOption = options.schemeFile.HasValue() || options.inputFile.HasValue() ||
                                      options.outputFile.HasValue() || options.noBackup.HasValue() ||
                                      options.fileDirectory.HasValue() || options.sectionNameRegex.HasValue() ||
                                      options.encoding.HasValue() || options.check.HasValue() ||
                                      options.strict.HasValue() || options.skipMissing.HasValue();
        if (conversionOption) {
            throw std::runtime_error("'-restore' undoes a recorded run: it takes only '-force', '-report' and '-dryrun'");
        }
    }
    return options;
}
