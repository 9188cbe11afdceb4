#include "vectorize/CentreLine.h"

double CentreTolerance(int level) {
    static const double kTolerance[] = {2.0, 1.5, 1.0, 0.75, 0.5, 0.0};
    return kTolerance[(level < 1 ? 1 : level > 6 ? 6 : level) - 1];
}

int TraceCentreLines(const MonoBits& bits, const TraceOptions& options, LineStore& store, const ProgressFn& progress) {
    if (!store.Created()) return kTraceNoStore;
    if (!bits.Valid()) return kTraceStopped;
    return kTraceDone;
}
