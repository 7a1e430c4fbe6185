#include "display.h"

#include <algorithm>
#include <cmath>

using namespace Protocol;

namespace Bench {

DisplayCost measureDisplay(const WindowRunPlan &plan)
{
    DisplayCost c;
    WindowRunPlan p = plan;
    p.recordingPath = plan.recordingPath + QStringLiteral(".without");
    c.without = runWindow(p);
    if (!c.without.error.isEmpty())
        return c;
    p.display = true;
    p.recordingPath = plan.recordingPath + QStringLiteral(".with");
    c.with = runWindow(p);
    const WindowRunResult &r = c.with;
    const QVector<onsets::Burst> bursts = onsets::findBursts(r.recording);
    for (int i = 0; i < r.dueMs.size(); ++i) {
        const auto burst = std::find_if(bursts.cbegin(), bursts.cend(), [&](const auto &b) {
            return std::abs(r.heardMs(b.onset) - r.dueMs[i]) < 200;
        });
        if (burst == bursts.cend() || r.paintedMs[i] < 0) {
            ++c.missing;
            continue;
        }
        c.skewMs.append(r.heardMs(burst->onset) - r.paintedMs[i]);
    }
    return c;
}

} // namespace Bench
