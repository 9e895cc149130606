#include "model/HotKeyRegistry.h"

#include <algorithm>
#include <iterator>
#include <ranges>

namespace platform {

std::int32_t HotKeyRegistry::registerHotKey(std::uint64_t owner, std::uint16_t keyCode,
                                            std::uint32_t modifiers, std::uint32_t signature,
                                            std::uint32_t id, std::uint64_t& registration) {
  if (match(keyCode, modifiers)) {
    return eventHotKeyExistsErr;
  }
  registration = ++lastHandle_;
  registrations_.emplace(registration,
                         HotKeyRegistration{owner, keyCode, modifiers, signature, id});
  return noErr;
}

void HotKeyRegistry::unregisterHotKey(std::uint64_t owner, std::uint64_t registration) {
  const auto found = registrations_.find(registration);
  if (found != registrations_.end() && found->second.owner == owner) {
    registrations_.erase(found);
  }
}

void HotKeyRegistry::releaseAll(std::uint64_t owner) {
  std::erase_if(registrations_, [owner](const auto& entry) { return entry.second.owner == owner; });
}

std::optional<HotKeyMatch> HotKeyRegistry::match(std::uint16_t keyCode,
                                                 std::uint32_t modifiers) const {
  const auto found = std::ranges::find_if(registrations_, [&](const auto& entry) {
    return entry.second.keyCode == keyCode && entry.second.modifiers == modifiers;
  });
  if (found == registrations_.end()) {
    return std::nullopt;
  }
  const HotKeyRegistration& holder = found->second;
  return HotKeyMatch{holder.owner, holder.signature, holder.id};
}

std::vector<HotKeyRegistration> HotKeyRegistry::registrations() const {
  std::vector<HotKeyRegistration> result;
  result.reserve(registrations_.size());
  std::ranges::copy(registrations_ | std::views::values, std::back_inserter(result));
  return result;
}

}  // namespace platform
