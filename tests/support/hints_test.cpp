// Hints sent through the real engine and URL service to a loopback server.
#include "hints.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "download_manager.h"
#include "loopback_server.h"
#include "os_faults.h"
#include "private_tmpdir.h"

namespace {

using namespace std::chrono_literals;

class FinalReports final : public DownloadListener {
public:
    bool OnDownloadProgress(int, ULONG, ULONG) override { return false; }
    void OnDownloadComplete(int id) override { Record("complete " + std::to_string(id)); }
    void OnDownloadError(int id) override { Record("error " + std::to_string(id)); }

    std::set<std::string> WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 5s, [&] { return reports_.size() >= count; });
        return reports_;
    }

private:
    void Record(const std::string& report) {
        std::lock_guard lock(mutex_);
        reports_.insert(report);
        changed_.notify_all();
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<std::string> reports_;
};

// The hint service: records each request's target exactly as it arrived.
class HintService {
public:
    HintService() {
        server.server().Get("/service/hint", [this](const httplib::Request& request, httplib::Response& response) {
            {
                std::lock_guard lock(mutex_);
                targets_.push_back(request.target);
            }
            response.set_content("answer to " + request.get_param_value("fceid"), "text/plain");
        });
        server.Start();
    }
    std::string BaseUrl() const { return "http://" + server.hostPort() + "/service/hint?fceid="; }
    std::vector<std::string> Targets() {
        std::lock_guard lock(mutex_);
        auto sorted = targets_;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }

    LoopbackServer server;

private:
    std::mutex mutex_;
    std::vector<std::string> targets_;
};

TEST(HintUrl, JoinsBaseEventAndSuffixWithNothingAddedOrEscaped) {
    EXPECT_EQ(BuildHintUrl("http://hints.example:81/service/hint?fceid=", "a b&c", "&host=site.example"),
              "http://hints.example:81/service/hint?fceid=a b&c&host=site.example");
}

class Hints : public ::testing::Test {
protected:
    PrivateTmpdir tmpdir;
    HintService service;
    FinalReports listener;
};

TEST_F(Hints, EachHintReachesTheServiceExactlyAndLeavesItsAnswerInANewModFile) {
    std::vector<int> ids;
    {
        DownloadManager manager;
        for (const char* event : {"vkozanqappdl10", "vkozanqappinstplay10"}) {
            ids.push_back(SendHint(manager, &listener, BuildHintUrl(service.BaseUrl(), event, "&host=site.example")));
        }
        EXPECT_EQ(listener.WaitFor(2),
                  (std::set<std::string>{"complete " + std::to_string(ids[0]), "complete " + std::to_string(ids[1])}));
    }
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_EQ(service.Targets(), (std::vector<std::string>{"/service/hint?fceid=vkozanqappdl10&host=site.example",
                                                           "/service/hint?fceid=vkozanqappinstplay10&host=site.example"}));
    std::set<std::string> answers;
    const auto names = tmpdir.Names();
    EXPECT_EQ(names.size(), 2u);
    for (const auto& name : names) {
        EXPECT_TRUE(name.starts_with("mod")) << name;
        answers.insert(tmpdir.Read(name));
    }
    EXPECT_EQ(answers, (std::set<std::string>{"answer to vkozanqappdl10", "answer to vkozanqappinstplay10"}));
}

TEST_F(Hints, UnreachableServiceEndsInAnErrorReport) {
    const std::string base = service.BaseUrl();
    service.server.Stop();
    DownloadManager manager;
    const int id = SendHint(manager, &listener, BuildHintUrl(base, "vkozanqappdl10", "&host=site.example"));
    EXPECT_EQ(listener.WaitFor(1), std::set<std::string>{"error " + std::to_string(id)});
}

TEST_F(Hints, WithoutAScratchFileTheHintIsStillSentAndEndsInAnError) {
    zanq::testing::OsFaultScope faults;
    zanq::testing::FailNext(zanq::testing::OsCall::GetTempFileNameW);
    DownloadManager manager;
    const int id = SendHint(manager, &listener, BuildHintUrl(service.BaseUrl(), "vkozanqappdl10", "&host=h"));
    EXPECT_EQ(listener.WaitFor(1), std::set<std::string>{"error " + std::to_string(id)});
    EXPECT_EQ(service.Targets(), std::vector<std::string>{"/service/hint?fceid=vkozanqappdl10&host=h"});
    EXPECT_TRUE(tmpdir.Names().empty());
}

}  // namespace
