#include "net/protocol.h"

#include <cstring>

namespace net {

namespace {

constexpr std::uint8_t MAGIC0 = 'S';
constexpr std::uint8_t MAGIC1 = 'Q';
constexpr std::size_t HEADER = 4;
// Hello and welcome: the versions, delay, client size and rollback limit (the
// first 16 bytes), then J and the cookie (hello) or H (welcome).
constexpr std::size_t HANDSHAKE_SIZE = VERSIONS_SIZE + 16;
constexpr std::size_t CHALLENGE_SIZE = HEADER + 16;
constexpr std::size_t FULL_SIZE = HEADER + 8;
// Every game datagram: the header, J and H, then its kind's own.
constexpr std::size_t SESSION_END = HEADER + 16;
constexpr std::size_t LEAVE_SIZE = SESSION_END;
constexpr std::size_t DESYNC_SIZE = SESSION_END + 4;
constexpr std::size_t ACK_SIZE = SESSION_END + 8;
// The game's datagram: newest, ack, checksum ack, first checksum's frame,
// their count, the inputs two to a byte (four bits each), the checksums.
constexpr std::size_t INPUT_SIZE = SESSION_END + 17 + INPUT_WINDOW / 2 + 4 * CRC_WINDOW;
static_assert(INPUT_SIZE == MAX_DATAGRAM);
// No answer to a hello is larger than the hello.
static_assert(CHALLENGE_SIZE <= HANDSHAKE_SIZE && FULL_SIZE <= HANDSHAKE_SIZE);

void put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF);
}

std::uint16_t get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t get32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

void put64(std::uint8_t* p, std::uint64_t v) {
  put32(p, static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
  put32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

std::uint64_t get64(const std::uint8_t* p) {
  return std::uint64_t{get32(p)} | (std::uint64_t{get32(p + 4)} << 32);
}

std::size_t sizeOf(const Message& m) {
  switch (m.kind) {
    case Kind::Hello:
    case Kind::Welcome:
      return m.versions_only ? VERSIONS_SIZE : HANDSHAKE_SIZE;
    case Kind::Challenge:
      return CHALLENGE_SIZE;
    case Kind::Full:
      return FULL_SIZE;
    case Kind::Leave:
      return LEAVE_SIZE;
    case Kind::Input:
      return INPUT_SIZE;
    case Kind::Desync:
      return DESYNC_SIZE;
    case Kind::Ack:
      return ACK_SIZE;
  }
  return 0;
}

bool handshake(Kind kind) { return kind == Kind::Hello || kind == Kind::Welcome; }

}  // namespace

ParseError parse(const std::uint8_t* data, std::size_t size, Message* out) {
  if (data == nullptr || size < HEADER) return ParseError::Short;
  if (data[0] != MAGIC0 || data[1] != MAGIC1) return ParseError::Garbage;
  const std::uint8_t kind_byte = data[2];
  if (kind_byte < static_cast<std::uint8_t>(Kind::Hello) ||
      kind_byte > static_cast<std::uint8_t>(Kind::Challenge)) {
    return ParseError::Garbage;
  }
  Message m;
  m.kind = static_cast<Kind>(kind_byte);
  const bool ours = data[3] == PROTOCOL_VERSION;
  if (!ours && !handshake(m.kind)) return ParseError::Garbage;
  // Another protocol's hello or welcome, whatever its length, and ours of
  // 16 bytes say the versions alone.
  m.versions_only = handshake(m.kind) && (!ours || size == VERSIONS_SIZE);
  const std::size_t expected = sizeOf(m);
  if (size < expected) return ParseError::Short;
  if (size > expected && ours) return ParseError::Long;

  switch (m.kind) {
    case Kind::Hello:
    case Kind::Welcome: {
      Handshake& h = m.handshake;
      h.versions.protocol = data[3];
      h.versions.logic = get16(data + 4);
      h.versions.major = data[6];
      h.versions.minor = data[7];
      h.versions.patch = data[8];
      h.delay = data[9];
      h.width = get16(data + 10);
      h.height = get16(data + 12);
      // Another protocol's values are only reported, never used.
      if (!ours) break;
      h.rollback = data[14];
      if (data[15] != 0) return ParseError::BadValue;
      if (h.delay < MIN_DELAY || h.delay > MAX_DELAY || h.rollback > MAX_ROLLBACK ||
          h.width < MIN_CLIENT || h.width > MAX_CLIENT || h.height < MIN_CLIENT ||
          h.height > MAX_CLIENT) {
        return ParseError::BadValue;
      }
      if (m.versions_only) break;
      m.session.joiner = get64(data + 16);
      if (m.kind == Kind::Hello) {
        m.cookie = get64(data + 24);
      } else {
        m.session.host = get64(data + 24);
      }
      break;
    }
    case Kind::Challenge:
      m.session.joiner = get64(data + 4);
      m.cookie = get64(data + 12);
      break;
    case Kind::Full:
      m.session.joiner = get64(data + 4);
      break;
    case Kind::Leave:
      break;
    case Kind::Input: {
      InputBlock& b = m.input;
      const std::uint8_t* p = data + SESSION_END;
      b.newest = get32(p);
      b.ack = get32(p + 4);
      b.crc_ack = get32(p + 8);
      b.crc_first = get32(p + 12);
      b.crc_count = p[16];
      for (int i = 0; i < INPUT_WINDOW; ++i) {
        b.inputs[i] = static_cast<std::uint8_t>((p[17 + i / 2] >> (4 * (i % 2))) & CONTROL_BITS);
      }
      for (int i = 0; i < CRC_WINDOW; ++i) b.crcs[i] = get32(p + 25 + 4 * i);
      // Frames start at 0: the window never reaches below it with input.
      for (int i = 0; i < INPUT_WINDOW; ++i) {
        const bool before_zero = b.newest < static_cast<std::uint32_t>(INPUT_WINDOW - 1 - i);
        if (before_zero && b.inputs[i] != 0) return ParseError::BadValue;
      }
      if (b.newest == NO_FRAME || b.ack == NO_FRAME || b.crc_ack == NO_FRAME) {
        return ParseError::BadValue;
      }
      // Checksums of frames the sender has run, which are before its newest
      // controls; unused places empty.
      if (b.crc_count > CRC_WINDOW) return ParseError::BadValue;
      if (b.crc_count == 0 ? b.crc_first != 0
                           : b.crc_first >= b.newest || b.crc_count > b.newest - b.crc_first) {
        return ParseError::BadValue;
      }
      for (int i = b.crc_count; i < CRC_WINDOW; ++i) {
        if (b.crcs[i] != 0) return ParseError::BadValue;
      }
      break;
    }
    case Kind::Desync:
      m.frame = get32(data + SESSION_END);
      if (m.frame == NO_FRAME) return ParseError::BadValue;
      break;
    case Kind::Ack: {
      const std::uint8_t* p = data + SESSION_END;
      if (p[0] != static_cast<std::uint8_t>(Kind::Leave) &&
          p[0] != static_cast<std::uint8_t>(Kind::Desync)) {
        return ParseError::BadValue;
      }
      m.acked = static_cast<Kind>(p[0]);
      m.frame = get32(p + 4);
      if (p[1] != 0 || p[2] != 0 || p[3] != 0 ||
          (m.acked == Kind::Leave ? m.frame != 0 : m.frame == NO_FRAME)) {
        return ParseError::BadValue;
      }
      break;
    }
  }
  if (m.kind >= Kind::Input && m.kind <= Kind::Ack) {
    m.session.joiner = get64(data + HEADER);
    m.session.host = get64(data + HEADER + 8);
  }
  *out = m;
  return ParseError::None;
}

std::size_t encode(const Message& m, std::uint8_t* out) {
  const std::size_t size = sizeOf(m);
  std::memset(out, 0, size);
  out[0] = MAGIC0;
  out[1] = MAGIC1;
  out[2] = static_cast<std::uint8_t>(m.kind);
  out[3] = handshake(m.kind) ? m.handshake.versions.protocol : PROTOCOL_VERSION;
  if (m.kind >= Kind::Input && m.kind <= Kind::Ack) {
    put64(out + HEADER, m.session.joiner);
    put64(out + HEADER + 8, m.session.host);
  }
  std::uint8_t* p = out + SESSION_END;
  switch (m.kind) {
    case Kind::Hello:
    case Kind::Welcome: {
      const Handshake& h = m.handshake;
      put16(out + 4, h.versions.logic);
      out[6] = h.versions.major;
      out[7] = h.versions.minor;
      out[8] = h.versions.patch;
      out[9] = h.delay;
      put16(out + 10, h.width);
      put16(out + 12, h.height);
      out[14] = h.rollback;
      if (m.versions_only) break;
      put64(out + 16, m.session.joiner);
      put64(out + 24, m.kind == Kind::Hello ? m.cookie : m.session.host);
      break;
    }
    case Kind::Challenge:
      put64(out + 4, m.session.joiner);
      put64(out + 12, m.cookie);
      break;
    case Kind::Full:
      put64(out + 4, m.session.joiner);
      break;
    case Kind::Leave:
      break;
    case Kind::Input:
      put32(p, m.input.newest);
      put32(p + 4, m.input.ack);
      put32(p + 8, m.input.crc_ack);
      put32(p + 12, m.input.crc_first);
      p[16] = m.input.crc_count;
      for (int i = 0; i < INPUT_WINDOW; ++i) {
        p[17 + i / 2] |=
            static_cast<std::uint8_t>((m.input.inputs[i] & CONTROL_BITS) << (4 * (i % 2)));
      }
      for (int i = 0; i < CRC_WINDOW && i < m.input.crc_count; ++i) {
        put32(p + 25 + 4 * i, m.input.crcs[i]);
      }
      break;
    case Kind::Desync:
      put32(p, m.frame);
      break;
    case Kind::Ack:
      p[0] = static_cast<std::uint8_t>(m.acked);
      put32(p + 4, m.acked == Kind::Desync ? m.frame : 0);
      break;
  }
  return size;
}

}  // namespace net
