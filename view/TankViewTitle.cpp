// The title block placed under a drawing.
#include "view/DrawingName.h"
#include "view/TankView.h"

EntityList TankView::PlaceTitle(const Extents& extent, const std::string& name) const {
  const _2dPoint mid((extent.minX + extent.maxX) / 2.0, extent.minY);
  DrawingName block(m_pViewBoard, name, m_scale);
  double width = 0.0, height = 0.0;
  block.GetSize(width, height);
  const double u = static_cast<double>(GetDrawingUnit());
  block.MoveTo(_2dPoint(mid.x, mid.y - (height * 0.5 + 5.0 * u)));
  EntityList entities;
  block.GetEntities(entities);
  return entities;
}
