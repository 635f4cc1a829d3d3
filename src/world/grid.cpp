// grid.cpp -- grid cells, node pool, geometric tests and the collision pass.
#include "grid.h"

#include <memory>
#include <vector>

#include "../shell/display.h"

LLS grid[GRID_COLUMNS][GRID_ROWS];

const int collisiontable[5][5] = {
    {0, 0, 4, 4, 3}, {0, 0, 0, 0, 1}, {5, 0, 0, 0, 0}, {5, 0, 0, 0, 0}, {3, 2, 0, 0, 0},
};

// Nodes are handed out from blocks that are kept from frame to frame: after the first busy frames
// entering an object allocates nothing.
static const int POOL_BLOCK = 1024;
static std::vector<std::unique_ptr<LL[]>> poolBlocks;
static size_t poolUsed = 0; // nodes handed out since the last clearing

static LL* NewNode(Object* obj) {
    if (poolUsed == poolBlocks.size() * POOL_BLOCK) poolBlocks.emplace_back(new LL[POOL_BLOCK]);
    LL* ll = &poolBlocks[poolUsed / POOL_BLOCK][poolUsed % POOL_BLOCK];
    poolUsed++;
    ll->obj = obj;
    ll->next = nullptr;
    return ll;
}

void LLS::Add(LL* ll) {
    if (!first)
        first = last = ll;
    else {
        last->next = ll;
        last = ll;
    }
    ll->next = nullptr;
}

void LLS::Clear() {
    first = last = nullptr;
}

void ClearGrid() {
    for (auto& column : grid)
        for (LLS& cell : column)
            cell.Clear();
    poolUsed = 0;
}

static float CellLeft(int i) {
    return i * CW - hw;
}
static float CellBottom(int j) {
    return j * CH - hh;
}

void AddCircleToGrid(float x, float y, float r, Object* obj) {
    for (int j = 0; j < GRID_ROWS; j++)
        for (int i = 0; i < GRID_COLUMNS; i++)
            if (circle2Rectangle(x, y, r, CellLeft(i), CellBottom(j), CellLeft(i + 1), CellBottom(j + 1)))
                grid[i][j].Add(NewNode(obj));
}

void AddPointToGrid(float x, float y, Object* obj) {
    for (int j = 0; j < GRID_ROWS; j++)
        for (int i = 0; i < GRID_COLUMNS; i++)
            if (point2Rectangle(x, y, CellLeft(i), CellBottom(j), CellLeft(i + 1), CellBottom(j + 1))) {
                grid[i][j].Add(NewNode(obj));
                return;
            }
}

bool cicle2Circle(float x1, float y1, float r1, float x2, float y2, float r2) {
    float dx = x2 - x1, dy = y2 - y1;
    return dx * dx + dy * dy <= r1 * r1 + r2 + r2;
}

bool circle2Rectangle(float x, float y, float r, float minx, float miny, float maxx, float maxy) {
    return x + r > minx && x - r < maxx && y + r > miny && y - r < maxy;
}

bool point2Circle(float x1, float y1, float r1, float x2, float y2) {
    float dx = x2 - x1, dy = y2 - y1;
    return dx * dx + dy * dy <= r1 * r1;
}

bool point2Rectangle(float x, float y, float minx, float miny, float maxx, float maxy) {
    return minx < x && x < maxx && miny < y && y < maxy;
}

float Sign(vec2f p1, vec2f p2, vec2f p3) {
    return (p1.x - p3.x) * (p2.y - p3.y) - (p2.x - p3.x) * (p1.y - p3.y);
}

bool point2Triangle(vec2f pt, vec2f v1, vec2f v2, vec2f v3) {
    bool b1 = Sign(pt, v1, v2) < 0;
    bool b2 = Sign(pt, v2, v3) < 0;
    bool b3 = Sign(pt, v3, v1) < 0;
    return b1 == b2 && b2 == b3;
}

bool point2ShipTriangle(float x, float y, const Object* s) {
    return point2Triangle({x, y}, {s->x, s->y + 10}, {s->x - 7, s->y - 8}, {s->x + 7, s->y - 8});
}

// One pair of a cell: a is the earlier node's object, b the later one's.
static void CollidePair(Object* a, Object* b) {
    switch (collisiontable[b->type][a->type]) {
    case 1:
        if (point2Circle(a->x, a->y, a->r, b->x, b->y)) a->hit(b);
        break;
    case 2:
        if (point2Circle(b->x, b->y, b->r, a->x, a->y)) b->hit(a);
        break;
    case 3:
        if (cicle2Circle(a->x, a->y, a->r, b->x, b->y, b->r)) {
            b->hit(a);
            a->hit(b);
        }
        break;
    case 4:
        if (point2Circle(b->x, b->y, b->r, a->x, a->y) && point2ShipTriangle(a->x, a->y, b)) b->hit(a);
        break;
    case 5:
        if (point2Circle(a->x, a->y, a->r, b->x, b->y) && point2ShipTriangle(b->x, b->y, a)) a->hit(b);
        break;
    default:
        break;
    }
}

void CollideObjects() {
    for (int j = 0; j < GRID_ROWS; j++)
        for (int i = 0; i < GRID_COLUMNS; i++)
            for (LL* a = grid[i][j].first; a; a = a->next)
                for (LL* b = a->next; b; b = b->next)
                    CollidePair(a->obj, b->obj);
}
