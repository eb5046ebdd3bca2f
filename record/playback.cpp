#include "record/playback.h"

#include <algorithm>

namespace record {

namespace {

bool earlier(const ScriptEvent& a, const ScriptEvent& b) { return a.frame < b.frame; }

// The events of `frame` in a list sorted by frame.
std::span<const ScriptEvent> ofFrame(const std::vector<ScriptEvent>& list, std::uint32_t frame) {
  ScriptEvent key;
  key.frame = frame;
  const auto [first, last] = std::equal_range(list.begin(), list.end(), key, earlier);
  return {list.data() + (first - list.begin()), static_cast<std::size_t>(last - first)};
}

}  // namespace

Playback::Playback(const Script& script) : last_frame_(script.last_frame) {
  if (script.has_client) {
    ScriptEvent size;
    size.kind = EventKind::Resize;
    size.width = script.client_width;
    size.height = script.client_height;
    events_.push_back(size);
  }
  for (const ScriptEvent& e : script.events) {
    (e.kind == EventKind::Ticks        ? ticks_
     : e.kind == EventKind::Checkpoint ? checkpoints_
                                       : events_)
        .push_back(e);
  }
  for (auto* list : {&events_, &ticks_, &checkpoints_}) {
    std::stable_sort(list->begin(), list->end(), earlier);
  }
}

const ScriptEvent* Playback::next(std::uint32_t frame) {
  if (next_ >= events_.size() || events_[next_].frame > frame) return nullptr;
  return &events_[next_++];
}

int Playback::passes(std::uint32_t frame) const {
  // A frame named twice takes its last line.
  const std::span<const ScriptEvent> named = ofFrame(ticks_, frame);
  return named.empty() ? usualTicks(frame) : named.back().ticks;
}

std::span<const ScriptEvent> Playback::checkpoints(std::uint32_t frame) const {
  return ofFrame(checkpoints_, frame);
}

}  // namespace record
