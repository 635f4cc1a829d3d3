// object.cpp -- the object list: appending, the per-frame pass and removal.
#include "object.h"

#include "../enemies/boss.h"
#include "../player/player.h"
#include "../player/shots.h"
#include "../shell/display.h"

Object* firstObject = nullptr;
Object* lastObject = nullptr;
int nObject = 0;

Object* AddObject(Object* obj) {
    if (!firstObject) {
        firstObject = lastObject = obj;
        obj->previous = nullptr;
    } else {
        lastObject->next = obj;
        obj->previous = lastObject;
        lastObject = obj;
    }
    obj->next = nullptr;
    obj->dead = false;
    nObject += 1;
    return obj;
}

static bool OffField(const Object* o) {
    return o->type != TYPE_ENEMY && (o->x < -hw || o->x > hw || o->y < -hh || o->y > hh);
}

static void Unlink(Object* o) {
    if (o == firstObject) {
        firstObject = o->next;
        if (firstObject) firstObject->previous = nullptr;
    } else {
        o->previous->next = o->next;
        if (o->next) o->next->previous = o->previous;
    }
    if (o == lastObject) lastObject = o->previous;
}

// No pointer to an object outlives it: the globals and the ships' lock-on targets let go.
static void ForgetObject(Object* o) {
    if (BOSS == o) BOSS = nullptr;
    if (player == o) player = nullptr;
    if (player2 == o) player2 = nullptr;
    if (player && player->obj == o) player->obj = nullptr;
    if (player2 && player2->obj == o) player2->obj = nullptr;
    if (o->data4 == 0 || o->data4 == 1) chargebullet[o->data4] = false;
}

void UpdateObjects() {
    Object* o = firstObject;
    while (o) {
        if (o->dead || OffField(o)) {
            Object* following = o->next;
            nObject -= 1;
            Unlink(o);
            ForgetObject(o);
            delete o;
            o = following;
        } else {
            o->update();
            o = o->next;
        }
    }
}

void KillAllObjects() {
    for (Object* o = firstObject; o; o = o->next)
        o->dead = true;
}
