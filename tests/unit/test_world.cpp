// The world: object list, collision grid and pass, explosion particles and the overlay list.
#include <GL/gl.h>
#include <SDL/SDL_mixer.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "enemies/boss.h"
#include "harness.h"
#include "player/player.h"
#include "player/shots.h"
#include "shell/app.h"
#include "shell/display.h"
#include "shell/orientation.h"
#include "world/effects.h"
#include "world/grid.h"
#include "world/object.h"

namespace {

// What the probes saw, in order: updates by id, hits as (receiver, other), deletions by id.
std::vector<int> updated;
std::vector<std::pair<int, int>> hits;
std::vector<int> deleted;

void ClearLogs() {
    updated.clear();
    hits.clear();
    deleted.clear();
}

// A clean world and empty logs.
void Restart() {
    ResetWorld();
    ClearLogs();
}

enum class Shape { None, Circle, Point };

// An object that records its calls and enters the grid as told.
class Probe : public Object {
  public:
    int id;
    Shape shape;
    std::function<void(Probe*)> onUpdate;

    Probe(int id, int type, float x = 0, float y = 0, float r = 0, Shape shape = Shape::None)
        : id(id), shape(shape) {
        this->type = type;
        this->x = x;
        this->y = y;
        this->r = r;
        data4 = 3; // neither player's shot
    }
    ~Probe() override { deleted.push_back(id); }
    void update() override {
        updated.push_back(id);
        if (shape == Shape::Circle) AddCircleToGrid(x, y, r, this);
        if (shape == Shape::Point) AddPointToGrid(x, y, this);
        if (onUpdate) onUpdate(this);
    }
    void hit(Object* obj) override { hits.emplace_back(id, static_cast<Probe*>(obj)->id); }
};

bool WasDeleted(int id) {
    for (int d : deleted)
        if (d == id) return true;
    return false;
}

// Both directions of the list agree, the ends are terminated and nObject counts it.
void ExpectListIs(const std::vector<int>& ids) {
    std::vector<int> forward, backward;
    for (Object* o = firstObject; o; o = o->next)
        forward.push_back(static_cast<Probe*>(o)->id);
    for (Object* o = lastObject; o; o = o->previous)
        backward.insert(backward.begin(), static_cast<Probe*>(o)->id);
    EXPECT_EQ(forward, ids);
    EXPECT_EQ(backward, ids);
    EXPECT_EQ(nObject, static_cast<int>(ids.size()));
    if (firstObject) {
        EXPECT_EQ(firstObject->previous, nullptr);
    }
    if (lastObject) {
        EXPECT_EQ(lastObject->next, nullptr);
    }
    EXPECT_EQ(firstObject == nullptr, lastObject == nullptr);
}

class WorldTest : public CleanWorld {
  protected:
    void SetUp() override { Restart(); }
};

// ---------------------------------------------------------------- object list

TEST_F(WorldTest, RemovingHeadTailAndMiddleKeepsBothDirections) {
    Probe* p[6];
    for (int i = 0; i < 6; i++)
        p[i] = Listed(new Probe(i, TYPE_ENEMY));
    ExpectListIs({0, 1, 2, 3, 4, 5});

    p[0]->dead = true;
    StepWorld();
    ExpectListIs({1, 2, 3, 4, 5});
    EXPECT_EQ(updated, (std::vector<int>{1, 2, 3, 4, 5})) << "a dead object is not updated";

    p[5]->dead = true;
    p[3]->dead = true;
    StepWorld();
    ExpectListIs({1, 2, 4});

    // Head and its neighbour together, then a new tail after removals.
    p[1]->dead = p[2]->dead = true;
    StepWorld();
    ExpectListIs({4});
    Listed(new Probe(7, TYPE_ENEMY));
    ExpectListIs({4, 7});

    p[4]->dead = true;
    StepWorld();
    ExpectListIs({7});
    lastObject->dead = true;
    StepWorld();
    ExpectListIs({});
    EXPECT_EQ(deleted, (std::vector<int>{0, 3, 5, 1, 2, 4, 7}));
}

TEST_F(WorldTest, LeavingTheFieldUsesStrictEdges) {
    const float beyond = 0.01f;
    // Types 0 to 3 go once their centre is strictly outside; exactly on an edge stays.
    for (int type = TYPE_SHIP; type <= TYPE_HEALTH; type++) {
        Restart();
        int id = 1;
        for (float out : {0.0f, beyond}) { // 1 to 4 on the edges, 5 to 8 beyond them
            Listed(new Probe(id++, type, 0, hh + out));
            Listed(new Probe(id++, type, 0, -hh - out));
            Listed(new Probe(id++, type, hw + out, 0));
            Listed(new Probe(id++, type, -hw - out, 0));
        }
        StepWorld();
        SCOPED_TRACE(type);
        EXPECT_EQ(updated, (std::vector<int>{1, 2, 3, 4})) << "removed without being updated";
        EXPECT_EQ(deleted, (std::vector<int>{5, 6, 7, 8}));
        ExpectListIs({1, 2, 3, 4});
    }

    // Type 4 is never removed for its position (enemies start outside the field).
    Restart();
    Listed(new Probe(1, TYPE_ENEMY, 0, hh + 100.0f));
    Listed(new Probe(2, TYPE_ENEMY, -1e6f, -1e6f));
    StepWorld(3);
    EXPECT_EQ(updated, (std::vector<int>{1, 2, 1, 2, 1, 2}));
    EXPECT_TRUE(deleted.empty());

    // The test uses the position left by the last frame: moving out is seen in the next pass.
    Probe* leaving = Listed(new Probe(3, TYPE_SHOT, 0, static_cast<float>(hh)));
    leaving->onUpdate = [](Probe* p) { p->y += 1; };
    ClearLogs();
    StepWorld();
    EXPECT_EQ(updated, (std::vector<int>{1, 2, 3}));
    StepWorld();
    EXPECT_TRUE(WasDeleted(3));
}

TEST_F(WorldTest, RemovalClearsEveryPointerToTheObject) {
    // The boss and the ships' globals.
    Boss* theBoss = BOSS = Listed(new Boss());
    Player* one = AddShip(0, -200);
    Player* two = AddShip(0, -200, 1);
    theBoss->dead = one->dead = two->dead = true;
    StepWorld();
    EXPECT_EQ(BOSS, nullptr);
    EXPECT_EQ(player, nullptr);
    EXPECT_EQ(player2, nullptr);
    EXPECT_EQ(nObject, 0);

    // A ship's lock-on target lets go when its object goes; other targets stay.
    Player ship1, ship2; // not listed: only their lock-on fields matter here
    player = &ship1;
    player2 = &ship2;
    Probe* target = Listed(new Probe(2, TYPE_ENEMY));
    Probe* other = Listed(new Probe(3, TYPE_ENEMY));
    ship1.obj = target;
    ship2.obj = target;
    target->dead = true;
    StepWorld();
    EXPECT_EQ(ship1.obj, nullptr);
    EXPECT_EQ(ship2.obj, nullptr);
    ship1.obj = other;
    Listed(new Probe(4, TYPE_SHOT, 0, hh + 1.0f)); // leaves the field
    StepWorld();
    EXPECT_EQ(ship1.obj, other);
    other->dead = true;
    StepWorld();
    EXPECT_EQ(ship1.obj, nullptr);
    player = player2 = nullptr;

    // The charge-shot flag of the owner named by data4, whatever removed the object.
    chargebullet[0] = chargebullet[1] = true;
    Probe* enemy = Listed(new Probe(5, TYPE_ENEMY)); // data4 3: no flag
    enemy->dead = true;
    StepWorld();
    EXPECT_TRUE(chargebullet[0]);
    EXPECT_TRUE(chargebullet[1]);
    Probe* bullet = Listed(new Probe(6, TYPE_BULLET, 0, -hh - 5.0f)); // off the field
    bullet->data4 = 0;
    StepWorld();
    EXPECT_FALSE(chargebullet[0]);
    EXPECT_TRUE(chargebullet[1]);
    Probe* shot = Listed(new Probe(7, TYPE_SHOT));
    shot->data4 = 1;
    shot->dead = true;
    StepWorld();
    EXPECT_FALSE(chargebullet[1]);
}

TEST_F(WorldTest, ObjectsCreatedDuringThePassAreUpdatedInIt) {
    Probe* gun = Listed(new Probe(1, TYPE_ENEMY));
    Probe* victim = Listed(new Probe(2, TYPE_ENEMY));
    int fired = 0, forked = 0;
    gun->onUpdate = [victim, &fired, &forked](Probe*) {
        if (fired++) return;
        Probe* shot = Listed(new Probe(3, TYPE_SHOT));
        shot->onUpdate = [&forked](Probe*) {
            if (!forked++) Listed(new Probe(4, TYPE_SHOT));
        };
        victim->dead = true; // an object ahead in the walk goes in this very pass
    };
    StepWorld();
    EXPECT_EQ(updated, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(deleted, (std::vector<int>{2}));
    ExpectListIs({1, 3, 4});

    // Created between passes (as the director does): first updated in the next pass.
    Listed(new Probe(5, TYPE_ENEMY));
    ClearLogs();
    StepWorld();
    EXPECT_EQ(updated, (std::vector<int>{1, 3, 4, 5}));
}

// ---------------------------------------------------------------- grid

std::set<std::pair<int, int>> CellsOf(const Object* obj) {
    std::set<std::pair<int, int>> cells;
    for (int i = 0; i < GRID_COLUMNS; i++)
        for (int j = 0; j < GRID_ROWS; j++)
            for (LL* ll = grid[i][j].first; ll; ll = ll->next)
                if (ll->obj == obj) cells.insert({i, j});
    return cells;
}

float CellLeft(int i) {
    return i * CW - hw;
}
float CellBottom(int j) {
    return j * CH - hh;
}
using Cells = std::set<std::pair<int, int>>;

TEST_F(WorldTest, GridLayoutTilesTheField) {
    if (LANDSCAPE) {
        EXPECT_EQ(GRID_COLUMNS, 5);
        EXPECT_EQ(GRID_ROWS, 4);
        EXPECT_EQ(CW, 160.0f);
        EXPECT_EQ(CH, 120.0f);
    } else {
        EXPECT_EQ(GRID_COLUMNS, 4);
        EXPECT_EQ(GRID_ROWS, 5);
        EXPECT_EQ(CW, 120.0f);
        EXPECT_EQ(CH, 160.0f);
    }
    EXPECT_EQ(CellLeft(GRID_COLUMNS), static_cast<float>(hw));
    EXPECT_EQ(CellBottom(GRID_ROWS), static_cast<float>(hh));

    // A circle covering the field enters all 20 cells once; one wholly outside enters none.
    Probe big(1, TYPE_ENEMY), outside(2, TYPE_ENEMY);
    AddCircleToGrid(0, 0, 1000, &big);
    AddCircleToGrid(hw + 20.0f, 0, 19, &outside);
    EXPECT_EQ(CellsOf(&big).size(), 20u);
    EXPECT_EQ(GridNodes(&big), 20);
    EXPECT_EQ(GridNodes(&outside), 0);
    ClearGrid();
    EXPECT_EQ(GridNodes(&big), 0);
}

TEST_F(WorldTest, CircleEntersTheCellsItsSquareOverlaps) {
    Probe c(1, TYPE_ENEMY);
    AddCircleToGrid(0, 0, 15, &c);
    // Portrait: x = 0 is the border of columns 1 and 2. Landscape: y = 0 is the border of rows 1 and 2.
    EXPECT_EQ(CellsOf(&c), LANDSCAPE ? (Cells{{2, 1}, {2, 2}}) : (Cells{{1, 2}, {2, 2}}));
    ClearGrid();

    // Touching a border exactly does not enter the cell beyond it.
    const float r = 10, midY = CellBottom(1) + CH / 2;
    AddCircleToGrid(CellLeft(2) - r, midY, r, &c);
    EXPECT_EQ(CellsOf(&c), (Cells{{1, 1}}));
    ClearGrid();
    AddCircleToGrid(CellLeft(2) + r, midY, r, &c);
    EXPECT_EQ(CellsOf(&c), (Cells{{2, 1}}));
    ClearGrid();
    AddCircleToGrid(CellLeft(2) - r + 0.5f, midY, r, &c);
    EXPECT_EQ(CellsOf(&c), (Cells{{1, 1}, {2, 1}}));
    ClearGrid();
    // Bounding square, not the disc: a corner overlap enters the diagonal cell too.
    AddCircleToGrid(CellLeft(2) - 8, CellBottom(2) - 8, 10, &c);
    EXPECT_EQ(CellsOf(&c), (Cells{{1, 1}, {2, 1}, {1, 2}, {2, 2}}));
}

TEST_F(WorldTest, PointEntersOnlyTheCellStrictlyHoldingIt) {
    Probe p(1, TYPE_SHOT);
    const float border = CellLeft(2), midY = CellBottom(1) + CH / 2;
    AddPointToGrid(border, midY, &p);
    EXPECT_EQ(GridNodes(&p), 0);
    AddPointToGrid(border + 0.5f, midY, &p);
    EXPECT_EQ(CellsOf(&p), (Cells{{2, 1}}));
    ClearGrid();
    AddPointToGrid(border - 0.5f, midY, &p);
    EXPECT_EQ(CellsOf(&p), (Cells{{1, 1}}));
    ClearGrid();
    AddPointToGrid(border + 0.5f, CellBottom(2), &p);  // on a row border
    AddPointToGrid(border, CellBottom(2), &p);         // on a corner
    AddPointToGrid(-static_cast<float>(hw), 0.5f, &p); // on the field's edge
    AddPointToGrid(0.5f, hh + 1.0f, &p);               // outside
    EXPECT_EQ(GridNodes(&p), 0);
    if (!LANDSCAPE) {
        AddPointToGrid(0, 100, &p);
        EXPECT_EQ(GridNodes(&p), 0);
        AddPointToGrid(0.5f, 100, &p);
        EXPECT_EQ(CellsOf(&p), (Cells{{2, 3}}));
    }
}

TEST_F(WorldTest, Primitives) {
    // Radius 0 holds only its own centre.
    EXPECT_TRUE(point2Circle(3, 4, 0, 3, 4));
    EXPECT_FALSE(point2Circle(3, 4, 0, 3.001f, 4));
    EXPECT_TRUE(point2Circle(0, 0, 5, 3, 4)); // border included
    EXPECT_FALSE(point2Circle(0, 0, 5, 3, 4.01f));

    // r1 squared plus twice r2: neither (r1 + r2)^2 nor symmetric.
    EXPECT_TRUE(cicle2Circle(0, 0, 4, 4.5f, 0, 3));  // 20.25 <= 16 + 6
    EXPECT_FALSE(cicle2Circle(0, 0, 3, 4.5f, 0, 4)); // 20.25 >  9 + 8
    EXPECT_FALSE(cicle2Circle(0, 0, 3, 5, 0, 4));    // discs overlap, still no contact
    EXPECT_TRUE(cicle2Circle(0, 0, 0, 0, 0, 0));
    EXPECT_TRUE(cicle2Circle(1, 1, 15, 1, 1 + std::sqrt(325.0f) - 0.01f, 50));
    EXPECT_FALSE(cicle2Circle(1, 1, 15, 1, 1 + std::sqrt(325.0f) + 0.01f, 50));

    EXPECT_FALSE(circle2Rectangle(0, 0, 10, 10, -5, 20, 5)); // touching
    EXPECT_TRUE(circle2Rectangle(0.01f, 0, 10, 10, -5, 20, 5));
    EXPECT_FALSE(point2Rectangle(10, 0, 10, -5, 20, 5));
    EXPECT_TRUE(point2Rectangle(10.01f, 0, 10, -5, 20, 5));

    // Corners and edges give a zero sign, which counts as not negative: inside for a
    // counter-clockwise triangle, outside for a clockwise one.
    const vec2f a{0, 0}, b{10, 0}, c{0, 10};
    EXPECT_EQ(Sign({1, 1}, a, b), 10.0f);
    for (vec2f pt : {vec2f{1, 1}, a, b, c, vec2f{5, 0}, vec2f{0, 5}, vec2f{5, 5}})
        EXPECT_TRUE(point2Triangle(pt, a, b, c)) << pt.x << "," << pt.y;
    EXPECT_TRUE(point2Triangle({1, 1}, a, c, b));
    for (vec2f pt : {a, b, c, vec2f{5, 0}, vec2f{0, 5}, vec2f{5, 5}})
        EXPECT_FALSE(point2Triangle(pt, a, c, b)) << pt.x << "," << pt.y;
    EXPECT_FALSE(point2Triangle({6, 6}, a, b, c));
    EXPECT_FALSE(point2Triangle({6, 6}, a, c, b));

    // The ship's triangle: tip 10 up, base 8 down and 14 wide; its own corners count.
    Probe ship(1, TYPE_SHIP, 50, 60, 15);
    EXPECT_TRUE(point2ShipTriangle(50, 70, &ship));
    EXPECT_TRUE(point2ShipTriangle(43, 52, &ship));
    EXPECT_TRUE(point2ShipTriangle(50, 52, &ship));
    EXPECT_TRUE(point2ShipTriangle(56, 53, &ship));
    EXPECT_FALSE(point2ShipTriangle(50, 70.1f, &ship));
    EXPECT_FALSE(point2ShipTriangle(50, 51.9f, &ship));
    EXPECT_FALSE(point2ShipTriangle(46, 66, &ship));
}

// Two objects of the given types at the same spot inside one cell; a is entered first.
std::vector<std::pair<int, int>> CollideOnce(int typeA, int typeB, float bx = 0, float by = 0, float ra = 15,
                                             float rb = 15, Shape shapeB = Shape::Circle) {
    Restart();
    const float cx = CellLeft(1) + CW / 2, cy = CellBottom(1) + CH / 2;
    Listed(new Probe(1, typeA, cx, cy, ra, Shape::Circle));
    Listed(new Probe(2, typeB, cx + bx, cy + by, rb, shapeB));
    StepWorld();
    return hits;
}

TEST_F(WorldTest, CollisionPassFollowsTheTable) {
    using Hits = std::vector<std::pair<int, int>>;
    // Per code: which hit runs, a (1) is the earlier object and b (2) the later.
    const Hits byCode[6] = {{}, {{1, 2}}, {{2, 1}}, {{2, 1}, {1, 2}}, {{2, 1}}, {{1, 2}}};
    const int expected[5][5] = {// [later][earlier]
                                {0, 0, 4, 4, 3},
                                {0, 0, 0, 0, 1},
                                {5, 0, 0, 0, 0},
                                {5, 0, 0, 0, 0},
                                {3, 2, 0, 0, 0}};
    for (int earlier = 0; earlier < 5; earlier++)
        for (int later = 0; later < 5; later++)
            EXPECT_EQ(CollideOnce(earlier, later), byCode[expected[later][earlier]])
                << "earlier type " << earlier << ", later type " << later;
}

TEST_F(WorldTest, CollisionTestsPerCode) {
    using Hits = std::vector<std::pair<int, int>>;
    const Hits none;
    // 1: the later shot's centre in the earlier type-4 circle, border included.
    EXPECT_EQ(CollideOnce(TYPE_ENEMY, TYPE_SHOT, 6, 8, 10, 0, Shape::Point), (Hits{{1, 2}}));
    EXPECT_EQ(CollideOnce(TYPE_ENEMY, TYPE_SHOT, 6, 8.1f, 10, 0, Shape::Point), none);
    // 2: the earlier shot's centre in the later object's circle.
    EXPECT_EQ(CollideOnce(TYPE_SHOT, TYPE_ENEMY, 6, 8, 0, 10), (Hits{{2, 1}}));
    EXPECT_EQ(CollideOnce(TYPE_SHOT, TYPE_ENEMY, 6, 8.1f, 0, 10), none);
    // 3: the contact distance depends on which comes first.
    EXPECT_EQ(CollideOnce(TYPE_SHIP, TYPE_ENEMY, 0, 18, 15, 50), (Hits{{2, 1}, {1, 2}}));
    EXPECT_EQ(CollideOnce(TYPE_SHIP, TYPE_ENEMY, 0, 18.1f, 15, 50), none);
    EXPECT_EQ(CollideOnce(TYPE_ENEMY, TYPE_SHIP, 0, 50, 50, 15), (Hits{{2, 1}, {1, 2}}));
    EXPECT_EQ(CollideOnce(TYPE_ENEMY, TYPE_SHIP, 0, 50.4f, 50, 15), none);
    // 4 and 5: in the ship's circle and in its triangle, either order.
    for (int small : {TYPE_BULLET, TYPE_HEALTH}) {
        EXPECT_EQ(CollideOnce(small, TYPE_SHIP, 0, -9, 0, 15), (Hits{{2, 1}})); // a at the tip side
        EXPECT_EQ(CollideOnce(small, TYPE_SHIP, 0, -11, 0, 15), none);          // above the tip
        EXPECT_EQ(CollideOnce(small, TYPE_SHIP, 0, 9, 0, 15), none);            // below the base
        EXPECT_EQ(CollideOnce(TYPE_SHIP, small, 0, 9, 15, 0, Shape::Point), (Hits{{1, 2}}));
        EXPECT_EQ(CollideOnce(TYPE_SHIP, small, 0, 11, 15, 0, Shape::Point), none);
        EXPECT_EQ(CollideOnce(TYPE_SHIP, small, 6, -7, 15, 0, Shape::Point), (Hits{{1, 2}}));
        EXPECT_EQ(CollideOnce(TYPE_SHIP, small, 0, -9, 15, 0, Shape::Point), none);
        // The triangle alone is not enough: a ship with a tiny circle is missed.
        EXPECT_EQ(CollideOnce(TYPE_SHIP, small, 0, 5, 4, 0, Shape::Point), none);
    }
}

TEST_F(WorldTest, PairsMeetOncePerSharedCell) {
    const float border = CellLeft(2), y = CellBottom(1) + CH / 2;
    // A ship and an enemy both straddling a column border: both hits twice, the later's first.
    Listed(new Probe(1, TYPE_SHIP, border, y, 15, Shape::Circle));
    Listed(new Probe(2, TYPE_ENEMY, border + 3, y, 10, Shape::Circle));
    StepWorld();
    EXPECT_EQ(hits, (std::vector<std::pair<int, int>>{{2, 1}, {1, 2}, {2, 1}, {1, 2}}));

    // A shot inside two overlapping enemies: both enemies' hit run, in the cell's order.
    Restart();
    const float cx = CellLeft(1) + CW / 2, cy = CellBottom(1) + CH / 2;
    Listed(new Probe(1, TYPE_ENEMY, cx - 5, cy, 10, Shape::Circle));
    Listed(new Probe(2, TYPE_SHOT, cx, cy, 0, Shape::Point));
    Listed(new Probe(3, TYPE_ENEMY, cx + 5, cy, 10, Shape::Circle));
    StepWorld();
    EXPECT_EQ(hits, (std::vector<std::pair<int, int>>{{1, 2}, {3, 2}}));

    // The grid is emptied at each frame's start: last frame's nodes do not collide again.
    ClearLogs();
    ClearGrid();
    CollideObjects();
    EXPECT_TRUE(hits.empty());
}

// ---------------------------------------------------------------- particles

// The explosion sound on the dummy driver: it counts as playing on a mixer channel.
class ParticleTest : public WorldTest {
  protected:
    Mix_Chunk* chunk = nullptr;
    void SetUp() override {
        WorldTest::SetUp();
        int freq = 0, channels = 0;
        Uint16 format = 0;
        ASSERT_NE(Mix_QuerySpec(&freq, &format, &channels), 0) << "mixer not open";
        chunk = Mix_LoadWAV((std::string(KORVEL_DATA_DIR) + "/boom.wav").c_str());
        ASSERT_NE(chunk, nullptr) << Mix_GetError();
        sfx::bam = chunk;
        Mix_HaltChannel(-1);
    }
    void TearDown() override {
        Mix_HaltChannel(-1);
        sfx::bam = nullptr;
        if (chunk) Mix_FreeChunk(chunk);
        WorldTest::TearDown();
    }
    bool BoomPlaying() {
        for (int c = 0; c < Mix_AllocateChannels(-1); c++)
            if (Mix_Playing(c) && Mix_GetChunk(c) == chunk) return true;
        return false;
    }
};

TEST_F(ParticleTest, ExplosionSizes) {
    AddExplosion(10, 20, 0, 100);
    EXPECT_EQ(LiveParticles(), 0);
    EXPECT_TRUE(BoomPlaying()) << "size 0 still plays the sound";
    Mix_HaltChannel(-1);

    AddExplosion(10, 20, 1, 300);
    ASSERT_EQ(LiveParticles(), 10);
    EXPECT_TRUE(BoomPlaying());
    for (int i = 0; i < 10; i++) {
        const float d = std::hypot(boom[i].x - 10, boom[i].y - 20);
        EXPECT_TRUE(d < 1e-4f || std::fabs(d - 1) < 1e-4f) << d;
        EXPECT_GE(boom[i].time, 0.0f);
        EXPECT_LT(boom[i].time, 0.3f);
    }

    // The count is the smallest integer not below size x 10.
    ResetWorld();
    AddExplosion(0, 0, 2.5f, 1);
    EXPECT_EQ(LiveParticles(), 25);
    ResetWorld();
    AddExplosion(0, 0, 2.55f, 1);
    EXPECT_EQ(LiveParticles(), 26);
    for (int i = 0; i < 26; i++)
        EXPECT_EQ(boom[i].time, 0.0f) << "length 1 starts every particle at 0";

    // A length below 1 must not divide by zero.
    ResetWorld();
    AddExplosion(0, 0, 1, 0);
    AddExplosion(0, 0, 1, -5);
    EXPECT_EQ(LiveParticles(), 20);
}

TEST_F(ParticleTest, FullPoolDropsTheRestSilently) {
    for (int i = 0; i < BOOM_COUNT - 3; i++)
        ASSERT_EQ(AddBoom(0, 0, 2), 1);
    AddExplosion(0, 0, 1, 100);
    EXPECT_EQ(LiveParticles(), BOOM_COUNT);
    EXPECT_FALSE(BoomPlaying()) << "a burst cut short makes no sound";
    EXPECT_EQ(AddBoom(5, 5, 0), 0);

    // A freed record is found again by the first-fit scan.
    boom[7].valid = false;
    EXPECT_EQ(AddBoom(5, 6, 0.5f), 1);
    EXPECT_EQ(boom[7].x, 5.0f);
    EXPECT_EQ(boom[7].y, 6.0f);
}

// The window depth of world z in the game's orthographic projection (-100 .. 100).
float DepthOf(float z) {
    return 0.5f - z / 200.0f;
}

float DepthAt(float x, float y) {
    float depth = -1;
    glReadPixels(static_cast<int>(x + hw), static_cast<int>(y + hh), 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT,
                 &depth);
    return depth;
}

// One particle frame as the frame step draws it: polygon smoothing off.
void ParticleFrame() {
    glDisable(GL_POLYGON_SMOOTH);
    UpdateParticles();
    glEnable(GL_POLYGON_SMOOTH);
}

TEST_F(ParticleTest, ParticlesDrawFromYellowToRedWithDepth) {
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    ASSERT_GT(depthBits, 0);

    // time 1.0 is drawn at once: yellow, alpha 1.5 clamped, z 1.5; an 8 x 8 square.
    boom[0].reset(-100.5f, 50.5f, 1.0f);
    // time 1.01 waits unseen this frame.
    boom[1].reset(100.5f, 50.5f, 1.01f);
    // time 0: red, half bright (alpha 0.5), no green.
    boom[2].reset(0.5f, -50.5f, 0.0f);
    ClearFrame();
    ParticleFrame();
    Pixel yellow = WorldPixel(-100.5f, 50.5f);
    EXPECT_EQ(yellow.r, 255);
    EXPECT_EQ(yellow.g, 255);
    EXPECT_EQ(yellow.b, 0);
    EXPECT_NEAR(DepthAt(-100.5f, 50.5f), DepthOf(1.5f), 1e-3f);
    EXPECT_EQ(WorldPixel(-100.5f + 3, 50.5f - 3).g, 255);
    EXPECT_EQ(WorldPixel(-100.5f + 6, 50.5f).r, 0) << "the square is 8 wide";
    Pixel waiting = WorldPixel(100.5f, 50.5f);
    EXPECT_EQ(waiting.r + waiting.g + waiting.b, 0);
    EXPECT_NEAR(DepthAt(100.5f, 50.5f), 1.0f, 1e-3f);
    Pixel red = WorldPixel(0.5f, -50.5f);
    EXPECT_NEAR(red.r, 128, 2);
    EXPECT_EQ(red.g, 0);
    EXPECT_EQ(red.b, 0);
    EXPECT_NEAR(DepthAt(0.5f, -50.5f), DepthOf(0.5f), 1e-3f);
    EXPECT_NEAR(boom[1].time, 0.985f, 1e-5f);
    EXPECT_NEAR(boom[0].time, 0.975f, 1e-5f);

    // Next frame the waiting one has fallen to 0.985 and shows.
    ClearFrame();
    ParticleFrame();
    Pixel shown = WorldPixel(100.5f, 50.5f);
    EXPECT_EQ(shown.r, 255);
    EXPECT_NEAR(shown.g, 251, 2);

    // More time left is nearer: an older particle drawn later stays behind a younger one.
    ResetWorld();
    boom[0].reset(0.5f, 0.5f, 1.0f);
    boom[1].reset(0.5f, 0.5f, -0.4f);
    boom[2].reset(40.5f, 0.5f, -0.4f);
    boom[3].reset(40.5f, 0.5f, 1.0f);
    ClearFrame();
    ParticleFrame();
    EXPECT_NEAR(DepthAt(0.5f, 0.5f), DepthOf(1.5f), 1e-3f);
    EXPECT_NEAR(DepthAt(40.5f, 0.5f), DepthOf(1.5f), 1e-3f);
    // -0.4 falls to -0.425: still alive; below -0.5 the record is free again.
    EXPECT_TRUE(boom[1].valid);
    boom[1].time = -0.49f;
    ParticleFrame();
    EXPECT_FALSE(boom[1].valid);
    EXPECT_TRUE(boom[0].valid);
}

// ---------------------------------------------------------------- animation list

std::vector<int> animUpdates;
std::vector<int> animDeleted;

class Overlay : public Animation {
  public:
    int id;
    bool removeSelf = false;
    std::function<void()> onUpdate;
    int frames = 0;
    explicit Overlay(int id) : id(id) {}
    ~Overlay() override { animDeleted.push_back(id); }
    void update() override {
        animUpdates.push_back(id);
        if (onUpdate) onUpdate();
        if (removeSelf) RemoveAnimation(n);
        frames++; // still valid after removing itself
    }
};

class AnimationTest : public WorldTest {
  protected:
    void SetUp() override {
        WorldTest::SetUp();
        animUpdates.clear();
        animDeleted.clear();
    }
    Overlay* AddOverlay(int id) {
        Overlay* o = new Overlay(id);
        AddAnimation(o);
        return o;
    }
    // The ids of the listed overlays; each must know its own index.
    std::vector<int> Overlays() {
        std::vector<int> ids;
        for (int i = 0; i < nAnim; i++) {
            EXPECT_EQ(anim[i]->n, i);
            ids.push_back(static_cast<Overlay*>(anim[i])->id);
        }
        return ids;
    }
};

TEST_F(AnimationTest, RemovingRenumbersTheRest) {
    AddOverlay(1);
    AddOverlay(2);
    Overlay* c = AddOverlay(3);
    RemoveAnimation(0);
    EXPECT_EQ(Overlays(), (std::vector<int>{2, 3}));
    EXPECT_TRUE(animDeleted.empty()) << "the list does not destroy the entry on removal";

    // A later self-removal of a moved entry removes that very entry.
    c->removeSelf = true;
    UpdateAnimations();
    EXPECT_EQ(animUpdates, (std::vector<int>{2, 3}));
    EXPECT_EQ(Overlays(), (std::vector<int>{2}));
    EXPECT_EQ(animDeleted, (std::vector<int>{1, 3}));

    // Removing the last entry only lowers nAnim.
    AddOverlay(4);
    RemoveAnimation(1);
    EXPECT_EQ(Overlays(), (std::vector<int>{2}));
    RemoveAnimation(0);
    EXPECT_EQ(nAnim, 0);
    UpdateAnimations();
    EXPECT_EQ(animDeleted, (std::vector<int>{1, 3, 4, 2}))
        << "removed overlays are deleted once the walk is over";
}

TEST_F(AnimationTest, SelfRemovalDuringTheWalk) {
    Overlay* a = AddOverlay(1);
    AddOverlay(2);
    Overlay* c = AddOverlay(3);
    a->removeSelf = true;
    UpdateAnimations();
    // 2 moved into the slot of 1 and waits for the next frame; 3 still runs.
    EXPECT_EQ(animUpdates, (std::vector<int>{1, 3}));
    EXPECT_EQ(Overlays(), (std::vector<int>{2, 3}));
    EXPECT_EQ(animDeleted, (std::vector<int>{1}));

    // An overlay added during the walk at the end is updated in the same frame.
    animUpdates.clear();
    int added = 0;
    c->onUpdate = [this, &added] {
        if (!added++) AddOverlay(4);
    };
    UpdateAnimations();
    EXPECT_EQ(animUpdates, (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(Overlays(), (std::vector<int>{2, 3, 4}));

    // All remove themselves in one frame: every other one runs.
    for (int i = 0; i < nAnim; i++)
        static_cast<Overlay*>(anim[i])->removeSelf = true;
    animUpdates.clear();
    UpdateAnimations();
    EXPECT_EQ(animUpdates, (std::vector<int>{2, 4}));
    EXPECT_EQ(Overlays(), (std::vector<int>{3}));
    UpdateAnimations();
    EXPECT_EQ(nAnim, 0);
    EXPECT_EQ(animDeleted.size(), 4u);
}

TEST_F(AnimationTest, SixthOverlayIsIgnored) {
    for (int i = 1; i <= 5; i++)
        AddOverlay(i);
    AddOverlay(6);
    EXPECT_EQ(nAnim, 5);
    EXPECT_EQ(Overlays(), (std::vector<int>{1, 2, 3, 4, 5}));
    UpdateAnimations();
    EXPECT_EQ(animUpdates, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(animDeleted, (std::vector<int>{6})) << "the refused overlay is not leaked";
}

} // namespace
