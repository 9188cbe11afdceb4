// The "芯線" mode: strokes are thinned to their middle, the skeleton is cut into paths at
// ends and junctions, and each path is fitted with straight lines within the level's
// sideways tolerance. Junctions and corners are placed where the fitted lines meet, so every
// line ending there ends on the same point; each line keeps the stroke width measured beside it.
#pragma once
#include "vectorize/LineStore.h"
#include "vectorize/MonoBits.h"
#include "vectorize/Tracer.h"

// Appends to the store in a fixed order whatever the number of threads. Results as TraceImage,
// which calls it once the store and the bits are known to be usable.
int TraceCentreLines(const MonoBits& bits, const TraceOptions& options, LineStore& store, const ProgressFn& progress = {});

// The sideways tolerance of the fit in pixels for precision level 1..6; 0 at level 6, where
// only exactly collinear pixels share a line.
double CentreTolerance(int level);
