#include "net/protocol.h"

#include <cstring>

namespace net {

namespace {

constexpr std::uint8_t MAGIC0 = 'S';
constexpr std::uint8_t MAGIC1 = 'Q';
constexpr std::size_t HEADER = 4;
constexpr std::size_t HANDSHAKE_SIZE = 16;
constexpr std::size_t SMALL_SIZE = 4;
constexpr std::size_t DESYNC_SIZE = 8;
constexpr std::size_t ACK_SIZE = 12;
// The game's datagram: newest, ack, checksum ack, first checksum's frame,
// their count, the inputs two to a byte (four bits each), the checksums.
constexpr std::size_t INPUT_SIZE = HEADER + 17 + INPUT_WINDOW / 2 + 4 * CRC_WINDOW;
static_assert(INPUT_SIZE == MAX_DATAGRAM);

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

std::size_t sizeOf(Kind kind) {
  switch (kind) {
    case Kind::Hello:
    case Kind::Welcome:
      return HANDSHAKE_SIZE;
    case Kind::Full:
    case Kind::Leave:
      return SMALL_SIZE;
    case Kind::Input:
      return INPUT_SIZE;
    case Kind::Desync:
      return DESYNC_SIZE;
    case Kind::Ack:
      return ACK_SIZE;
  }
  return 0;
}

bool anyProtocol(Kind kind) {
  return kind == Kind::Hello || kind == Kind::Welcome || kind == Kind::Full;
}

}  // namespace

ParseError parse(const std::uint8_t* data, std::size_t size, Message* out) {
  if (data == nullptr || size < HEADER) return ParseError::Short;
  if (data[0] != MAGIC0 || data[1] != MAGIC1) return ParseError::Garbage;
  const std::uint8_t kind_byte = data[2];
  if (kind_byte < static_cast<std::uint8_t>(Kind::Hello) ||
      kind_byte > static_cast<std::uint8_t>(Kind::Ack)) {
    return ParseError::Garbage;
  }
  const auto kind = static_cast<Kind>(kind_byte);
  if (!anyProtocol(kind) && data[3] != PROTOCOL_VERSION) return ParseError::Garbage;
  const std::size_t expected = sizeOf(kind);
  if (size < expected) return ParseError::Short;
  if (size > expected) return ParseError::Long;

  Message m;
  m.kind = kind;
  switch (kind) {
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
      if (data[14] != 0 || data[15] != 0) return ParseError::BadValue;
      // Another protocol's values are only reported, never used.
      if (h.versions.protocol == PROTOCOL_VERSION &&
          (h.delay < MIN_DELAY || h.delay > MAX_DELAY || h.width < MIN_CLIENT ||
           h.width > MAX_CLIENT || h.height < MIN_CLIENT || h.height > MAX_CLIENT)) {
        return ParseError::BadValue;
      }
      break;
    }
    case Kind::Full:
    case Kind::Leave:
      break;
    case Kind::Input: {
      InputBlock& b = m.input;
      b.newest = get32(data + 4);
      b.ack = get32(data + 8);
      b.crc_ack = get32(data + 12);
      b.crc_first = get32(data + 16);
      b.crc_count = data[20];
      for (int i = 0; i < INPUT_WINDOW; ++i) {
        b.inputs[i] = static_cast<std::uint8_t>((data[21 + i / 2] >> (4 * (i % 2))) & CONTROL_BITS);
      }
      for (int i = 0; i < CRC_WINDOW; ++i) b.crcs[i] = get32(data + 29 + 4 * i);
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
      m.frame = get32(data + 4);
      if (m.frame == NO_FRAME) return ParseError::BadValue;
      break;
    case Kind::Ack:
      if (data[4] != static_cast<std::uint8_t>(Kind::Leave) &&
          data[4] != static_cast<std::uint8_t>(Kind::Desync)) {
        return ParseError::BadValue;
      }
      m.acked = static_cast<Kind>(data[4]);
      m.frame = get32(data + 8);
      if (data[5] != 0 || data[6] != 0 || data[7] != 0 ||
          (m.acked == Kind::Leave ? m.frame != 0 : m.frame == NO_FRAME)) {
        return ParseError::BadValue;
      }
      break;
  }
  *out = m;
  return ParseError::None;
}

std::size_t encode(const Message& m, std::uint8_t* out) {
  const std::size_t size = sizeOf(m.kind);
  std::memset(out, 0, size);
  out[0] = MAGIC0;
  out[1] = MAGIC1;
  out[2] = static_cast<std::uint8_t>(m.kind);
  out[3] = anyProtocol(m.kind) ? m.handshake.versions.protocol : PROTOCOL_VERSION;
  if (m.kind == Kind::Full) out[3] = PROTOCOL_VERSION;
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
      break;
    }
    case Kind::Full:
    case Kind::Leave:
      break;
    case Kind::Input:
      put32(out + 4, m.input.newest);
      put32(out + 8, m.input.ack);
      put32(out + 12, m.input.crc_ack);
      put32(out + 16, m.input.crc_first);
      out[20] = m.input.crc_count;
      for (int i = 0; i < INPUT_WINDOW; ++i) {
        out[21 + i / 2] |=
            static_cast<std::uint8_t>((m.input.inputs[i] & CONTROL_BITS) << (4 * (i % 2)));
      }
      for (int i = 0; i < CRC_WINDOW && i < m.input.crc_count; ++i) {
        put32(out + 29 + 4 * i, m.input.crcs[i]);
      }
      break;
    case Kind::Desync:
      put32(out + 4, m.frame);
      break;
    case Kind::Ack:
      out[4] = static_cast<std::uint8_t>(m.acked);
      put32(out + 8, m.acked == Kind::Desync ? m.frame : 0);
      break;
  }
  return size;
}

}  // namespace net
