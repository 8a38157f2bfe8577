// Shared pieces of the URL stream service tests: fetching into a recording
// callback, the rules every notification sequence obeys, test bodies.
#pragma once

#include <gtest/gtest.h>
#include <urlmon.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <string>

#include "recording_bind_callback.h"
#include "url_service_testing.h"

inline HRESULT Fetch(const std::string& url, RecordingBindCallback& callback) {
    return URLOpenStreamA(nullptr, url.c_str(), 0, &callback);
}

// Bytes that differ from position to position, so that a lost, doubled or
// reordered block shows: a pseudo-random run of a prime length, repeated.
inline std::string PatternBody(std::size_t size, std::uint32_t seed = 1) {
    std::string run(4099, '\0');
    std::uint32_t state = seed;
    for (char& c : run) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    std::string body(size, '\0');
    for (std::size_t offset = 0; offset < size; offset += run.size()) {
        std::memcpy(body.data() + offset, run.data(), std::min(run.size(), size - offset));
    }
    return body;
}

// What holds for every call: OnStartBinding and GetBindInfo first,
// OnStopBinding last and once with the returned result, all on one thread,
// references balanced, ENDDOWNLOADDATA at most once and only right before
// the last data notification, announced totals never shrinking.
inline void ExpectWellFormed(const RecordingBindCallback& callback, HRESULT returned) {
    const auto& all = callback.notifications;
    ASSERT_GE(all.size(), 3u);
    EXPECT_EQ(all[0].kind, BindNotification::Start);
    EXPECT_EQ(all[1].kind, BindNotification::BindInfo);
    EXPECT_EQ(all.back().kind, BindNotification::Stop);
    EXPECT_EQ(callback.Of(BindNotification::Stop).size(), 1u);
    EXPECT_EQ(all.back().result, returned);
    EXPECT_EQ(callback.references, 0);
    int ends = 0;
    DWORD lastSize = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].thread, all[0].thread) << "notification " << i;
        if (all[i].kind == BindNotification::Data) {
            EXPECT_GE(all[i].size, lastSize);
            lastSize = all[i].size;
        }
        if (all[i].kind == BindNotification::Progress && all[i].status == BINDSTATUS_ENDDOWNLOADDATA) {
            ++ends;
            ASSERT_LT(i + 1, all.size());
            // Only an abort answered to this very notification keeps the
            // last data back.
            if (all[i + 1].kind == BindNotification::Stop && returned == E_ABORT) continue;
            EXPECT_EQ(all[i + 1].kind, BindNotification::Data);
            EXPECT_NE(all[i + 1].flags & BSCF_LASTDATANOTIFICATION, 0u);
            for (std::size_t j = i + 2; j < all.size(); ++j) EXPECT_NE(all[j].kind, BindNotification::Data);
        }
    }
    EXPECT_LE(ends, 1);
    if (returned == S_OK) {
        EXPECT_EQ(ends, 1);
        ASSERT_GE(all.size(), 2u);
        EXPECT_EQ(all[all.size() - 2].kind, BindNotification::Data);
    }
}

class UrlStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
    }
    void TearDown() override { ResetUrlServiceTimeoutsForTesting(); }
};
