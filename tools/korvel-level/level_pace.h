// level_pace.h -- the pace of a game that the tuning values make, worked out with the game's own
// rules at 60 frames per second.
#pragma once

#include <string>
#include <vector>

#include "enemies/boss.h"

// Frames per second at which the pace is given (the game's nominal frame of 1/60 s).
constexpr int PACE_FPS = 60;
// Bosses listed.
constexpr int PACE_BOSSES = 12;

// When an enemy kind may first come.
class GatePace {
  public:
    const char* kind; // aiming, circle, charging, rocket
    const char* key;  // its timeBefore... value
    int gate;         // the value the game holds
    int clock;        // the first reading of the director's clock that opens it
    double seconds;   // after the game starts
};

// The mean time between two arrivals from one moment on, before the first boss.
class ArrivalPace {
  public:
    double from;                    // seconds after the game starts
    std::vector<const char*> kinds; // the kinds that may come from then on
    double onePlayer, twoPlayers;   // seconds
};

// The strength of one boss.
class BossPace {
  public:
    int number;        // 1 for the first boss
    int enemiesBefore; // since the game started (first boss) or since the boss before
    int coreSides, coreShots;
    int satellites, satelliteSides, satelliteShots;
    SatelliteAttack attack;
};

class Pace {
  public:
    double clockStepFrames; // frames of 1/60 s per step of the director's clock
    std::vector<GatePace> gates;
    std::vector<ArrivalPace> arrivals;
    std::vector<BossPace> bosses;
};

// The pace from the tuning values the game holds now.
Pace WorkOutPace();

// The attack's name in the output: rings, big-shot-pairs, rockets, aimed-pairs.
const char* AttackName(SatelliteAttack attack);
