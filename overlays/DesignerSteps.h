#pragma once
#include <cstdint>
#include <cstdlib>

namespace spoolar {

// The designers move and resize in whole steps: 5 pixels, or 1 while Alt is held.
inline int designerStep(bool altHeld)
{
    return altHeld ? 1 : 5;
}

// How far a mouse that has moved `delta` pixels on one axis since the last step moves the
// elements: all of it when it is a whole number of steps, else nothing (the mouse goes on
// and a later position may be a whole number of steps away).
inline int steppedDelta(int delta, int step)
{
    return (delta != 0 && std::abs(delta) % step == 0) ? delta : 0;
}

// A coordinate rounded up to the next multiple of 5, unless it is one already.
inline int roundUpToFive(int value)
{
    const int rest = ((value % 5) + 5) % 5;
    return rest == 0 ? value : value + (5 - rest);
}

} // namespace spoolar
