// grid.h -- the collision grid, the geometric tests and the collision pass.
#pragma once

#include "../shell/orientation.h"
#include "object.h"

// One entry of a grid cell. Nodes come from a per-frame pool and live until the grid is cleared.
struct LL {
    Object* obj = nullptr; // the object entered; not owned
    LL* next = nullptr;    // next node of the same cell
};

// A cell: a singly linked list of nodes in entry order.
class LLS {
  public:
    LL* first = nullptr;
    LL* last = nullptr;
    // Appends ll at the tail.
    void Add(LL* ll);
    // Empties the cell; its nodes return to the pool when the whole grid is cleared.
    void Clear();
};

struct vec2f {
    float x, y;
};

// Columns and rows of the grid: the long side of the window has five cells.
constexpr int GRID_COLUMNS = LANDSCAPE ? 5 : 4;
constexpr int GRID_ROWS = LANDSCAPE ? 4 : 5;

// Per frame: the cells, grid[column][row], columns from the left and rows from the bottom.
extern LLS grid[GRID_COLUMNS][GRID_ROWS];
// Per run: collision codes by [later object's type][earlier object's type].
extern const int collisiontable[5][5];

// Empties every cell and returns all nodes to the pool; the frame starts with this.
void ClearGrid();
// Enters obj into every cell that the circle's bounding square overlaps.
void AddCircleToGrid(float x, float y, float r, Object* obj);
// Enters obj into the one cell that holds the point strictly inside it, if any.
void AddPointToGrid(float x, float y, Object* obj);

// The contact distance is r1 squared plus twice r2 (not (r1 + r2) squared): this is the game's
// own contact rule and depends on which object comes first.
bool cicle2Circle(float x1, float y1, float r1, float x2, float y2, float r2);
bool circle2Rectangle(float x, float y, float r, float minx, float miny, float maxx, float maxy);
bool point2Circle(float x1, float y1, float r1, float x2, float y2);
bool point2Rectangle(float x, float y, float minx, float miny, float maxx, float maxy);
float Sign(vec2f p1, vec2f p2, vec2f p3);
bool point2Triangle(vec2f pt, vec2f v1, vec2f v2, vec2f v3);
// Whether the point lies in the triangle of ship s (tip towards +y).
bool point2ShipTriangle(float x, float y, const Object* s);

// For every pair sharing a cell, looks up the collision table and calls hit on the objects that touch.
void CollideObjects();
