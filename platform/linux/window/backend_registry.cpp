// The current backend and the choice of one at run time.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "window/backend.h"
#include "window/headless_backend.h"
#include "window/model.h"

namespace zanq::ui {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, BackendFactory> factories;
    std::shared_ptr<Backend> current;
};

Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "zanq: %s\n", message.c_str());
    std::fflush(stderr);
    std::exit(3);
}

std::shared_ptr<Backend> MakeFromEnvironment() {
    const char* chosen = std::getenv("ZANQ_UI");
    std::string name = chosen && *chosen ? chosen : "";
    if (name.empty()) {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) Fail("no display: set DISPLAY, or ZANQ_UI=headless to run without one");
        name = "x11";
    }
    if (name == "headless") return MakeHeadlessBackendForProcess();
    BackendFactory factory;
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        auto found = registry.factories.find(name);
        if (found != registry.factories.end()) factory = found->second;
    }
    if (!factory) Fail("the window backend \"" + name + "\" is not part of this program (ZANQ_UI=headless runs without a display)");
    std::shared_ptr<Backend> backend = factory();
    if (!backend) Fail("the window backend \"" + name + "\" could not start (is the display reachable?)");
    return backend;
}

std::shared_ptr<Backend> Current() {
    Registry& registry = TheRegistry();
    {
        std::lock_guard lock(registry.mutex);
        if (registry.current) return registry.current;
    }
    SelectBackendFromEnvironment();
    std::lock_guard lock(registry.mutex);
    return registry.current;
}

}  // namespace

void RegisterBackendFactory(const std::string& name, BackendFactory factory) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.factories[name] = std::move(factory);
}

std::shared_ptr<Backend> InstallBackend(std::shared_ptr<Backend> backend) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    std::swap(registry.current, backend);
    return backend;
}

void SelectBackendFromEnvironment() {
    {
        Registry& registry = TheRegistry();
        std::lock_guard lock(registry.mutex);
        if (registry.current) return;
    }
    std::shared_ptr<Backend> backend = MakeFromEnvironment();
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    if (!registry.current) registry.current = std::move(backend);
}

Backend& CurrentBackend() { return *Current(); }

}  // namespace zanq::ui

namespace zanq::ui::model {

void Notify(const std::function<void(Backend&)>& notification) {
    std::shared_ptr<Backend> backend = Current();
    notification(*backend);
}

}  // namespace zanq::ui::model
