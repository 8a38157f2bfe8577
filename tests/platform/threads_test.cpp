#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "os_faults.h"

namespace {

// A thread body that runs until released, then returns its exit code.
struct Gate {
    std::atomic<bool> open{false};
    std::atomic<bool> done{false};
    std::atomic<DWORD> threadId{0};
    DWORD exitCode = 42;
};

DWORD WINAPI WaitAtGate(LPVOID parameter) {
    auto* gate = static_cast<Gate*>(parameter);
    gate->threadId = GetCurrentThreadId();
    while (!gate->open) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    gate->done = true;
    return gate->exitCode;
}

DWORD ExitCodeOf(HANDLE thread) {
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    return code;
}

TEST(Threads, ExitCodeIsStillActiveWhileRunningThenTheRoutinesResult) {
    Gate gate;
    DWORD id = 0;
    const HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &gate, 0, &id);
    ASSERT_NE(thread, nullptr);

    EXPECT_EQ(ExitCodeOf(thread), STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(thread, 10), WAIT_TIMEOUT);
    gate.open = true;
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(ExitCodeOf(thread), 42u);
    EXPECT_EQ(gate.threadId.load(), id);
    EXPECT_NE(GetCurrentThreadId(), id);

    // Terminating an ended thread changes nothing.
    EXPECT_TRUE(TerminateThread(thread, 0));
    EXPECT_EQ(ExitCodeOf(thread), 42u);
    EXPECT_TRUE(CloseHandle(thread));
}

TEST(Threads, TerminateLeavesARunningThreadRunningAndSaysSo) {
    Gate gate;
    const HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &gate, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    SetLastError(0);
    EXPECT_FALSE(TerminateThread(thread, 0));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ExitCodeOf(thread), STILL_ACTIVE);
    gate.open = true;
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(gate.done);
    CloseHandle(thread);
}

TEST(Threads, HandleClosedWhileRunningIsGoneAndTheThreadEndsSafely) {
    Gate gate;
    const HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &gate, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread));

    DWORD code = 0;
    SetLastError(0);
    EXPECT_FALSE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(thread));

    gate.open = true;
    while (!gate.done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(Threads, ManyShortThreadsEachReportTheirOwnExitCode) {
    constexpr int kThreads = 32;
    std::vector<Gate> gates(kThreads);
    std::vector<HANDLE> threads;
    for (int i = 0; i < kThreads; ++i) {
        gates[i].exitCode = static_cast<DWORD>(i);
        gates[i].open = true;
        threads.push_back(CreateThread(nullptr, 0, WaitAtGate, &gates[i], 0, nullptr));
        ASSERT_NE(threads.back(), nullptr);
    }
    for (int i = 0; i < kThreads; ++i) {
        EXPECT_EQ(WaitForSingleObject(threads[i], INFINITE), WAIT_OBJECT_0);
        EXPECT_EQ(ExitCodeOf(threads[i]), static_cast<DWORD>(i));
        EXPECT_TRUE(CloseHandle(threads[i]));
    }
}

TEST(Threads, RefusedCreationRunsNothing) {
    zanq::testing::OsFaultScope faults;
    zanq::testing::FailNext(zanq::testing::OsCall::CreateThread);
    Gate gate;
    gate.open = true;
    EXPECT_EQ(CreateThread(nullptr, 0, WaitAtGate, &gate, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(CreateThread(nullptr, 0, WaitAtGate, &gate, CREATE_SUSPENDED, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(gate.done);
}

TEST(Threads, SleepWaitsAboutAsLongAsAsked) {
    const auto start = std::chrono::steady_clock::now();
    Sleep(20);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

TEST(Handles, WrongKindOrUnknownHandleIsInvalid) {
    DWORD code = 0;
    for (HANDLE bogus : {HANDLE(nullptr), INVALID_HANDLE_VALUE, reinterpret_cast<HANDLE>(0x7777)}) {
        SetLastError(0);
        EXPECT_FALSE(GetExitCodeThread(bogus, &code));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_FALSE(CloseHandle(bogus));
    }
}

}  // namespace
