#include "console/Console.h"

#include "console/Messages.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>

#include <fmt/args.h>
#include <fmt/printf.h>

namespace Console {
namespace {

std::string* g_sink = nullptr;
TextEncoding g_output = TextEncoding::Windows1251;
bool g_wideConsole = false;
TextEncoding g_names = TextEncoding::Windows1251;
std::vector<std::string>* g_collected = nullptr;
std::size_t g_warningCount = 0;
bool g_muted = false;
const std::string* g_file = nullptr;  // the file warnings are about

void Write(const std::string& shown)
{
    if (g_sink != nullptr) {
        g_sink->append(shown);
    } else if (!g_wideConsole || !Platform::WriteConsoleUtf8(shown)) {
        std::fwrite(shown.data(), 1, shown.size(), stdout);
    }
}

}  // namespace

FileScope::FileScope(const std::string& path) : m_previous(g_file), m_path(path) { g_file = &m_path; }

FileScope::~FileScope() { g_file = m_previous; }

void DetectOutputEncoding()
{
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value == nullptr ? "" : value);
    };
    const std::string locale[] = {variable("LC_ALL"), variable("LC_MESSAGES"), variable("LANG")};
    Messages::CurrentLanguage() =
        Messages::LanguageFor(variable("VELMARCH_LANG"), locale, 3, Platform::InterfaceLanguageIsRussian());
    const Platform::ConsoleKind kind = Platform::StandardOutputKind();
    g_wideConsole = kind == Platform::ConsoleKind::WideConsole;
    g_output = kind == Platform::ConsoleKind::Windows1251 ? TextEncoding::Windows1251 : TextEncoding::Utf8;
}

TextEncoding OutputEncoding() { return g_output; }

TextEncodingScope::TextEncodingScope(TextEncoding encoding) : m_previous(g_names) { g_names = encoding; }
TextEncodingScope::~TextEncodingScope() { g_names = m_previous; }

MuteScope::MuteScope() : m_previousSink(g_sink), m_previousMuted(g_muted)
{
    g_sink = &m_discarded;
    g_muted = true;
}

MuteScope::~MuteScope()
{
    g_sink = m_previousSink;
    g_muted = m_previousMuted;
}

WarningCollector::WarningCollector(std::vector<std::string>& texts) : m_previous(g_collected) { g_collected = &texts; }
WarningCollector::~WarningCollector() { g_collected = m_previous; }

std::size_t WarningCount() { return g_warningCount; }

void Print(const std::string& text)
{
    const Encoding::Utf8Form form = Encoding::ClassifyUtf8(text);
    if (form == Encoding::Utf8Form::Ascii) {
        Write(text);
        return;
    }
    // A name that did not go through ShownName is shown by the same rule, as the whole
    // line: its other parts are UTF-8 or ASCII.
    Print(form == Encoding::Utf8Form::WellFormed ? text : ShownName(text), TextEncoding::Utf8);
}

void Print(const std::string& text, TextEncoding encoding)
{
    Write(encoding == g_output ? text : Encoding::ForDisplay(text, encoding, g_output));
}

void WarnWith(const char* format, std::initializer_list<std::string_view> names)
{
    std::string text = Encoding::ForDisplay(format, TextEncoding::Windows1251, TextEncoding::Utf8);
    const std::string file = g_file == nullptr ? std::string("the settings file") : "'" + ShownName(*g_file) + "'";
    for (std::size_t at = text.find("%F"); at != std::string::npos; at = text.find("%F", at + 1)) {
        // The formatter reads the file's name as text: a '%' in it stands doubled.
        std::string escaped;
        for (char byte : file) escaped += byte == '%' ? std::string("%%") : std::string(1, byte);
        text.replace(at, 2, escaped);
        at += escaped.size() - 1;
    }
    fmt::dynamic_format_arg_store<fmt::printf_context> arguments;
    for (std::string_view name : names) arguments.push_back(Encoding::ForDisplay(name, g_names, TextEncoding::Utf8));
    const std::string utf8 = fmt::vsprintf(fmt::string_view(text), arguments);
    Print(utf8, TextEncoding::Utf8);
    if (g_muted) return;
    ++g_warningCount;
    if (g_collected != nullptr) g_collected->push_back(utf8.substr(utf8.empty() || utf8[0] != '\n' ? 0 : 1));
}

void Flush() { std::fflush(stdout); }

void CaptureForTesting(std::string* sink) { g_sink = sink; }

void SetOutputEncodingForTesting(TextEncoding encoding) { g_output = encoding; }

std::string ShownName(const std::string& path)
{
    const Encoding::Utf8Form form = Encoding::ClassifyUtf8(path);
    // On the Windows-1251 console a name that is not UTF-8 is its own bytes: taken as
    // Windows-1251 characters here, it is those bytes again when printed.
    const bool cp1251 = form == Encoding::Utf8Form::IllFormed && OutputEncoding() == TextEncoding::Windows1251;
    std::string shown;
    shown.reserve(path.size());
    for (std::size_t index = 0; index < path.size(); ++index) {
        const unsigned char byte = static_cast<unsigned char>(path[index]);
        std::uint32_t codePoint = 0;
        if (byte == 0) {
            shown += "\\0";
        } else if (byte < 0x80) {
            shown.push_back(static_cast<char>(byte));
        } else if (cp1251) {
            shown += Encoding::ForDisplay(path.substr(index, 1), TextEncoding::Windows1251, TextEncoding::Utf8);
        } else if (Encoding::DecodeUtf8(path, index, codePoint) == 0) {
            static const char kDigits[] = "0123456789ABCDEF";
            shown += "\\x";
            shown.push_back(kDigits[byte >> 4]);
            shown.push_back(kDigits[byte & 0x0F]);
        } else {
            const std::size_t length = Encoding::DecodeUtf8(path, index, codePoint);
            shown.append(path, index, length);
            index += length - 1;
        }
    }
    return shown;
}

}  // namespace Console
