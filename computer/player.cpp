// The computer player's decisions. Each shot is planned when the last one has
// gone: turn the arm one way for some frames with one control (past the arm's
// travel the walker walks), then hold both until the gun fires. Every plan it
// can carry out within the change limit is tried on a model of the shot's
// flight over the arena's pixels, and scored by the pixels of the other
// walker's colour the impact's disc would cover, per frame spent. The hard
// level also runs the game itself forward to the shot for its best plans, so
// that falling, tilting, knocks and the other walker's shots are as they will
// be, and restores it.
#include <algorithm>
#include <cstring>
#include <span>

#include "computer/computer.h"
#include "game/frame_runner.h"
#include "game/game_state.h"
#include "game/helpers.h"
#include "game/input_messages.h"
#include "game/saved_state.h"
#include "shell/shell_globals.h"

#include <cstdlib>
namespace computer {

namespace {
int knob(const char* name, int def) {
  const char* v = std::getenv(name);
  return v ? std::atoi(v) : def;
}

constexpr std::uint32_t SHOT_GAP = SHIP_FIRE_GAP + 1;  // frames from one shot to the next
constexpr std::int32_t DISC_RADIUS = 17;               // an impact's disc, on average
constexpr std::int32_t KNOCK_REACH = IMPACT_REACH >> 8;
constexpr int MAX_FLIGHT = 320;        // frames a modelled shot is followed
constexpr std::uint32_t HORIZON = 80;  // frames a plan is followed before it must have fired
constexpr int MAX_CANDIDATES = 72;

// Half-widths of the disc's rows, centre row first.
struct DiscRows {
  std::int32_t half[DISC_RADIUS + 1] = {};
  constexpr DiscRows() {
    for (std::int32_t dy = 0; dy <= DISC_RADIUS; ++dy) {
      std::int32_t w = 0;
      while ((w + 1) * (w + 1) + dy * dy <= DISC_RADIUS * DISC_RADIUS) ++w;
      half[dy] = w;
    }
  }
};
constexpr DiscRows DISC;

struct Vec {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// The game's rotation (RotateVector32) without its reports, for the model.
Vec rotate(std::int32_t angle, std::int32_t x, std::int32_t y) {
  Fixed12 s = 0;
  Fixed12 c = 0;
  LookupSineCosine(angle, &s, &c);
  const std::int64_t p = (std::int64_t{x} * c + std::int64_t{y} * s) >> 12;
  const std::int64_t q = (std::int64_t{x} * s - std::int64_t{y} * c) >> 12;
  return {static_cast<std::int32_t>(p), static_cast<std::int32_t>(-q)};
}

// A walker as the model sees it when a shot goes.
struct Stance {
  Fixed8 x = 0;
  Fixed8 y = 0;
  Angle heading = 0;
  Angle arm = 0;
};

// A shot as it leaves the gun, in the game's units.
struct Launch {
  Fixed8 x = 0;
  Fixed8 y = 0;
  std::int32_t vx = 0;
  std::int32_t vy = 0;
  std::int32_t ax = 0;
  std::int32_t ay = 0;
};

Launch launchFrom(const Stance& s) {
  const Vec pivot = rotate(s.heading, 0, SHIP_ARM_HEIGHT);
  const Vec tip = rotate(s.arm, SHIP_ARM_HEIGHT, 0);
  const Vec v = rotate(s.arm, SHIP_SHOT_SPEED, 0);
  const Vec down = rotate(s.heading, 0, -256);
  return {s.x + pivot.x + tip.x,
          s.y + pivot.y + tip.y,
          static_cast<std::int16_t>(v.x),
          static_cast<std::int16_t>(v.y),
          static_cast<std::int16_t>(down.x),
          static_cast<std::int16_t>(down.y)};
}

// What the player sees of the arena for one decision.
struct Sight {
  PixelView p;
  ColourIndex target = 0;  // the other walker's colour: what our shots strike
  std::int32_t left = 0, right = 0, bottom = 0, top = 0;  // the arena inside the border
  Vec own_shots[SHOT_POOL_SIZE];  // our flying shots' pixels, drawn in the target colour
  int own_count = 0;
  Vec landings[SHOT_POOL_SIZE];  // where our flying shots will strike (hard level)
  int landing_count = 0;
  Vec body;  // our walker's body point, pixels

  bool ownShotAt(std::int32_t x, std::int32_t y) const {
    for (int i = 0; i < own_count; ++i) {
      const std::int32_t dx = x - own_shots[i].x;
      const std::int32_t dy = y - own_shots[i].y;
      if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) return true;
    }
    return false;
  }
  // The game's touch test of a 3 x 3 shot at pixel (cx, cy), our own shots'
  // squares seen through.
  bool touches(std::int32_t cx, std::int32_t cy) const {
    for (std::int32_t row = -1; row <= 1; ++row) {
      const PixelOffset start = PixelOffset{cy + row} * p.stride + cx - 1;
      for (PixelOffset a = start; a < start + 3; ++a) {
        if (!p.contains(a) || p.base[a] != target) continue;
        const std::int32_t x = cx + static_cast<std::int32_t>(a - start) - 1;
        if (!ownShotAt(x, cy + row) && (landing_count == 0 || !claimed(x, cy + row))) return true;
      }
    }
    return false;
  }
  // Where a shot strikes; false when it leaves the buffer or flies too long.
  bool fly(Launch s, Vec* at) const {
    for (int f = 0; f < MAX_FLIGHT; ++f) {
      s.vx += s.ax >> 5;
      s.vy += s.ay >> 5;
      s.x += s.vx;
      s.y += s.vy;
      if (s.x < 0 || s.y < 0 || (s.x >> 8) > p.width || (s.y >> 8) > p.height) return false;
      if (touches(s.x >> 8, s.y >> 8)) {
        *at = {s.x >> 8, s.y >> 8};
        return true;
      }
    }
    return false;
  }
  bool claimed(std::int32_t x, std::int32_t y) const {
    for (int i = 0; i < landing_count; ++i) {
      const std::int32_t dx = x - landings[i].x;
      const std::int32_t dy = y - landings[i].y;
      if (dx * dx + dy * dy <= DISC_RADIUS * DISC_RADIUS) return true;
    }
    return false;
  }
  // Pixels of the target colour inside the arena that a disc at (cx, cy)
  // would take; less for a disc that would knock us away.
  std::int32_t gain(Vec c) const {
    std::int32_t n = 0;
    for (std::int32_t dy = -DISC_RADIUS; dy <= DISC_RADIUS; ++dy) {
      const std::int32_t y = c.y + dy;
      if (y < bottom || y > top) continue;
      const std::int32_t h = DISC.half[dy < 0 ? -dy : dy];
      const std::int32_t x0 = std::max(c.x - h, left);
      const std::int32_t x1 = std::min(c.x + h, right);
      const std::uint8_t* row = p.base + PixelOffset{y} * p.stride;
      for (std::int32_t x = x0; x <= x1; ++x) {
        if (row[x] != target) continue;
        if (landing_count == 0 || !claimed(x, y)) ++n;
      }
    }
    const std::int32_t dx = c.x - body.x;
    const std::int32_t dy = c.y - body.y;
    if (dx * dx + dy * dy < KNOCK_REACH * KNOCK_REACH) n /= 2;
    return n;
  }
};

// The pixels, our shots and our body as they are now.
void look(int walker, Sight* s, bool landings) {
  const Ship& me = g_game.ships[walker];
  s->p = backBuffer();
  s->target = me.ground_colour;
  s->left = 10;
  s->right = s->p.width - 10;
  s->bottom = 8;
  s->top = s->p.height - 8;
  s->own_count = 0;
  s->landing_count = 0;
  const Vec body = rotate(me.heading, 0, SHIP_BODY_HEIGHT);
  s->body = {(me.x + body.x) >> 8, (me.y + body.y) >> 8};
  for (const Shot& shot : g_game.shots.shots) {
    if (shot.state != SHOT_FLYING || shot.line_colour != me.ground_colour) continue;
    s->own_shots[s->own_count++] = {shot.x >> 8, shot.y >> 8};
  }
  if (!landings) return;
  for (const Shot& shot : g_game.shots.shots) {
    if (shot.state != SHOT_FLYING || shot.line_colour != me.ground_colour) continue;
    Vec at;
    if (s->fly({shot.x, shot.y, shot.vx, shot.vy, shot.ax, shot.ay}, &at)) {
      s->landings[s->landing_count++] = at;
    }
  }
}

Controls both() { return Controls{{true, true}}; }

// A plan's outcome in the model: when it fires and how the walker stands then.
struct Outcome {
  bool fires = false;
  std::uint32_t frame = 0;
  Stance stance;
};

}  // namespace

bool Player::Hands::apply(std::uint32_t frame, Controls want) {
  for (int c = 0; c < 2; ++c) {
    if (want.held[c] == held.held[c]) continue;
    if (changed[c] && frame - changed_at[c] < MIN_CHANGE_FRAMES) continue;
    held.held[c] = want.held[c];
    changed[c] = true;
    changed_at[c] = frame;
  }
  // As the game counts attempts to fire: both held, the gap since the last over.
  if (!held.held[0] || !held.held[1]) return false;
  if (attempted && static_cast<std::int32_t>(frame - last_attempt) <= SHIP_FIRE_GAP) return false;
  attempted = true;
  last_attempt = frame;
  return true;
}

Controls Player::Plan::at(std::uint32_t frame) const {
  if (direction == 0 || frame - start >= frames) return both();
  Controls c;
  c.held[direction > 0 ? 1 : 0] = true;
  return c;
}

std::uint32_t Player::next() {
  // xorshift32: the player's own generator, never the game's.
  random_ ^= random_ << 13;
  random_ ^= random_ >> 17;
  random_ ^= random_ << 5;
  return random_;
}

namespace {

// Follows a plan in the model from `frame` on: the controls as the limit
// lets them change, the arm's turn and travel, the steps it walks.
Outcome project(Player::Plan plan, Player::Hands hands, Stance s, std::uint32_t frame) {
  Outcome o;
  for (std::uint32_t f = frame; f < frame + HORIZON; ++f) {
    if (hands.apply(f, plan.at(f))) {
      o.fires = true;
      o.frame = f;
      o.stance = s;
      return o;
    }
    const int back = hands.held.held[0] ? 1 : 0;
    const int on = hands.held.held[1] ? 1 : 0;
    std::int32_t arm = s.arm + SHIP_ARM_TURN * (on - back);
    const std::int32_t rest = s.heading - ANGLE_QUARTER_TURN;
    const std::int32_t diff =
        AngleDifference(static_cast<Angle>(arm & 4095), static_cast<Angle>(rest & 4095));
    int swing = 0;
    if (diff > SHIP_ARM_TRAVEL) {
      arm = rest + SHIP_ARM_TRAVEL;
      swing = back + on != 0 ? 1 : 0;
    } else if (diff < -SHIP_ARM_TRAVEL) {
      arm = rest - SHIP_ARM_TRAVEL;
      swing = back + on != 0 ? -1 : 0;
    }
    s.arm = static_cast<Angle>(arm & 4095);
    if (swing != 0) {
      const Vec step = rotate(s.heading, swing * SHIP_STEP, 0);
      s.x += step.x;
      s.y += step.y;
    }
  }
  return o;
}

// The input messages that turn `from` into `to` for this walker.
int messages(int walker, Controls from, Controls to, InputMessage out[2]) {
  int n = 0;
  for (int c = 0; c < 2; ++c) {
    if (from.held[c] == to.held[c]) continue;
    const auto control = static_cast<ArmControl>(c);
    out[n++] = walker == 0 ? buttonMessage(controlCode(true, control), to.held[c])
                           : keyMessage(static_cast<std::uint32_t>(controlCode(false, control)),
                                        to.held[c]);
  }
  return n;
}

struct Candidate {
  Player::Plan plan;
  Outcome outcome;
  std::int32_t value = 0;
  std::int32_t jitter = 0;  // 256ths added to the value: the games differ
};

}  // namespace

Player::Player(int walker, Level level, std::uint32_t seed)
    : walker_(walker), level_(level), random_(seed == 0 ? 0x9E3779B9u : seed) {}

void Player::choose(std::uint32_t frame) {
  const Ship& me = g_game.ships[walker_];
  const Stance now{me.x, me.y, me.heading, me.arm};
  const bool hard = level_ == Level::Hard;
  Sight sight;
  look(walker_, &sight, hard && knob("LAND", 1));

  // The plans tried: the easy level a few at random, the normal level a
  // handful of turns, the hard level every turn of up to 40 frames.
  Candidate list[MAX_CANDIDATES];
  int count = 0;
  auto add = [&](std::int32_t direction, std::uint32_t frames) {
    if (count < MAX_CANDIDATES) list[count++].plan = Plan{direction, frame, frames, true};
  };
  switch (level_) {
    case Level::Easy:
      add(0, 0);
      for (int i = 0; i < 2; ++i) add((next() & 1) != 0 ? 1 : -1, 6 + next() % 20);
      break;
    case Level::Normal:
      add(0, 0);
      for (const std::uint32_t n : {6u, 8u, 10u, 13u, 16u, 20u}) {
        add(1, n);
        add(-1, n);
      }
      break;
    case Level::Hard:
      add(0, 0);
      for (std::uint32_t n = 6; n <= static_cast<std::uint32_t>(knob("MAXN", 40)); ++n) {
        add(1, n);
        add(-1, n);
      }
      break;
  }
  const std::uint32_t since = hands_.attempted ? hands_.last_attempt : frame - SHOT_GAP;
  auto score = [&](Candidate& c) {
    Vec at;
    c.value = 0;
    if (!c.outcome.fires || !sight.fly(launchFrom(c.outcome.stance), &at)) return;
    const std::uint32_t cycle = std::max(c.outcome.frame - since, SHOT_GAP);
    c.value = sight.gain(at) * (256 + c.jitter) / static_cast<std::int32_t>(cycle);
  };
  const std::uint32_t spread = static_cast<std::uint32_t>(knob(level_ == Level::Easy   ? "JE"
                                                               : level_ == Level::Hard ? "JH"
                                                                                       : "JN",
                                                               level_ == Level::Easy   ? 128
                                                               : level_ == Level::Hard ? 32
                                                                                       : 64));
  for (int i = 0; i < count; ++i) {
    list[i].jitter = spread == 0 ? 0 : static_cast<std::int32_t>(next() % spread);
    list[i].outcome = project(list[i].plan, hands_, now, frame);
    score(list[i]);
  }
  std::stable_sort(list, list + count,
                   [](const Candidate& a, const Candidate& b) { return a.value > b.value; });

  if (hard && count > 1 && knob("LA", 1)) {
    // The best few, run in the game itself up to their shot: the model's
    // stance replaced by the walker's real one, the pixels by the game's then.
    const std::size_t size = savedStateSize();
    if (block_.size() != size) block_.assign(size, 0);
    if (size > 0 && saveState(block_.data(), block_.size())) {
      int budget = 48;  // frames run per decision
      for (int i = 0; i < std::min(count, 3); ++i) {
        Candidate& c = list[i];
        if (!c.outcome.fires) continue;
        const auto frames = static_cast<int>(c.outcome.frame - frame);
        if (frames > budget) continue;
        budget -= frames;
        Hands h = hands_;
        std::uint32_t sounds = 0;
        bool ran = true;
        for (std::uint32_t f = frame; f < c.outcome.frame && ran; ++f) {
          const Controls before = h.held;
          h.apply(f, c.plan.at(f));
          InputMessage in[2];
          const int n = messages(walker_, before, h.held, in);
          ran = stepFrame(std::span<const InputMessage>(in, static_cast<std::size_t>(n)), &sounds);
        }
        if (ran) {
          const Ship& then = g_game.ships[walker_];
          look(walker_, &sight, knob("LAND", 1));
          c.outcome.stance = Stance{then.x, then.y, then.heading, then.arm};
          Vec at;
          c.value = 0;
          if (sight.fly(Launch{then.muzzle.x, then.muzzle.y, then.shot_velocity.x,
                               then.shot_velocity.y, then.down.x, then.down.y},
                        &at)) {
            const std::uint32_t cycle = std::max(c.outcome.frame - since, SHOT_GAP);
            c.value = sight.gain(at) * (256 + c.jitter) / static_cast<std::int32_t>(cycle);
          }
        }
        restoreState(block_.data(), block_.size());
      }
      std::stable_sort(list, list + std::min(count, 3),
                       [](const Candidate& a, const Candidate& b) { return a.value > b.value; });
    }
  }

  Candidate* chosen = &list[0];
  if (level_ == Level::Easy && count > 1 && next() % 3 == 0)
    chosen = &list[1 + next() % (count - 1)];
  if (chosen->value == 0) {
    // Nothing in reach: walk on, one way or the other, to find some.
    plan_ = Plan{(next() & 1) != 0 ? 1 : -1, frame, 40, true};
    return;
  }
  plan_ = chosen->plan;
}

Controls Player::decide(std::uint32_t frame) {
  if (!g_game.controlsEnabled()) {
    // Locked: the walker cannot move, and walker 0's buttons would choose levels.
    plan_.active = false;
    hands_.apply(frame, Controls{});
    return hands_.held;
  }
  if (!plan_.active) choose(frame);
  if (hands_.apply(frame, plan_.at(frame))) plan_.active = false;
  return hands_.held;
}

}  // namespace computer
