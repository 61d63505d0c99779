#pragma once

// Returns after the given number of seconds of the program's clock (a wait across
// midnight ends on time) and lets pending events run meanwhile, sleeping between
// them rather than spinning. The caller is paused, so its form may be unloaded
// before Wait returns: check IsUnloaded() afterwards.
void Wait(double seconds);
