// Joint zones along the common edges of boards.
#include "platform/Zarvel.h"
#include "rebar/FaceZones.h"
#include "rebar/ReinDesigner.h"
#include "rebar/ReinTrendAdapter.h"

void ReinDesigner::BuildJointZones(Tank& tank, const ReinDesignOptions& options, const ReinTrendAdapter&,
                                   int) const {
  // The joint zones are laid only when the load settings' design switch is off.
  if (options.m_pSettings && options.m_pSettings->GetLoadSettings().GetDesignSwitch()) return;
  TagEdgeZones(tank);
}
