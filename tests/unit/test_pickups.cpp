// Power-up capsules, health tokens and the score thresholds that drop capsules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "flow/screens.h"
#include "harness.h"
#include "player/pickups.h"
#include "player/player.h"
#include "player/shots.h"
#include "shell/display.h"
#include "shell/orientation.h"
#include "shell/settings.h"

TEST(Pickups, OneKillDropsACapsuleForEachPlayerPastItsThreshold) {
    ResetWorld();
    score[0] = 6000;
    score[1] = 5000; // reaching the threshold is enough
    srand(3);
    const int kind1 = rand() % 3, kind2 = rand() % 3;
    srand(3);
    Powerup(10, 20);
    auto list = Objects();
    ASSERT_EQ(list.size(), 2u);
    for (Object* o : list) {
        EXPECT_EQ(o->x, 10);
        EXPECT_EQ(o->y, 20);
        EXPECT_EQ(o->type, TYPE_ENEMY);
        EXPECT_EQ(o->data, TAG_POWERUP);
        EXPECT_EQ(o->r, 6);
    }
    EXPECT_EQ(list[0]->data2, kind1);
    EXPECT_EQ(list[1]->data2, kind2);
    // The next threshold counts from the score at the drop.
    EXPECT_EQ(powerupat[0], 6000 + powerUpAtMultipleOf);
    EXPECT_EQ(powerupat[1], 5000 + powerUpAtMultipleOf);
    Powerup(10, 20);
    EXPECT_EQ(Objects().size(), 2u);

    // Only player 2 past the mark: one capsule, player 1's threshold untouched.
    ResetWorld();
    powerUpAtMultipleOf = 3000;
    score[0] = 4999;
    score[1] = 7200;
    Powerup(0, 0);
    EXPECT_EQ(CountOf<PowerUp>(), 1);
    EXPECT_EQ(powerupat[0], 5000);
    EXPECT_EQ(powerupat[1], 10200);
}

TEST(Pickups, ThresholdsRunAcrossGames) {
    ResetWorld();
    powerupat[0] = 26000;
    powerupat[1] = 7000;
    score[0] = 23000;
    StartGame(false);
    EXPECT_EQ(powerupat[0], 26000);
    EXPECT_EQ(powerupat[1], 7000);
    EXPECT_EQ(score[0], 0);
    StartGame(true);
    EXPECT_EQ(powerupat[0], 26000);
    EXPECT_EQ(powerupat[1], 7000);
}

TEST(Pickups, CapsuleSinksAndShotsPassThroughIt) {
    ResetWorld();
    auto* capsule = Listed(new PowerUp(0, 0, 1), 30, 30);
    Object* shot = AddShot(30, 24);
    StepWorld();
    // Both at 28 along: the shot's point sits on the capsule.
    EXPECT_FLOAT_EQ(Along(capsule), 28);
    EXPECT_FLOAT_EQ(Along(shot), 28);
    EXPECT_FALSE(shot->dead);
    EXPECT_FALSE(capsule->dead);
    EXPECT_EQ(capsule->data2, 1);
    StepWorld(9);
    EXPECT_FLOAT_EQ(Along(capsule), 10);
    // Below the field it keeps sinking, out of reach but still listed.
    Place(capsule, 30, -EntryEdge() - 50);
    StepWorld(5);
    EXPECT_EQ(CountOf<PowerUp>(), 1);
    EXPECT_FLOAT_EQ(Along(capsule), -EntryEdge() - 60);
}

TEST(Pickups, ReleasedTokenFallsAtSpeedOneAfterFiftyFrames) {
    ResetWorld();
    auto* token = Listed(new Health(0, 0, 0, 0), 0.5f, 100);
    StepWorld(49);
    EXPECT_NEAR(AlongV(token), -0.98f, 1e-4);
    StepWorld();
    EXPECT_NEAR(AlongV(token), -1, 1e-4);
    // It stays there, give or take one step of the settling.
    for (int i = 0; i < 20; i++) {
        StepWorld();
        ASSERT_NEAR(AlongV(token), -1, 0.0201f);
    }
    EXPECT_EQ(token->on, 0);
}

TEST(Pickups, MagnetPrefersPlayerOne) {
    struct Case {
        float dx1, dy1; // player 1 relative to the token
        int bound;
    };
    // Player 2 is always 5 units away. Squared distances to player 1: 1936, 2000, 2116.
    for (const Case& c : {Case{44, 0, 1}, Case{40, 20, 2}, Case{46, 0, 2}}) {
        ResetWorld();
        Player first, second;
        player = &first;
        player2 = &second;
        Health token(0, 0, 0, 0);
        first.x = c.dx1;
        first.y = c.dy1;
        second.x = 0;
        second.y = -5;
        token.update();
        EXPECT_EQ(token.on, c.bound) << c.dx1 << ", " << c.dy1;
        const Player& ship = c.bound == 1 ? first : second;
        const float a = atan2f(ship.y, ship.x);
        EXPECT_NEAR(token.vx, 10 * cosf(a), 1e-4);
        EXPECT_NEAR(token.vy, 10 * sinf(a), 1e-4);
        // Once bound it stays bound, whoever comes nearer.
        Player& other = c.bound == 1 ? second : first;
        other.x = token.x + 1;
        other.y = token.y;
        token.update();
        EXPECT_EQ(token.on, c.bound);
        player = player2 = nullptr;
    }

    // Without player 1 nothing draws tokens, not even player 2.
    ResetWorld();
    Player second;
    player2 = &second;
    Health token(3, 0, 0, 0);
    token.update();
    EXPECT_EQ(token.on, 0);
    player2 = nullptr;
}

TEST(Pickups, TokenOfARemovedShipGoesFree) {
    for (int bound : {1, 2}) {
        ResetWorld();
        Player* first = AddShip(-150, -200);
        Player* second = AddShip(150, -200, 1);
        auto* token = Listed(new Health(0, 0, 0, 0), 0.5f, 200);
        token->on = bound;
        StepWorld();
        ASSERT_EQ(token->on, bound);
        ASSERT_NEAR(std::hypot(token->vx, token->vy), 10, 1e-3);
        (bound == 1 ? first : second)->dead = true;
        StepWorld();
        EXPECT_EQ(bound == 1 ? player : player2, nullptr);
        EXPECT_EQ(token->on, 0);
        // Free again, it drifts and damps instead of chasing anything.
        EXPECT_LT(std::hypot(token->vx, token->vy), 10);
        StepWorld(3);
        EXPECT_EQ(token->on, 0);
    }
}

TEST(Pickups, ShipCollectsTokensAndCapsules) {
    ResetWorld();
    Player* ship = AddShip(30, -200); // off the grid's borders, so the capsule's point lands in a cell
    ship->gun = GUN_STRAIGHT;
    ship->level[GUN_STRAIGHT] = 2;
    auto* capsule = Listed(new PowerUp(ship->x, ship->y + (LANDSCAPE ? 0 : 2), GUN_CHARGE));
    if (LANDSCAPE) capsule->x += 2;
    auto* token = Listed(new Health(ship->x + 0.5f, ship->y + 0.5f, 0, 0));
    StepWorld();
    EXPECT_TRUE(capsule->dead);
    EXPECT_TRUE(token->dead);
    EXPECT_EQ(ship->gun, GUN_CHARGE);
    EXPECT_EQ(ship->level[GUN_CHARGE], 1);
    EXPECT_EQ(ship->level[GUN_STRAIGHT], 2);
    EXPECT_EQ(ship->data, static_cast<int>(lifeBarRate));
}
