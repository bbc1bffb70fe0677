// Stopping the component's programs among the Linux machine's real processes: copies of
// /bin/sleep started under the component's names stand in for them. The host lists a
// process by the last part of its argv[0].
#include <gtest/gtest.h>

#include <future>

#include "host_sleeper.h"
#include "patch_shutdown.h"
#include "qor_host.h"

namespace
{
const std::chrono::seconds kEnds(10);
} // namespace

// The whole list is walked and taken again: every instance of either name, in any letter case
// and wherever it is listed, is stopped; a name that only contains one is another program.
TEST(ShutdownHost, EveryInstanceInAnyLetterCaseIsStoppedAndNoOtherProgram)
{
    Sleeper first("locksmere.exe");
    Sleeper auth("vmrauth.exe");
    Sleeper second("locksmere.exe");
    Sleeper capitals("LOCKSMERE.EXE");
    Sleeper mixed("VmrAuth.Exe");
    Sleeper prefixed("xlocksmere.exe");
    Sleeper suffixed("locksmere.exe.old");
    EXPECT_TRUE(stopComponentProcesses());
    for (Sleeper* pStopped : {&first, &auth, &second, &capitals, &mixed})
        EXPECT_TRUE(pStopped->endedWithin(kEnds)) << pStopped->name();
    EXPECT_TRUE(prefixed.stillRunning());
    EXPECT_TRUE(suffixed.stillRunning());
    EXPECT_EQ(0u, qorhost::openHandleCount()) << "snapshot and process handles closed";
}

// The host makes a wait with a time limit run out at once: a process that will not end.
TEST(ShutdownHost, AProcessThatDoesNotEndFailsTheStageWithinItsWait)
{
    const struct
    {
        const char* szCase;
        DWORD dwTerminateFault;
        DWORD dwWaitFault;
        bool bRunsOn;
    } aCases[] = {
        {"termination refused, still running", ERROR_ACCESS_DENIED, WAIT_TIMEOUT, true},
        {"terminated, not ended in time", 0, WAIT_TIMEOUT, false},
        {"terminated, the wait fails", 0, ERROR_INVALID_HANDLE, false},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.szCase);
        Sleeper component("locksmere.exe");
        Sleeper auth("vmrauth.exe");
        qorhost::failCall("TerminateProcess", test.dwTerminateFault);
        qorhost::failCall("WaitForSingleObject", test.dwWaitFault);
        std::future<bool> stopping = std::async(std::launch::async, stopComponentProcesses);
        if (stopping.wait_for(std::chrono::seconds(20)) != std::future_status::ready)
        {
            // Ends the wait it is stuck in, so the test fails instead of hanging.
            kill(component.pid(), SIGKILL);
            stopping.wait();
            FAIL() << "the wait for a process that does not end has no limit";
        }
        EXPECT_FALSE(stopping.get());
        if (test.bRunsOn)
        {
            EXPECT_TRUE(component.stillRunning());
        }
        EXPECT_TRUE(auth.stillRunning()) << "nothing more is stopped once the stage has failed";
        EXPECT_EQ(0u, qorhost::openHandleCount());
        qorhost::resetMachine();
    }
}

// Whether a component program runs cannot be told, or it cannot be stopped: its files must
// not be replaced under it.
TEST(ShutdownHost, NoSnapshotOrNoAccessFailsTheStage)
{
    Sleeper component("locksmere.exe");
    qorhost::failCall("CreateToolhelp32Snapshot", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(stopComponentProcesses());
    qorhost::failCall("CreateToolhelp32Snapshot", 0);
    qorhost::failCall("OpenProcess", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(stopComponentProcesses());
    EXPECT_TRUE(component.stillRunning());
    EXPECT_EQ(0u, qorhost::openHandleCount());
}
