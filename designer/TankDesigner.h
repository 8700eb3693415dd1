// TankDesigner: the one object the host creates for a design.  It owns the
// view mode, the rebar design engine, the list of views, the model editor
// with its undo and redo stacks, the project (tank and settings), the
// calculation-book writer and the rebar-design-done flag, and receives the
// host's commands.
//
// Views: the list holds shared pointers in creation order; a view erases its
// drawing from the view board when its last reference goes, so removing a
// view from the list removes its drawing.  Class tests are exact tests of a
// view's dynamic class, never tests for a base class.
//
// Modes: 0 modelling, 1 drawing, 2 inspection; the mode number is also the
// number of the CAD base map shown behind the views.  A new designer is in
// mode 0.
//
// Filing (Serialize): the designer's base record, the project (settings,
// then tank), the number of views and per view its class name, its
// kernel-object part (views that have one), its view record and the record
// of the entities it keeps outside its registry (TankView::WriteOwnRecord),
// the view board record, the mode and the design flag.  Reading reads the whole
// design first and takes it over only when it was read completely: a
// damaged file (ArchiveError) leaves the designer and the view board as
// they were.
#pragma once

#include "calcbook/CalcBookWriter.h"
#include "designer/Project.h"
#include "designer/ReinEdits.h"
#include "designer/Statistics.h"
#include "model/TankModeler.h"
#include "platform/HostServices.h"
#include "platform/Morlak.h"
#include "platform/Nirvox.h"
#include "rebar/ReinDesigner.h"
#include "view/TankView.h"
#include "views/DrawingViews.h"

#include <boost/shared_ptr.hpp>

#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

class TankModel2DView;
class TankModel3DView;
class CTankRein3DView;
struct LoadedDesign;

// Module-wide values shared by every designer of the process.
extern int g_ResultDisplayFlags;        // 8192 until a result display is chosen
extern double g_ReinLabelSizeFactor;    // 3.0: rebar label size per drawing unit
extern const int g_ResultFlagsNone;     // 8192
extern const double g_DrawingGapRatio;  // 0.3

class TankDesigner : public VekObject {
 public:
  TankDesigner();
  // The argument is not used; kept for hosts that pass their document.
  explicit TankDesigner(void* unused);
  ~TankDesigner() override;
  TankDesigner(const TankDesigner&) = delete;
  TankDesigner& operator=(const TankDesigner&) = delete;

  // ---- Start over, mode, flag, history ------------------------------------
  // Design flag cleared, tank emptied, views released; settings, history and
  // mode stay.
  void Reset();
  // Shows the views of the mode and stores it; mode 2 applies resultFlags
  // as the result display, any mode but 0 and 2 resets the plan display.
  void SetMode(int mode, int resultFlags);
  int GetMode() const { return m_mode; }
  bool SetReinDesigned(bool designed) { return m_reinDesigned = designed; }
  bool IsReinDesigned() const { return m_reinDesigned; }

  void SaveUndoState();
  void Undo();
  void Redo();
  bool CanUndo() const { return m_modeler.CanUndo(); }
  bool CanRedo() const { return m_modeler.CanRedo(); }
  void ClearHistory();

  // ---- Members and thin commands ------------------------------------------
  Project& GetProject() { return m_project; }
  const Project& GetProject() const { return m_project; }
  Tank& GetTank() { return m_project.GetTank(); }
  ProjectSettings& GetSettings() { return m_project.GetSettings(); }
  ReinDesigner& GetReinDesigner() { return m_reinDesigner; }
  TankModeler& GetModeler() { return m_modeler; }
  CalcBookWriter& GetCalcBookWriter() { return m_calcBook; }
  bool IsTopSlabPresent() const;
  // Shows or hides the base map of the current mode.
  void ShowBaseMap(bool show);
  void DrawViewRein(TankView* view);

  // ---- View list -----------------------------------------------------------
  const ViewList& GetViews() const { return m_views; }
  std::size_t GetViewCount() const { return m_views.size(); }
  // std::out_of_range for an index outside the list.
  TankViewPtr GetView(int index) const;
  void ClearViews();
  bool HasModel2DView() const;
  bool HasModel3DView() const;
  // The first view of exactly that class, if any.
  void RemoveModel2DView();
  void RemoveModel3DView();
  void RemoveRein3DView();
  // Every view of exactly the class View; the others keep their order.
  template <class View>
  void RemoveViewsOfClass() {
    std::erase_if(m_views, [](const TankViewPtr& v) { return v && typeid(*v) == typeid(View); });
  }
  static ViewList FilterPlanViews(ViewList views, bool withoutWallPlan);
  static ViewList FilterModelViews(ViewList views);
  // Appends the CAD handles of the first 2D model view's entities, then of
  // the first 3D model view's.
  void GetModelViewHandles(EntityHandleList& out) const;
  // Appends a view (drawing commands, tests).
  void AddView(const TankViewPtr& view) { m_views.push_back(view); }

  // ---- Modes and base maps -------------------------------------------------
  void ShowViewsOfMode(int mode);
  void ShowModelViews(bool show);
  void ZoomToMode(int mode);
  void SaveBaseMap();
  static void SwitchBaseMap(int from, int to);
  void ShowModelOnly();
  void ShowModelAndBaseMap();
  void ShowBaseMapOnly();

  // ---- Display of the plan drawings ---------------------------------------
  void SetResultDisplayFlags(int flags);
  void ResetPlanDisplay();
  void SetReinLabelHeight(double factor);
  // Dimensions a bottom slab, top slab or wall plan anew: its earlier
  // dimensions and title go, four chains of kind 0x4000 are drawn around its
  // outline and shown, and the title is drawn again below them.  Any other
  // view (or none) is left alone.
  void AutoDimensionPlan(TankView* view);

  // ---- Slab reinforcement plans (designer/SlabPlanCommands.cpp) -------------
  // Each removes the earlier plan of its class and draws a new one: with
  // placeAtPoint at the scale of its drawing entry (2 bottom, 1 top), the
  // upper left corner of its extent on insertPoint, else at the CAD scale
  // where the user places it; then its title.  False when the placement was
  // cancelled (the empty view stays in the list).  A tank without a slab of
  // kind 2 gets the notice "没有顶板, 将略去顶板绘制过程" from the top slab
  // command, which then returns false with nothing else done.
  bool DrawBottomSlabPlan(bool placeAtPoint, _3dPoint insertPoint);
  bool DrawTopSlabPlan(bool placeAtPoint, _3dPoint insertPoint);

  // ---- Pass-through hooks --------------------------------------------------
  static void CallViewObjectHookA(TankView* view, ObjectPtr object);
  static void CallViewObjectHookB(TankView* view, ObjectPtr object);
  static void CallViewObjectHookC(TankView* view, ObjectPtr object);
  void DrawObjectInView(TankView* view, ObjectPtr object);
  static void ReleaseObjectArg(int, ObjectPtr object);

  // ---- Model views ---------------------------------------------------------
  TankModel2DView* RecreateModel2DView();
  TankModel3DView* RecreateModel3DView();
  void MarkSlabOverhangs(double bottomSlabOverhang);
  void ShowModel(int planKind, int labelMode, bool showTopSlabs, bool showWalls, bool showBottomSlabs);
  void ClearModel();
  void ShowModel3D();

  // ---- Picking and entity lookup -------------------------------------------
  // The model object behind a CAD handle: the first view that knows the
  // entity names its owner.
  bool GetObjectOfEntity(const EntityHandle& picked, ObjectPtr* out) const;
  bool FindObjectOfEntity(const EntityHandle& picked, ObjectPtr* out, unsigned* viewIndex) const;
  bool GetBoardOfEntity(const EntityHandle& picked, BoardPtr* out) const;
  // Appends the boards owning the entity (in the first view that knows it);
  // true when the list holds boards afterwards (those it held before count).
  bool GetBoardsOfEntity(const EntityHandle& picked, std::vector<BoardPtr>& out) const;
  TankViewPtr FindView(EntityPtr entity) const;
  // The views holding the entities, each once; unknown handles and entities
  // no view holds are skipped.
  ViewList GetViewsOfEntities(EntityHandleList selected) const;
  ViewList GetViewsAtPoint(const _3dPoint& point) const;
  ViewList GetPlanViewsCrossing(const _2dLine& line) const;
  bool FindOwner(ObjectPtr object, TankCellPtr* cell);
  // Appends the picked lines, polylines and arcs lying on a wall layer.
  static void FilterWallCurves(const EntityList& picked, const ModelSettings* settings, EntityList& out);
  static bool GetBoardFrame(const BoardPtr& board, _3dPoint& origin, _3dVector& xAxis, _3dVector& yAxis,
                            std::vector<_2dPoint>& localOutline);
  static bool GetBoardOutline(const BoardPtr& board, std::vector<_3dPoint>& out);
  // Commands on the plan drawing under a point; false (with a message box)
  // when no suitable plan lies under it.
  bool DrawBoardReinAt(const _3dPoint& point);
  bool DrawPlanReinAt(const _3dPoint& point);
  bool DrawBoardLabelsAt(const _3dPoint& point, int labelFlags);

  // ---- Model-editing commands ----------------------------------------------
  // Each edits the tank through the model editor and then re-creates and
  // redraws the 2D model view with the plan kind and label mode given.  The
  // result is true when the command reached its end (and redrew); false when
  // it stopped early or was refused, the tank and the views then as before.
  // No command records undo history.
  bool AddWalls(const std::vector<Segment2d>& run, const std::vector<double>& heights,
                const std::vector<double>& thicknesses, int planKind, int labelMode);
  bool AddWall(const WallLineRecord& line, int planKind, int labelMode);
  bool AddHole(const ObjectPtr& picked, const ObjectPtr& board, int planKind, int labelMode,
               std::string* reason = nullptr);
  bool AddNotch(const ObjectPtr& picked, int code, const std::vector<ObjectPtr>& boards, int planKind,
                int labelMode);
  bool EditBoardHoles(const std::vector<int>& indices, const int* kind, const std::vector<BoardPtr>& boards,
                      int planKind, int labelMode);
  bool AddBoardObject(const ObjectPtr& object, const BoardPtr& board, int planKind, int labelMode);
  bool AddBoardObjects(const std::vector<ObjectPtr>& objects, const BoardPtr& board, int planKind, int labelMode);
  bool RemoveBoardObject(const ObjectPtr& object, const BoardPtr& board, int planKind, int labelMode);
  bool ShowModel2D(int planKind, int labelMode);
  bool ShowModel2DAlias(int planKind, int labelMode) { return ShowModel2D(planKind, labelMode); }
  // The upper face of each picked slab goes to `level` (mm).
  bool ChangeSlabLevels(EntityHandleList picked, int level, int planKind, int labelMode);
  bool ChangeSlabLevel(ObjectPtr slab, _3dPoint origin, _3dVector xAxis, _3dVector yAxis,
                       std::vector<_2dPoint> localOutline, int planKind, int labelMode);
  bool RebuildSlabs(int slabKind, int labelMode);
  bool EditObjectPair(const EntityHandle& a, const EntityHandle& b, int planKind, int labelMode);
  bool SplitBoard(const EntityHandle& picked, _3dLine line, int planKind, int labelMode);
  bool EditComponentUnits(const EntityHandle& picked, int planKind, int labelMode);
  bool JoinWalls(const EntityHandle& a, const EntityHandle& b, int planKind, int labelMode,
                 std::string* reason = nullptr);
  bool AddSlabAt(_2dPoint point, int slabKind, int labelMode);
  bool EditWithList(std::vector<ObjectPtr> objects, int planKind, int labelMode);
  bool RemoveBoards(EntityHandleList picked, int planKind, int labelMode);
  // Thickness upper + lower (mm), both faces kept about the old eccentricity;
  // a thickness not above zero is refused.
  bool SetBoardThickness(EntityHandleList picked, int upper, int lower, int planKind, int labelMode);
  bool SetBoardEccentricity(EntityHandleList picked, int value, int planKind, int labelMode);
  // `unpaired` (optional) receives the face lines that formed no wall.
  bool BuildTankFromCurves(const EntityList& picked, int planKind, int labelMode,
                           std::vector<WallLineRecord>* unpaired = nullptr);
  bool EditBoardsAndTopSlabs(EntityHandleList picked, int level, int planKind, int labelMode);

  // Model data for the host's dialogs (no model change, no redraw).
  // std::invalid_argument for a picture width or height not above zero.
  EntityList MakePlanSketch(int planKind, int labelMode, int width, int height);
  void PublishModelOutlines();
  bool GroupBoardsOfEntities(const EntityHandleList& picked, std::vector<std::vector<BoardPtr>>& groups) const;
  static void GetBoardNumberGroups(const std::vector<std::vector<ObjectPtr>>& groups,
                                   std::vector<std::vector<int>>& out);
  // Drops the last undo snapshot (an edit that changed nothing).
  void DropLastUndoState();
  // Why the last editing command was refused or rolled back (empty when it
  // was not, or when it gave no reason).
  const std::string& GetLastEditNote() const { return m_lastEditNote; }

  // ---- New tank and model preparation -------------------------------------
  // False (and the tank as it was) when the layout is refused; `error` says
  // why.
  bool NewTank(const TankLayoutParams& params, int planKind, int labelMode, std::string* error = nullptr);
  // Prepares the model (grades, outer wall faces, edge restraints, haunches,
  // crack-width limit), builds the load description and analyses the tank;
  // the texts of the load description reach the analysis library only
  // after a successful analysis.  False when the tank cannot be analysed
  // (GetLastAnalysisError says why); the tank then holds no moments and the
  // library no texts of an earlier analysis.
  bool Analyse(TextProgressFn progress = nullptr);
  void AssignDefaultGrades();
  void MarkOuterWallFaces();
  void ApplyDefaultEdgeRestraints();
  void BuildEars();

  // The calculation book of the tank into the view board's document path.
  // With *mode 0 every board of the model is written, otherwise the three
  // member lists (walls, then bottom slabs, then top slabs).  A tank not
  // analysed since its last change is refused (false, GetCalcBookError says
  // why); the check and load texts printed are the ones filed with this
  // tank's analysis.  False too when the writer could not open or write the
  // document or the host cancelled or stopped it.
  bool WriteCalcBook(const std::vector<PictureHandle>& pictures, const int* mode, const CalcBookOptions& options,
                     const std::vector<MemberPicture>& bottomPictures, const std::vector<MemberPicture>& topPictures,
                     const std::vector<MemberPicture>& wallPictures, const std::vector<StructureComponentPtr>& topSlabs,
                     const std::vector<StructureComponentPtr>& bottomSlabs,
                     const std::vector<StructureComponentPtr>& walls, CancelProgressFn fn);
  const std::string& GetCalcBookError() const { return m_calcBookError; }

  // ---- 3D rebar view (designer/Rein3DCommands.cpp) ---------------------------
  // Both do nothing until the rebar design is marked done.  They use the one
  // 3D rebar view of the list (made and appended when there is none, else
  // cleared first).  ShowRein3D draws every bar of the boards' zones;
  // ShowRein3DForEntities draws the tank's bars under the view mode (0 all
  // zones, 1 to 5 one zone category), the per-board modes limited to the
  // boards owning the picked entities (each board once).
  void ShowRein3D(const std::vector<BoardPtr>& boards);
  void ShowRein3DForEntities(int viewMode, const EntityHandleList& picked);
  // The 3D rebar view of the list, if any.
  CTankRein3DView* GetRein3DView() const;

  // ---- Openings on the drawings (designer/HoleDrawings.cpp) -----------------
  // One detail of a rectangular or circular opening in a new view (earlier
  // details stay): drawn at the scale, placed at insertPoint (placeAtPoint)
  // or where the user picks, then its bars, frame and title "JD"/"YD" with
  // the opening's number.  On success *outHeight (when given) receives the
  // detail's height and insertPoint moves right by 1.3 times its width;
  // false when nothing was drawn (not an opening, or the pick cancelled).
  bool DrawHoleDetail(HolePtr opening, double scale, bool placeAtPoint, _3dPoint& insertPoint,
                      double* outHeight);
  // The details of all openings in one row, after removing the earlier
  // details: rectangles first, then circles, by number, one per number and
  // shape; at the scale of drawing entry 16 (placeAtPoint) or the CAD scale.
  // It stops at the first detail not drawn; insertPoint then moves down by
  // 1.3 times the tallest detail.  True when every opening was drawn.
  bool DrawAllHoleDetails(bool placeAtPoint, _3dPoint& insertPoint);
  // A notch detail view, appended; it draws nothing.
  void DrawNotchDetail(boost::shared_ptr<Notch> notch);
  // On the plan under the point (a slab or wall plan, else the message
  // "请选择一个平面图"): the opening outlines of its boards, registered under
  // the boards (AnnotatePlanHoles), or their dimensions and leader labels
  // (AnnotatePlanHolesUnregistered); then the opening kinds 0x44000 shown.
  void AnnotatePlanHoles(const _3dPoint& point);
  void AnnotatePlanHolesUnregistered(const _3dPoint& point);

  // ---- Rebar design (designer/RebarDesign.cpp) ------------------------------
  // Designs the reinforcement of the tank: the design engine's run, the bar
  // marks, the opening numbers and the finishing pass, reporting 10 .. 80
  // from the engine, then 80 and 90.  A tank not analysed since its last
  // change (or whose settings changed) is refused with std::runtime_error.
  // The run works on the tank and, should a step throw, puts the tank back
  // as it was before the run and passes the exception on.  The design-done
  // flag is left to the host (SetReinDesigned).
  void DesignRein(ProgressFn fn);
  // Opening numbers: equal circular openings (same board thickness within
  // 1 mm, same size, same bars) share a number, rectangles likewise, each
  // kind numbered from 1 in the order of its first opening.
  static void NumberHoles(Tank& tank);

  // ---- Tables (designer/TableDrawings.cpp) ---------------------------------
  // Every rebar schedule (reinTable) or every material table of the list is
  // cleared (its entities off the drawing, its records emptied); the views
  // stay in the list.  Exact class tests: a material table is no schedule.
  void ClearTableViews(bool reinTable);
  // The rebar schedule anew: the earlier schedules cleared and dropped, a
  // new one at the CAD scale, placed with its top-left corner at the point,
  // or dragged into place by the user.
  void DrawReinTable(bool placeAtPoint = false, _3dPoint point = _3dPoint(0.0, 0.0, 0.0));
  // The material table anew: the earlier ones cleared and dropped, a new
  // one prepared from the settings and the tank; placed with its top-left
  // corner at the point, or dragged into place by the user.
  void DrawMaterialTable(bool placeAtPoint = false, _3dPoint point = _3dPoint(0.0, 0.0, 0.0));
  // ---- Wall drawings (designer/WallDrawings.cpp) ----------------------------
  // The wall reinforcement plan: the earlier wall plan goes, a new one is
  // drawn at the scale of its drawing entry at the given point (its upper
  // left corner there), or at the CAD scale where the user places it, and
  // gets its title.  False when the user cancelled the placement.
  bool DrawWallPlan(bool placeAtPoint, _3dPoint insertPoint);
  // The wall plans of the list draw their wall labels again (after a change
  // of the label size).
  void RedrawWallPlanLabels();

  // ---- Host-facing statistics (designer/Statistics.cpp) ---------------------
  // The level (m) the foundation gives the host: the burial depth of the
  // settings (the depth of the ground above the lowest bottom slab's
  // underside) plus the underside's level at the slab's lowest point; 0 for a
  // tank without bottom slabs.  The lowest bottom slab is the one with the
  // lowest outline point (the earlier one on a tie).
  double GetFoundationLevel() const;
  // Walls for kind 0, bottom slabs for kind 1, top slabs for any other kind.
  int CountBoards(int kind) const;
  // The thickest and the thinnest wall (mm); 0 without walls.
  double GetMaxWallThickness() const;
  double GetMinWallThickness() const;
  // Appends per board (exactly of class Board, in component order) its number
  // and zones to the list of its kind, then the tank's other zones and its
  // support zones.
  void GetBoardRecords(std::vector<BoardZoneRecord>& walls, std::vector<BoardZoneRecord>& topSlabs,
                       std::vector<BoardZoneRecord>& bottomSlabs, std::vector<ReinZonePtr>& otherZones,
                       std::vector<ReinZonePtr>& supportReins) const;

  // ---- Rebar edits (designer/ReinEdits.cpp) --------------------------------
  // A bar group changed on a drawing (its label's text) or in the rebar
  // schedule (one cell).  The change is checked by re-designing the zone
  // (crack width and strength of every bar group the mark covers); a refused
  // change leaves the zones, their marks, first flags and bars as they were
  // and gives false with the reason in GetLastEditNote.  An accepted change
  // is written into the model (every bar of the mark carries the new
  // diameter and grade), the labels and bubbles of every view are rewritten
  // with one mark number, and the table views are drawn again where they
  // stand.  The design-done flag stays.
  // Changed codes outside 130..133, diameters or spacings not above zero,
  // and typed marks not positive or carried by other bars are refused; the
  // sketch, length, count and total-length cells follow the bars (such an
  // edit changes nothing).
  bool EditReinZone(const ReinZonePtr& zone, bool fromTable, const EntityHandle* picked, int viewIndex,
                    const std::string& oldText, const std::string& newText);
  // Every zone of a mark (the schedule's row); the old values are the mark's
  // first zone's.  A mark no zone carries is refused.
  bool EditReinByNumber(int number, bool fromTable, const EntityHandle* picked, int viewIndex,
                        const std::string& oldText, const std::string& newText);
  // The changes between two label texts (code 8, diameter 3, spacing 4, in
  // that order; a number missing from the new text is unchanged), or for a
  // schedule cell the picked cell's column with the new text.
  void GetReinChanges(bool fromTable, const EntityHandle* picked, int viewIndex, const std::string& oldText,
                      const std::string& newText, PropertyChanges& out) const;
  // The flags are only set (the caller passes them false).
  static bool GetNewDiameterAndSpacing(const PropertyChanges& changes, bool* hasDiameter, int* diameter,
                                       bool* hasSpacing, int* spacing);
  bool RedesignReinZone(const ReinZonePtr& zone, int oldDiameter, int oldSpacing);
  // One re-design per mark (it covers every zone of the mark); stops at the
  // first refusal.
  bool RedesignReinZones(const std::vector<ReinZonePtr>& zones, int oldDiameter, int oldSpacing);
  static void ApplyReinChanges(const ReinZonePtr& zone, const PropertyChanges& changes);
  static bool SetTextFromChange(const boost::shared_ptr<_Text>& text, int kind, const PropertyChanges& changes);
  static bool RewriteReinLabel(const boost::shared_ptr<_Text>& text, const PropertyChanges& changes);
  // The bubbles take the number of the changes' mark change (a new free
  // number, appended as a change, when there is none).
  void UpdateReinLabels(const TankViewPtr& view, const ReinZonePtr& zone, PropertyChanges& changes, bool renumber);
  void UpdateReinTableRow(const TankViewPtr& view, const ReinZonePtr& zone, PropertyChanges& changes,
                          bool renumber);
  bool GetReinZonesByNumber(int number, std::vector<ReinZonePtr>& out) const;
  // The smallest mark number of 1..n that no first zone carries, else n + 1
  // (numbers outside 1..n are ignored).
  int GetFreeReinNumber() const;
  bool GetReinZoneEntities(const ReinZonePtr& zone, std::vector<ViewZonePair>& out) const;
  bool GetReinEntitiesByNumber(int number, std::vector<ViewZonePair>& out) const;
  bool GetObjectHandles(ObjectPtr object, std::string classPart, std::vector<EntityHandle>* out) const;
  // The view at the index is exactly a ReinTableView (false for an index
  // outside the list).
  bool IsReinTableView(int viewIndex) const;
  bool PickReinTableColumn(int viewIndex, const EntityHandle& picked, int* column) const;

 private:
  // Stores the reason of a refused edit; false.
  bool RefuseReinEdit(const std::string& why);
  // Checks the changes before anything is touched; false (with the reason)
  // for a value no bar can take.  `mark` is the edited mark.
  bool CheckReinChanges(const PropertyChanges& changes, int mark);
  // The table views drawn again from the model where they stand.
  void RedrawReinTables();

 public:
  // ---- Sections (designer/Sections.cpp) ------------------------------------
  // A section exists as the owner of its mark on a plan and through the wall
  // section view that draws it.
  // The sections owning entities in the views, view by view (a section in
  // two views twice); not sorted.
  std::vector<boost::shared_ptr<Section>> GetSections() const;
  // The smallest positive number no section uses.
  int GetNextSectionNumber() const;
  // A section cut along `line` (CAD drawing coordinates) on the one plan
  // drawing it crosses, looking towards the side point: the drawing's x
  // axis runs along the line, pointing right as the viewer sees it, y up.
  // Its mark is the user's (markEntities with their handles) or, without
  // handles, drawn by the designer with the number.  A line crossing no plan
  // or several is refused: message "剖面线必须在且只在一个平面图上", the
  // user's mark deleted, an empty pointer returned.
  boost::shared_ptr<Section> DefineSection(const _2dLine& line, const _2dPoint& side, int number,
                                           const EntityList& markEntities, const EntityHandleList& markHandles);
  // One section across the middle of every wall of the wall plan (else of
  // the first slab plan) that shows two face lines; the others are skipped.
  void MakeAutoSections();
  // Draws the section's wall section drawing (placed at the point, or picked
  // by the user) and moves the point right by 1.3 × its width.
  bool DrawWallSection(boost::shared_ptr<Section> section, bool placeAtPoint, _3dPoint& insertPoint,
                       Extents* outExtent);
  // Every wall section drawing anew, in the order of the section numbers,
  // side by side from the point; the point then drops by 1.3 × the row's
  // height.  Stops at the first whose placement fails (false); one whose
  // drawing raises is left out (GetSectionFailures), the rest are drawn and
  // the result is false.
  bool DrawAllSections(_3dPoint& insertPoint, int* progress, unsigned share, TextProgressFn fn);
  // A section whose drawing raised during the last DrawAllSections: its view
  // and its mark on the plans were removed (GetSections no longer lists it)
  // and the other sections were drawn.
  struct SectionDrawFailure {
    boost::shared_ptr<Section> section;
    std::string reason;
  };
  const std::vector<SectionDrawFailure>& GetSectionFailures() const { return m_sectionFailures; }
  // A cut across one wall of the wall plan (else the slab plan the
  // automatic sections use), made as the automatic sections make theirs but
  // through the point at `ratio` (0..1) of the wall's shorter face line, in
  // drawing coordinates; std::runtime_error saying why when the plan does
  // not show the wall with two face lines.  The side point of a cut as the
  // automatic sections choose it.
  _2dLine SectionLineAcrossWall(const BoardPtr& wall, double ratio) const;
  static _2dPoint SectionSidePoint(_2dPoint a, _2dPoint b);

  // ---- Batch drawing (designer/BatchDrawing.cpp) ----------------------------
  // Defines the sections the batch draws, on the wall plan it has just drawn.
  using SectionMaker = std::function<void(TankDesigner&)>;
  // Every drawing the detailing settings' options enable, each at the scale
  // of its drawing entry, laid out from the point: the top slab, bottom slab
  // and wall plans (with their bars, dimensions and titles) one below the
  // other, then the row of wall sections, the row of opening details and
  // the rebar schedule; each drawing starts 1.3 × the height of the one
  // above lower.  Before each step fn receives the running percentage and
  // the step's text (the sections report their own), at the end (100, "").
  // The section step makes its sections with makeSections (the automatic
  // sections when empty); with no section it draws nothing.  The earlier
  // rebar schedules are emptied, not removed.  The caller's point stays.
  void DrawAll(_3dPoint insertPoint, TextProgressFn fn, const SectionMaker& makeSections = SectionMaker());

 private:
  // A new rebar schedule appended to the list (earlier ones stay) with the
  // scale value, placed at the point or dragged into place by the user.
  void AddReinTableView(double scale, bool placeAtPoint, const _3dPoint& point);

 public:
  // ---- Filing --------------------------------------------------------------
  void Serialize(Archive& ar) override;
  // Reading in two steps: the whole design into a record, then taken over.
  std::unique_ptr<LoadedDesign> ReadDesign(Archive& ar) const;
  void TakeOver(LoadedDesign& design);
  // Re-creates a view from the class name a design file stores for it and
  // appends it to `views`; nullptr when the name contains no known view
  // class.
  static TankView* CreateViewByClassName(const std::string& className, ViewList& views,
                                         const ViewSettings& settings);
  // The name a design file stores for a view: its dynamic class name.
  static std::string GetViewClassName(const TankView& view);

 private:
  template <class View>
  void RemoveFirstViewOfClass();
  // Re-creates the 2D model view and redraws it with the plan kind and label
  // mode.
  void RedrawModel2D(int planKind, int labelMode, bool zoom = false);
  // Runs `edit` on the tank; when it throws or answers false the tank is put
  // back as it was, the model view redrawn as it stood, and the exception
  // passed on (or false returned).  On success the model view is redrawn
  // with the plan kind and label mode.
  template <class Edit>
  bool RunEdit(Edit edit, int planKind, int labelMode, bool zoom = false);

  int m_mode = 0;
  ReinDesigner m_reinDesigner;
  ViewList m_views;
  std::vector<SectionDrawFailure> m_sectionFailures;
  TankModeler m_modeler;
  Project m_project;
  CalcBookWriter m_calcBook;
  std::string m_calcBookError;
  bool m_reinDesigned = false;
  std::string m_lastEditNote;
};

// A design read from a file and not yet taken over by a designer.
struct LoadedDesign {
  Project project;
  ViewList views;
  ViewBoardRecord board;
  int mode = 0;
  bool reinDesigned = false;
};

// Host-side state of the design toolbar, filed by the host with the design.
class CTankDesignToolbar : public VekObject {
 public:
  CTankDesignToolbar() = default;
  CTankDesignToolbar(const CTankDesignToolbar& other) = default;
  CTankDesignToolbar& operator=(const CTankDesignToolbar& other) = default;
  ~CTankDesignToolbar() override = default;

  int GetValue1() const { return m_value1; }
  int GetValue2() const { return m_value2; }
  int GetValue3() const { return m_value3; }
  int SetValue1(int v) { return m_value1 = v; }
  int SetValue2(int v) { return m_value2 = v; }
  int SetValue3(int v) { return m_value3 = v; }
  bool GetFlag1() const { return m_flag1; }
  bool GetFlag2() const { return m_flag2; }
  bool GetFlag3() const { return m_flag3; }
  bool GetFlag4() const { return m_flag4; }
  bool SetFlag1(bool f) { return m_flag1 = f; }
  bool SetFlag2(bool f) { return m_flag2 = f; }
  bool SetFlag3(bool f) { return m_flag3 = f; }
  bool SetFlag4(bool f) { return m_flag4 = f; }

  void Serialize(Archive& ar) override;

 private:
  int m_value1 = 0;
  int m_value2 = 0;
  int m_value3 = 0;
  bool m_flag1 = false;
  bool m_flag2 = false;
  bool m_flag3 = false;
  bool m_flag4 = false;
};

// Static exports.
bool IsModelingBaseMapEmpty();
void CallViewBoardOperation();
int GetResultDisplayFlags();
double GetReinLabelHeight();
void SetVersionNum(int major, int minor);
void* ReturnArgument(void* argument);

// Saving and opening design files on disk.  Saving writes a temporary file
// next to the target and renames it over the target only when writing
// succeeded.  Opening reads the whole file (ArchiveError for a damaged
// one, std::runtime_error when it cannot be opened) and only then replaces
// the designer's design.
void SaveDesignFile(TankDesigner& designer, const std::string& path);
void OpenDesignFile(TankDesigner& designer, const std::string& path);
