// The datagram format and the merge of both players' controls into the
// program's input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "game/lock_times.h"
#include "net/inputs.h"
#include "net/protocol.h"

namespace net {
namespace {

std::vector<std::uint8_t> encoded(const Message& m) {
  std::uint8_t bytes[MAX_DATAGRAM];
  const std::size_t size = encode(m, bytes);
  return std::vector<std::uint8_t>(bytes, bytes + size);
}

Message handshake(Kind kind) {
  Message m;
  m.kind = kind;
  m.handshake.versions = ProgramVersions{PROTOCOL_VERSION, 2, 0, 1, 3};
  m.handshake.delay = 4;
  m.handshake.rollback = MAX_ROLLBACK;
  m.handshake.width = 734;
  m.handshake.height = 531;
  return m;
}

Message input() {
  Message m;
  m.kind = Kind::Input;
  m.input.newest = 40;
  m.input.ack = 37;
  m.input.crc_ack = 30;
  m.input.crc_first = 33;
  m.input.crc_count = 3;
  m.input.crcs[0] = 0xDEADBEEF;
  m.input.crcs[1] = 1;
  m.input.crcs[2] = 0x80000000;
  for (int i = 0; i < INPUT_WINDOW; ++i)
    m.input.inputs[i] = static_cast<std::uint8_t>(i & CONTROL_BITS);
  return m;
}

TEST(Datagram, EveryKindReadsBackAsWritten) {
  Message desync;
  desync.kind = Kind::Desync;
  desync.frame = 1234;
  Message leave;
  leave.kind = Kind::Leave;
  Message full;
  full.kind = Kind::Full;
  full.session.joiner = 0x0123456789ABCDEFull;
  Message hello = handshake(Kind::Hello);
  hello.session.joiner = 0x8000000000000001ull;
  hello.cookie = 0xFEDCBA9876543210ull;
  Message welcome = handshake(Kind::Welcome);
  welcome.session = {7, 0xFFFFFFFFFFFFFFFFull};
  Message versions = handshake(Kind::Welcome);
  versions.versions_only = true;
  Message challenge;
  challenge.kind = Kind::Challenge;
  challenge.session.joiner = 3;
  challenge.cookie = 0x1122334455667788ull;
  Message ack_leave;
  ack_leave.kind = Kind::Ack;
  Message ack_desync = desync;
  ack_desync.kind = Kind::Ack;
  ack_desync.acked = Kind::Desync;
  const struct {
    Message message;
    std::size_t size;
  } cases[] = {{hello, 32},   {welcome, 32}, {versions, 16}, {challenge, 20}, {full, 12},
               {input(), 61}, {leave, 20},   {desync, 24},   {ack_leave, 28}, {ack_desync, 28}};
  for (const auto& c : cases) {
    const std::vector<std::uint8_t> bytes = encoded(c.message);
    SCOPED_TRACE(static_cast<int>(c.message.kind));
    ASSERT_EQ(bytes.size(), c.size);
    Message back;
    ASSERT_EQ(parse(bytes.data(), bytes.size(), &back), ParseError::None);
    EXPECT_EQ(encoded(back), bytes);
    EXPECT_EQ(back.kind, c.message.kind);
    EXPECT_EQ(back.session, c.message.session);
    EXPECT_EQ(back.cookie, c.message.cookie);
    EXPECT_EQ(back.versions_only, c.message.versions_only);
    if (c.message.kind == Kind::Hello || c.message.kind == Kind::Welcome) {
      EXPECT_EQ(back.handshake.delay, 4);
      EXPECT_EQ(back.handshake.rollback, MAX_ROLLBACK);
      EXPECT_EQ(back.handshake.height, 531);
    }
    if (c.message.kind == Kind::Ack) {
      EXPECT_EQ(back.acked, c.message.acked);
      EXPECT_EQ(back.frame, c.message.acked == Kind::Desync ? 1234u : 0u);
    }
  }
  Message back;
  const std::vector<std::uint8_t> bytes = encoded(input());
  ASSERT_EQ(parse(bytes.data(), bytes.size(), &back), ParseError::None);
  EXPECT_EQ(back.input.newest, 40u);
  EXPECT_EQ(back.input.ack, 37u);
  EXPECT_EQ(back.input.crc_ack, 30u);
  EXPECT_EQ(back.input.crc_first, 33u);
  EXPECT_EQ(back.input.crc_count, 3u);
  EXPECT_EQ(std::memcmp(back.input.crcs, input().input.crcs, sizeof back.input.crcs), 0);
  EXPECT_EQ(std::memcmp(back.input.inputs, input().input.inputs, INPUT_WINDOW), 0);
}

TEST(Datagram, WhatNoSenderMakesIsRefusedWithItsReason) {
  using E = ParseError;
  const auto hello = encoded(handshake(Kind::Hello));
  Message session_input = input();
  session_input.session = {1, 2};
  const auto in = encoded(session_input);
  Message ack_message;
  ack_message.kind = Kind::Ack;
  const auto ack = encoded(ack_message);
  Message challenge_message;
  challenge_message.kind = Kind::Challenge;
  Message early;
  early.kind = Kind::Input;
  early.input.newest = 3;
  early.input.inputs[0] = ARM_ON_HELD;
  auto with = [](std::vector<std::uint8_t> bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
  };
  auto longer = [](std::vector<std::uint8_t> bytes) {
    bytes.push_back(0);
    return bytes;
  };
  auto shorter = [](std::vector<std::uint8_t> bytes) {
    bytes.pop_back();
    return bytes;
  };
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
    ParseError error;
  } cases[] = {
      {"nothing", {}, E::Short},
      {"three bytes", {'S', 'Q', 4}, E::Short},
      {"input short by one", shorter(in), E::Short},
      {"input long by one", longer(in), E::Long},
      {"hello long by one", longer(hello), E::Long},
      {"hello between the two lengths", shorter(hello), E::Short},
      {"other magic", with(in, 0, 'X'), E::Garbage},
      {"kind 0", with(in, 2, 0), E::Garbage},
      {"kind 9", with(in, 2, 9), E::Garbage},
      {"acknowledging an input", with(ack, 20, static_cast<std::uint8_t>(Kind::Input)),
       E::BadValue},
      {"acknowledging a leave of a frame", with(ack, 24, 1), E::BadValue},
      {"ack long by one", longer(ack), E::Long},
      {"input of another protocol", with(in, 3, PROTOCOL_VERSION + 1), E::Garbage},
      {"challenge of another protocol", with(encoded(challenge_message), 3, 1), E::Garbage},
      {"input before frame 0", encoded(early), E::BadValue},
      {"five checksums", with(in, 36, CRC_WINDOW + 1), E::BadValue},
      {"a checksum beyond the count", with(in, 60, 1), E::BadValue},
      {"no checksums from a frame", with(with(in, 36, 0), 32, 1), E::BadValue},
      {"newest frame of none", with(with(with(with(in, 20, 0xFF), 21, 0xFF), 22, 0xFF), 23, 0xFF),
       E::BadValue},
      {"checksum of a frame not run", with(in, 32, 38), E::BadValue},
      {"acknowledging checksums of none",
       with(with(with(with(in, 28, 0xFF), 29, 0xFF), 30, 0xFF), 31, 0xFF), E::BadValue},
      {"delay 0", with(hello, 9, 0), E::BadValue},
      {"delay 8", with(hello, 9, MAX_DELAY + 1), E::BadValue},
      {"rollback 21", with(hello, 14, MAX_ROLLBACK + 1), E::BadValue},
      {"client 15 wide", with(with(hello, 10, 15), 11, 0), E::BadValue},
      {"client 4097 high", with(with(hello, 12, 0x01), 13, 0x10), E::BadValue},
      {"reserved bytes set", with(hello, 15, 1), E::BadValue},
  };
  for (const auto& c : cases) {
    Message m;
    EXPECT_EQ(parse(c.bytes.data(), c.bytes.size(), &m), c.error) << c.what;
  }
  // A hello or welcome of another protocol, the first one (16 bytes) too, is
  // read as far as its versions whatever its values (those of the rollback
  // limit's byte too) and length, to name it.
  for (const int protocol : {1, PROTOCOL_VERSION - 1, PROTOCOL_VERSION + 1}) {
    for (const Kind kind : {Kind::Hello, Kind::Welcome}) {
      Message first = handshake(kind);
      first.versions_only = true;
      for (const auto& bytes : {encoded(first), encoded(handshake(kind))}) {
        Message m;
        const auto other =
            with(with(with(bytes, 3, static_cast<std::uint8_t>(protocol)), 9, 200), 14, 200);
        ASSERT_EQ(parse(other.data(), other.size(), &m), E::None);
        EXPECT_EQ(m.kind, kind);
        EXPECT_TRUE(m.versions_only);
        EXPECT_EQ(m.handshake.versions.protocol, protocol);
        EXPECT_EQ(m.handshake.versions.logic, 2);
      }
    }
  }
}

// A frame's merged events, written as the replay runner's script names them.
std::string events(InputMerger& merger, std::uint8_t host, std::uint8_t joiner) {
  GameEvent out[MAX_FRAME_EVENTS];
  const int count = merger.merge(host, joiner, out);
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (!text.empty()) text += ", ";
    text += out[i].mouse ? (out[i].code == 0 ? "mouse left" : "mouse right")
                         : "key " + std::to_string(out[i].code);
    text += out[i].down ? " down" : " up";
  }
  return text;
}

TEST(Merge, EachPlayersControlsSteerItsShipHostFirst) {
  constexpr std::uint8_t BACK = ARM_BACK_HELD | ARM_BACK_PRESSED;
  constexpr std::uint8_t ON = ARM_ON_HELD | ARM_ON_PRESSED;
  constexpr std::uint32_t PLAY = START_LOCK_FRAMES;  // the first frame the ships may steer
  struct Step {
    std::uint32_t frame;  // frames not named have no controls
    std::uint8_t host;
    std::uint8_t joiner;
  };
  const struct {
    const char* what;
    std::vector<Step> steps;
    std::vector<std::string> lines;  // the named frames' events
  } cases[] = {
      {"presses and releases",
       {{PLAY, BACK, ON}, {PLAY + 1, ARM_BACK_HELD, ARM_ON_HELD}, {PLAY + 2, 0, 0}},
       {"mouse left down, key 88 down", "", "mouse left up, key 88 up"}},
      {"both arms of both players",
       {{PLAY, BACK | ON, BACK | ON}},
       {"mouse left down, mouse right down, key 90 down, key 88 down"}},
      {"a press and release inside one frame",
       {{PLAY, ARM_ON_PRESSED, 0}},
       {"mouse right down, mouse right up"}},
      {"released and pressed again inside one frame",
       {{PLAY, 0, BACK}, {PLAY + 1, 0, BACK}},
       {"key 90 down", "key 90 up, key 90 down"}},
      {"held without a press seen is a press", {{PLAY, ARM_ON_HELD, 0}}, {"mouse right down"}},
      {"while locked the joiner's presses click too",
       {{0, 0, ON}, {1, 0, ARM_ON_HELD | BACK}, {2, 0, 0}},
       {"key 88 down, mouse right down", "mouse right up, key 90 down, mouse left down",
        "mouse left up, key 90 up, key 88 up"}},
      {"a click on a button the host holds is none",
       {{5, BACK, BACK}, {6, 0, 0}},
       {"mouse left down, key 90 down", "mouse left up, key 90 up"}},
      {"a click in the last locked frame locks the next 60",
       {{PLAY - 1, 0, ARM_ON_PRESSED}, {PLAY - 1 + LEVEL_LOCK_FRAMES - 1, 0, ON}},
       {"key 88 down, key 88 up, mouse right down", "key 88 down, mouse right down"}},
      {"and the 61st is free",
       {{PLAY - 1, 0, ARM_ON_PRESSED}, {PLAY - 1 + LEVEL_LOCK_FRAMES, 0, ON}},
       {"key 88 down, key 88 up, mouse right down", "key 88 down"}},
      {"a button held through the lock's end locks again",
       {{PLAY - 1, ARM_ON_HELD, 0}, {PLAY, ARM_ON_HELD, 0}, {PLAY + 1, 0, BACK}},
       {"mouse right down", "", "mouse right up, key 90 down, mouse left down"}},
      {"a host's button down and up in one frame is no click",
       {{PLAY - 2, ARM_ON_PRESSED, 0}, {PLAY, 0, BACK}},
       {"mouse right down, mouse right up", "key 90 down"}},
  };
  for (const auto& c : cases) {
    InputMerger merger;
    std::vector<std::string> lines;
    std::uint32_t frame = 0;
    for (const Step& step : c.steps) {
      for (; frame < step.frame; ++frame) events(merger, 0, 0);
      lines.push_back(events(merger, step.host, step.joiner));
      ++frame;
    }
    EXPECT_EQ(lines, c.lines) << c.what;
  }
}

TEST(Merge, TheSamplerKeepsHeldControlsAndThePressesOfTheFrame) {
  ControlSampler s;
  s.press(ArmControl::Back);
  EXPECT_EQ(s.take(), ARM_BACK_HELD | ARM_BACK_PRESSED);
  EXPECT_EQ(s.take(), ARM_BACK_HELD);
  s.release(ArmControl::Back);
  s.press(ArmControl::On);
  s.release(ArmControl::On);
  EXPECT_EQ(s.take(), ARM_ON_PRESSED);
  EXPECT_EQ(s.take(), 0);

  // On either computer both control sets steer that computer's ship.
  const struct {
    bool mouse;
    int code;
    bool known;
    Control control;
  } keys[] = {{true, 0, true, ArmControl::Back},  {false, 90, true, ArmControl::Back},
              {true, 1, true, ArmControl::On},    {false, 88, true, ArmControl::On},
              {false, 32, false, ArmControl::On}, {true, 2, false, ArmControl::On}};
  for (const auto& k : keys) {
    Control c = ArmControl::Back;
    EXPECT_EQ(armControlFor(k.mouse, k.code, &c), k.known) << k.code;
    if (k.known) {
      EXPECT_EQ(c, k.control) << k.code;
    }
  }
}

}  // namespace
}  // namespace net
