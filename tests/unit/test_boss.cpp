// The boss core and its satellites: strength, rings, shield, rewards, and the count of
// satellites in play through every way out of a fight.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "enemies/boss.h"
#include "enemies/projectiles.h"
#include "flow/frame.h"
#include "flow/screens.h"
#include "harness.h"
#include "player/pickups.h"
#include "player/player.h"
#include "player/shots.h"
#include "shell/display.h"
#include "shell/orientation.h"
#include "shell/settings.h"

namespace {

// Puts the core at the centre of the field, where it stops at its first update; then runs
// `frames` frames.
Boss* BossInField(int frames = 0) {
    CreateBoss();
    BOSS->x = 0;
    BOSS->y = 0;
    StepWorld(frames);
    return BOSS;
}

float AngleDiff(float a, float b) {
    return std::remainder(a - b, 2 * PI);
}

} // namespace

TEST(Boss, FirstBossHasTheDefaultStrength) {
    ResetWorld();
    CreateBoss();
    ASSERT_NE(BOSS, nullptr);
    EXPECT_EQ(firstObject, BOSS); // the core precedes its satellites
    EXPECT_FLOAT_EQ(BOSS->r, 70);
    EXPECT_EQ(BOSS->data, 100);
    EXPECT_EQ(BOSS->data2, 30);
    EXPECT_EQ(BOSS->data4, 10);
    EXPECT_EQ(BOSS->type, TYPE_ENEMY);
    // It comes in from beyond the entry edge.
    EXPECT_FLOAT_EQ(Along(BOSS), 600);
    EXPECT_FLOAT_EQ(Across(BOSS), 0);
    EXPECT_FLOAT_EQ(AlongV(BOSS), -0.6f);
    EXPECT_FLOAT_EQ(AcrossV(BOSS), 0);

    std::vector<BossEnemy*> sats = Satellites();
    ASSERT_EQ(sats.size(), 3u);
    EXPECT_EQ(nBoss2, 3);
    EXPECT_EQ(nObject, 4);
    for (int k = 0; k < 3; k++) {
        EXPECT_FLOAT_EQ(sats[k]->r, 30);
        EXPECT_EQ(sats[k]->data, 25);
        EXPECT_EQ(sats[k]->data2, 30);
        EXPECT_EQ(sats[k]->data4, 25);
        EXPECT_FLOAT_EQ(sats[k]->r2, 150);
        EXPECT_NEAR(sats[k]->rot2, k * 2 * PI / 3, 1e-5);
    }
    // Once moved, each sits on its orbit around the core.
    StepWorld();
    for (BossEnemy* s : sats)
        EXPECT_NEAR(std::hypot(s->x - BOSS->x, s->y - BOSS->y), 150, 1e-3);
}

TEST(Boss, CoreGlidesInAndStopsPastTheQuarterLine) {
    ResetWorld();
    CreateBoss();
    const float quarter = LANDSCAPE ? qw : qh;
    int stoppedAt = 0;
    for (int frame = 1; frame <= 800 && !stoppedAt; frame++) {
        StepWorld();
        const float along = Along(BOSS);
        if (AlongV(BOSS) == 0) {
            stoppedAt = frame;
            EXPECT_LT(along, quarter);
            EXPECT_GT(along, quarter - 0.61f);
        } else {
            ASSERT_GE(along, quarter) << "still moving below the line at frame " << frame;
        }
        EXPECT_FLOAT_EQ(Across(BOSS), 0); // straight in
    }
    // 600 - 0.6 * 667 = 199.8 is the first position below 200.
    EXPECT_NEAR(stoppedAt, 667, 1);
    const float along = Along(BOSS);
    StepWorld(50);
    EXPECT_FLOAT_EQ(Along(BOSS), along);
}

TEST(Boss, SatellitesFireRingsEvery32Frames) {
    ResetWorld();
    BossInField(31);
    EXPECT_EQ(CountOf<Ebullet>(), 0);
    StepWorld(); // the 32nd step
    EXPECT_EQ(CountOf<Ebullet>(), 3 * 25);
    StepWorld(31);
    EXPECT_EQ(CountOf<Ebullet>(), 3 * 25);
    StepWorld();
    EXPECT_EQ(CountOf<Ebullet>(), 6 * 25);
    // The shielded core itself never fires.
    EXPECT_EQ(BOSS->fireat, 0);
}

TEST(Boss, BareCoreFiresRingsFromItsRim) {
    ResetWorld();
    BossInField();
    for (BossEnemy* s : Satellites())
        s->data = 2;
    StepWorld(); // the satellites burst; the core was still shielded when it moved
    EXPECT_EQ(nBoss2, 0);
    EXPECT_FLOAT_EQ(BOSS->r, 55); // shrunk once, not once per satellite
    StepWorld(31);
    EXPECT_EQ(CountOf<Ebullet>(), 0);
    StepWorld(); // the 32nd bare step
    std::vector<Ebullet*> ring = ObjectsOf<Ebullet>();
    ASSERT_EQ(ring.size(), 10u);
    for (Ebullet* b : ring) {
        // Each shot has made its first move already: step back to where it was fired.
        const float fx = b->x - b->vx - BOSS->x, fy = b->y - b->vy - BOSS->y;
        EXPECT_NEAR(std::hypot(fx, fy), 55, 1e-3);
        EXPECT_NEAR(std::hypot(b->vx, b->vy), 1.5f, 1e-4);
        // Half a spin step further along the rim than its direction of flight.
        EXPECT_NEAR(AngleDiff(std::atan2(fy, fx), std::atan2(b->vy, b->vx)), 0.5f * BOSS->data3, 1e-4);
    }
    StepWorld(32);
    EXPECT_EQ(CountOf<Ebullet>(), 20);
}

TEST(Boss, ShieldedCoreShrugsOffShotsAndBareCoreScores) {
    ResetWorld();
    BossInField(1);
    EXPECT_GT(GridNodes(BOSS), 0);
    ExpectShotsAbsorbed(BOSS);
    EXPECT_EQ(BOSS->data, 100);
    EXPECT_LT(BOSS->flash, 0.1f);
    EXPECT_EQ(score[0], 0);

    // Through the collision pass as well: the shot at the centre is absorbed.
    Object* shot = AddObject(new Pbullet(5, 5, 0, 0, 0)); // inside one cell
    StepWorld();
    EXPECT_TRUE(shot->dead);
    EXPECT_EQ(BOSS->data, 100);
    EXPECT_EQ(score[0], 0);

    for (BossEnemy* s : Satellites())
        s->data = 0;
    StepWorld();
    ASSERT_EQ(nBoss2, 0);
    const int bonus = score[0]; // the satellites' rewards
    EXPECT_EQ(bonus, 3 * 2500);

    Pbullet first(0, 0, 0, 10, 1);
    BOSS->hit(&first);
    EXPECT_TRUE(first.dead);
    EXPECT_EQ(BOSS->data, 99);
    EXPECT_EQ(BOSS->flash, 5);
    EXPECT_EQ(score[1], 500); // to the shooter
    Pbullet second(0, 0, 0, 10, 0);
    BOSS->hit(&second); // absorbed while flashing
    EXPECT_TRUE(second.dead);
    EXPECT_EQ(BOSS->data, 99);
    EXPECT_EQ(score[0], bonus);

    BOSS->flash = 0;
    PChargebullet strong(0, 0, 0, 10, 0, 30);
    BOSS->hit(&strong);
    EXPECT_EQ(BOSS->data, 69);
    EXPECT_EQ(strong.data2, 0);
    EXPECT_EQ(score[0], bonus + 500);

    BOSS->flash = 0;
    Player ship;
    BOSS->hit(&ship); // contact does nothing to the core
    EXPECT_EQ(BOSS->data, 69);
    EXPECT_LT(BOSS->flash, 0.1f);
}

TEST(Boss, RammedSatelliteBurstsWithItsReward) {
    ResetWorld();
    lives = 3;
    powerupat[0] = 2000;
    BossInField(1);
    BossEnemy* rammed = Satellites()[0];
    AddShip(Across(rammed), Along(rammed));
    StepWorld(); // the ship touches it in the collision pass
    EXPECT_EQ(rammed->data, 0);
    EXPECT_FALSE(rammed->dead);
    EXPECT_EQ(lives, 2); // an unprotected ship pays for it
    EXPECT_EQ(score[0], 0);
    EXPECT_EQ(nBoss2, 3);

    StepWorld();
    EXPECT_TRUE(rammed->dead);
    EXPECT_EQ(CountOf<Health>(), 15);
    EXPECT_EQ(score[0], 2500);
    EXPECT_EQ(CountOf<PowerUp>(), 1); // the threshold was reached
    EXPECT_EQ(powerupat[0], 2500 + 5000);
    EXPECT_EQ(nBoss2, 2);
    EXPECT_FLOAT_EQ(BOSS->r, 70); // still shielded by the others

    // A direct touch, from a protected ship, with player 2's score untouched.
    HoldKey(SDLK_c);
    BossEnemy* other = Satellites()[1];
    other->flash = 0;
    other->hit(player);
    EXPECT_EQ(other->data, 0);
    StepWorld();
    EXPECT_TRUE(other->dead);
    EXPECT_EQ(score[0], 5000);
    EXPECT_EQ(score[1], 0);
    EXPECT_EQ(nBoss2, 1);
}

TEST(Boss, SatelliteAttackTable) {
    ResetWorld();
    const SatelliteAttack R = ATTACK_RINGS, B = ATTACK_BIG_PAIRS, A = ATTACK_AIMED_PAIRS, K = ATTACK_ROCKETS;
    const SatelliteAttack expected[12] = {R, R, R, B, A, R, B, R, A, B, K, R};
    for (int n = 0; n < 12; n++)
        EXPECT_EQ(SatelliteAttackFor(n), expected[n]) << "boss " << n;

    chanceSatelitesAim = 1;
    EXPECT_EQ(SatelliteAttackFor(0), ATTACK_RINGS);
    for (int n = 1; n < 12; n++)
        EXPECT_EQ(SatelliteAttackFor(n), ATTACK_AIMED_PAIRS) << "boss " << n;
    // A divisor below 1 acts as 1.
    ResetSettings();
    chanceSatelitesAim = 0;
    chanceSatelitesShootCircles = -4;
    EXPECT_EQ(SatelliteAttackFor(0), ATTACK_RINGS);
    EXPECT_EQ(SatelliteAttackFor(5), ATTACK_AIMED_PAIRS);
    chanceSatelitesAim = 100;
    EXPECT_EQ(SatelliteAttackFor(5), ATTACK_BIG_PAIRS);
}

TEST(Boss, SatellitesFireTheirBossesAttack) {
    // The fourth boss (3 beaten): big pairs once the timer passes data2 / 2 = 15, in step 17.
    ResetWorld();
    nBoss = 3;
    BossInField();
    ASSERT_EQ(Satellites().size(), 6u);
    StepWorld(16);
    EXPECT_EQ(CountOf<EbulletBig>(), 0);
    StepWorld();
    EXPECT_EQ(CountOf<EbulletBig>(), 12);
    EXPECT_EQ(CountOf<Ebullet>(), 0);

    // The eleventh: one rocket each, in step 32.
    ResetWorld();
    nBoss = 10;
    AddShip(0, -300);
    BossInField();
    const int sats = static_cast<int>(Satellites().size());
    EXPECT_EQ(sats, 13);
    StepWorld(31);
    EXPECT_EQ(CountOf<ERocket>(), 0);
    StepWorld();
    EXPECT_EQ(CountOf<ERocket>(), sats);

    // Aimed pairs start with their switch off; the phase flips at every step after data4 = 25
    // frames (from step 27 on), so with a volley interval of 32 steps the volleys always meet
    // the switch off, and with 33 (data2 = 31) every second one meets it on.
    ResetWorld();
    nBoss = 4;
    AddShip(0, -300);
    HoldKey(SDLK_c);
    BossInField(200);
    EXPECT_EQ(CountOf<Ebullet>(), 0);

    ResetWorld();
    nBoss = 4;
    sateliteFireRate = 31;
    Player* ship = AddShip(0, -300);
    HoldKey(SDLK_c);
    BossInField(32);
    EXPECT_EQ(CountOf<Ebullet>(), 0);
    StepWorld();
    ASSERT_EQ(CountOf<Ebullet>(), 2 * 7);
    for (BossEnemy* s : Satellites()) {
        const float a = std::atan2(ship->y - s->y, ship->x - s->x);
        EXPECT_NEAR(AngleDiff(std::atan2(s->ay, s->ax), a), 0, 0.02f);
    }
    for (Ebullet* b : ObjectsOf<Ebullet>())
        EXPECT_NEAR(std::hypot(b->vx, b->vy), 3, 1e-4);
}

TEST(Boss, SatelliteCountStaysExact) {
    // Destroyed one by one: the core is bared, and shrinks, exactly once.
    ResetWorld();
    BossInField(1);
    std::vector<BossEnemy*> sats = Satellites();
    sats[0]->data = 1;
    StepWorld();
    EXPECT_EQ(nBoss2, 2);
    EXPECT_FLOAT_EQ(BOSS->r, 70);
    sats[1]->data = 2;
    sats[2]->data = -5;
    StepWorld();
    EXPECT_EQ(nBoss2, 0);
    EXPECT_FLOAT_EQ(BOSS->r, 55);
    StepWorld(3);
    EXPECT_EQ(nBoss2, 0);
    EXPECT_EQ(Satellites().size(), 0u);
    EXPECT_FLOAT_EQ(BOSS->r, 55);

    // Orphaned: the core leaves the list and its satellites explode in the same pass, unpaid.
    ResetWorld();
    BossInField(1);
    BOSS->dead = true;
    StepWorld();
    EXPECT_EQ(BOSS, nullptr);
    EXPECT_EQ(nBoss2, 0);
    for (BossEnemy* s : Satellites())
        EXPECT_TRUE(s->dead);
    EXPECT_EQ(score[0], 0);
    EXPECT_EQ(CountOf<Health>(), 0);
    StepWorld();
    EXPECT_EQ(Satellites().size(), 0u);
    EXPECT_EQ(nBoss2, 0);

    // Off the screen: one by one, counted once each, even if it bursts in the same step.
    ResetWorld();
    BossInField(1);
    sats = Satellites();
    sats[0]->r2 = -5000; // beyond an exit edge in either build
    StepWorld();
    EXPECT_TRUE(sats[0]->dead);
    EXPECT_EQ(nBoss2, 2);
    EXPECT_FLOAT_EQ(BOSS->r, 70);
    sats[1]->r2 = 5000;
    sats[1]->data = 2;
    sats[2]->r2 = 5000;
    StepWorld();
    EXPECT_EQ(nBoss2, 0);
    EXPECT_FLOAT_EQ(BOSS->r, 55);
    StepWorld();
    EXPECT_EQ(Satellites().size(), 0u);
    EXPECT_EQ(nBoss2, 0);

    // Deleted while still counted (marked dead from outside).
    ResetWorld();
    BossInField(1);
    Satellites()[1]->dead = true;
    StepWorld();
    EXPECT_EQ(nBoss2, 2);
    EXPECT_EQ(SatellitesInPlay(), 2);
}

TEST(Boss, NewGameInMidFightStartsFromNoSatellites) {
    ResetWorld();
    BossInField(10);
    Satellites()[0]->data = 2;
    StepWorld();
    ASSERT_EQ(nBoss2, 2);
    StartGame(false);
    EXPECT_EQ(nBoss2, 0);
    StepWorld();
    EXPECT_EQ(nBoss2, 0);
    EXPECT_EQ(BOSS, nullptr);
    EXPECT_EQ(Satellites().size(), 0u);
    EXPECT_EQ(nObject, 1); // the new ship
    EXPECT_EQ(score[0], 0);
    // The next game's first boss is shielded by its own satellites only.
    CreateBoss();
    EXPECT_EQ(nBoss2, 3);
    for (BossEnemy* s : Satellites())
        s->data = 2;
    StepWorld();
    EXPECT_EQ(nBoss2, 0);
    EXPECT_FLOAT_EQ(BOSS->r, 55);
    EXPECT_EQ(SatellitesInPlay(), 0);
}

TEST(Boss, CoreWithFewSidesCrumblesAtOnce) {
    for (int sides = 0; sides <= 2; sides++) {
        ResetWorld();
        bossMinSides = sides;
        BossInField();
        EXPECT_EQ(BOSS->data, sides);
        Boss* core = BOSS;
        // 2 sides: two frames of crumbling, destroyed in the third; 0: destroyed at once.
        for (int frame = 1; frame <= sides; frame++) {
            StepWorld();
            EXPECT_FALSE(core->dead) << sides << " sides, frame " << frame;
            EXPECT_EQ(core->data, sides - frame);
            EXPECT_EQ(GridNodes(core), 0); // crumbling, out of reach
        }
        EXPECT_EQ(nBoss, 0);
        StepWorld();
        EXPECT_TRUE(core->dead) << sides << " sides";
        EXPECT_EQ(nBoss, 1);
        EXPECT_EQ(score[0], 10000);
        StepWorld();
        EXPECT_EQ(BOSS, nullptr);
        EXPECT_EQ(nBoss2, 0);
    }
    // A crumbling core that a zap takes below 0 is destroyed as well.
    ResetWorld();
    BossInField();
    BOSS->data = -3;
    StepWorld();
    EXPECT_TRUE(BOSS->dead);
    EXPECT_EQ(nBoss, 1);
}

TEST(Boss, CoreWithoutSatellitesIsBareAtOnce) {
    ResetWorld();
    bossStartingSatelites = 0;
    BossInField();
    EXPECT_EQ(nObject, 1);
    EXPECT_EQ(nBoss2, 0);
    EXPECT_FLOAT_EQ(BOSS->r, 70);
    StepWorld(31);
    EXPECT_EQ(CountOf<Ebullet>(), 0);
    StepWorld();
    EXPECT_EQ(CountOf<Ebullet>(), 10);
    Pbullet shot(0, 0, 0, 10, 0);
    BOSS->hit(&shot);
    EXPECT_EQ(BOSS->data, 99);
    EXPECT_EQ(score[0], 500);
}

TEST(Boss, CoreDestructionPaysAndLetsGo) {
    ResetWorld();
    powerupat[0] = 100;
    BossInField(1);
    // Shot to nothing while still shielded: its satellites are orphaned.
    Boss* core = BOSS;
    core->data = 0;
    StepWorld();
    EXPECT_TRUE(core->dead);
    EXPECT_EQ(BOSS, core); // cleared in the next pass
    EXPECT_EQ(CountOf<Health>(), 100);
    std::vector<Ebullet*> darts = ObjectsOf<Ebullet>();
    ASSERT_EQ(darts.size(), 25u);
    for (Ebullet* d : darts) {
        EXPECT_NEAR(std::hypot(d->vx, d->vy), 2, 1e-4);
        EXPECT_NEAR(std::hypot(d->x - d->vx - core->x, d->y - d->vy - core->y), 70, 1e-3);
    }
    for (Health* h : ObjectsOf<Health>())
        EXPECT_NEAR(std::hypot(h->x - core->x, h->y - core->y), 70, 0.5f);
    EXPECT_EQ(nBoss, 1);
    EXPECT_EQ(score[0], 10000);
    EXPECT_EQ(CountOf<PowerUp>(), 1);
    EXPECT_EQ(nBoss2, 3);
    for (BossEnemy* s : Satellites())
        EXPECT_FALSE(s->dead);

    StepWorld();
    EXPECT_EQ(BOSS, nullptr);
    EXPECT_EQ(nBoss2, 0);
    for (BossEnemy* s : Satellites())
        EXPECT_TRUE(s->dead);
    EXPECT_EQ(score[0], 10000); // the orphans pay nothing
    StepWorld();
    EXPECT_EQ(Satellites().size(), 0u);
}

TEST(Boss, AbandonedCoreCrumblesAfter1090Frames) {
    ResetWorld();
    BossInField();
    Boss* core = BOSS;
    StepWorld(1090);
    EXPECT_EQ(core->data, 100);
    StepWorld();
    EXPECT_EQ(core->data, 2);
    StepWorld(2);
    EXPECT_EQ(core->data, 0);
    EXPECT_FALSE(core->dead);
    StepWorld();
    EXPECT_TRUE(core->dead);
    StepWorld();
    EXPECT_EQ(BOSS, nullptr);
    EXPECT_EQ(nBoss2, 0);

    // Not while a ship is left.
    ResetWorld();
    AddShip(0, -300);
    HoldKey(SDLK_c);
    BossInField(1200);
    EXPECT_EQ(BOSS->data, 100);
}

TEST(Boss, FightFromEntryToDestruction) {
    ResetWorld();
    // A protected ship keeps the core from giving up; the test's own shots do the fighting.
    AddShip(0, -300);
    HoldKey(SDLK_c);
    CreateBoss();
    const float margin = 40;
    int frames = 0;
    bool wasShieldedWhenHit = false;
    while (BOSS && frames < 6000) {
        // One shot at every target in the field that can take it, arriving near its centre (off
        // the cell borders through the middle of the field, where a point enters no cell).
        std::vector<Object*> targets;
        for (BossEnemy* s : Satellites())
            if (!s->dead && s->data > 2) targets.push_back(s);
        if (targets.empty() && !BOSS->dead && BOSS->data > 2) targets.push_back(BOSS);
        for (Object* t : targets) {
            if (std::fabs(t->x) > hw - margin || std::fabs(t->y) > hh - margin || t->flash >= 0.1f) continue;
            if (LANDSCAPE)
                AddObject(new Pbullet(t->x - 10, t->y + 3, 10, 0, 0));
            else
                AddObject(new Pbullet(t->x + 3, t->y - 10, 0, 10, 0));
        }
        const int coreSides = BOSS->data;
        StepWorld();
        frames++;
        if (BOSS && BOSS->data < coreSides && nBoss2 > 0) wasShieldedWhenHit = true;
    }
    ASSERT_EQ(BOSS, nullptr) << "the boss survived " << frames << " frames";
    EXPECT_FALSE(wasShieldedWhenHit);
    EXPECT_EQ(nBoss, 1);
    EXPECT_EQ(nBoss2, 0);
    // 23 hits on each satellite, 2500 for each, 98 hits on the core and its 10000.
    EXPECT_EQ(score[0], 3 * 23 * 100 + 3 * 2500 + 98 * 500 + 10000);
    StepWorld();
    EXPECT_EQ(Satellites().size(), 0u);

    // The next boss is stronger.
    CreateBoss();
    EXPECT_EQ(BOSS->data, 100);
    EXPECT_EQ(BOSS->data4, 20);
    std::vector<BossEnemy*> sats = Satellites();
    ASSERT_EQ(sats.size(), 4u);
    EXPECT_EQ(nBoss2, 4);
    for (int k = 0; k < 4; k++) {
        EXPECT_NEAR(sats[k]->rot2, k * PI / 2, 1e-5);
        EXPECT_EQ(sats[k]->data, 25);
    }
}

TEST(Boss, StrengthIsBoundedForLateBosses) {
    ResetWorld();
    nBoss = 20;
    CreateBoss();
    EXPECT_EQ(BOSS->data, 400);
    EXPECT_EQ(BOSS->data4, 80);
    std::vector<BossEnemy*> sats = Satellites();
    ASSERT_EQ(sats.size(), 15u);
    for (BossEnemy* s : sats) {
        EXPECT_EQ(s->data, 50);
        EXPECT_EQ(s->data4, 25);
    }
    // Side and shot counts from a bad settings file stay inside pd.
    ResetWorld();
    bossMinSides = 100000;
    maxBossBullets = 100000;
    nBoss = 100;
    minSateliteSides = 9000;
    maxSateliteSides = 9000;
    maxSateliteBullets = 9000;
    bossStartingSatelites = 0;
    CreateBoss();
    EXPECT_LT(BOSS->data, PD_SIZE);
    EXPECT_LT(BOSS->data4, PD_SIZE);
    for (BossEnemy* s : Satellites()) {
        EXPECT_LT(s->data, PD_SIZE);
        EXPECT_LT(s->data4, PD_SIZE);
    }
    BOSS->x = BOSS->y = 0;
    for (BossEnemy* s : Satellites())
        s->data = 0;
    StepWorld(40);
    EXPECT_GE(CountOf<Ebullet>(), PD_SIZE - 1); // one ring of 499
}
