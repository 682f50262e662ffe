#include "engine/engine_state.h"

#include <utility>

#include "platform/icons.h"

namespace Function {

CRegEngine::CRegEngine(std::unique_ptr<platform::WindowsSystem> system) : system_(std::move(system)) {}

CRegEngine::~CRegEngine() {
  // The icon handles in the findings belong to the cache; they end with the engine.
  for (const auto& [extension, icon] : icon_cache) {
    if (icon != 0) platform::DestroyIcon(icon);
  }
}

const RegProblemList* CRegEngine::Publish(int type) {
  std::vector<RegProblemItem>& items = items_[type];
  RegProblemList& list = lists_[type];
  list.items = items.data();
  list.count = static_cast<std::int32_t>(items.size());
  list.capacity = static_cast<std::int32_t>(items.capacity());
  return &list;
}

}  // namespace Function
