#include "window/resource_tables.h"

#include <mutex>
#include <vector>

#include "window/backend.h"

namespace zanq::ui::resources {
namespace {

struct Registry {
    std::mutex mutex;
    std::vector<ResourceModule> modules;
};

// Never destroyed: resources may be looked up while the process exits.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

}  // namespace

void RegisterModule(const ResourceModule& module) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.modules.push_back(module);
}

const DialogTemplate* FindDialog(int id) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    for (auto module = registry.modules.rbegin(); module != registry.modules.rend(); ++module) {
        for (std::size_t i = 0; i < module->dialogCount; ++i) {
            if (module->dialogs[i].id == id) return &module->dialogs[i];
        }
    }
    return nullptr;
}

const BinaryResource* FindBinary(int type, int id) {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    for (auto module = registry.modules.rbegin(); module != registry.modules.rend(); ++module) {
        for (std::size_t i = 0; i < module->binaryCount; ++i) {
            const BinaryResource& entry = module->binaries[i];
            if (entry.type == type && entry.id == id) return &entry;
        }
    }
    return nullptr;
}

}  // namespace zanq::ui::resources

namespace zanq::ui {

bool FindBitmapResource(int id, const unsigned char*& data, std::size_t& size) {
    const resources::BinaryResource* entry = resources::FindBinary(2, id);
    if (!entry) return false;
    data = entry->data;
    size = entry->size;
    return true;
}

bool FindIconResource(int id, const unsigned char*& data, std::size_t& size) {
    const resources::BinaryResource* entry = resources::FindBinary(14, id);
    if (!entry) return false;
    data = entry->data;
    size = entry->size;
    return true;
}

}  // namespace zanq::ui
