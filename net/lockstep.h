// The lockstep core: two computers run the same game frame by frame,
// exchanging only their players' inputs. It knows no sockets (a Transport
// carries its datagrams) and no game: it takes this side's controls per
// frame, hands out the merged input of each frame once both sides' controls
// for it are there, and compares the pictures' checksums the game reports.
//
// Frames are numbered from 0. A side's controls sampled while it runs frame f
// take effect at frame f + delay on both computers; frames 0 .. delay - 1
// carry none. In lockstep (rollback 0) a frame waits until the other side's
// input for it has come. With a rollback limit a side runs up to that many
// frames beyond the other side's input on a prediction of it, and when the
// real input differs the caller restores the state before the first frame
// predicted wrongly and runs the frames since again (mispredicted, rerun).
#pragma once

#include <cstddef>
#include <cstdint>

#include "net/inputs.h"
#include "net/protocol.h"
#include "net/transport.h"

namespace net {

struct Config {
  Player side = Player::Host;
  ProgramVersions versions;
  int delay = 3;  // the host's is the game's
  std::uint16_t width = 734;
  std::uint16_t height = 531;
  // Frames the game may run ahead of the other side's input; 0: lockstep
  // (the host's counts).
  int rollback = 0;
  // The joiner's host: every address its name has (the first in `peer`); a
  // hello goes to each until one answers, and the host is heard from any.
  static constexpr int MAX_ALSO = 3;
  Address peer;
  Address also[MAX_ALSO];
  int also_count = 0;
  // This side's random value of the session (the joiner's J, the host's H),
  // and the host's key for its cookies: secret, from net/random.h.
  std::uint64_t own_value = 0;
  std::uint8_t cookie_key[16] = {};
  // A cookie holds for the time bucket it was made in and the next one.
  std::uint32_t cookie_ms = 4096;
  std::uint32_t resend_ms = 100;  // hello until answered
  // A game datagram again after this long without new controls: longer than a
  // frame period, so that a frame at 60 per second sends one, not two.
  std::uint32_t send_ms = 34;
  // Only datagrams that bring something new (inputs, an acknowledgement, a
  // checksum) count as hearing from the other side.
  std::uint32_t timeout_ms = 15000;
  // A joiner whose hello was refused (no program at the port) and that no
  // address of the host has answered this long after gives up.
  std::uint32_t refused_ms = 1000;
  // A leave or desync is resent this often until acknowledged, for this long.
  std::uint32_t tell_resend_ms = 50;
  std::uint32_t tell_ms = 1000;
};

enum class State {
  Connecting,       // host: waiting for a joiner; joiner: saying hello
  Running,          // frames run
  VersionMismatch,  // joiner: the host's protocol or logic version differs
  Full,             // the host has its joiner already
  PeerLeft,         // the other side's window closed
  NotAnswering,     // nothing from the other side for timeout_ms
  Refused,          // joiner: the host's computer has no program at the port
  Desync,           // the two games' pictures differ from desyncFrame()
  Left,             // this side left
};

// Datagrams counted by what became of them.
struct Counters {
  std::uint64_t sent = 0;
  std::uint64_t sent_bytes = 0;
  std::uint64_t received = 0;  // well-formed
  std::uint64_t received_bytes = 0;
  std::uint64_t third_party = 0;    // a proved joiner too many, answered "full"
  std::uint64_t no_session = 0;     // without this session's values, from anywhere
  std::uint64_t bad_cookie = 0;     // hellos with a cookie this host did not make
  std::uint64_t challenged = 0;     // hellos answered with a challenge
  std::uint64_t other_version = 0;  // hellos of another version, answered with ours
  std::uint64_t refused = 0;        // the system's reports of a port without a program
  std::uint64_t short_ = 0;         // fewer bytes than their kind
  std::uint64_t long_ = 0;          // more bytes than their kind
  std::uint64_t garbage = 0;        // not ours, or a kind this side never gets
  std::uint64_t bad_value = 0;      // values no sender makes
  std::uint64_t out_of_range = 0;   // frames this game cannot have reached
  std::uint64_t conflicting = 0;    // inputs that differ from ones already had
  std::uint64_t stale = 0;          // nothing new: duplicates, replays, late ones
  std::uint64_t compared = 0;       // frames whose two checksums were compared
  std::uint64_t rollbacks = 0;      // mispredictions corrected
  std::uint64_t rerun_frames = 0;   // frames run again for them
  std::uint32_t deepest_rollback = 0;
  std::uint64_t slowed = 0;  // frame periods let pass by the time sync
  std::uint64_t dropped() const {
    return third_party + no_session + bad_cookie + short_ + long_ + garbage + bad_value +
           out_of_range + conflicting;
  }
};

class Lockstep {
 public:
  explicit Lockstep(const Config& config);

  // Reads every waiting datagram, then sends what is due at now_ms.
  void poll(Transport& transport, std::uint32_t now_ms);
  // One received datagram (poll calls it; tests may too). `size` may exceed
  // MAX_DATAGRAM: such a datagram is counted long.
  void receive(Transport& transport, const Address& from, const std::uint8_t* data,
               std::size_t size, std::uint32_t now_ms);

  State state() const { return state_; }
  // The other side's versions (the joiner: the host's, from its welcome), the
  // game's delay and client size (the host's).
  const ProgramVersions& peerVersions() const { return peer_versions_; }
  int delay() const { return delay_; }
  // The game's rollback limit (the host's, agreed in the handshake).
  int rollback() const { return rollback_; }
  std::uint16_t width() const { return width_; }
  std::uint16_t height() const { return height_; }
  // Where this side sends: the address that last brought something new.
  const Address& peer() const { return peer_; }
  const Session& session() const { return session_; }

  // The frame the game runs next.
  std::uint32_t nextFrame() const { return executed_; }
  // The frames of the other side's controls had, in a row from frame 0, and
  // those of a frame from nextFrame() up to that.
  std::uint32_t remoteKnown() const { return remote_known_; }
  std::uint8_t remoteControls(std::uint32_t frame) const { return remote_[frame % RING]; }
  // This side's controls sampled during the frame now being run; they take
  // effect at nextFrame() + delay. Once per frame, before advance().
  void setLocalControls(std::uint8_t controls);
  // True when frame nextFrame() can run: the game is on, this side's controls
  // for the frame are set and the other side's have come (with a rollback
  // limit: came for a frame less than the limit before it, and no frame
  // waits to run again).
  bool ready() const;
  // Runs frame nextFrame(): its merged events into out (MAX_FRAME_EVENTS),
  // their count; the frame's two control bytes into *host, *joiner when given.
  int advance(GameEvent* out, std::uint8_t* host = nullptr, std::uint8_t* joiner = nullptr);
  // The checksum of the picture of a frame this side has run. With a rollback
  // limit it may come again for a frame run again (it replaces one not yet
  // confirmed), and it is sent and compared only once the frame is below
  // confirmedFrames().
  void setFrameCrc(std::uint32_t frame, std::uint32_t crc);

  // Frames from 0, in a row, whose both sides' controls are known and which
  // this side has run with exactly those controls (their state and picture
  // are final); never beyond a pending misprediction. In lockstep nextFrame().
  std::uint32_t confirmedFrames() const;
  // The first frame already run whose other side's controls, now known,
  // differ from the ones it ran with; NO_FRAME when none (always in
  // lockstep). The caller restores the state saved before that frame and
  // calls rerun() for every frame from it to nextFrame() - 1, in order; until
  // then no frame is ready.
  std::uint32_t mispredicted() const;
  // The events of `frame` with the controls known now (predictions where
  // still unknown) into out (MAX_FRAME_EVENTS); their count (0 for a frame
  // out of turn). After rerun(nextFrame() - 1) mispredicted() is NO_FRAME
  // again, unless newer news arrived meanwhile.
  int rerun(std::uint32_t frame, GameEvent* out, std::uint8_t* host = nullptr,
            std::uint8_t* joiner = nullptr);
  // The merged events a confirmed frame ran with (frame < confirmedFrames()
  // and no more than 48 frames before nextFrame(); 0 otherwise), and its two
  // control bytes when asked: for recordings, which hold confirmed frames only.
  int confirmedEvents(std::uint32_t frame, GameEvent* out, std::uint8_t* host = nullptr,
                      std::uint8_t* joiner = nullptr) const;
  // Time sync: true when this side should let this frame period pass without
  // running a frame, because it keeps running ahead of the other side
  // (counted in counters().slowed). Always false in lockstep.
  bool slowDown(std::uint32_t now_ms);
  // The first frame found different when state() is Desync.
  std::uint32_t desyncFrame() const { return desync_frame_; }

  // True when the other side has this side's controls for the frames before
  // `frames`: a side that stops there may leave without starving the other.
  bool delivered(std::uint32_t frames) const { return remote_ack_ >= frames; }
  // True when the other side has reported its picture of `frame`: it has run it.
  bool peerRan(std::uint32_t frame) const { return remote_crc_known_ > frame; }
  // True when the other side has this side's checksums of the frames before
  // `frames`: it compares them all.
  bool checksumsDelivered(std::uint32_t frames) const { return peer_crc_ack_ >= frames; }
  // Tells the other side this one leaves; poll resends it until acknowledged
  // or for tell_ms.
  void leave(Transport& transport);
  // True once the other side has been told how this side's game ended (or
  // there was nothing to tell, or it did not answer within tell_ms): the side
  // may stop polling.
  bool told() const { return !telling_; }

  const Counters& counters() const { return counters_; }

 private:
  static constexpr int RING = 64;  // frames of inputs kept
  // Frames of checksums kept: this side's until the other has them and both
  // are compared. A side runs no further ahead of either (CRC_LEAD).
  static constexpr int CRC_RING = 128;
  static constexpr std::uint32_t CRC_LEAD = CRC_RING - 16;
  static constexpr int MAX_READS = 256;  // datagrams read per poll
  // Time sync: a side slows when, on average over the other side's recent
  // datagrams (the last SYNC_SAMPLES or so, from SYNC_FIRST on), it runs
  // about a frame ahead or more (in 1/256 frames), at most once in SLOW_EVERY
  // frames.
  static constexpr std::int32_t SYNC_ONE = 256;
  static constexpr std::uint32_t SLOW_EVERY = 10;
  static constexpr std::uint32_t SYNC_SAMPLES = 16;
  static constexpr std::uint32_t SYNC_FIRST = 4;

  void send(Transport& transport, const Message& message, const Address& to);
  void sendInput(Transport& transport, std::uint32_t now_ms);
  void onHandshake(Transport& transport, const Address& from, const Message& m,
                   std::uint32_t now_ms);
  void onInput(const Address& from, const InputBlock& block, std::uint32_t now_ms);
  void onHello(Transport& transport, const Address& from, const Message& m, std::uint32_t now_ms);
  std::uint64_t cookie(const Address& from, std::uint64_t joiner, std::uint32_t bucket) const;
  void sendHellos(Transport& transport, std::uint32_t now_ms);
  void compareCrcs();
  void advanceCrcRow();
  // The other side's controls for `frame` as known now: had, or predicted.
  std::uint8_t remoteNow(std::uint32_t frame) const;
  void notePrediction(std::uint32_t old_known);
  void noteSync(const InputBlock& b);
  void startGame(std::uint32_t now_ms);
  void reportDesync(std::uint32_t frame, bool from_peer);
  void startTelling(Kind kind);
  void tell(Transport& transport, std::uint32_t now_ms);
  void acknowledge(Transport& transport, Kind kind);
  bool versionsMatch(const ProgramVersions& other) const;
  Handshake ourHandshake() const;

  Config config_;
  State state_ = State::Connecting;
  Address peer_;
  bool has_peer_ = false;  // the session is on: a joiner seated, or the host's welcome had
  Session session_;
  std::uint64_t cookie_ = 0;  // joiner: the host's challenge, 0 before one
  std::uint32_t cookie_ms_ = 0;
  bool refused_ = false;  // joiner: a hello found no program, at refused_ms_
  std::uint32_t refused_ms_ = 0;
  ProgramVersions peer_versions_;
  int delay_;
  int rollback_;
  std::uint16_t width_;
  std::uint16_t height_;

  InputMerger merger_;
  std::uint8_t local_[RING] = {};
  std::uint8_t remote_[RING] = {};
  std::uint32_t executed_ = 0;      // frames run
  std::uint32_t local_known_ = 0;   // frames of this side's controls set
  std::uint32_t remote_known_ = 0;  // frames of the other side's controls had, in a row
  bool local_set_ = false;          // controls for the running frame set

  // Rollback: per frame run (RING back), the other side's controls it ran
  // with and the merger as it was before it, so that a frame can run again.
  std::uint8_t ran_remote_[RING] = {};
  InputMerger merger_before_[RING];
  std::uint32_t pending_ = NO_FRAME;  // the first frame to run again
  std::uint32_t cursor_ = NO_FRAME;   // the next frame of a re-run under way
  std::uint32_t again_ = NO_FRAME;    // news during it for a frame it ran already
  // Time sync: how far this side runs ahead of the other, less how far the
  // other runs ahead of it, averaged (SYNC_ONE a frame).
  std::int32_t sync_average_ = 0;
  std::uint32_t sync_samples_ = 0;
  std::uint32_t last_slow_frame_ = 0;

  // What the other side has told: its highest newest and ack.
  std::uint32_t seen_newest_ = 0;
  std::uint32_t seen_ack_ = 0;
  bool seen_any_ = false;
  std::uint32_t remote_ack_ = 0;  // frames of our controls the other side has

  // This side's checksums and the other side's, by frame (each slot tagged
  // with its frame), each had from frame 0 in a row up to *_known_.
  std::uint32_t crc_frame_[CRC_RING];
  std::uint32_t crc_[CRC_RING] = {};
  std::uint32_t crc_known_ = 0;
  std::uint32_t remote_crc_frame_[CRC_RING];
  std::uint32_t remote_crc_[CRC_RING] = {};
  std::uint32_t remote_crc_known_ = 0;
  std::uint32_t peer_crc_ack_ = 0;  // frames of our checksums the other side has
  std::uint32_t crc_cursor_ = 0;    // the first of ours never sent
  bool crc_resend_ = false;         // the next datagram's start from the oldest unacknowledged
  std::uint32_t compared_ = 0;
  std::uint32_t desync_frame_ = NO_FRAME;

  // The ending this side tells the other (Leave or Desync) until acknowledged.
  bool telling_ = false;
  Kind telling_kind_ = Kind::Leave;
  bool told_once_ = false;
  std::uint32_t telling_since_ms_ = 0;
  std::uint32_t last_tell_ms_ = 0;

  bool started_ = false;      // poll has a clock reading
  std::uint32_t now_ms_ = 0;  // the last poll's
  std::uint32_t last_heard_ms_ = 0;
  std::uint32_t last_send_ms_ = 0;
  std::uint32_t last_sent_newest_ = NO_FRAME;
  Counters counters_;
};

}  // namespace net
