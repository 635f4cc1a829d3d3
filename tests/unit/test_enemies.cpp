// The enemy kinds and their shots: damage, bursts, volleys, fleeing, exits and the darts,
// big shots and rockets they fire. Both builds run the same cases through the harness's
// flight-axis helpers ("along" is the axis the enemies come in on, "across" the other one).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "enemies/boss.h"
#include "enemies/enemy.h"
#include "enemies/projectiles.h"
#include "harness.h"
#include "player/pickups.h"
#include "player/player.h"
#include "player/shots.h"
#include "shell/display.h"
#include "shell/orientation.h"
#include "shell/settings.h"
#include "world/effects.h"

namespace {

bool HasVertex(const std::vector<FbVertex>& polygon, float x, float y) {
    for (const FbVertex& v : polygon)
        if (std::fabs(v.x - x) < 0.01f && std::fabs(v.y - y) < 0.01f) return true;
    return false;
}

// Player 1's ship for the aiming code, kept out of the list so that it neither moves nor collides.
struct Ship {
    std::unique_ptr<Player> ship = std::make_unique<Player>();
    Ship(float across, float along) {
        Place(ship.get(), across, along);
        player = ship.get();
    }
    ~Ship() { player = nullptr; }
};

// A rocket made where it flies from, so that it starts towards player 1 from there.
ERocket* RocketAt(float across, float along) {
    return Listed(new ERocket(LANDSCAPE ? along : across, LANDSCAPE ? across : along));
}

// The five kinds with what they pay: per damaging hit, and on destruction, and their burst size.
struct Kind {
    const char* name;
    std::function<Object*()> make;
    int points, bonus;
    float explosion; // particle burst size in radii
};
const std::vector<Kind>& Kinds() {
    static const std::vector<Kind> kinds = {
        {"Enemy", [] { return new Enemy(0, 0, 0, 0); }, 100, 1000, 1.5f},
        {"AimEnemy", [] { return new AimEnemy(0, 0, 0, 0); }, 150, 1000, 1.5f},
        {"SpurtEnemy", [] { return new SpurtEnemy(0, 0, 0, 0); }, 100, 1000, 1.5f},
        {"ChargeEnemy", [] { return new ChargeEnemy(0, 0, 0, 0); }, 150, 2000, 2.0f},
        {"RocketEnemy", [] { return new RocketEnemy(0, 0, 0, 0); }, 100, 1500, 1.5f},
    };
    return kinds;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Enemy projectiles

TEST(EnemyShots, DartShapeFollowsItsVelocity) {
    ResetWorld();
    Listed(new Ebullet(0.5f, 0, 0, -1.5f));
    auto polygons = Feedback([] { StepWorld(); });
    ASSERT_EQ(polygons.size(), 2u);
    // Moved to (0.5, -1.5) first: 3 wide across the centre, tail 19.5 behind, tip 1.5 ahead.
    for (auto& p : polygons) {
        ASSERT_EQ(p.size(), 3u);
        EXPECT_TRUE(HasVertex(p, -1.0f, -1.5f));
        EXPECT_TRUE(HasVertex(p, 2.0f, -1.5f));
    }
    EXPECT_TRUE(HasVertex(polygons[0], 0.5f, 18.0f));
    EXPECT_TRUE(HasVertex(polygons[1], 0.5f, -3.0f));
}

TEST(EnemyShots, DartBornOffFieldIsNeverUpdatedNorDrawn) {
    ResetWorld();
    Ebullet* above = Listed(new Ebullet(0.5f, hh + 1.0f, 0, -3));
    Ebullet* beside = Listed(new Ebullet(-hw - 1.0f, 0.5f, 3, 0));
    Ebullet* onEdge = Listed(new Ebullet(0.5f, static_cast<float>(-hh), 1, 0));
    (void)above;
    (void)beside;
    auto polygons = Feedback([] { StepWorld(); });
    // Only the dart running along the bottom edge is left, and only it is drawn.
    ASSERT_EQ(Objects().size(), 1u);
    EXPECT_EQ(Objects()[0], onEdge);
    // What is drawn is the edge dart alone (clipped to the field, so perhaps in pieces); the
    // other two would have moved inside had they been updated.
    EXPECT_FALSE(polygons.empty());
    for (auto& p : polygons)
        for (const FbVertex& v : p) {
            EXPECT_NEAR(v.y, -hh, 1.01f);
            EXPECT_TRUE(v.x > -12 && v.x < 3) << v.x;
        }
}

TEST(EnemyShots, BigShotEntersFromAboveAndLeavesWhollyBeyondAnExit) {
    struct Case {
        float across, along, vAcross, vAlong;
        std::function<bool(const Object*)> gone;
    };
    const float r = static_cast<float>(circleBulletRadius);
    const std::vector<Case> cases = {
        // Down from 100 above the entry edge, through the whole field.
        {30, EntryEdge() + 100, 0, -2, [](const Object* o) { return Along(o) + o->r < -EntryEdge(); }},
        // Sideways, either way.
        {SideEdge() - 20, 30, 2, 0, [](const Object* o) { return Across(o) - o->r > SideEdge(); }},
        {-SideEdge() + 20, 30, -2, 0, [](const Object* o) { return Across(o) + o->r < -SideEdge(); }},
        // Beyond the entry edge and moving away: it could never come back.
        {30, EntryEdge() + r + 1, 0, 1, [](const Object*) { return true; }},
        // Half over the entry edge and moving away: still partly in the field.
        {30, EntryEdge() + r - 2, 0, 1, [](const Object* o) { return Along(o) - o->r > EntryEdge(); }},
    };
    for (const Case& c : cases) {
        ResetWorld();
        auto* shot = Listed(new EbulletBig(0, 0, 0, 0), c.across, c.along);
        Velocity(shot, c.vAcross, c.vAlong);
        int frames = 0;
        for (; frames < 1000 && CountOf<EbulletBig>() == 1; frames++) {
            StepWorld();
            if (CountOf<EbulletBig>() == 0) break;
            ASSERT_EQ(shot->dead, c.gone(shot))
                << "frame " << frames << " at " << Across(shot) << ", " << Along(shot);
        }
        EXPECT_LT(frames, 1000) << "never left";
    }
}

TEST(EnemyShots, PlayerShotsFlyThroughBigShots) {
    ResetWorld();
    auto* big = Listed(new EbulletBig(0, 0, 0, 0), 30, 30);
    Object* shot = AddShot(30, 26);
    StepWorld();
    EXPECT_FALSE(shot->dead);
    EXPECT_FALSE(big->dead);
    EXPECT_FLOAT_EQ(Along(shot), 30); // right in the middle of the big shot
    EXPECT_EQ(big->r, circleBulletRadius);
    StepWorld(3);
    EXPECT_EQ(CountOf<Pbullet>(), 1);
    EXPECT_EQ(CountOf<EbulletBig>(), 1);

    // The same meeting with an enemy in place of the big shot costs the shot.
    ResetWorld();
    auto* enemy = Listed(new Enemy(0, 0, 0, 0), 30, 30);
    enemy->r = circleBulletRadius;
    enemy->data = 5;
    shot = AddShot(30, 26);
    StepWorld();
    EXPECT_TRUE(shot->dead);
}

TEST(EnemyShots, RocketExplodesThreefoldOnItsSixtyFirstUpdate) {
    ResetWorld();
    Ship ship(0, -EntryEdge() + 50); // far enough never to be reached
    auto* rocket = RocketAt(0.5f, EntryEdge() - 100);
    for (int update = 1; update <= 60; update++) {
        const int before = LiveParticles();
        StepWorld();
        ASSERT_FALSE(rocket->dead) << "update " << update;
        ASSERT_EQ(LiveParticles(), before + 1) << "one puff of smoke per update";
        ASSERT_NEAR(std::hypot(rocket->vx, rocket->vy), rocketSpeed, 1e-4);
    }
    const int before = LiveParticles();
    StepWorld();
    ASSERT_TRUE(rocket->dead);
    EXPECT_EQ(LiveParticles(), before + 1 + 100 + 150 + 200);
    // The bursts lie 1, 3 and 5 steps ahead, in that order, each within its size.
    const float centres[3] = {1, 3, 5}, sizes[3] = {10, 15, 20};
    int index = before + 1, counts[3] = {100, 150, 200};
    for (int k = 0; k < 3; k++)
        for (int n = 0; n < counts[k]; n++, index++) {
            const Explosion& e = boom[index];
            const float d = std::hypot(e.x - (rocket->x + centres[k] * rocket->vx),
                                       e.y - (rocket->y + centres[k] * rocket->vy));
            ASSERT_LE(d, sizes[k] + 0.01f) << "burst " << k;
        }
    StepWorld();
    EXPECT_EQ(CountOf<ERocket>(), 0);
}

TEST(EnemyShots, TouchedRocketExplodesAtItsNextUpdateWhileTheShotFliesOn) {
    ResetWorld();
    Ship ship(30, -EntryEdge() + 20);
    auto* rocket = RocketAt(30, 30);
    // The rocket starts at speed 1 towards the ship and speeds up by 1: it moves 2 in its update.
    EXPECT_NEAR(AlongV(rocket), -1, 1e-5);
    Object* shot = AddShot(30, 24);
    StepWorld();
    ASSERT_NEAR(Along(rocket), 28, 1e-4);
    ASSERT_NEAR(Along(shot), 28, 1e-4);
    EXPECT_FALSE(shot->dead);
    EXPECT_FALSE(rocket->dead);
    EXPECT_EQ(rocket->time, timeTillRocketExplodes + 1);

    const int before = LiveParticles();
    StepWorld();
    EXPECT_TRUE(rocket->dead);
    EXPECT_EQ(LiveParticles(), before + 1 + 450);
    EXPECT_FALSE(shot->dead);
}

TEST(EnemyShots, RocketWithoutPlayerOneStartsTowardsFixedPointThenWanders) {
    for (unsigned seed = 1; seed <= 6; seed++) {
        ResetWorld();
        srand(seed);
        const int r1 = rand(), r2 = rand(), px = rand(), py = rand(), t = rand(), sy = rand(), sx = rand();
        srand(seed);
        const float X = 100, Y = 200;
        auto* rocket = Listed(new ERocket(X, Y));
        const float a = atan2f(-130 - Y, 20 - X);
        EXPECT_NEAR(rocket->vx, cosf(a + r1 % 2 - 1), 1e-5) << "seed " << seed;
        EXPECT_NEAR(rocket->vy, sinf(a + r2 % 2 - 1), 1e-5) << "seed " << seed;
        EXPECT_EQ(rocket->data, TAG_ENEMY_SHOT);
        EXPECT_EQ(rocket->type, TYPE_ENEMY);
        EXPECT_EQ(rocket->r, 5);

        // First update: heads from the field's centre to a random point, then one puff.
        const float vx0 = rocket->vx, vy0 = rocket->vy;
        StepWorld();
        const float b = atan2f(static_cast<float>(py % height - hh), static_cast<float>(px % width - hw));
        EXPECT_NEAR(rocket->ax, cosf(b), 1e-5);
        EXPECT_NEAR(rocket->ay, sinf(b), 1e-5);
        EXPECT_NEAR(rocket->x, X + vx0 + cosf(b), 1e-4);
        EXPECT_NEAR(rocket->y, Y + vy0 + sinf(b), 1e-4);
        EXPECT_NEAR(boom[0].time, (t % 600 + 650) * 0.001f, 1e-5);
        EXPECT_NEAR(boom[0].y, rocket->y - rocket->ay + (sy % 60) * 0.1f - 3, 1e-4);
        EXPECT_NEAR(boom[0].x, rocket->x - rocket->ax + (sx % 60) * 0.1f - 3, 1e-4);

        // Without a ship to chase it wanders until it leaves or bursts.
        StepWorld(80);
        EXPECT_EQ(CountOf<ERocket>(), 0);
    }
}

TEST(EnemyShots, RocketFliesAtRocketSpeed) {
    ResetWorld();
    rocketSpeed = 4;
    Ship ship(-100, -100);
    auto* rocket = Listed(new ERocket(120, 150));
    // The first move uses the unscaled velocity: the start of about 1 plus one step of steering.
    const float x0 = rocket->x, y0 = rocket->y, vx0 = rocket->vx, vy0 = rocket->vy;
    StepWorld();
    EXPECT_NEAR(rocket->x, x0 + vx0 + rocket->ax, 1e-4);
    EXPECT_NEAR(rocket->y, y0 + vy0 + rocket->ay, 1e-4);
    for (int i = 0; i < 20; i++) {
        ASSERT_NEAR(std::hypot(rocket->vx, rocket->vy), 4, 1e-4);
        StepWorld();
    }
    // Brought to a standstill by its steering, it is on its way again at the next update.
    ship.ship->x = rocket->x + 300;
    ship.ship->y = rocket->y;
    rocket->vx = -1;
    rocket->vy = 0;
    rocket->update();
    EXPECT_TRUE(std::isfinite(rocket->vx) && std::isfinite(rocket->vy));
    EXPECT_TRUE(std::isfinite(rocket->x) && std::isfinite(rocket->y));
    rocket->update();
    EXPECT_NEAR(rocket->vx, 4, 1e-4);
    EXPECT_NEAR(rocket->vy, 0, 1e-4);
}

// ---------------------------------------------------------------------------------------------
// Enemies

TEST(Enemies, PlainShotTakesASideAndTheNextUpdateBursts) {
    for (const Kind& kind : Kinds()) {
        SCOPED_TRACE(kind.name);
        ResetWorld();
        powerupat[0] = 0;       // the burst's power-up check drops a capsule for player 1
        powerupat[1] = 1 << 30; // and none for player 2
        Object* enemy = Listed(Armed(kind.make(), 20, 3), 30, 30);
        Object* shot = AddShot(30, 26, 1);
        StepWorld();
        EXPECT_TRUE(shot->dead);
        EXPECT_EQ(enemy->data, 2);
        EXPECT_EQ(enemy->flash, 5);
        EXPECT_EQ(score[1], kind.points);
        EXPECT_EQ(score[0], 0);
        EXPECT_FALSE(enemy->dead);

        const int particles = LiveParticles();
        StepWorld();
        EXPECT_TRUE(enemy->dead);
        EXPECT_EQ(CountOf<Health>(), 15);
        EXPECT_EQ(CountOf<Ebullet>(), kind.bonus == 2000 ? 15 : 0);
        EXPECT_EQ(LiveParticles() - particles, static_cast<int>(kind.explosion * 20 * 10));
        EXPECT_EQ(score[0], kind.bonus);
        EXPECT_EQ(score[1], kind.points);
        // The power-up check comes after the bonus.
        EXPECT_EQ(CountOf<PowerUp>(), 1);
        EXPECT_EQ(powerupat[0], kind.bonus + powerUpAtMultipleOf);
    }
}

TEST(Enemies, ShotsWhileProtectedAreAbsorbed) {
    for (const Kind& kind : Kinds()) {
        SCOPED_TRACE(kind.name);
        ResetWorld();
        std::unique_ptr<Object> enemy(Armed(kind.make(), 20, 8));
        Place(enemy.get(), 30, 30);
        Pbullet first(0, 0, 0, 0, 0), third(0, 0, 0, 0, 0);
        enemy->hit(&first);
        ASSERT_EQ(enemy->data, 7);
        for (int i = 0; i < 4; i++)
            enemy->update();
        EXPECT_GE(enemy->flash, 0.1f);
        ExpectShotsAbsorbed(enemy.get());
        EXPECT_EQ(enemy->data, 7);
        EXPECT_EQ(score[0], kind.points);
        enemy->update(); // the fifth frame ends the protection
        EXPECT_LT(enemy->flash, 0.1f);
        enemy->hit(&third);
        EXPECT_TRUE(third.dead);
        EXPECT_EQ(enemy->data, 6);
        EXPECT_EQ(score[0], 2 * kind.points);
    }
}

TEST(Enemies, ChargeShotAndSidesCancel) {
    struct Case {
        int sides, strength, sidesAfter, strengthAfter;
    };
    for (const Case& c : {Case{7, 10, 0, 3}, Case{15, 10, 5, 0}, Case{10, 10, 0, 0}}) {
        ResetWorld();
        Enemy enemy(0, 0, 0, 0);
        enemy.data = c.sides;
        PChargebullet shot(0, 0, 0, 0, 1, c.strength);
        enemy.hit(&shot);
        EXPECT_EQ(enemy.data, c.sidesAfter) << c.sides << " sides, strength " << c.strength;
        EXPECT_EQ(shot.data2, c.strengthAfter);
        EXPECT_FALSE(shot.dead);
        EXPECT_EQ(enemy.flash, 5);
        EXPECT_EQ(score[1], 100);
    }
}

TEST(Enemies, ShipContactDestroysWithoutPoints) {
    ResetWorld();
    lives = 3;
    Player* ship = AddShip(0, -200);
    Object* enemy = Listed(Armed(new AimEnemy(0, 0, 0, 0), 20, 6));
    enemy->x = ship->x + 3;
    enemy->y = ship->y + 3;
    StepWorld();
    EXPECT_EQ(enemy->data, 0);
    EXPECT_LT(enemy->flash, 0.1f);
    EXPECT_EQ(score[0], 0);
    EXPECT_EQ(lives, 2); // the ship took its own hit
    StepWorld();
    EXPECT_TRUE(enemy->dead);
    EXPECT_EQ(score[0], 1000);
    EXPECT_EQ(CountOf<Health>(), 15);

    // A protected enemy shrugs a ship off.
    ResetWorld();
    Enemy guarded(0, 0, 0, 0);
    guarded.data = 6;
    guarded.flash = 3;
    Player touching;
    guarded.hit(&touching);
    EXPECT_EQ(guarded.data, 6);
}

TEST(Enemies, BodyIsAFanOfSidesPlusOneCorners) {
    for (int sides : {5, 4}) {
        ResetWorld();
        Enemy enemy(0, 0, 0, 0);
        Armed(&enemy, 20, sides);
        enemy.x = 30;
        enemy.y = 40;
        auto polygons = Feedback([&] { enemy.update(); });
        // A fan of centre + (sides + 1) corners is sides triangles, each with the centre.
        ASSERT_EQ(polygons.size(), static_cast<size_t>(sides));
        for (auto& p : polygons) {
            ASSERT_EQ(p.size(), 3u);
            EXPECT_TRUE(HasVertex(p, 30, 40));
            for (const FbVertex& v : p) {
                const float d = std::hypot(v.x - 30, v.y - 40);
                EXPECT_TRUE(d < 0.01f || std::fabs(d - 20) < 0.01f) << "corner at " << d;
            }
        }
        // The last triangle closes the polygon on the first corner.
        EXPECT_TRUE(HasVertex(polygons.back(), 50, 40));
    }
}

TEST(Enemies, VolleyIsOneDartPerSide) {
    ResetWorld();
    auto* enemy = Listed(Armed(new Enemy(0, 0, 0, 0), 20, 5, 25));
    enemy->x = 30;
    enemy->y = 40;
    enemy->vx = 0.5f;
    enemy->vy = -1;
    enemy->rot = 0.3f;
    enemy->fireat = 25; // not yet above the period
    enemy->update();
    EXPECT_EQ(CountOf<Ebullet>(), 0);
    EXPECT_EQ(enemy->fireat, 26);
    const float rot = enemy->rot, x = enemy->x, y = enemy->y;
    enemy->update();
    EXPECT_EQ(enemy->fireat, 0);
    std::vector<Object*> darts = Objects();
    darts.erase(darts.begin());
    ASSERT_EQ(darts.size(), 5u);
    for (int i = 0; i < 5; i++) {
        const float b = i * pd[5] + rot, spin = enemy->data3;
        const float ex = x + 0.5f + 0.5f, ey = y - 1 - 1; // moved once more, then one more step ahead
        EXPECT_NEAR(darts[i]->x, ex + cosf(b + 1.5f * spin) * 20, 1e-4);
        EXPECT_NEAR(darts[i]->y, ey + sinf(b + 1.5f * spin) * 20, 1e-4);
        EXPECT_NEAR(darts[i]->vx, 1.5f * cosf(b + spin), 1e-5);
        EXPECT_NEAR(darts[i]->vy, 1.5f * sinf(b + spin), 1e-5);
    }

    // One side down, one dart fewer.
    enemy->data = 4;
    enemy->fireat = 26;
    enemy->update();
    EXPECT_EQ(CountOf<Ebullet>(), 9);

    // The circle enemy's pair and the rocket enemy's rocket.
    ResetWorld();
    auto* spurt = Listed(new SpurtEnemy(0, 0, 0, 0));
    spurt->r = 20;
    spurt->rot = 0.4f;
    spurt->fireat = 26;
    spurt->update();
    auto shots = Objects();
    ASSERT_EQ(shots.size(), 3u);
    EXPECT_NEAR(shots[1]->vx, 2 * cosf(0.4f), 1e-5);
    EXPECT_NEAR(shots[1]->vy, 2 * sinf(0.4f), 1e-5);
    EXPECT_NEAR(shots[2]->vx, -shots[1]->vx, 1e-5);
    EXPECT_NEAR(shots[2]->vy, -shots[1]->vy, 1e-5);
    ResetWorld();
    auto* rocketeer = Listed(new RocketEnemy(0, 0, 0, 0));
    rocketeer->r = 20;
    rocketeer->fireat = 26;
    rocketeer->update();
    EXPECT_EQ(CountOf<ERocket>(), 1);
}

TEST(Enemies, FleeFromTheBossInsteadOfFiring) {
    for (const Kind& kind : Kinds()) {
        for (float across : {0.5f, 0.0f}) {
            SCOPED_TRACE(kind.name);
            ResetWorld();
            BOSS = Listed(new Boss());
            Object* enemy = Listed(Armed(kind.make(), 20, 5, 10), across, 30);
            if (auto* e = dynamic_cast<Enemy*>(enemy)) e->fireat = 11;
            if (auto* a = dynamic_cast<AimEnemy*>(enemy)) a->fireat2 = 11;
            if (auto* c = dynamic_cast<ChargeEnemy*>(enemy)) c->fireat = 11;
            fpsm = 3; // fleeing is not scaled
            enemy->update();
            fpsm = 1;
            EXPECT_EQ(AcrossV(enemy), across > 0 ? 0.1f : -0.1f);
            EXPECT_EQ(AlongV(enemy), 0);
            EXPECT_EQ(Objects().size(), 2u) << "nothing fired";
            if (auto* e = dynamic_cast<AimEnemy*>(enemy)) {
                EXPECT_EQ(e->fireat2, 11);
            } else if (auto* e = dynamic_cast<Enemy*>(enemy)) {
                EXPECT_EQ(e->fireat, 11);
            } else if (auto* c = dynamic_cast<ChargeEnemy*>(enemy)) {
                EXPECT_EQ(c->fireat, -1);
            }
        }
    }
}

TEST(Enemies, LeavingThroughAnExitEdgeIsSilent) {
    struct Case {
        float across, along, vAcross, vAlong;
    };
    const float r = 20;
    for (const Case& c : {Case{SideEdge() + r - 0.5f, 30, 1, 0}, Case{-SideEdge() - r + 0.5f, 30, -1, 0},
                          Case{30, -EntryEdge() - r + 0.5f, 0, -1}}) {
        ResetWorld();
        auto* enemy = Listed(new Enemy(0, 0, 0, 0), c.across, c.along);
        Velocity(enemy, c.vAcross, c.vAlong);
        enemy->r = r;
        enemy->data = 5;
        enemy->update();
        EXPECT_TRUE(enemy->dead);
        EXPECT_EQ(GridNodes(), 0);
        EXPECT_EQ(Objects().size(), 1u);
        EXPECT_EQ(LiveParticles(), 0);
        EXPECT_EQ(score[0], 0);
    }
    // The entry edge lets it be, however far out.
    ResetWorld();
    auto* falling = Listed(new Enemy(0, 0, 0, 0), 30, EntryEdge() + 300);
    Velocity(falling, 0, -1);
    falling->r = r;
    StepWorld();
    EXPECT_FALSE(falling->dead);
    // Worn down while leaving: it still bursts and pays.
    ResetWorld();
    auto* worn = Listed(new Enemy(0, 0, 0, 0), SideEdge() + r + 5, 30);
    worn->r = r;
    worn->data = 2;
    worn->update();
    EXPECT_EQ(CountOf<Health>(), 15);
    EXPECT_EQ(score[0], 1000);
}

TEST(Enemies, AimEnemyAimsAtPlayerOneOrAFixedPoint) {
    const float x = 100, y = 150;
    for (int withShip : {0, 1}) {
        ResetWorld();
        Player second;
        second.x = x + 5;
        second.y = y - 50;
        player2 = &second; // never aimed at
        std::unique_ptr<Ship> ship;
        if (withShip) {
            ship = std::make_unique<Ship>(0, 0);
            ship->ship->x = -120;
            ship->ship->y = 20;
        }
        const float tx = withShip ? -120.0f : 43.0f, ty = withShip ? 20.0f : -235.0f;
        auto* enemy = Listed(new AimEnemy(static_cast<int>(x), static_cast<int>(y), 0, 0));
        enemy->r = 20;
        enemy->data = 5;
        enemy->fireat2 = 41;
        enemy->update();
        player2 = nullptr;
        auto pair = Objects();
        ASSERT_EQ(pair.size(), 3u);
        const float a = atan2f(ty - y, tx - x), ax = cosf(a), ay = sinf(a);
        for (int k = 1; k <= 2; k++) {
            EXPECT_NEAR(pair[k]->vx, 3 * ax, 1e-5);
            EXPECT_NEAR(pair[k]->vy, 3 * ay, 1e-5);
        }
        EXPECT_NEAR(pair[1]->x, x - ay * 10, 1e-4);
        EXPECT_NEAR(pair[1]->y, y + ax * 10, 1e-4);
        EXPECT_NEAR(pair[2]->x, x + ay * 10, 1e-4);
        EXPECT_NEAR(pair[2]->y, y - ax * 10, 1e-4);
        EXPECT_EQ(enemy->fireat2, 0);
    }
}

TEST(Enemies, AimEnemyPhaseFlipsEveryUpdateAfterItsFirstPhase) {
    ResetWorld();
    auto* enemy = Listed(Armed(new AimEnemy(0, 0, 0, 0), 20, 5));
    enemy->data4 = 20;
    for (int i = 1; i <= 21; i++) {
        enemy->update();
        ASSERT_TRUE(enemy->mode) << "update " << i;
        ASSERT_EQ(enemy->fireat, i);
    }
    for (int i = 22; i <= 29; i++) {
        enemy->update();
        ASSERT_EQ(enemy->mode, i % 2 == 1) << "update " << i;
        ASSERT_EQ(enemy->fireat, 21);
    }
    // The phase flips before the pair is due: with mode set going in, this pair is skipped,
    // and the period restarts all the same.
    ASSERT_TRUE(enemy->mode);
    enemy->fireat2 = 1001;
    enemy->update();
    EXPECT_FALSE(enemy->mode);
    EXPECT_EQ(CountOf<Ebullet>(), 0);
    EXPECT_EQ(enemy->fireat2, 0);
    enemy->fireat2 = 1001;
    enemy->update();
    EXPECT_EQ(CountOf<Ebullet>(), 2);
}

TEST(Enemies, ChargeEnemyRestsThenChargesAtPlayerOne) {
    ResetWorld();
    Ship ship(-100, -200);
    auto* enemy = Listed(Armed(new ChargeEnemy(0, 0, 0, 0), 20, 5, 10), 50, 100);
    Velocity(enemy, 0, -3); // the director's speed does not move a resting enemy
    const float x0 = enemy->x, y0 = enemy->y;
    for (int i = 1; i <= 11; i++) {
        enemy->update();
        ASSERT_EQ(enemy->x, x0);
        ASSERT_EQ(enemy->y, y0);
        ASSERT_EQ(enemy->fireat, i);
    }
    enemy->update(); // 11 > 10: charge
    EXPECT_EQ(enemy->fireat, -10);
    const float a = atan2f(ship.ship->y - y0, ship.ship->x - x0);
    EXPECT_NEAR(enemy->vx, 4 * cosf(a), 1e-5);
    EXPECT_NEAR(enemy->vy, 4 * sinf(a), 1e-5);
    EXPECT_EQ(enemy->x, x0);
    for (int i = 0; i < 15; i++)
        enemy->update();
    // Ten updates of charging, then rest again with the same heading.
    EXPECT_NEAR(enemy->x, x0 + 40 * cosf(a), 1e-3);
    EXPECT_NEAR(enemy->y, y0 + 40 * sinf(a), 1e-3);
    EXPECT_EQ(enemy->fireat, 5);
    EXPECT_EQ(CountOf<Ebullet>(), 0);

    // Without player 1 it rams a random point of the field.
    ResetWorld();
    auto* blind = Listed(Armed(new ChargeEnemy(0, 0, 0, 0), 20, 5, 10), 50, 100);
    blind->fireat = 11;
    srand(7);
    const int px = rand() % width - hw, py = rand() % height - hh;
    srand(7);
    blind->update();
    const float b = atan2f(py - blind->y, px - blind->x);
    EXPECT_NEAR(blind->vx, 4 * cosf(b), 1e-5);
    EXPECT_NEAR(blind->vy, 4 * sinf(b), 1e-5);
}

// A charging enemy without a rest would never move: it leaves at its first update, silently.
// The shortest rest, one frame, keeps it.
TEST(Enemies, ChargeEnemyWithoutARestLeaves) {
    ResetWorld();
    for (int rest : {0, -5, 1}) {
        auto* enemy = Listed(Armed(new ChargeEnemy(0, 0, 0, 0), 20, 5, rest), 50, 100);
        enemy->update();
        EXPECT_EQ(enemy->dead, rest <= 0) << "rest " << rest;
    }
    StepWorld();
    EXPECT_EQ(CountOf<ChargeEnemy>(), 1);
    EXPECT_EQ(score[0], 0);
    EXPECT_EQ(LiveParticles(), 0);
}

TEST(Enemies, ChargeEnemyBurstsIntoTokensAndARingOfDarts) {
    ResetWorld();
    powerupat[0] = powerupat[1] = 1 << 30;
    auto* enemy = Listed(new ChargeEnemy(0, 0, 0, 0));
    enemy->x = 30;
    enemy->y = -40;
    enemy->r = 20;
    enemy->data = 2;
    enemy->rot = 0.7f;
    enemy->update();
    auto list = Objects();
    ASSERT_EQ(list.size(), 31u);
    for (int i = 0; i < 15; i++) {
        auto* token = dynamic_cast<Health*>(list[1 + 2 * i]);
        auto* dart = dynamic_cast<Ebullet*>(list[2 + 2 * i]);
        ASSERT_TRUE(token && dart) << "token then dart, " << i;
        const float a = i * pd[15], c = a + 0.7f;
        EXPECT_NEAR(token->x, 30 + cosf(a) * 20, 1e-4);
        EXPECT_NEAR(token->vy, 2 * sinf(a), 1e-5);
        EXPECT_NEAR(dart->x, 30 + cosf(c) * 20, 1e-4);
        EXPECT_NEAR(dart->y, -40 + sinf(c) * 20, 1e-4);
        EXPECT_NEAR(dart->vx, 2 * cosf(c), 1e-5);
        EXPECT_NEAR(dart->vy, 2 * sinf(c), 1e-5);
    }
    EXPECT_EQ(LiveParticles(), 400);
    EXPECT_EQ(score[0], 2000);
}

TEST(Enemies, VeerAfterItsWaitTowardsItsSide) {
    for (int dir : {0, 1}) {
        ResetWorld();
        Enemy enemy(0, 0, 0, 0);
        Armed(&enemy, 20, 5);
        Place(&enemy, 30, 30);
        enemy.dir = dir;
        enemy.time = 2;
        enemy.update(); // 2 -> 1
        enemy.update(); // 1 -> 0
        EXPECT_EQ(AcrossV(&enemy), 0);
        fpsm = 2;
        enemy.update();
        fpsm = 1;
        EXPECT_FLOAT_EQ(AcrossV(&enemy), dir ? -0.002f : 0.002f);
        EXPECT_EQ(AlongV(&enemy), 0);
    }
}

TEST(Enemies, RandomNumbersAreDrawnInOrder) {
    for (unsigned seed = 1; seed <= 8; seed++) {
        ResetWorld();
        srand(seed);
        const int r1 = rand(), r2 = rand();
        srand(seed);
        Enemy enemy(0, 0, 0, 0);
        EXPECT_EQ(enemy.dir, r1 % 2) << "seed " << seed;
        Place(&enemy, 30, EntryEdge() + 3);
        Velocity(&enemy, 0, -2);
        enemy.r = 20;
        enemy.data2 = 1000;
        enemy.update(); // still above the field: no draw
        EXPECT_EQ(enemy.time, -1000);
        enemy.update(); // first update inside
        EXPECT_EQ(enemy.time, 100 + r2 % 200);
        enemy.update();
        EXPECT_EQ(enemy.time, 99 + r2 % 200);

        srand(seed);
        AimEnemy aiming(0, 0, 0, 0);
        EXPECT_EQ(aiming.dir != 0, (r1 & 1) != 0);
    }
}
