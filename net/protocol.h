// The datagrams two computers exchange for a game in lockstep, and their
// parser. Every datagram starts with "SQ", its kind and the protocol version;
// each kind has one fixed size. Nothing read from a datagram is used as an
// index or a length: the parser checks sizes, kinds and value ranges, the
// lockstep core checks frame numbers against what it knows.
//
// A game is a session, not an address: the joiner's hello carries its random
// value J; the host answers an address it has not seen proved with a
// challenge carrying a cookie (a keyed hash of the address, J and the time),
// no larger than the hello; the hello again with the cookie proves the
// address, and only then the host seats the joiner and picks its own random
// value H. Every later datagram carries J and H. The first 16 bytes of hello
// and welcome keep the first protocol's layout, so that every version can
// read the other's versions; since protocol 3 the byte the first left empty
// after the client size carries the rollback limit (the host's is the game's).
#pragma once

#include <cstddef>
#include <cstdint>

namespace net {

inline constexpr std::uint8_t PROTOCOL_VERSION = 3;
// Frames of the sender's input in every game datagram.
inline constexpr int INPUT_WINDOW = 16;
// Most frames' picture checksums in one game datagram.
inline constexpr int CRC_WINDOW = 4;
// The input delay a game can have, in frames.
inline constexpr int MIN_DELAY = 1;
inline constexpr int MAX_DELAY = 7;
// The most frames a game may run ahead of the other side's input (0 is
// lockstep): the inputs kept must reach back to the oldest frame not confirmed.
inline constexpr int MAX_ROLLBACK = 20;
// The client sizes a game can have.
inline constexpr int MIN_CLIENT = 16;
inline constexpr int MAX_CLIENT = 4096;
// No datagram of the protocol is longer.
inline constexpr std::size_t MAX_DATAGRAM = 61;
// A hello or welcome that says only the versions, in every protocol.
inline constexpr std::size_t VERSIONS_SIZE = 16;
// A player's controls in one frame, for that player's ship: each arm control
// held at the end of the frame and pressed during it.
inline constexpr std::uint8_t ARM_BACK_HELD = 0x01;
inline constexpr std::uint8_t ARM_BACK_PRESSED = 0x02;
inline constexpr std::uint8_t ARM_ON_HELD = 0x04;
inline constexpr std::uint8_t ARM_ON_PRESSED = 0x08;
inline constexpr std::uint8_t CONTROL_BITS = 0x0F;

// A CRC frame number meaning "no checksum yet".
inline constexpr std::uint32_t NO_FRAME = 0xFFFFFFFFu;

enum class Kind : std::uint8_t {
  Hello = 1,      // joiner -> host, resent until answered
  Welcome = 2,    // host -> joiner: the game's delay, rollback limit and client size
  Full = 3,       // host -> a joiner too many
  Input = 4,      // both ways, in the game
  Leave = 5,      // the sender's window closed
  Desync = 6,     // the sender found the games differ from `frame`
  Ack = 7,        // the sender has the other side's Leave or Desync (`acked`)
  Challenge = 8,  // host -> a joiner not proved yet: the cookie to say hello with
};

// The session's two random values: the joiner's J and the host's H.
struct Session {
  std::uint64_t joiner = 0;
  std::uint64_t host = 0;
  friend bool operator==(const Session&, const Session&) = default;
};

struct ProgramVersions {
  std::uint8_t protocol = PROTOCOL_VERSION;
  std::uint16_t logic = 0;
  std::uint8_t major = 0;
  std::uint8_t minor = 0;
  std::uint8_t patch = 0;
};

struct Handshake {
  ProgramVersions versions;
  std::uint8_t delay = 0;
  std::uint8_t rollback = 0;  // 0 .. MAX_ROLLBACK; 0 is lockstep
  std::uint16_t width = 0;
  std::uint16_t height = 0;
};

// The game's datagram: the sender's newest controls, what it has of the
// receiver's, and the checksums of up to CRC_WINDOW of its frames in a row.
struct InputBlock {
  std::uint32_t newest = 0;     // the frame of inputs[INPUT_WINDOW - 1]
  std::uint32_t ack = 0;        // frames of the receiver's input the sender has
  std::uint32_t crc_ack = 0;    // frames of the receiver's checksums it has, in a row
  std::uint32_t crc_first = 0;  // the frame of crcs[0]
  std::uint8_t crc_count = 0;   // 0 .. CRC_WINDOW
  std::uint32_t crcs[CRC_WINDOW] = {};
  std::uint8_t inputs[INPUT_WINDOW] = {};  // frames newest - 15 .. newest
};

struct Message {
  Kind kind = Kind::Leave;
  Handshake handshake;         // Hello, Welcome
  bool versions_only = false;  // Hello, Welcome: the versions and nothing more
  // J in Hello, Challenge, Full; J and H in Welcome and every game datagram.
  Session session;
  std::uint64_t cookie = 0;  // Hello (0: none yet), Challenge
  InputBlock input;          // Input
  std::uint32_t frame = 0;   // Desync
  Kind acked = Kind::Leave;  // Ack: Leave, or Desync of `frame`
};

enum class ParseError {
  None,
  Short,     // fewer bytes than its kind has (or than any datagram)
  Long,      // more bytes than its kind has
  Garbage,   // not ours: magic, kind or protocol version
  BadValue,  // a value no sender makes: control bits, delay, client size, frames
};

// Parses one datagram of `size` bytes. A hello or welcome of another protocol
// is read as far as its versions (its first 16 bytes never change), so that
// they can be compared; the rest only in ours.
ParseError parse(const std::uint8_t* data, std::size_t size, Message* out);

// Writes a datagram into `out` (MAX_DATAGRAM bytes); its size.
std::size_t encode(const Message& message, std::uint8_t* out);

}  // namespace net
