// The player ship: its guns, the lightning lock-on, damage and the death sequence, the life bar
// and power-ups. Ships are driven through the object list with keys held as the game reads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "enemies/enemy.h"
#include "enemies/projectiles.h"
#include "flow/screens.h"
#include "harness.h"
#include "player/pickups.h"
#include "player/player.h"
#include "player/shots.h"
#include "shell/display.h"
#include "shell/orientation.h"
#include "shell/settings.h"
#include "world/effects.h"

namespace {

using PlayerTest = CleanWorld;

// Puts o at `ahead` / `across` from the ship s.
void PutAhead(Object* o, const Object* s, float ahead, float across = 0) {
    Place(o, Across(s) + across, Along(s) + ahead);
}

// A one-player game's ship with the given gun at the given level, moved off the grid's cell
// borders so that points can meet it.
Player* OneShip(int gun = GUN_STRAIGHT, int level = 0) {
    StartGame(false);
    player->x = 30;
    player->y = -190;
    player->gun = gun;
    player->level[gun] = level;
    return player;
}

// A still enemy with many sides that never fires.
Enemy* StillEnemy(const Object* s, float ahead, float across, int sides = 50, float r = 20) {
    Enemy* e = Listed(Armed(new Enemy(0, 0, 0, 0), r, sides, 1000000));
    PutAhead(e, s, ahead, across);
    return e;
}

// An enemy dart touching the ship s.
Object* DartOn(const Object* s) {
    return AddObject(new Ebullet(s->x + 1, s->y, 0, 0));
}

// (ahead, across, owner) of every plain shot relative to the ship, sorted; checks their velocity.
std::vector<std::vector<float>> Shots(const Player* s) {
    std::vector<std::vector<float>> list;
    for (Pbullet* b : ObjectsOf<Pbullet>()) {
        EXPECT_FLOAT_EQ(AlongV(b), 6);
        EXPECT_FLOAT_EQ(AcrossV(b), 0);
        list.push_back({Along(b) - Along(s), Across(b) - Across(s), static_cast<float>(b->data4)});
    }
    std::sort(list.begin(), list.end());
    return list;
}

// Frames, counted from the first, after which the ship's timer shows a fresh zap.
std::vector<int> ZapFrames(Player* s, int frames) {
    std::vector<int> zaps;
    const float cool = static_cast<float>(-7 / (s->level[GUN_LIGHTNING] + 1));
    for (int f = 0; f < frames; f++) {
        StepWorld();
        if (s->fireat == cool) zaps.push_back(f);
    }
    return zaps;
}

using Shot = std::vector<float>;

TEST_F(PlayerTest, StraightGunFiresOneBurstEverySixFramesAndAtOnceOnAFreshPress) {
    StartGame(false);
    StepWorld(); // fire released: the next press fires at once
    HoldKey(SDLK_SLASH);
    std::vector<int> bursts;
    int seen = 0;
    for (int f = 0; f < 30; f++) {
        StepWorld();
        if (CountOf<Pbullet>() > seen) bursts.push_back(f);
        seen = CountOf<Pbullet>();
    }
    EXPECT_EQ(bursts, (std::vector<int>{0, 6, 12, 18, 24}));
    EXPECT_EQ(seen, 5);

    // Two frames after a burst a fresh press fires at once.
    HoldKey(SDLK_SLASH, false);
    StepWorld(2);
    EXPECT_EQ(CountOf<Pbullet>(), 5);
    HoldKey(SDLK_z); // the second fire key of a one-player game
    StepWorld();
    EXPECT_EQ(CountOf<Pbullet>(), 6);
    StepWorld(5);
    EXPECT_EQ(CountOf<Pbullet>(), 6);
    StepWorld();
    EXPECT_EQ(CountOf<Pbullet>(), 7);
}

TEST_F(PlayerTest, StraightGunMuzzlePointsByLevel) {
    // Shots are updated in the frame they are fired, so they are one step (6) past the muzzle.
    const std::vector<std::vector<Shot>> expected = {
        {{31, 0, 0}},
        {{21, -7, 0}, {21, 7, 0}},
        {{21, -7, 0}, {21, 7, 0}, {31, 0, 0}},
    };
    for (int level = 0; level < 3; level++) {
        ResetWorld();
        Player* ship = OneShip(GUN_STRAIGHT, level);
        StepWorld();
        HoldKey(SDLK_SLASH);
        StepWorld();
        EXPECT_EQ(Shots(ship), expected[level]) << "level " << level;
    }
}

TEST_F(PlayerTest, FireKeysOfOneAndTwoPlayersAndTheSecondShipScoresForItself) {
    StartGame(true);
    Player* first = player;
    Player* second = player2;
    StepWorld();
    HoldKey(SDLK_z); // not a fire key while there is a second player
    StepWorld(3);
    EXPECT_EQ(CountOf<Pbullet>(), 0);
    HoldKey(SDLK_z, false);

    HoldKey(SDLK_SLASH);
    StepWorld();
    EXPECT_EQ(Shots(first), (std::vector<Shot>{{31, 0, 0}}));
    HoldKey(SDLK_SLASH, false);
    for (Pbullet* b : ObjectsOf<Pbullet>())
        b->dead = true;
    StepWorld();

    // The second ship fires with B; its shot carries owner 1 and credits score[1].
    Enemy* target = StillEnemy(second, 100, 0, 10, 30);
    HoldKey(SDLK_b);
    StepWorld();
    HoldKey(SDLK_b, false);
    EXPECT_EQ(Shots(second), (std::vector<Shot>{{31, 0, 1}}));
    StepWorld(20);
    EXPECT_EQ(target->data, 9);
    EXPECT_EQ(score[1], 100);
    EXPECT_EQ(score[0], 0);
    EXPECT_EQ(CountOf<Pbullet>(), 0);
}

TEST_F(PlayerTest, ChargeGunKeysWhileAChargeShotIsInFlight) {
    Player* ship = OneShip(GUN_CHARGE, 1);
    chargebullet[0] = true;

    // Z keeps charging in a one-player game although a charge shot is in flight...
    HoldKey(SDLK_z);
    StepWorld(6);
    EXPECT_NEAR(ship->fireat, 1.2f, 1e-4f);
    // ...the slash does not, and a release while the flag is set fires nothing.
    HoldKey(SDLK_z, false);
    HoldKey(SDLK_SLASH);
    StepWorld(3);
    HoldKey(SDLK_SLASH, false);
    StepWorld(3);
    EXPECT_NEAR(ship->fireat, 1.2f, 1e-4f);
    EXPECT_EQ(CountOf<PChargebullet>(), 0);

    // The stored charge goes as soon as the flag clears.
    chargebullet[0] = false;
    StepWorld();
    ASSERT_EQ(CountOf<PChargebullet>(), 1);
    auto* shot = dynamic_cast<PChargebullet*>(Objects().back());
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->data2, 1);
    EXPECT_EQ(shot->data4, 0);
    EXPECT_EQ(shot->data, TAG_CHARGE_SHOT);
    EXPECT_FLOAT_EQ(Along(shot), Along(ship) + 36); // 30 ahead, plus the first step of 6
    EXPECT_FLOAT_EQ(Across(shot), Across(ship));
    EXPECT_FLOAT_EQ(AlongV(shot), 6);
    EXPECT_FLOAT_EQ(AcrossV(shot), 0);
    EXPECT_TRUE(chargebullet[0]);
    EXPECT_EQ(ship->fireat, 0);
}

TEST_F(PlayerTest, SecondShipChargesWithBOnlyWhileItsFlagIsClear) {
    StartGame(true);
    Player* second = player2;
    second->gun = GUN_CHARGE;
    second->level[GUN_CHARGE] = 2;
    HoldKey(SDLK_z);
    HoldKey(SDLK_SLASH);
    StepWorld(2);
    EXPECT_EQ(second->fireat, 0);
    HoldKey(SDLK_z, false);
    HoldKey(SDLK_SLASH, false);
    chargebullet[1] = true;
    HoldKey(SDLK_b);
    StepWorld(2);
    EXPECT_EQ(second->fireat, 0);
    chargebullet[1] = false;
    StepWorld(11);
    EXPECT_NEAR(second->fireat, 4.4f, 1e-4f);
    HoldKey(SDLK_b, false);
    StepWorld();
    ASSERT_EQ(CountOf<PChargebullet>(), 1);
    EXPECT_EQ(Objects().back()->data4, 1);
    EXPECT_EQ(Objects().back()->data2, 4);
    EXPECT_TRUE(chargebullet[1]);
    EXPECT_FALSE(chargebullet[0]);
}

TEST_F(PlayerTest, ChargeStopsAtItsCapPossiblyOneStepAbove) {
    const float step[3] = {0, 0.2f, 0.4f};
    for (int level = 1; level <= 2; level++) {
        ResetWorld();
        Player* ship = OneShip(GUN_CHARGE, level);
        const float cap = 2.0f * level + 15;
        HoldKey(SDLK_z);
        StepWorld(200);
        EXPECT_GE(ship->fireat, cap) << "level " << level;
        EXPECT_LE(ship->fireat, cap + step[level] + 1e-3f) << "level " << level;
        HoldKey(SDLK_z, false);
        StepWorld();
        ASSERT_EQ(CountOf<PChargebullet>(), 1);
        EXPECT_EQ(Objects().back()->data2, static_cast<int>(cap));
    }
}

TEST_F(PlayerTest, ATapLaunchesAnEmptyChargeShotThatReleasesTheFlagAtOnce) {
    Player* ship = OneShip(GUN_CHARGE, 1);
    HoldKey(SDLK_z);
    StepWorld();
    HoldKey(SDLK_z, false);
    StepWorld();
    // The shot of charge 0 had its first update in the frame it was fired.
    ASSERT_EQ(CountOf<PChargebullet>(), 1);
    Object* shot = Objects().back();
    EXPECT_EQ(shot->data2, 0);
    EXPECT_TRUE(shot->dead);
    EXPECT_FALSE(chargebullet[0]);
    EXPECT_EQ(ship->fireat, 0);
    StepWorld();
    EXPECT_EQ(CountOf<PChargebullet>(), 0);

    // The ship may charge and fire again at once.
    HoldKey(SDLK_z);
    StepWorld(11);
    HoldKey(SDLK_z, false);
    StepWorld();
    ASSERT_EQ(CountOf<PChargebullet>(), 1);
    EXPECT_EQ(Objects().back()->data2, 2);
    EXPECT_TRUE(chargebullet[0]);
}

TEST_F(PlayerTest, SpentChargeShotClearsOnlyItsOwnersFlag) {
    auto* shot = new PChargebullet(30, -100, 0, 0, 1, 4);
    AddObject(shot);
    chargebullet[0] = chargebullet[1] = true;
    StepWorld();
    EXPECT_FALSE(shot->dead);
    EXPECT_TRUE(chargebullet[1]);
    shot->data2 = 0;
    StepWorld();
    EXPECT_TRUE(shot->dead);
    EXPECT_FALSE(chargebullet[1]);
    EXPECT_TRUE(chargebullet[0]);
    StepWorld();
    EXPECT_EQ(CountOf<PChargebullet>(), 0);
    EXPECT_TRUE(chargebullet[0]);

    // A shot that leaves the field releases its owner's flag when the list removes it.
    shot = LANDSCAPE ? new PChargebullet(hw - 3.0f, 30, 6, 0, 0, 9)
                     : new PChargebullet(30, hh - 3.0f, 0, 6, 0, 9);
    AddObject(shot);
    StepWorld();
    EXPECT_TRUE(chargebullet[0]);
    StepWorld();
    EXPECT_EQ(CountOf<PChargebullet>(), 0);
    EXPECT_FALSE(chargebullet[0]);
}

TEST_F(PlayerTest, LightningReachGrowsWithLevelMeasuredToTheRim) {
    // Squared distances to the rim around the reach: a target must come within it by more than 1.
    for (int level = 0; level < 3; level++)
        for (float offset : {-1.5f, -0.5f, 50.0f}) {
            ResetWorld();
            Player* ship = OneShip(GUN_LIGHTNING, level);
            const float reach2 = 40000.0f + 10000.0f * level;
            const float r = 20;
            Enemy* target = StillEnemy(ship, std::sqrt(reach2 + r * r + offset), 0, 50, r);
            HoldKey(SDLK_SLASH);
            StepWorld();
            if (offset < -1) {
                EXPECT_EQ(ship->obj, target) << "level " << level << " offset " << offset;
                EXPECT_EQ(target->data, 49) << "level " << level;
                EXPECT_EQ(score[0], 100);
                EXPECT_LT(ship->fireat, 0);
            } else {
                EXPECT_EQ(ship->obj, nullptr) << "level " << level << " offset " << offset;
                EXPECT_EQ(target->data, 50);
                EXPECT_EQ(ship->fireat, 1); // ready, nothing in reach
            }
        }
}

TEST_F(PlayerTest, LightningZapsEvery8Or4Or3Frames) {
    const std::vector<std::vector<int>> expected = {
        {0, 8, 16, 24},
        {0, 4, 8, 12, 16, 20, 24, 28},
        {0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30},
    };
    for (int level = 0; level < 3; level++) {
        ResetWorld();
        Player* ship = OneShip(GUN_LIGHTNING, level);
        Enemy* target = StillEnemy(ship, 120, 10, 100);
        HoldKey(SDLK_SLASH);
        EXPECT_EQ(ZapFrames(ship, 32), expected[level]) << "level " << level;
        EXPECT_EQ(ship->obj, target);
        if (level == 0) {
            // Eight frames outlast the enemy's hit flash: every zap costs a side and scores.
            EXPECT_EQ(target->data, 96);
            EXPECT_EQ(score[0], 400);
        }
        // Releasing fire drops the lock once the gun has cooled down.
        HoldKey(SDLK_SLASH, false);
        StepWorld(9);
        EXPECT_EQ(ship->obj, nullptr);
        EXPECT_EQ(ship->fireat, 0);
    }
}

TEST_F(PlayerTest, LightningIgnoresShotsRocketsPowerUpsAndTargetsBeyondTheFarEdge) {
    Player* ship = OneShip(GUN_LIGHTNING);
    PutAhead(Listed(new EbulletBig(0, 0, 0, 0)), ship, 60);
    PutAhead(Listed(new ERocket(0, 0)), ship, 150);
    PutAhead(Listed(new PowerUp(0, 0, 1)), ship, 100, 20);
    HoldKey(SDLK_SLASH);
    StepWorld();
    EXPECT_EQ(ship->obj, nullptr);
    EXPECT_EQ(ship->fireat, 1);

    // An enemy further away than all of them is the one the lightning takes.
    Enemy* target = StillEnemy(ship, 180, -20);
    StepWorld();
    EXPECT_EQ(ship->obj, target);
    EXPECT_EQ(target->data, 49);

    // Near the far edge: an enemy not yet on the field is out of bounds however close.
    ResetWorld();
    ship = OneShip(GUN_LIGHTNING);
    Place(ship, Across(ship), EntryEdge() - 100);
    target = StillEnemy(ship, 101, 0, 50, 10); // centre just beyond the edge
    HoldKey(SDLK_SLASH);
    StepWorld(2);
    EXPECT_EQ(ship->obj, nullptr);
    EXPECT_EQ(target->data, 50);
    PutAhead(target, ship, 99);
    StepWorld();
    EXPECT_EQ(ship->obj, target);
    EXPECT_EQ(target->data, 49);
}

TEST_F(PlayerTest, LockIsDroppedWhenTheTargetIsDestroyedOrDeleted) {
    // Both ships lock on to one enemy between them.
    StartGame(true);
    Player* first = player;
    Player* second = player2;
    for (Player* s : {first, second})
        s->gun = GUN_LIGHTNING;
    Enemy* target = StillEnemy(first, 0, 0, 50, 60);
    Place(target, 0, LANDSCAPE ? -150 : -100);
    HoldKey(SDLK_SLASH);
    HoldKey(SDLK_b);
    StepWorld();
    ASSERT_EQ(first->obj, target);
    ASSERT_EQ(second->obj, target);
    const float spotX = target->x, spotY = target->y;
    target->dead = true;
    StepWorld();
    EXPECT_EQ(first->obj, nullptr);
    EXPECT_EQ(second->obj, nullptr);
    StepWorld(20); // the cooling ships draw and zap nothing freed
    EXPECT_EQ(CountOf<Enemy>(), 0);

    // A zap that wears the target down to 2 sides drops the lock at once.
    Enemy* weak = StillEnemy(first, 0, 0, 3, 60);
    weak->x = spotX;
    weak->y = spotY;
    HoldKey(SDLK_b, false);
    StepWorld();
    EXPECT_EQ(weak->data, 2);
    EXPECT_EQ(first->obj, nullptr);
    EXPECT_TRUE(weak->dead); // burst in its own update, after the ship's
    StepWorld(10);
    EXPECT_EQ(CountOf<Enemy>(), 0);
}

TEST_F(PlayerTest, EnemyBulletCostsALifeThenExplosionsPauseAndBlinking) {
    Player* ship = OneShip(GUN_LIGHTNING);
    ship->level[0] = 1;
    ship->level[1] = 2;
    ship->level[2] = 2;
    Object* bullet = DartOn(ship);
    StepWorld();
    EXPECT_EQ(lives, 4);
    EXPECT_EQ(ship->flash, 175);
    EXPECT_EQ(ship->gun, GUN_STRAIGHT);
    EXPECT_EQ(ship->level[0] + ship->level[1] + ship->level[2], 0);
    // The burst sits on the life marker that has just gone from the display.
    const float mx = 16.0f * lives - hw + 15, my = hh - 35.0f;
    EXPECT_EQ(LiveParticles(), 130);
    for (const Explosion& e : boom)
        if (e.valid) {
            EXPECT_LE(std::hypot(e.x - mx, e.y - my), 13.01f);
        }
    bullet->dead = true;

    ship->fireat = 6; // as after a release: the first frame in control fires
    HoldKey(SDLK_RIGHT);
    HoldKey(SDLK_UP);
    HoldKey(SDLK_SLASH);
    int explosionFrames = 0, pauseFrames = 0, blinkFrames = 0, bursts = 0;
    for (int f = 0; ship->flash >= 0.1f; f++) {
        const float flash = ship->flash, x = ship->x, y = ship->y;
        const bool on = ship->on;
        const int particles = LiveParticles(), shots = CountOf<Pbullet>();
        if (f == 20 || f == 60 || f == 100) DartOn(ship);
        StepWorld();
        for (Ebullet* b : ObjectsOf<Ebullet>())
            b->dead = true;
        EXPECT_NE(ship->on, on) << "blinks, frame " << f;
        const bool grew = LiveParticles() > particles;
        if (flash >= 110) {
            EXPECT_EQ(ship->x, x);
            EXPECT_EQ(ship->y, y);
            EXPECT_EQ(CountOf<Pbullet>(), shots);
        }
        if (flash > 120) {
            explosionFrames++;
            bursts += grew;
            if (grew) {
                EXPECT_EQ(f % 2, 0) << "frame " << f; // every other frame
            }
        } else {
            EXPECT_FALSE(grew) << "frame " << f;
            if (flash >= 110)
                pauseFrames++;
            else if (blinkFrames++ == 0) {
                // Control is back at once: the ship moves and fires while it blinks.
                EXPECT_FLOAT_EQ(ship->x, x + 5);
                EXPECT_FLOAT_EQ(ship->y, y + 5);
                EXPECT_EQ(CountOf<Pbullet>(), shots + 1);
            }
        }
    }
    EXPECT_EQ(explosionFrames, 55);
    EXPECT_EQ(pauseFrames, 11);
    EXPECT_GE(blinkFrames, 109);
    EXPECT_GE(bursts, 10);
    EXPECT_EQ(lives, 4); // the bullets met during the sequence cost nothing
    StepWorld(2);
    EXPECT_TRUE(ship->on);
}

TEST_F(PlayerTest, HoldingCMakesHitsFreeForBothShips) {
    StartGame(true);
    HoldKey(SDLK_c);
    for (Player* s : {player, player2}) {
        s->x += 3;
        s->y += 3;
        DartOn(s);
    }
    StepWorld();
    EXPECT_EQ(lives, 10);
    EXPECT_EQ(player->flash, 0);
    EXPECT_EQ(player2->flash, 0);
    // Ramming an enemy costs nothing either; the enemy's own hit still runs.
    Enemy* e = StillEnemy(player, 5, 0, 6, 20);
    StepWorld();
    EXPECT_EQ(e->data, 0);
    EXPECT_EQ(lives, 10);
    HoldKey(SDLK_c, false);
    for (Ebullet* b : ObjectsOf<Ebullet>())
        b->dead = true;
    DartOn(player);
    StepWorld();
    EXPECT_EQ(lives, 9);
}

TEST_F(PlayerTest, LastLifeOpensGameOverOnlyAfterTheDeathSequence) {
    Player* ship = OneShip();
    lives = 0;
    Object* bullet = DartOn(ship);
    StepWorld();
    bullet->dead = true;
    ASSERT_EQ(lives, -1);
    int frames = 0;
    while (nAnim == 0 && frames < 300) {
        const float flash = ship->flash;
        StepWorld();
        frames++;
        if (flash >= 110) {
            EXPECT_EQ(nAnim, 0) << "flash " << flash;
        }
    }
    EXPECT_EQ(frames, 67); // 55 frames of explosions, 11 still, then the first frame in control
    ASSERT_EQ(nAnim, 1);
    EXPECT_NE(dynamic_cast<GameOver*>(anim[0]), nullptr);
    EXPECT_TRUE(ship->dead);
    StepWorld();
    EXPECT_EQ(player, nullptr);
    EXPECT_EQ(nObject, 0);
    StepWorld(3);
    EXPECT_EQ(nAnim, 1);
}

TEST_F(PlayerTest, SecondShipVanishesAtOnceAndNeverOpensGameOver) {
    StartGame(true);
    lives = 0;
    player->x += 3;
    Object* bullet = DartOn(player);
    StepWorld();
    bullet->dead = true;
    ASSERT_EQ(lives, -1);
    StepWorld();
    EXPECT_NE(player2, nullptr);
    EXPECT_TRUE(player2->dead);
    StepWorld();
    EXPECT_EQ(player2, nullptr);
    EXPECT_NE(player, nullptr);
    EXPECT_EQ(nAnim, 0);
    StepWorld(70);
    EXPECT_EQ(player, nullptr);
    ASSERT_EQ(nAnim, 1);
    auto* screen = dynamic_cast<GameOver*>(anim[0]);
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(screen->twoPlayers);

    // The other way round: the first ship in control opens the screen at once, the second
    // ship's death sequence ends without a second screen.
    ResetWorld();
    StartGame(true);
    lives = 0;
    player2->x += 3;
    bullet = DartOn(player2);
    StepWorld();
    bullet->dead = true;
    StepWorld();
    EXPECT_EQ(nAnim, 1);
    StepWorld(80);
    EXPECT_EQ(player2, nullptr);
    EXPECT_EQ(nAnim, 1);
}

TEST_F(PlayerTest, HealthFillsTheLifeBarAndAFullBarGivesALife) {
    Player* ship = OneShip();
    ship->data = 200;
    Object* token = AddObject(new Health(ship->x + 1, ship->y, 0, 0));
    StepWorld();
    EXPECT_TRUE(token->dead);
    EXPECT_EQ(ship->data, 0);
    EXPECT_EQ(lives, 6);
    ASSERT_EQ(nAnim, 1);
    EXPECT_NE(dynamic_cast<Life*>(anim[0]), nullptr);

    // The rate is added and truncated; tokens are collected while blinking too.
    lifeBarRate = 2.5f;
    ship->data = 10;
    ship->flash = 50;
    AddObject(new Health(ship->x + 1, ship->y, 0, 0));
    StepWorld();
    EXPECT_EQ(ship->data, 12);
    EXPECT_EQ(lives, 6);

    // A bar at exactly 200 is full but gives nothing yet.
    lifeBarRate = 1;
    ship->data = 199;
    AddObject(new Health(ship->x + 1, ship->y, 0, 0));
    StepWorld();
    EXPECT_EQ(ship->data, 200);
    EXPECT_EQ(lives, 6);
}

TEST_F(PlayerTest, PowerUpsSwitchTheGunAndRaiseItsLevelUpToTwo) {
    Player* ship = OneShip();
    auto collect = [ship](int kind) {
        ship->fireat = 3;
        Object* capsule = AddObject(new PowerUp(0, 0, kind));
        PutAhead(capsule, ship, 1, 1);
        StepWorld();
        EXPECT_TRUE(capsule->dead) << "kind " << kind;
        EXPECT_EQ(ship->fireat, 0);
        StepWorld();
    };
    collect(GUN_CHARGE);
    EXPECT_EQ(ship->gun, GUN_CHARGE);
    EXPECT_EQ(ship->level[GUN_CHARGE], 1);
    collect(GUN_CHARGE);
    collect(GUN_CHARGE);
    EXPECT_EQ(ship->level[GUN_CHARGE], 2);
    ship->flash = 150; // in the death sequence, still collected
    collect(GUN_LIGHTNING);
    EXPECT_EQ(ship->gun, GUN_LIGHTNING);
    EXPECT_EQ(ship->level[GUN_LIGHTNING], 1);
    EXPECT_EQ(ship->level[GUN_CHARGE], 2);
    EXPECT_EQ(lives, 5);
}

TEST_F(PlayerTest, MovementRollAndScreenEdges) {
    Player* ship = OneShip();
    struct Case {
        SDLKey key;
        float roll; // portrait; landscape banks on up and down instead
        float landscapeRoll;
    };
    for (Case c :
         {Case{SDLK_RIGHT, 10, 0}, Case{SDLK_LEFT, -10, 0}, Case{SDLK_UP, 0, 10}, Case{SDLK_DOWN, 0, -10}}) {
        HoldKey(c.key);
        StepWorld();
        EXPECT_EQ(ship->roll, LANDSCAPE ? c.landscapeRoll : c.roll) << "key " << c.key;
        HoldKey(c.key, false);
    }
    // Up wins over down and right over left.
    const float x = ship->x, y = ship->y;
    for (SDLKey k : {SDLK_UP, SDLK_DOWN, SDLK_RIGHT, SDLK_LEFT})
        HoldKey(k);
    StepWorld();
    EXPECT_FLOAT_EQ(ship->x, x + 5);
    EXPECT_FLOAT_EQ(ship->y, y + 5);
    HoldKey(SDLK_DOWN, false);
    HoldKey(SDLK_LEFT, false);
    StepWorld(300);
    EXPECT_FLOAT_EQ(ship->x, hw - 15.0f);
    EXPECT_FLOAT_EQ(ship->y, hh - 15.0f);
    ReleaseAllKeys();
    HoldKey(SDLK_DOWN);
    HoldKey(SDLK_LEFT);
    StepWorld(300);
    EXPECT_FLOAT_EQ(ship->x, 15.0f - hw);
    EXPECT_FLOAT_EQ(ship->y, 15.0f - hh);
    EXPECT_EQ(ship->roll, -10);
}

} // namespace
