#include "net/lockstep.h"

#include <algorithm>
#include <iterator>

#include "net/siphash.h"

namespace net {

Lockstep::Lockstep(const Config& config)
    : config_(config),
      delay_(std::clamp(config.delay, MIN_DELAY, MAX_DELAY)),
      rollback_(std::clamp(config.rollback, 0, MAX_ROLLBACK)),
      width_(config.width),
      height_(config.height) {
  std::fill(std::begin(crc_frame_), std::end(crc_frame_), NO_FRAME);
  std::fill(std::begin(remote_crc_frame_), std::end(remote_crc_frame_), NO_FRAME);
  config_.also_count = std::clamp(config.also_count, 0, Config::MAX_ALSO);
  if (config.side == Player::Joiner) {
    peer_ = config.peer;
    session_.joiner = config.own_value;
  }
}

bool Lockstep::versionsMatch(const ProgramVersions& other) const {
  return other.protocol == config_.versions.protocol && other.logic == config_.versions.logic;
}

Handshake Lockstep::ourHandshake() const {
  Handshake h;
  h.versions = config_.versions;
  h.delay = static_cast<std::uint8_t>(delay_);
  h.rollback = static_cast<std::uint8_t>(rollback_);
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
  Message m = message;
  // Every game datagram carries the session's two values.
  if (m.kind >= Kind::Input && m.kind <= Kind::Ack) m.session = session_;
  const std::size_t size = encode(m, bytes);
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
  for (int i = 0; i < MAX_READS; ++i) {
    size = transport.receive(&from, buffer, sizeof buffer);
    if (size == Transport::REFUSED) {
      ++counters_.refused;
      if (config_.side == Player::Joiner && state_ == State::Connecting && !refused_) {
        refused_ = true;
        refused_ms_ = now_ms;
      }
      continue;
    }
    if (size < 0) break;
    receive(transport, from, buffer, static_cast<std::size_t>(size), now_ms);
  }

  const bool joining = config_.side == Player::Joiner && state_ == State::Connecting;
  if ((state_ == State::Running || joining) && now_ms - last_heard_ms_ >= config_.timeout_ms) {
    state_ = State::NotAnswering;
    return;
  }
  // Refused, and no address of the host has challenged since: nobody hosts there.
  if (joining && refused_ && cookie_ == 0 && now_ms - refused_ms_ >= config_.refused_ms) {
    state_ = State::Refused;
    return;
  }
  if (joining && now_ms - last_send_ms_ >= config_.resend_ms) {
    sendHellos(transport, now_ms);
  } else if (state_ == State::Running) {
    sendInput(transport, now_ms);
  }
  if (telling_) tell(transport, now_ms);
}

// Until the host challenges: a hello to each of its addresses, and the
// versions alone in the first protocol's layout (a host of another version
// reads that and answers with its own). Then the hello with the cookie to the
// address that challenged, until the welcome; a cookie the host no longer
// takes (its time passed) is dropped and the hellos start again.
void Lockstep::sendHellos(Transport& transport, std::uint32_t now_ms) {
  last_send_ms_ = now_ms;
  if (cookie_ != 0 && now_ms - cookie_ms_ >= config_.cookie_ms) cookie_ = 0;
  Message hello;
  hello.kind = Kind::Hello;
  hello.handshake = ourHandshake();
  hello.session.joiner = session_.joiner;
  hello.cookie = cookie_;
  if (cookie_ != 0) {
    send(transport, hello, peer_);
    return;
  }
  Message versions = hello;
  versions.versions_only = true;
  for (int i = -1; i < config_.also_count; ++i) {
    const Address& to = i < 0 ? config_.peer : config_.also[i];
    send(transport, hello, to);
    send(transport, versions, to);
  }
}

std::uint64_t Lockstep::cookie(const Address& from, std::uint64_t joiner,
                               std::uint32_t bucket) const {
  std::uint8_t text[Address::CAPACITY + 1 + 8 + 4] = {};
  std::size_t n = 0;
  text[n++] = from.size;
  for (std::size_t i = 0; i < from.size && i < Address::CAPACITY; ++i) text[n++] = from.bytes[i];
  for (int i = 0; i < 8; ++i) text[n++] = static_cast<std::uint8_t>(joiner >> (8 * i));
  for (int i = 0; i < 4; ++i) text[n++] = static_cast<std::uint8_t>(bucket >> (8 * i));
  return sipHash24(config_.cookie_key, text, n);
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
  const bool host = config_.side == Player::Host;
  const bool game = m.kind >= Kind::Input && m.kind <= Kind::Ack;
  // The session is the peer, whatever address it comes from.
  if (game && (!has_peer_ || !(m.session == session_))) {
    // The host's game may reach a joiner before its welcome does.
    if (!host && !has_peer_ && m.session.joiner == session_.joiner && cookie_ != 0) {
      ++counters_.stale;
    } else {
      ++counters_.no_session;
    }
    return;
  }
  ++counters_.received;
  counters_.received_bytes += size;
  switch (m.kind) {
    case Kind::Hello:
      if (!host) {
        ++counters_.garbage;
        return;
      }
      onHello(transport, from, m, now_ms);
      return;
    case Kind::Welcome:
    case Kind::Challenge:
    case Kind::Full:
      if (host) {
        ++counters_.garbage;
        return;
      }
      onHandshake(transport, from, m, now_ms);
      return;
    case Kind::Input:
      if (state_ != State::Running) {
        ++counters_.stale;
        return;
      }
      onInput(from, m.input, now_ms);
      return;
    case Kind::Leave:
      peer_ = from;
      acknowledge(transport, Kind::Leave);
      if (state_ == State::Running || state_ == State::Connecting) state_ = State::PeerLeft;
      // Nobody is left to hear how this side's game ended.
      telling_ = false;
      return;
    case Kind::Desync: {
      // Only a frame the other side can have run.
      if (m.frame >= local_known_ + static_cast<std::uint32_t>(delay_ + rollback_)) {
        ++counters_.out_of_range;
        return;
      }
      peer_ = from;
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

// A hello at the host. Nothing is sent to an address not proved that is
// larger than what came from it, and nothing is kept for it: a hello without
// a cookie gets a challenge, one of another version the versions (the host
// waits on); a hello with this host's cookie seats its joiner (or, the game
// taken, is told "full").
void Lockstep::onHello(Transport& transport, const Address& from, const Message& m,
                       std::uint32_t now_ms) {
  const ProgramVersions& v = m.handshake.versions;
  if (!versionsMatch(v)) {
    ++counters_.other_version;
    Message versions;
    versions.kind = Kind::Welcome;
    versions.versions_only = true;
    versions.handshake = ourHandshake();
    send(transport, versions, from);
    return;
  }
  if (m.versions_only) {
    ++counters_.stale;  // the same versions: its full hello follows
    return;
  }
  const std::uint32_t bucket = now_ms / config_.cookie_ms;
  if (m.cookie == 0) {
    ++counters_.challenged;
    Message challenge;
    challenge.kind = Kind::Challenge;
    challenge.session.joiner = m.session.joiner;
    challenge.cookie = cookie(from, m.session.joiner, bucket);
    send(transport, challenge, from);
    return;
  }
  if (m.cookie != cookie(from, m.session.joiner, bucket) &&
      m.cookie != cookie(from, m.session.joiner, bucket - 1)) {
    ++counters_.bad_cookie;
    return;
  }
  if (has_peer_ && m.session.joiner != session_.joiner) {
    ++counters_.third_party;
    Message full;
    full.kind = Kind::Full;
    full.session.joiner = m.session.joiner;
    send(transport, full, from);
    return;
  }
  if (!has_peer_) {
    has_peer_ = true;
    session_.joiner = m.session.joiner;
    session_.host = config_.own_value;
    peer_versions_ = v;
    startGame(now_ms);
  } else {
    ++counters_.stale;  // its welcome was lost: again
  }
  peer_ = from;
  Message welcome;
  welcome.kind = Kind::Welcome;
  welcome.handshake = ourHandshake();
  welcome.session = session_;
  send(transport, welcome, from);
}

// The host's answers at the joiner: each names this joiner's J, or it is
// someone else's (or a stranger's) and dropped.
void Lockstep::onHandshake(Transport& transport, const Address& from, const Message& m,
                           std::uint32_t now_ms) {
  if (state_ != State::Connecting) {
    ++counters_.stale;
    return;
  }
  if (m.kind == Kind::Welcome && m.versions_only) {
    // The host's versions, in any protocol: another version ends the joining.
    if (versionsMatch(m.handshake.versions)) {
      ++counters_.stale;
      return;
    }
    peer_versions_ = m.handshake.versions;
    state_ = State::VersionMismatch;
    return;
  }
  if (m.session.joiner != session_.joiner) {
    ++counters_.no_session;
    return;
  }
  switch (m.kind) {
    case Kind::Challenge:
      cookie_ = m.cookie;
      cookie_ms_ = now_ms;
      peer_ = from;
      sendHellos(transport, now_ms);
      return;
    case Kind::Full:
      state_ = State::Full;
      return;
    default:
      break;
  }
  peer_versions_ = m.handshake.versions;
  if (!versionsMatch(peer_versions_)) {
    state_ = State::VersionMismatch;
    return;
  }
  has_peer_ = true;
  session_.host = m.session.host;
  peer_ = from;
  delay_ = m.handshake.delay;
  rollback_ = std::min<int>(m.handshake.rollback, MAX_ROLLBACK);
  width_ = m.handshake.width;
  height_ = m.handshake.height;
  startGame(now_ms);
}

void Lockstep::onInput(const Address& from, const InputBlock& b, std::uint32_t now_ms) {
  // The other side cannot be further than its delay (and its rollback limit)
  // beyond this side's controls (it sets its next frame's before that frame
  // can run), nor have more of them, or of this side's checksums, than were
  // set; its checksums are of frames it has run, before its controls' delay.
  const auto delay = static_cast<std::uint32_t>(delay_);
  const auto ahead = static_cast<std::uint32_t>(rollback_);
  if (b.newest > local_known_ + delay + ahead || b.ack > local_known_ || b.crc_ack > crc_known_ ||
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
  // anyone, do not. Where it came from is where the other side is now (a
  // home router may have given it another port).
  last_heard_ms_ = now_ms;
  peer_ = from;
  if (!seen_any_ || b.newest > seen_newest_) noteSync(b);
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
    const std::uint32_t old_known = remote_known_;
    for (std::uint32_t frame = remote_known_; frame <= b.newest; ++frame) {
      remote_[frame % RING] = b.inputs[frame + (INPUT_WINDOW - 1) - b.newest];
    }
    remote_known_ = std::max(remote_known_, b.newest + 1);
    notePrediction(old_known);
  }
  advanceCrcRow();
}

// The frames run on a prediction whose controls have come: the first that
// ran with others is run again (with every frame after it).
void Lockstep::notePrediction(std::uint32_t old_known) {
  const std::uint32_t end = std::min(remote_known_, executed_);
  for (std::uint32_t frame = old_known; frame < end; ++frame) {
    if (remote_[frame % RING] == ran_remote_[frame % RING]) continue;
    if (cursor_ == NO_FRAME) {
      pending_ = std::min(pending_, frame);
    } else if (frame < cursor_) {
      again_ = std::min(again_, frame);  // run again already: once more after it
    }
    return;
  }
}

// How far this side runs ahead of the other (its frame less the other's
// when it sent this), less how far the other runs ahead of this one (its
// frame less the frame of this side's controls it had then). The line's
// latency adds to the first one way and to the second the other way, so
// the difference is twice this side's lead plus how much longer the way
// here takes than the way there; each side slowing while it is over about
// two frames (a frame and a half: both sides' views lag a part of a frame)
// leaves both the same short rollbacks.
void Lockstep::noteSync(const InputBlock& b) {
  if (rollback_ == 0) return;
  const std::int64_t sample =
      std::int64_t{executed_} + delay_ + std::int64_t{b.ack} - 2 * (std::int64_t{b.newest} + 1);
  const auto frames = static_cast<std::int32_t>(std::clamp<std::int64_t>(sample, -64, 64));
  // The mean of the samples so far, then of about the last SYNC_SAMPLES.
  if (sync_samples_ < SYNC_SAMPLES) ++sync_samples_;
  sync_average_ += (frames * SYNC_ONE - sync_average_) / static_cast<std::int32_t>(sync_samples_);
}

void Lockstep::setLocalControls(std::uint8_t controls) {
  if (state_ != State::Running || local_set_) return;
  local_[local_known_ % RING] = static_cast<std::uint8_t>(controls & CONTROL_BITS);
  ++local_known_;
  local_set_ = true;
}

// A frame also waits while the checksums of frames far behind are neither
// compared nor with the other side, so that none is lost from the rings.
// With a rollback limit a frame runs that many frames beyond the other
// side's controls at most, and none while frames wait to run again.
bool Lockstep::ready() const {
  return state_ == State::Running &&
         remote_known_ + static_cast<std::uint32_t>(rollback_) > executed_ &&
         pending_ == NO_FRAME && cursor_ == NO_FRAME &&
         executed_ - std::min(compared_, peer_crc_ack_) < CRC_LEAD;
}

std::uint8_t Lockstep::remoteNow(std::uint32_t frame) const {
  if (frame < remote_known_) return remote_[frame % RING];
  // The last controls had, held: no new presses.
  return static_cast<std::uint8_t>(remote_[(remote_known_ - 1) % RING] &
                                   (ARM_BACK_HELD | ARM_ON_HELD));
}

int Lockstep::advance(GameEvent* out, std::uint8_t* host, std::uint8_t* joiner) {
  if (!ready()) return 0;
  if (!local_set_) setLocalControls(0);
  const std::uint32_t frame = executed_;
  const bool is_host = config_.side == Player::Host;
  const std::uint8_t remote = remoteNow(frame);
  ran_remote_[frame % RING] = remote;
  merger_before_[frame % RING] = merger_;
  const std::uint8_t h = is_host ? local_[frame % RING] : remote;
  const std::uint8_t j = is_host ? remote : local_[frame % RING];
  if (host != nullptr) *host = h;
  if (joiner != nullptr) *joiner = j;
  ++executed_;
  local_set_ = false;
  const int count = merger_.merge(h, j, out);
  advanceCrcRow();
  return count;
}

void Lockstep::setFrameCrc(std::uint32_t frame, std::uint32_t crc) {
  // Frames run and not yet in the row (a frame's checksum is set once).
  if (frame >= executed_ || frame < crc_known_ || frame >= crc_known_ + CRC_RING) return;
  crc_frame_[frame % CRC_RING] = frame;
  crc_[frame % CRC_RING] = crc;
  advanceCrcRow();
}

// This side's checksums join the row that is sent and compared once their
// frames are confirmed (in lockstep, once run).
void Lockstep::advanceCrcRow() {
  const std::uint32_t confirmed = confirmedFrames();
  while (crc_known_ < confirmed && crc_frame_[crc_known_ % CRC_RING] == crc_known_) ++crc_known_;
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

std::uint32_t Lockstep::confirmedFrames() const {
  return std::min({remote_known_, executed_, pending_, again_});
}

std::uint32_t Lockstep::mispredicted() const { return pending_; }

// Frames run again in order from the one mispredicted, each from the merger
// as it was before it; the last one ends the re-run (or starts the next, if
// news came for a frame it had run again already).
int Lockstep::rerun(std::uint32_t frame, GameEvent* out, std::uint8_t* host, std::uint8_t* joiner) {
  if (pending_ == NO_FRAME || frame >= executed_) return 0;
  if (frame == pending_) {
    cursor_ = frame;
    again_ = NO_FRAME;
    ++counters_.rollbacks;
    counters_.deepest_rollback = std::max(counters_.deepest_rollback, executed_ - frame);
  } else if (frame != cursor_) {
    return 0;
  }
  const std::uint32_t slot = frame % RING;
  const std::uint8_t remote = remoteNow(frame);
  ran_remote_[slot] = remote;
  const bool is_host = config_.side == Player::Host;
  const std::uint8_t h = is_host ? local_[slot] : remote;
  const std::uint8_t j = is_host ? remote : local_[slot];
  if (host != nullptr) *host = h;
  if (joiner != nullptr) *joiner = j;
  InputMerger merger = merger_before_[slot];
  const int count = merger.merge(h, j, out);
  if (frame + 1 < executed_) {
    merger_before_[(frame + 1) % RING] = merger;
  } else {
    merger_ = merger;
  }
  // Its picture changes: the checksum of its first run is not the one kept.
  if (crc_frame_[frame % CRC_RING] == frame) crc_frame_[frame % CRC_RING] = NO_FRAME;
  ++counters_.rerun_frames;
  cursor_ = frame + 1;
  if (cursor_ == executed_) {
    pending_ = again_;
    again_ = NO_FRAME;
    cursor_ = NO_FRAME;
    advanceCrcRow();
  }
  return count;
}

int Lockstep::confirmedEvents(std::uint32_t frame, GameEvent* out, std::uint8_t* host,
                              std::uint8_t* joiner) const {
  // Confirmed, and its controls and merger still in the rings.
  if (frame >= confirmedFrames() || frame + RING <= local_known_ || executed_ - frame > RING) {
    return 0;
  }
  const std::uint32_t slot = frame % RING;
  const bool is_host = config_.side == Player::Host;
  const std::uint8_t h = is_host ? local_[slot] : ran_remote_[slot];
  const std::uint8_t j = is_host ? ran_remote_[slot] : local_[slot];
  if (host != nullptr) *host = h;
  if (joiner != nullptr) *joiner = j;
  InputMerger merger = merger_before_[slot];
  return merger.merge(h, j, out);
}

bool Lockstep::slowDown(std::uint32_t now_ms) {
  (void)now_ms;  // the pace is counted in frames run
  if (rollback_ == 0 || state_ != State::Running || sync_samples_ < SYNC_FIRST) return false;
  if (executed_ < last_slow_frame_ + SLOW_EVERY || sync_average_ <= SYNC_ONE * 3 / 2) return false;
  last_slow_frame_ = executed_;
  // Its effect, in advance: this side's lead is a frame less (the other
  // side's view of it shows that a line's latency later).
  sync_average_ -= 2 * SYNC_ONE;
  ++counters_.slowed;
  return true;
}

void Lockstep::leave(Transport& transport) {
  if (state_ == State::Left) return;
  state_ = State::Left;
  startTelling(Kind::Leave);
  if (telling_ && started_) tell(transport, now_ms_);
}

}  // namespace net
