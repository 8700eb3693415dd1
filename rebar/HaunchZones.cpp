// Haunch zones of joints and overhang zones of bottom-slab edges.
#include "platform/Zarvel.h"
#include "rebar/FaceZones.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"

void ReinDesigner::BuildHaunchZones(Tank& tank, const ReinDesignOptions&) const { FinishHaunchZones(tank); }

void ReinDesigner::BuildOverhangZones(Tank& tank, const ReinDesignOptions&, const ReinTrendAdapter&) const {
  FinishOverhangZones(tank);
}
