#include "net/lockstep.h"

#include <algorithm>
#include <iterator>

namespace net {

Lockstep::Lockstep(const Config& config)
    : config_(config),
      delay_(std::clamp(config.delay, MIN_DELAY, MAX_DELAY)),
      width_(config.width),
      height_(config.height) {
  std::fill(std::begin(crc_frame_), std::end(crc_frame_), NO_FRAME);
  std::fill(std::begin(remote_crc_frame_), std::end(remote_crc_frame_), NO_FRAME);
  if (config.side == Player::Joiner) {
    peer_ = config.peer;
    has_peer_ = true;
  }
}

bool Lockstep::versionsMatch(const ProgramVersions& other) const {
  return other.protocol == config_.versions.protocol && other.logic == config_.versions.logic;
}

Handshake Lockstep::ourHandshake() const {
  Handshake h;
  h.versions = config_.versions;
  h.delay = static_cast<std::uint8_t>(delay_);
  h.width = width_;
  h.height = height_;
  return h;
}

void Lockstep::startGame(std::uint32_t now_ms) {
  state_ = State::Running;
  // Frames before the delay carry no input from either side.
  local_known_ = static_cast<std::uint32_t>(delay_);
  remote_known_ = static_cast<std::uint32_t>(delay_);
  last_heard_ms_ = now_ms;
}

void Lockstep::send(Transport& transport, const Message& message, const Address& to) {
  std::uint8_t bytes[MAX_DATAGRAM];
  const std::size_t size = encode(message, bytes);
  if (transport.send(to, bytes, size)) {
    ++counters_.sent;
    counters_.sent_bytes += size;
  }
}

void Lockstep::poll(Transport& transport, std::uint32_t now_ms) {
  if (!started_) {
    started_ = true;
    last_heard_ms_ = now_ms;
    last_send_ms_ = now_ms - config_.resend_ms;
  }
  now_ms_ = now_ms;
  // A bounded number per poll: a flood of datagrams never holds the game.
  std::uint8_t buffer[MAX_DATAGRAM];
  Address from;
  long size = 0;
  for (int i = 0; i < MAX_READS && (size = transport.receive(&from, buffer, sizeof buffer)) >= 0;
       ++i) {
    receive(transport, from, buffer, static_cast<std::size_t>(size), now_ms);
  }

  const bool joining = config_.side == Player::Joiner && state_ == State::Connecting;
  if ((state_ == State::Running || joining) && now_ms - last_heard_ms_ >= config_.timeout_ms) {
    state_ = State::NotAnswering;
    return;
  }
  if (joining && now_ms - last_send_ms_ >= config_.resend_ms) {
    Message hello;
    hello.kind = Kind::Hello;
    hello.handshake = ourHandshake();
    send(transport, hello, peer_);
    last_send_ms_ = now_ms;
  } else if (state_ == State::Running) {
    sendInput(transport, now_ms);
  }
  if (telling_) tell(transport, now_ms);
}

void Lockstep::startTelling(Kind kind) {
  if (!has_peer_) return;
  telling_ = true;
  telling_kind_ = kind;
  told_once_ = false;
}

// The ending at once, then again until acknowledged or tell_ms have passed.
void Lockstep::tell(Transport& transport, std::uint32_t now_ms) {
  if (told_once_) {
    if (now_ms - telling_since_ms_ >= config_.tell_ms) {
      telling_ = false;
      return;
    }
    if (now_ms - last_tell_ms_ < config_.tell_resend_ms) return;
  } else {
    told_once_ = true;
    telling_since_ms_ = now_ms;
  }
  Message m;
  m.kind = telling_kind_;
  m.frame = desync_frame_;
  send(transport, m, peer_);
  last_tell_ms_ = now_ms;
}

void Lockstep::acknowledge(Transport& transport, Kind kind) {
  Message m;
  m.kind = Kind::Ack;
  m.acked = kind;
  send(transport, m, peer_);
}

void Lockstep::sendInput(Transport& transport, std::uint32_t now_ms) {
  const std::uint32_t newest = local_known_ - 1;
  if (newest == last_sent_newest_ && now_ms - last_send_ms_ < config_.send_ms) return;
  Message m;
  m.kind = Kind::Input;
  InputBlock& b = m.input;
  b.newest = newest;
  b.ack = remote_known_;
  b.crc_ack = remote_crc_known_;
  // Checksums the other side has not acknowledged, a few per datagram: every
  // other datagram the newest not sent yet, the others (and any with nothing
  // new) from the oldest unacknowledged, so that a lost one goes again.
  std::uint32_t first = std::max(crc_cursor_, peer_crc_ack_);
  if (first >= crc_known_ || crc_resend_) first = peer_crc_ack_;
  crc_resend_ = !crc_resend_;
  const std::uint32_t count = std::min<std::uint32_t>(CRC_WINDOW, crc_known_ - first);
  b.crc_first = count > 0 ? first : 0;
  b.crc_count = static_cast<std::uint8_t>(count);
  for (std::uint32_t i = 0; i < count; ++i) b.crcs[i] = crc_[(first + i) % CRC_RING];
  crc_cursor_ = std::max(crc_cursor_, first + count);
  for (int i = 0; i < INPUT_WINDOW; ++i) {
    const auto back = static_cast<std::uint32_t>(INPUT_WINDOW - 1 - i);
    b.inputs[i] = newest >= back ? local_[(newest - back) % RING] : 0;
  }
  send(transport, m, peer_);
  last_sent_newest_ = newest;
  last_send_ms_ = now_ms;
}

void Lockstep::receive(Transport& transport, const Address& from, const std::uint8_t* data,
                       std::size_t size, std::uint32_t now_ms) {
  Message m;
  const ParseError error = size > MAX_DATAGRAM ? ParseError::Long : parse(data, size, &m);
  if (has_peer_ && !(from == peer_)) {
    // Someone else: a second joiner is told the game is full, nothing more.
    if (error == ParseError::None && m.kind == Kind::Hello && config_.side == Player::Host) {
      Message full;
      full.kind = Kind::Full;
      send(transport, full, from);
    }
    ++counters_.third_party;
    return;
  }
  switch (error) {
    case ParseError::None:
      break;
    case ParseError::Short:
      ++counters_.short_;
      return;
    case ParseError::Long:
      ++counters_.long_;
      return;
    case ParseError::Garbage:
      ++counters_.garbage;
      return;
    case ParseError::BadValue:
      ++counters_.bad_value;
      return;
  }
  if (!has_peer_ && m.kind != Kind::Hello) {
    ++counters_.third_party;
    return;
  }
  ++counters_.received;
  counters_.received_bytes += size;
  switch (m.kind) {
    case Kind::Hello:
    case Kind::Welcome:
    case Kind::Full:
      onHandshake(transport, from, m, now_ms);
      return;
    case Kind::Input:
      if (state_ != State::Running) {
        ++counters_.stale;
        return;
      }
      onInput(m.input, now_ms);
      return;
    case Kind::Leave:
      acknowledge(transport, Kind::Leave);
      if (state_ == State::Running || state_ == State::Connecting) state_ = State::PeerLeft;
      // Nobody is left to hear how this side's game ended.
      telling_ = false;
      return;
    case Kind::Desync: {
      // Only a frame the other side can have run.
      if (m.frame >= local_known_ + static_cast<std::uint32_t>(delay_)) {
        ++counters_.out_of_range;
        return;
      }
      reportDesync(m.frame, true);
      // The frame acknowledged is the one both sides now name.
      Message ack;
      ack.kind = Kind::Ack;
      ack.acked = Kind::Desync;
      ack.frame = m.frame;
      send(transport, ack, peer_);
      return;
    }
    case Kind::Ack:
      if (telling_ && m.acked == telling_kind_ &&
          (m.acked == Kind::Leave || m.frame == desync_frame_)) {
        telling_ = false;
      }
      return;
  }
}

void Lockstep::onHandshake(Transport& transport, const Address& from, const Message& m,
                           std::uint32_t now_ms) {
  const bool host = config_.side == Player::Host;
  const bool expected = host ? m.kind == Kind::Hello : m.kind != Kind::Hello;
  if (!expected) {
    ++counters_.garbage;
    return;
  }
  if (host) {
    // The joiner says hello until it hears the welcome: nothing new.
    if (has_peer_) ++counters_.stale;
    if (!has_peer_) {
      peer_ = from;
      has_peer_ = true;
      peer_versions_ = m.handshake.versions;
      if (versionsMatch(peer_versions_)) {
        startGame(now_ms);
      } else {
        state_ = State::VersionMismatch;
      }
    }
    // Every hello of the joiner is answered: a welcome may be lost.
    if (state_ == State::Running || state_ == State::VersionMismatch) {
      Message welcome;
      welcome.kind = Kind::Welcome;
      welcome.handshake = ourHandshake();
      send(transport, welcome, from);
    }
    return;
  }
  if (state_ != State::Connecting) {
    ++counters_.stale;
    return;
  }
  if (m.kind == Kind::Full) {
    state_ = State::Full;
    return;
  }
  peer_versions_ = m.handshake.versions;
  if (!versionsMatch(peer_versions_)) {
    state_ = State::VersionMismatch;
    return;
  }
  delay_ = m.handshake.delay;
  width_ = m.handshake.width;
  height_ = m.handshake.height;
  startGame(now_ms);
}

void Lockstep::onInput(const InputBlock& b, std::uint32_t now_ms) {
  // The other side cannot be further than its delay beyond this side's
  // controls (it sets its next frame's before that frame can run), nor have
  // more of them, or of this side's checksums, than were set; its checksums
  // are of frames it has run, before its controls' delay.
  const auto delay = static_cast<std::uint32_t>(delay_);
  if (b.newest > local_known_ + delay || b.ack > local_known_ || b.crc_ack > crc_known_ ||
      (b.crc_count > 0 && b.crc_first + b.crc_count + delay > b.newest + 1) ||
      (b.crc_count > 0 && b.crc_first + b.crc_count > remote_crc_known_ + CRC_RING)) {
    ++counters_.out_of_range;
    return;
  }
  const std::uint32_t first = b.newest >= INPUT_WINDOW - 1 ? b.newest - (INPUT_WINDOW - 1) : 0;
  for (std::uint32_t frame = first; frame <= b.newest; ++frame) {
    const std::uint8_t in = b.inputs[frame + (INPUT_WINDOW - 1) - b.newest];
    // No input before the delay; none other than the one had for a frame.
    if (frame < delay && in != 0) {
      ++counters_.bad_value;
      return;
    }
    if (frame < remote_known_ && frame + RING / 2 >= remote_known_ && remote_[frame % RING] != in) {
      ++counters_.conflicting;
      return;
    }
  }
  // A checksum had already is never another.
  bool new_crcs = false;
  for (std::uint32_t i = 0; i < b.crc_count; ++i) {
    const std::uint32_t frame = b.crc_first + i;
    const std::uint32_t slot = frame % CRC_RING;
    if (remote_crc_frame_[slot] == frame) {
      if (remote_crc_[slot] != b.crcs[i]) {
        ++counters_.conflicting;
        return;
      }
    } else if (frame >= remote_crc_known_) {
      new_crcs = true;
    }
  }
  const bool news = !seen_any_ || b.newest > seen_newest_ || b.ack > seen_ack_ ||
                    b.crc_ack > peer_crc_ack_ || new_crcs;
  if (!news) {
    ++counters_.stale;
    return;
  }
  // Only progress proves the other side alive: its old datagrams, resent by
  // anyone, do not.
  last_heard_ms_ = now_ms;
  seen_any_ = true;
  seen_newest_ = std::max(seen_newest_, b.newest);
  seen_ack_ = std::max(seen_ack_, b.ack);
  remote_ack_ = std::max(remote_ack_, b.ack);
  peer_crc_ack_ = std::max(peer_crc_ack_, b.crc_ack);
  for (std::uint32_t i = 0; i < b.crc_count; ++i) {
    const std::uint32_t frame = b.crc_first + i;
    if (frame < remote_crc_known_) continue;
    remote_crc_frame_[frame % CRC_RING] = frame;
    remote_crc_[frame % CRC_RING] = b.crcs[i];
  }
  while (remote_crc_frame_[remote_crc_known_ % CRC_RING] == remote_crc_known_) ++remote_crc_known_;
  // New frames join the ones had only without a gap.
  if (first <= remote_known_) {
    for (std::uint32_t frame = remote_known_; frame <= b.newest; ++frame) {
      remote_[frame % RING] = b.inputs[frame + (INPUT_WINDOW - 1) - b.newest];
    }
    remote_known_ = std::max(remote_known_, b.newest + 1);
  }
  compareCrcs();
}

void Lockstep::setLocalControls(std::uint8_t controls) {
  if (state_ != State::Running || local_set_) return;
  local_[local_known_ % RING] = static_cast<std::uint8_t>(controls & CONTROL_BITS);
  ++local_known_;
  local_set_ = true;
}

// A frame also waits while the checksums of frames far behind are neither
// compared nor with the other side, so that none is lost from the rings.
bool Lockstep::ready() const {
  return state_ == State::Running && remote_known_ > executed_ &&
         executed_ - std::min(compared_, peer_crc_ack_) < CRC_LEAD;
}

int Lockstep::advance(GameEvent* out, std::uint8_t* host, std::uint8_t* joiner) {
  if (!ready()) return 0;
  if (!local_set_) setLocalControls(0);
  const std::uint32_t frame = executed_;
  const bool is_host = config_.side == Player::Host;
  const std::uint8_t h = is_host ? local_[frame % RING] : remote_[frame % RING];
  const std::uint8_t j = is_host ? remote_[frame % RING] : local_[frame % RING];
  if (host != nullptr) *host = h;
  if (joiner != nullptr) *joiner = j;
  ++executed_;
  local_set_ = false;
  return merger_.merge(h, j, out);
}

void Lockstep::setFrameCrc(std::uint32_t frame, std::uint32_t crc) {
  // Frames run and not yet in the row (a frame's checksum is set once).
  if (frame >= executed_ || frame < crc_known_ || frame >= crc_known_ + CRC_RING) return;
  crc_frame_[frame % CRC_RING] = frame;
  crc_[frame % CRC_RING] = crc;
  while (crc_frame_[crc_known_ % CRC_RING] == crc_known_) ++crc_known_;
  compareCrcs();
}

// Every frame both sides have a checksum of, in order: the first that
// differs is the same on both.
void Lockstep::compareCrcs() {
  const std::uint32_t both = std::min(crc_known_, remote_crc_known_);
  for (; compared_ < both && state_ == State::Running; ++compared_) {
    ++counters_.compared;
    const std::uint32_t slot = compared_ % CRC_RING;
    if (crc_[slot] != remote_crc_[slot]) reportDesync(compared_, false);
  }
}

// Both sides end naming the earliest frame either found: each tells its own
// until the other acknowledges that very frame.
void Lockstep::reportDesync(std::uint32_t frame, bool from_peer) {
  if (state_ == State::Running) {
    state_ = State::Desync;
    desync_frame_ = frame;
    if (!from_peer) startTelling(Kind::Desync);
  } else if (state_ == State::Desync) {
    if (frame < desync_frame_) {
      desync_frame_ = frame;
      if (!from_peer) startTelling(Kind::Desync);
    }
    if (from_peer && frame == desync_frame_ && telling_kind_ == Kind::Desync) telling_ = false;
  }
}

void Lockstep::leave(Transport& transport) {
  if (state_ == State::Left) return;
  state_ = State::Left;
  startTelling(Kind::Leave);
  if (telling_ && started_) tell(transport, now_ms_);
}

}  // namespace net
