// How a walk over a structure table ended: the load's and the inventory's end alike.
#pragma once

enum WalkEnd {
  kWalkComplete,      // at the end of the table, or after the structures it was to walk
  kWalkBrokenLength,  // at a structure whose length is below its 4-byte header: nothing behind it
  kWalkTruncated,     // at a structure that runs past the end of the table
};
