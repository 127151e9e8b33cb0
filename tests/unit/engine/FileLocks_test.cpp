// Runs never interleave: a second run waits for the first one's locks, then fails
// naming the file with nothing changed; a run waiting for another goes on once it ends.

#include "engine/FileLocks.h"
#include "platform/Platform.h"
#include "run/Run.h"

#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

using testing::HasSubstr;

namespace {

using TestSupport::CapturedConsole;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
namespace fs = std::filesystem;

TEST(FileLocks, ASecondHolderWaitsThenFailsNamingTheFile)
{
    TempFolder folder;
    WriteFile(folder / "a.ini", "[A]\n");
    CFileLocks first;
    first.LockAll({folder / "a.ini", folder / "new/b.ini"});
    EXPECT_EQ(first.HeldCount(), 2u);  // a.ini, and for b.ini the folder that exists
    for (const std::string& wanted : {folder / "a.ini", folder / "c.ini"}) {
        CFileLocks second;
        const auto started = std::chrono::steady_clock::now();
        try {
            second.LockAll({wanted}, 200);
            ADD_FAILURE() << "no wait for " << wanted;
        } catch (const std::exception& error) {
            EXPECT_THAT(error.what(), HasSubstr("the file [" + wanted + "] is in use by another run"));
        }
        EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
    }
}

#ifndef _WIN32
// A folder swapped for a link while a run waited to lock it is another folder: the run
// stops there instead of following the link.
TEST(FileLocks, AFolderSwappedForALinkDuringTheWaitIsRefused)
{
    TempFolder folder;
    fs::create_directory(folder.Path() / "sub");
    fs::create_directory(folder.Path() / "elsewhere");
    auto first = std::make_unique<CFileLocks>();
    first->LockAll({folder / "sub/x.ini"});
    CFileLocks waiting;
    // While the run waits, the folder's owner swaps it for a link, and the holder goes.
    waiting.OnWaitForTesting([&] {
        if (!first) return;
        fs::rename(folder.Path() / "sub", folder.Path() / "moved");
        fs::create_directory_symlink(folder.Path() / "elsewhere", folder.Path() / "sub");
        first.reset();
    });
    EXPECT_THAT([&] { waiting.LockAll({folder / "sub/x.ini"}, 20000); },
                testing::ThrowsMessage<std::runtime_error>(HasSubstr("changed while the run waited for it")));
}
#endif

// A run that finds its file locked by another waits, then converts once.
TEST(FileLocks, ARunWaitsForAnotherAtItsCommit)
{
    TempFolder folder;
    WriteFile(folder / "s.xml",
              "<Convert file=\"a.ini\"><Section section_name=\"A\"><Setting setting_name=\"k\" multiplier=\"2\"/>"
              "</Section></Convert>");
    WriteFile(folder / "a.ini", "[A]\nk=1\n");
    auto held = std::make_unique<CFileLocks>();
    held->LockAll({folder / "a.ini"});
    int exitCode = -1;
    std::thread second([&] {
        const std::string scheme = folder / "s.xml";
        const std::string base = folder.Path().string();
        const char* arguments[] = {"velmarch", scheme.c_str(), "-fdir", base.c_str()};
        CapturedConsole console;
        exitCode = ::Run(4, arguments);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(ReadFile(folder / "a.ini"), "[A]\nk=1\n");
    held.reset();
    second.join();
    EXPECT_EQ(exitCode, 0);
    EXPECT_THAT(ReadFile(folder / "a.ini"), HasSubstr("k=2"));
}

// A signal that comes while interrupts wait is kept for the run to report; one that
// comes otherwise removes the staged files and ends the process with 1.
TEST(Interrupts, ASignalThatWaitsIsNotForgotten)
{
    const auto body1 = [&] {
            Platform::InstallInterruptCleanup();
            Platform::DeferInterrupts(true);
            ::kill(::getpid(), SIGTERM);
            for (int wait = 0; wait < 300 && !Platform::InterruptPending(); ++wait) ::usleep(10000);
            const bool pending = Platform::InterruptPending();
            Platform::DeferInterrupts(false);
            std::_Exit(pending && !Platform::InterruptPending() ? 7 : 3);
    };
    EXPECT_EXIT(body1(), testing::ExitedWithCode(7), "");

    TempFolder folder;
    WriteFile(folder / "s.xml",
              "<Convert file=\"a.ini\"><Section section_name=\"A\"><Setting setting_name=\"k\" multiplier=\"2\"/>"
              "</Section></Convert>");
    WriteFile(folder / "a.ini", "[A]\nk=1\n");
    const auto body2 = [&] {
            Platform::InstallInterruptCleanup();
            Platform::DeferInterrupts(true);
            ::kill(::getpid(), SIGTERM);
            for (int wait = 0; wait < 300 && !Platform::InterruptPending(); ++wait) ::usleep(10000);
            const std::string scheme = folder / "s.xml";
            const std::string base = folder.Path().string();
            const char* arguments[] = {"velmarch", scheme.c_str(), "-fdir", base.c_str()};
            CapturedConsole console;
            const int exitCode = ::Run(4, arguments);
            const bool told = console.Text().find("interrupted by a signal during the commit") != std::string::npos;
            std::_Exit(exitCode == 1 && told ? 7 : 3);
    };
    EXPECT_EXIT(body2(), testing::ExitedWithCode(7), "");
    EXPECT_THAT(ReadFile(folder / "a.ini"), HasSubstr("k=2"));

    const auto body3 = [&] {
            Platform::InstallInterruptCleanup();
            Platform::TempFile staged;
            if (!Platform::CreateTempFileBeside(folder / "b.ini", staged)) std::_Exit(3);
            ::kill(::getpid(), SIGTERM);
            ::sleep(5);
            std::_Exit(3);
    };
    EXPECT_EXIT(body3(), testing::ExitedWithCode(1), "");
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        EXPECT_EQ(entry.path().filename().string().find(".b.ini.velmarch-"), std::string::npos);
    }
}

}  // namespace
