// The 3D rebar view: one 3D entity per designed bar of the chosen rebar
// zones.  It keeps its own records of bars and entities (not the view
// registry) and files nothing of its own; its drawing comes with the 3D
// rebar display.
//
// A bar becomes a 3D polyline through its vertices, each bulged segment (a
// hook, a bend, a lap) drawn as its arc in short chords, or a circle when the
// bar is a ring (two half circles from one point to the opposite one and
// back, then a lap arc).  Both drawing operations draw bars alike.
//
// Plane of a bulged segment: a bar lies in one plane, that of its vertices;
// a positive bulge turns counter-clockwise seen from the side of the plane's
// normal, the normal taken upwards (+z), or for a vertical plane towards +x
// (towards +y for a plane facing y).  A bar whose vertices lie on one line has its arcs in the
// horizontal plane, or for a vertical bar in the plane facing x.
//
// The records keep the order the bars were drawn in, so the drawing and its
// exports come out the same on every run.
#pragma once

#include "view/TankView.h"

#include <string>
#include <vector>

class CTankRein3DView : public TankView {
 public:
  explicit CTankRein3DView(AcadViewBoard* board);
  ~CTankRein3DView() override;

  // Erases every drawn bar from the board and empties the records; the view
  // mode and the picked objects stay.
  void Clear();
  // Draws every bar of the zones, unfiltered (a bar already drawn is not
  // drawn again).
  void BuildAll(const std::vector<ReinZonePtr>& zones);
  // The same for the zones the boards hold (face, edge and opening zones),
  // each zone once.
  void BuildAll(const std::vector<BoardPtr>& boards);
  // Draws the bars of the tank's zones that the view mode accepts; the bars
  // of a lower-face zone of a picked board in colour 2.  Expects a cleared
  // view.
  virtual void RebuildObject(Tank& tank);
  // The view-mode filter: 0 every zone; 1 face zones (category 2) and 2 edge
  // zones (category 1), of the picked boards when there are any; 3 haunch,
  // 4 support and 5 opening zones (categories 4, 5, 6); other modes none.
  // For modes 1 and 2 *faceFlag is cleared when the zone is a lower-face
  // zone of the picked board.
  bool IsZoneShown(const ReinZonePtr& zone, bool* faceFlag) const;

  // The drawn entities in the order they were drawn.
  EntityList GetEntities() const;
  // The bar an entity was drawn for (null for an entity of no bar).
  ReinPtr GetEntityRein(const EntityPtr& entity) const;
  // The entities drawn for a bar (null for a bar not drawn).
  const EntityList* GetReinEntities(const ReinPtr& rein) const;
  std::size_t GetBarCount() const { return m_reinEntities.size(); }

  // The entity of one bar, on the layer `layer`, colour 1.
  static EntityPtr MakeBarEntity(const Rein& rein, const std::string& layer);
  // The ring test: four vertices, a non-zero bulge on each of their segments
  // (three for an open bar, the fourth only closing a closed one), the third
  // vertex on the first and the first two bulges half circles (±1).  The circle's
  // centre is the middle of the first two vertices, its radius half their
  // distance, its normal (v0 − c) × (v3 − c) (the lap's turn); false as well
  // when the lap gives no normal.
  static bool IsRingBar(const _2dPolyline& bar, _3dPoint& centre, double& radius, _3dVector& normal);
  // The bar's vertices with every bulged segment (the closing one of a
  // closed bar too) replaced by points on its arc, at most 10 degrees
  // apart; the closed flag stays the bar's.
  static std::vector<_3dPoint> TessellateBar(const _2dPolyline& bar);
  // The unit normal of the plane the bar's arcs turn in (see above).
  static _3dVector BarPlaneNormal(const std::vector<_3dPoint>& vertices);
  // The layer of the bars of a zone category when the view draws one layer
  // per category: the rebar-line layer's name with the category's name.
  static std::string CategoryLayerName(int category);
  // The colour of that layer and of its bars, so that face, edge, haunch,
  // support and opening bars stand apart: red, green, blue, magenta, orange.
  static int CategoryColor(int category);

  // 0: all rebar zones; 1 to 5: one zone category.
  int m_viewMode = 0;
  // The model objects picked for the per-board modes; only boards count.
  std::vector<ObjectPtr> m_selectedObjects;
  // Bars on one layer per zone category (CategoryLayerName), in the
  // category's colour, instead of all on the rebar-line layer in colour 1.
  bool m_layerPerCategory = false;

 private:
  // Makes, records and returns the entity of a bar not drawn yet (null for
  // a bar drawn already or without vertices).
  EntityPtr DrawBar(const ReinPtr& rein, const ReinZonePtr& zone);
  // Hands the recorded entities to the board, in drawing order.
  void ShowRecorded();

  SequenceMap<ReinPtr, EntityList> m_reinEntities;
  SequenceMap<EntityPtr, ReinPtr> m_entityReins;
};
