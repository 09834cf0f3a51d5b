// Points and boxes of the plane, in whatever units the caller works in.
#pragma once

namespace tvk::host {

struct Vec2 {
    double x = 0;
    double y = 0;
};

struct Box {
    double min_x = 1e300, min_y = 1e300, max_x = -1e300, max_y = -1e300;
    bool empty() const { return min_x > max_x || min_y > max_y; }
    void add(Vec2 p);
    void add(const Box& b);
};

}  // namespace tvk::host
