#include "display/power_policy.h"

PowerPolicy PolicyFor(const PowerState& state, bool savePower)
{
    if (!savePower)
        return {1, false};
    if (state.energySaver >= kEnergySaverHighSavings)
        return {2, true};
    const bool saving = state.source != kMainsPower || state.batterySaver || state.energySaver != 0;
    return {saving ? 2u : 1u, false};
}
