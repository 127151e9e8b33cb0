// Speed of the parts whose cost grows with the input: the INI reader and writer on a
// 50 MB file, the XML parser on a 10 MB scheme, regular expressions on long names and
// an action with a template over 100,000 sections.

#include "actions/SectionActions.h"
#include "actions/SectionContAction.h"
#include "actions/SettingActions.h"
#include "match/SafeRegex.h"
#include "ini/IniFileImage.h"
#include "xml/XmlParser.h"

#include "../unit/TestSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// About 50 MB in 1.5 million lines: sections of 30 settings, a comment now and then.
const std::string& LargeIniPath()
{
    static const std::string path = [] {
        const std::string file = (std::filesystem::temp_directory_path() / "velmarch-bench-50mb.ini").string();
        std::ofstream out(file, std::ios::binary);
        for (int section = 0; section < 48000; ++section) {
            out << "; section " << section << "\n[Section_" << section << "]\n";
            for (int key = 0; key < 30; ++key) {
                out << "Key_" << key << "=value " << section * 31 + key << " some text\n";
            }
        }
        return file;
    }();
    return path;
}

void IniLoad(benchmark::State& state)
{
    const std::string& path = LargeIniPath();
    for (auto _ : state) {
        CIniFileImage image;
        image.Load(path);
        benchmark::DoNotOptimize(image.Sections().size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(IniLoad)->Unit(benchmark::kMillisecond);

void IniSave(benchmark::State& state)
{
    CIniFileImage image;
    image.Load(LargeIniPath());
    const std::string out = LargeIniPath() + ".out";
    for (auto _ : state) TestSupport::SaveImage(image, out);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(out)));
    std::filesystem::remove(out);
}
BENCHMARK(IniSave)->Unit(benchmark::kMillisecond);

// One line of the given megabytes: reading stays linear in the line's length (compare
// the time per byte of 25 MB and 100 MB).
void IniLoadOneLongLine(benchmark::State& state)
{
    const std::string path = (std::filesystem::temp_directory_path() / "velmarch-bench-long-line.ini").string();
    const std::size_t bytes = static_cast<std::size_t>(state.range(0)) << 20;
    {
        std::ofstream out(path, std::ios::binary);
        out << "[A]\nk=" << std::string(bytes, 'v') << "\n[B]\n";
    }
    for (auto _ : state) {
        CIniFileImage image;
        image.Load(path);
        benchmark::DoNotOptimize(image.FindSection("B"));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
    std::filesystem::remove(path);
}
BENCHMARK(IniLoadOneLongLine)->Arg(25)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

// The actions of an upgrade on the 50 MB image: a rename, a template removal, a copy,
// then setting actions in every section a template selects.
void UpgradeActions(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        CIniFileImage image;
        image.Load(LargeIniPath());
        state.ResumeTiming();
        CSectionRenameAction("First", "Section_0", false).Execute(image);
        CSectionRemoveAction("Section_1*", false).Execute(image);
        CSectionCopyAction("Copy", "Section_2", false).Execute(image);
        CSectionContAction container("section_4*", false);
        container.settingActions.push_back(std::make_unique<CSettingMultiplyAction>(container, "Key_3", "2"));
        container.settingActions.push_back(std::make_unique<CSettingRenameAction>(container, "Key_4", "Renamed"));
        container.settingActions.push_back(std::make_unique<CSettingRemoveAction>(container, "Key_5"));
        container.Execute(image);
        benchmark::DoNotOptimize(image.FindSection("Copy"));
    }
}
BENCHMARK(UpgradeActions)->Unit(benchmark::kMillisecond);

void XmlParseFlat10MB(benchmark::State& state)
{
    std::string text = "<Convert file=\"a.ini\">\n";
    while (text.size() < 10 * 1024 * 1024) {
        text += "  <Section section_name=\"Name\" section_to=\"-\"><!-- note --></Section>\n";
    }
    text += "</Convert>\n";
    Xml::Library::Buffer<char> buffer;
    buffer.data = text.data();
    buffer.size = static_cast<std::uint32_t>(text.size());
    for (auto _ : state) {
        Xml::Library::XmlParser<char> parser;
        if (!Xml::Library::ParseDocument(parser, buffer)) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(parser.document.get());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(XmlParseFlat10MB)->Unit(benchmark::kMillisecond);

void RegexOnLongName(benchmark::State& state, const char* pattern)
{
    const std::string name(200000, 'x');
    const CSafeRegex regex(pattern);
    for (auto _ : state) benchmark::DoNotOptimize(regex.Matches(name));
}
BENCHMARK_CAPTURE(RegexOnLongName, dot_star, ".*")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RegexOnLongName, group_star, "(x)*")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(RegexOnLongName, exponential, "((x|xx)+)+y")->Unit(benchmark::kMillisecond);

// A pattern of 1,600 groups (close to the longest pattern allowed) against a 10,000-byte
// name: the cost grows with the pattern's length, not with its length times its groups.
void RegexManyGroups(benchmark::State& state)
{
    std::string pattern;
    for (int group = 0; group < 1600; ++group) pattern += "(x|y)*";
    const CSafeRegex regex(pattern + "z");
    const std::string name(10000, 'x');
    for (auto _ : state) benchmark::DoNotOptimize(regex.Matches(name));
}
BENCHMARK(RegexManyGroups)->Unit(benchmark::kMillisecond);

void TemplateOver100kSections(benchmark::State& state)
{
    const std::string path = (std::filesystem::temp_directory_path() / "velmarch-bench-100k.ini").string();
    {
        std::ofstream out(path, std::ios::binary);
        for (int section = 0; section < 100000; ++section) out << "[Net" << section << "]\nPort=80\nHost=h\n";
    }
    CIniFileImage image;
    image.Load(path);
    CSectionContAction action("net*", false);
    action.settingActions.push_back(std::make_unique<CSettingMultiplyAction>(action, "p*", "2"));
    for (auto _ : state) action.Execute(image);
    std::filesystem::remove(path);
}
BENCHMARK(TemplateOver100kSections)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
