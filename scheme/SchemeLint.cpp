#include "scheme/SchemeLint.h"

#include "condition/ConditionParser.h"
#include "xml/XmlValue.h"

#include <algorithm>

namespace {

using Element = Xml::Library::ElementNode<char>;

struct Vocabulary {
    const char* element;
    std::vector<std::string> attributes;
};

const std::vector<Vocabulary>& Elements()
{
    static const std::vector<Vocabulary> elements = {
        {"Convert", {"file", "output_file", "scheme_id"}},
        {"File", {"name", "output_file"}},
        {"Section", {"section_name", "section_to", "copy_to", "case_section", "case_default_section"}},
        {"Setting", {"setting_name", "setting_to", "setting_value", "copy_to", "move_to", "divider", "multiplier",
                     "case_setting", "case_default_setting"}},
    };
    return elements;
}

const Vocabulary* VocabularyOf(const std::string& name)
{
    for (const Vocabulary& entry : Elements()) {
        if (name == entry.element) return &entry;
    }
    return nullptr;
}

std::vector<Element*> ChildElements(Element& element)
{
    std::vector<Element*> children;
    for (auto& child : element.children) {
        if (auto* childElement = dynamic_cast<Element*>(child.get())) children.push_back(childElement);
    }
    return children;
}

bool HoldsElementNamed(Element& element, const char* name, bool anyRecognised)
{
    for (Element* child : ChildElements(element)) {
        if ((anyRecognised ? VocabularyOf(child->name) != nullptr : child->name == name) ||
            HoldsElementNamed(*child, name, anyRecognised)) {
            return true;
        }
    }
    return false;
}

// For choosing an action an empty value counts as absent.
std::string Below(Element& element, const std::string& name) { return TS::ValueBelow(element, name).value; }

std::string Quoted(const std::string& name) { return "'" + name + "'"; }

class CLint {
public:
    std::vector<LintFinding> findings;

    void Walk(Element& element)
    {
        const Vocabulary* vocabulary = VocabularyOf(element.name);
        if (vocabulary == nullptr && !HoldsElementNamed(element, nullptr, true)) {
            ReportIgnored(element, "unknown element " + Quoted(element.name) + " is ignored, and everything in it");
            return;
        }
        if (vocabulary != nullptr) CheckAttributes(element, *vocabulary);
        if (element.name == "File" && TS::OwnValue(element, "name").value.find_first_not_of(' ') == std::string::npos) {
            Report(element, "'File' element without a 'name' names no file: the scheme does not load", true);
        }
        if (element.name == "Section") CheckSection(element);
        // A Setting that only a non-container Section holds was reported with that Section.
        if (element.name == "Setting" && m_containers > 0) {
            CheckSetting(element);
        } else if (element.name == "Setting" && m_sections == 0) {
            ReportIgnored(element, "'Setting' element outside a 'Section' is ignored");
        }
        const bool section = element.name == "Section";
        const bool container = section && IsContainer(element);
        const bool guarded = section && !Below(element, "case_section").empty();
        m_sections += section ? 1 : 0;
        m_containers += container ? 1 : 0;
        m_guardedSections += guarded ? 1 : 0;
        for (Element* child : ChildElements(element)) Walk(*child);
        m_sections -= section ? 1 : 0;
        m_containers -= container ? 1 : 0;
        m_guardedSections -= guarded ? 1 : 0;
    }

private:
    void Report(const Element& element, const std::string& text, bool stopsLoading = false)
    {
        findings.push_back({element.line, text, stopsLoading});
    }

    // Something the scheme says that a run ignores without a word.
    void ReportIgnored(const Element& element, const std::string& text)
    {
        findings.push_back({element.line, text, false, true});
    }

    // Every condition is parsed; each that does not parse is a finding of its own.
    void CheckCondition(Element& element, const char* attribute)
    {
        const std::string text = Below(element, attribute);
        if (text.empty()) return;
        try {
            ParseConditions(text);
        } catch (const std::exception& error) {
            Report(element, Quoted(attribute) + " does not parse: " + error.what(), true);
        }
    }

    // A new name that reads like an action renames to that word.
    void CheckActionWord(Element& element, const char* attribute, const char* kind)
    {
        static const char* const kWords[] = {"add", "new", "create", "delete", "remove", "del", "rename", "copy"};
        const std::string value = Below(element, attribute);
        std::string lowered;
        for (char byte : value) lowered.push_back(byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte);
        for (const char* word : kWords) {
            if (lowered != word) continue;
            Report(element, Quoted(attribute) + " is " + Quoted(value) + ": the " + kind + " is renamed to " +
                                Quoted(value) + "; " + Quoted(attribute) + "=\"+\" adds a " + kind + " and " +
                                Quoted(attribute) + "=\"-\" removes one");
            return;
        }
    }

    // '.' in a template's fixed part matches any character: 'Plugin.*' also selects
    // 'Plugins'. A backslash keeps its meaning in templates.
    void CheckTemplateDot(Element& element, const std::string& name)
    {
        if (name.find('*') == std::string::npos) return;
        std::string escaped;
        bool dot = false;
        for (std::size_t index = 0; index < name.size(); ++index) {
            if (name[index] == '\\' && index + 1 < name.size()) {
                escaped += name.substr(index++, 2);
            } else if (name[index] == '.') {
                escaped += "\\.";
                dot = true;
            } else {
                escaped.push_back(name[index]);
            }
        }
        if (!dot) return;
        Report(element, "in the template " + Quoted(name) + " a '.' stands for any character, so it also selects "
                            "names with another character there; write " + Quoted(escaped) + " for a dot");
    }

    void CheckAttributes(Element& element, const Vocabulary& vocabulary)
    {
        for (const auto& attribute : element.attributes) {
            const auto& known = vocabulary.attributes;
            if (std::find(known.begin(), known.end(), attribute->name) == known.end()) {
                ReportIgnored(element, "unknown attribute " + Quoted(attribute->name) + " of the " + Quoted(element.name) +
                                    " element is ignored");
            }
        }
    }

    // A condition's default text does nothing without the condition.
    void CheckDefault(Element& element, const std::string& condition, const std::string& defaultText)
    {
        if (Below(element, condition).empty() && !Below(element, defaultText).empty()) {
            ReportIgnored(element, Quoted(defaultText) + " without " + Quoted(condition) + " is ignored");
        }
    }

    static bool IsContainer(Element& element)
    {
        return !Below(element, "section_name").empty() && Below(element, "section_to").empty() &&
               TS::OwnValue(element, "copy_to").value.empty();
    }

    void CheckSection(Element& element)
    {
        if (Below(element, "section_name").empty()) {
            ReportIgnored(element, "'Section' element without a 'section_name' is ignored");
            return;
        }
        const std::string sectionTo = Below(element, "section_to");
        const std::string copyTo = TS::OwnValue(element, "copy_to").value;
        if (!sectionTo.empty() && !copyTo.empty()) ReportIgnored(element, "'copy_to' is overruled by 'section_to' and ignored");
        const std::string chosen = !sectionTo.empty() ? "section_to" : (!copyTo.empty() ? "copy_to" : "");
        if (!chosen.empty() && HoldsElementNamed(element, "Setting", false)) {
            ReportIgnored(element, "the 'Setting' elements in a 'Section' with " + Quoted(chosen) + " are ignored");
        }
        CheckDefault(element, "case_section", "case_default_section");
        CheckCondition(element, "case_section");
        CheckActionWord(element, "section_to", "section");
        CheckTemplate(element, Below(element, "section_name"));
        CheckTemplateDot(element, Below(element, "section_name"));
    }

    // A '*' admits only Latin letters, digits, '_', '.' and '-': a fixed part in other
    // letters never continues into them.
    void CheckTemplate(Element& element, const std::string& name)
    {
        if (name.find('*') == std::string::npos) return;
        const bool beyondAscii = std::any_of(name.begin(), name.end(), [](char byte) {
            return static_cast<unsigned char>(byte) >= 0x80;
        });
        if (!beyondAscii) return;
        Report(element, "the template " + Quoted(name) +
                            " holds letters beyond ASCII, but its '*' stands only for Latin letters, digits, '_', "
                            "'.' and '-': it never selects a name that goes on in other letters");
    }

    void CheckSetting(Element& element)
    {
        const std::string name = Below(element, "setting_name");
        if (name.empty()) {
            ReportIgnored(element, "'Setting' element without a 'setting_name' is ignored");
            return;
        }
        static const char* const kRows[] = {"setting_to", "setting_value", "copy_to", "move_to", "divider", "multiplier"};
        const bool adds = Below(element, "setting_to") == "+";
        std::string chosen;
        for (const char* attribute : kRows) {
            if (Below(element, attribute).empty()) continue;
            if (chosen.empty()) {
                chosen = attribute;
            } else if (!(adds && std::string(attribute) == "setting_value")) {
                ReportIgnored(element, Quoted(attribute) + " is overruled by " + Quoted(chosen) + " and ignored");
            }
        }
        const bool rescales = chosen == "divider" || chosen == "multiplier";
        if (rescales && m_guardedSections == 0 && Below(element, "case_setting").empty()) {
            Report(element, Quoted(chosen) + " of " + Quoted(name) +
                                ": the value is rescaled again on every run of this scheme: guard the step with a "
                                "condition or rely on the run record");
        }
        if (chosen.empty()) {
            ReportIgnored(element, "'Setting' element " + Quoted(name) +
                                " names no action ('setting_to', 'setting_value', 'copy_to', 'move_to', 'divider' or "
                                "'multiplier') and is ignored");
        }
        CheckDefault(element, "case_setting", "case_default_setting");
        CheckCondition(element, "case_setting");
        CheckActionWord(element, "setting_to", "setting");
        CheckTemplate(element, name);
        CheckTemplateDot(element, name);
    }

    int m_sections = 0;
    int m_containers = 0;
    int m_guardedSections = 0;
};

}  // namespace

std::vector<LintFinding> LintScheme(Xml::Library::DocumentNode<char>& document, const SchemeEncoding& encoding)
{
    CLint lint;
    const std::string readAs = std::string("; the scheme is read as ") + Encoding::Name(encoding.encoding);
    if (!encoding.declared.empty() && !encoding.declaredKnown) {
        lint.findings.push_back({1, "the declared encoding " + Quoted(encoding.declared) +
                                        " is neither UTF-8 nor Windows-1251" + readAs});
    } else if (encoding.declaredKnown && (!encoding.declarationHonoured || encoding.detected != encoding.encoding)) {
        lint.findings.push_back({1, "the declared encoding " + Quoted(encoding.declared) +
                                        " disagrees with the scheme's bytes, which read as " +
                                        Encoding::Name(encoding.detected) + readAs});
    }
    for (auto& child : document.children) {
        if (auto* element = dynamic_cast<Element*>(child.get())) lint.Walk(*element);
    }
    // The findings quote the scheme's texts: in UTF-8, as every message.
    for (LintFinding& finding : lint.findings) {
        finding.text = Encoding::ForDisplay(finding.text, encoding.encoding, TextEncoding::Utf8);
    }
    return lint.findings;
}
