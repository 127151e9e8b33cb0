// Runs the built program on every case folder below tests/e2e and compares the exit
// code, the console bytes and every resulting file with the case's expectations.
//
// A case folder holds:
//   in/        the files before the run (the scheme among them)
//   expected/  every file after the run; a folder named STAMP_conv stands for the
//              run's backup folder, a stamp line's date and time read STAMP
//   args       the arguments, one per line ({W} is the run's folder)
//   stdout     the exact console text ({W} as above, {STAMP} for the 14-digit stamp)
//   exit       the exit code (0 when absent)
//   bin_dir    optional: the folder below {W} the program is copied into
//   cwd        optional: the folder below {W} the program is started in
//   from_examples  optional: the run starts from the project's examples/ folder
//              instead of in/
//   locale     optional: the locale of the run (LC_ALL and LANG; default C, in which
//              the console is Windows-1251)
//   windows_only optional: the case checks a rule of the Windows build (relative names
//              from the program's folder) and is skipped for the POSIX build
//   posix_only optional: the case checks texts of the POSIX build (system error
//              texts) and is skipped for the Windows build
//
// For the Windows build (an executable ending in .exe, started through a runner such
// as Wine) arguments get the Windows form of {W}, and both sides are compared with
// CR LF turned into LF and '\' into '/'; the line ends of the console and of every
// written file must then be CR LF throughout.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string ReadOptional(const fs::path& path, const std::string& fallback)
{
    return fs::exists(path) ? ReadFile(path) : fallback;
}

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string ShellQuoted(const std::string& text)
{
    return "'" + ReplaceAll(text, "'", "'\\''") + "'";
}

// Masks what varies from run to run: the conversion stamp and the backup folder name.
std::string Masked(const std::string& text)
{
    static const std::regex stamp("(; The date and time to convert a settings file: )[0-9]{8}/[0-9]{1,6}");
    static const std::regex folder("[0-9]{14}_conv");
    return std::regex_replace(std::regex_replace(text, stamp, "$1STAMP"), folder, "STAMP_conv");
}

std::map<std::string, std::string> FilesBelow(const fs::path& root, const std::string& skip)
{
    std::map<std::string, std::string> files;
    if (!fs::exists(root)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string relative = fs::relative(entry.path(), root).generic_string();
        if (relative == skip) continue;
        // The run's record holds hashes and times of its own; the unit tests check it.
        if (entry.path().filename() == "velmarch.json") continue;
        files[Masked(relative)] = Masked(ReadFile(entry.path()));
    }
    return files;
}

class TempFolder {
public:
    TempFolder()
    {
        std::random_device seed;
        do {
            m_path = fs::temp_directory_path() / ("velmarch-e2e-" + std::to_string(seed()));
        } while (!fs::create_directory(m_path));
        m_path = fs::canonical(m_path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

struct RunResult {
    int exitCode = -1;
    std::string console;
};

bool ForWindows()
{
    const std::string program = VELMARCH_EXE;
    return program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0;
}

// How the program names the run's folder: Z:\... under Wine.
std::string ProgramView(const fs::path& work)
{
    if (!ForWindows()) return work.string();
    return "Z:" + ReplaceAll(work.string(), "/", "\\");
}

std::string WithoutCarriageReturns(const std::string& text) { return ReplaceAll(text, "\r\n", "\n"); }

bool HasBareLineFeed(const std::string& text)
{
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '\n' && (index == 0 || text[index - 1] != '\r')) return true;
    }
    return false;
}

// The Windows build's texts in the POSIX build's form.
std::string Comparable(const std::string& text)
{
    return ForWindows() ? ReplaceAll(WithoutCarriageReturns(text), "\\", "/") : text;
}

RunResult RunProgram(const fs::path& program, const std::vector<std::string>& arguments, const fs::path& workDir,
                     const fs::path& consoleFile, const std::string& locale)
{
    const std::string runner = VELMARCH_RUNNER;
    std::string command = "cd " + ShellQuoted(workDir.string()) + " && LC_ALL=" + ShellQuoted(locale) +
                          " LANG=" + ShellQuoted(locale) + " ";
    // A Windows build takes its language from the user's interface language, which a
    // runner such as Wine takes from its own settings: the C locale stands for a Russian
    // system, as it does on POSIX.
    if (!runner.empty() && locale == "C") command += "VELMARCH_LANG=ru ";
    if (!runner.empty()) command += runner + " ";
    command += ShellQuoted(program.string());
    for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
    // The program writes nothing to standard error, so anything there is a fault; a
    // runner such as Wine may talk there itself, and is heard only when it fails.
    const fs::path runnerTalk = consoleFile.string() + ".runner";
    command += " >" + ShellQuoted(consoleFile.string()) + " 2>" +
               (runner.empty() ? std::string("&1") : ShellQuoted(runnerTalk.string()));
    RunResult result;
    for (int attempt = 1;; ++attempt) {
        const int status = std::system(command.c_str());
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.console = ReadFile(consoleFile);
        // Every run of the program prints at least its status line: a run that failed
        // without a word never reached it. A runner that could not start it is asked
        // once more, and says so.
        if (runner.empty() || result.exitCode == 0 || !result.console.empty() || attempt == 2) return result;
        std::cerr << "the runner ended with " << result.exitCode << " and no output, started again; it said:\n"
                  << ReadOptional(runnerTalk, "") << std::endl;
    }
}

std::vector<std::string> CaseNames()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(VELMARCH_E2E_DIR)) {
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class EndToEnd : public testing::TestWithParam<std::string> {};

TEST_P(EndToEnd, RunMatchesTheCase)
{
    const fs::path caseDir = fs::path(VELMARCH_E2E_DIR) / GetParam();
    if (ForWindows() && fs::exists(caseDir / "posix_only")) GTEST_SKIP() << "texts of the POSIX build";
    if (!ForWindows() && fs::exists(caseDir / "windows_only")) GTEST_SKIP() << "a rule of the Windows build";
    TempFolder scratch;
    const fs::path work = scratch.Path() / "w";
    fs::create_directories(work);
    const fs::path inputs = fs::exists(caseDir / "from_examples") ? fs::path(VELMARCH_EXAMPLES_DIR) : caseDir / "in";
    if (fs::exists(inputs)) fs::copy(inputs, work, fs::copy_options::recursive);

    const fs::path binDir = work / Trimmed(ReadOptional(caseDir / "bin_dir", ""));
    fs::create_directories(binDir);
    const fs::path program = binDir / fs::path(VELMARCH_EXE).filename();
    fs::copy_file(VELMARCH_EXE, program);
    const std::string programRelative = fs::relative(program, work).generic_string();

    std::vector<std::string> arguments;
    std::istringstream argumentLines(ReadOptional(caseDir / "args", ""));
    for (std::string line; std::getline(argumentLines, line);) {
        arguments.push_back(ReplaceAll(line, "{W}", ProgramView(work)));
    }
    const fs::path startDir = work / Trimmed(ReadOptional(caseDir / "cwd", ""));
    fs::create_directories(startDir);

    const RunResult result = RunProgram(program, arguments, startDir, scratch.Path() / "console.txt",
                                          Trimmed(ReadOptional(caseDir / "locale", "C")));

    EXPECT_EQ(result.exitCode, std::stoi(Trimmed(ReadOptional(caseDir / "exit", "0"))));
    const std::string wantedConsole = ReplaceAll(ReadFile(caseDir / "stdout"), "{W}", ProgramView(work));
    if (ForWindows()) {
        EXPECT_FALSE(HasBareLineFeed(result.console)) << "console lines must end with CR LF";
    }
    EXPECT_EQ(Comparable(Masked(result.console)),
              Comparable(Masked(ReplaceAll(wantedConsole, "{STAMP}", "00000000000000"))));
    auto produced = FilesBelow(work, programRelative);
    auto expected = FilesBelow(caseDir / "expected", "");
    if (ForWindows()) {
        for (auto& [path, content] : produced) {
            const bool written = content.find("convert a settings file: STAMP") != std::string::npos;
            if (written) {
                EXPECT_FALSE(HasBareLineFeed(content)) << path << ": written lines must end with CR LF";
            }
            content = WithoutCarriageReturns(content);
        }
        for (auto& [path, content] : expected) content = WithoutCarriageReturns(content);
    }
    for (const auto& [path, content] : expected) {
        const auto found = produced.find(path);
        if (found == produced.end()) {
            ADD_FAILURE() << "missing file " << path;
        } else {
            EXPECT_EQ(found->second, content) << "in file " << path;
        }
    }
    for (const auto& [path, content] : produced) {
        if (expected.count(path) == 0) ADD_FAILURE() << "unexpected file " << path;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, EndToEnd, testing::ValuesIn(CaseNames()),
                         [](const testing::TestParamInfo<std::string>& caseInfo) {
                             std::string name = caseInfo.param;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

}  // namespace
