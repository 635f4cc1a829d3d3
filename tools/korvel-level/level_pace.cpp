// level_pace.cpp -- the pace of a game worked out from the director's and the boss's own rules.
#include "level_pace.h"

#include <algorithm>

#include "flow/frame.h"
#include "shell/settings.h"

// An enemy kind the director may send instead of a plain enemy, in the order it tries them.
class Kind {
  public:
    const char* name;
    const char* gateKey;
    int* gate;   // timeBefore...
    int* chance; // chanceOf...: one chance in this many
};
static const Kind KINDS[] = {
    {"aiming", "timeBeforeAimingEnemy", &timeBeforeAimingEnemy, &chanceOfAimingEnemy},
    {"circle", "timeBeforeCircleEnemy", &timeBeforeCircleEnemy, &chanceOfCircleEnemy},
    {"charging", "timeBeforeChargingEnemy", &timeBeforeChargingEnemy, &chanceOfChargingEnemy},
    {"rocket", "timeBeforeRocketEnemy", &timeBeforeRocketEnemy, &chanceOfRocketEnemy},
};

// Beyond any clock reading or enemy count that tuning values held within SETTING_LIMIT can ask for.
static const int SEARCH_LIMIT = 3 * SETTING_LIMIT;

// The first whole number from 0 on for which the game's test holds.
template <class Test> static int FirstFromZero(Test test) {
    int k = 0;
    while (k < SEARCH_LIMIT && !test(k))
        k++;
    return k;
}

// Mean frames from one director event to the next before the first boss, when an event brings a
// plain enemy with the chance plain, over every countdown timeBetweenEnemies can draw.
static double MeanEventFrames(bool twoPlayers, double plain) {
    const int range = Divisor(timeBetweenEnemies);
    double frames = 0, shortened = 0;
    for (int drawn = 0; drawn < range; drawn++) {
        const int countdown = Countdown(drawn, twoPlayers, 0);
        // The director counts down one a frame and acts on the frame after the countdown has run out;
        frames += std::max(countdown, 0) + 1;
        // after a plain enemy it takes one more off the countdown.
        if (countdown >= 1) shortened += 1;
    }
    return (frames - plain * shortened) / range;
}

// The chance that a director event at this clock reading brings a plain enemy: every open kind's
// draw (rand() % chance == 0) fails. A ship near the top with the lightning gun draws rockets more.
static double PlainChance(int clock) {
    double plain = 1;
    for (const Kind& k : KINDS)
        if (GateOpen(*k.gate, clock)) plain *= 1 - 1.0 / Divisor(*k.chance);
    return plain;
}

static ArrivalPace Arrivals(int clock, double clockSeconds) {
    ArrivalPace arrivals{clock * clockSeconds, {"plain"}, 0, 0};
    for (const Kind& k : KINDS)
        if (GateOpen(*k.gate, clock)) arrivals.kinds.push_back(k.name);
    const double plain = PlainChance(clock);
    arrivals.onePlayer = MeanEventFrames(false, plain) / PACE_FPS;
    arrivals.twoPlayers = MeanEventFrames(true, plain) / PACE_FPS;
    return arrivals;
}

Pace WorkOutPace() {
    Pace pace;
    pace.clockStepFrames = SCROLL_STEP / SCROLL_SPEED;
    const double clockSeconds = pace.clockStepFrames / PACE_FPS;
    std::vector<int> changes = {0};
    for (const Kind& k : KINDS) {
        const int clock = FirstFromZero([&k](int c) { return GateOpen(*k.gate, c); });
        pace.gates.push_back({k.name, k.gateKey, *k.gate, clock, clock * clockSeconds});
        changes.push_back(clock);
    }
    std::sort(changes.begin(), changes.end());
    changes.erase(std::unique(changes.begin(), changes.end()), changes.end());
    for (int clock : changes)
        pace.arrivals.push_back(Arrivals(clock, clockSeconds));
    for (int n = 0; n < PACE_BOSSES; n++) {
        const int enemies = FirstFromZero([n](int events) { return BossDue(events, n); });
        const int sides = SatelliteSides(n);
        pace.bosses.push_back({n + 1, enemies, CoreSides(n), CoreShots(n), SatelliteCount(n), sides,
                               SatelliteShots(sides), SatelliteAttackFor(n)});
    }
    return pace;
}

const char* AttackName(SatelliteAttack attack) {
    switch (attack) {
    case ATTACK_RINGS:
        return "rings";
    case ATTACK_BIG_PAIRS:
        return "big-shot-pairs";
    case ATTACK_ROCKETS:
        return "rockets";
    case ATTACK_AIMED_PAIRS:
        return "aimed-pairs";
    }
    return "rings";
}
