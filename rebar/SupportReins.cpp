// Support bars at board junctions.
#include "platform/Zarvel.h"
#include "rebar/FaceZones.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"

void ReinDesigner::LayoutSupportReins(Tank&, int) const {
  // No support bars are laid yet.
}
