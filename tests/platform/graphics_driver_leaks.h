// Mesa's drivers keep some allocations until the process ends, and SDL
// unloads them when its video stops, which leaves the leak checker with
// stacks it cannot name. Keeping the loaded drivers in memory names those
// stacks, and the suppressions then tell the drivers' allocations apart
// from the program's.
#pragma once

// Marks every graphics driver library loaded so far as never to be unloaded.
void keepGraphicsDriversLoaded();
