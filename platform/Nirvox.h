// CAD view board: the drawing the module draws on, its entity handles, the
// drawing standard, and the export of the drawing to DXF, SVG and PNG.
//
// The board stands in for the CAD program's drawing.  It holds the very
// entity objects the views hand it (boost::shared_ptr<Entity>, never copies)
// and gives each a stable EntityHandle.  Beside the module entity it keeps
// its own drawn copy (a "snapshot", taken with Entity::Clone when the entity
// first reaches the drawing): placing a drawing with MoveEntities or
// DragEntities moves the snapshot only, because the views move their own
// geometry themselves afterwards; moving both would place the drawing twice
// as far.  UpdateEntity re-takes the snapshot and keeps the placement.
//
// Rules the views rely on:
// - ShowEntity, PutEntity, AddEntity, AddDimensions, MoveEntities and
//   DragEntities put an entity the board does not hold yet onto the drawing
//   with a new handle; adding or showing a held entity again only makes it
//   visible (no second record).
// - HideEntity, EraseEntity, RemoveEntity and DeleteEntity of an entity or
//   handle the board does not hold do nothing.
// - Handles are never reused within a board's life, also not after Reset of
//   the drawing by a load: loaded handles raise the counter above them.
// - Every list operation accepts empty lists.
// - Registries list their pairs in the order the entities reached the
//   drawing, never by pointer address, so a design saved twice gives
//   identical files.
// - All calls are synchronous and run on the host's thread; prompts are
//   answered by the host layer (platform/HostServices.h) without calling back
//   into the module.
//
// Coordinates are drawing coordinates: model millimetres × unit / scale,
// moved by the view's placement.  Model views and 3D views hand model
// millimetres (3D world coordinates).
//
// Texts are UTF-8 in memory.  "%%nnn" are symbol codes of the drawing
// standard: "%%130".."%%133" the rebar grades HPB, HRB335, HRB400, RRB400;
// "%%c" diameter, "%%d" degree, "%%p" plus/minus, "%%%" a percent sign.
#pragma once

#include "platform/Morlak.h"

#include <boost/shared_ptr.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// ---------------------------------------------------------------------------
// EntityHandle: the handle of one entity of the drawing.
//
// A number that is never 0 for a real entity (0 is the null handle).  Its
// text form is upper-case hexadecimal, as a DXF handle: the DXF export gives
// every entity of the drawing exactly this handle, so a script can name an
// entity by a handle read from an exported file.  Filed in place as that
// text ("0" for the null handle); reading accepts 1 to 16 hexadecimal digits
// in either case and raises ArchiveError for anything else.

class EntityHandle : public VekObject {
  DECLARE_VEK_SERIAL(EntityHandle)
 public:
  EntityHandle() = default;
  explicit EntityHandle(unsigned long long id) : m_id(id) {}

  unsigned long long Id() const { return m_id; }
  bool IsNull() const { return m_id == 0; }
  // Upper-case hexadecimal ("1A2"); "0" for the null handle.
  std::string ToString() const;
  // Parses the text form; false (and `out` unchanged) for anything that is
  // not 1 to 16 hexadecimal digits.
  static bool FromString(const std::string& text, EntityHandle& out);

  void Serialize(Archive& ar) override;

  friend bool operator==(const EntityHandle& a, const EntityHandle& b) { return a.m_id == b.m_id; }
  friend bool operator!=(const EntityHandle& a, const EntityHandle& b) { return a.m_id != b.m_id; }
  friend bool operator<(const EntityHandle& a, const EntityHandle& b) { return a.m_id < b.m_id; }

 private:
  unsigned long long m_id = 0;
};

template <>
struct std::hash<EntityHandle> {
  std::size_t operator()(const EntityHandle& h) const noexcept { return std::hash<unsigned long long>()(h.Id()); }
};

using EntityHandleList = std::vector<EntityHandle>;
using EntityHandlePairs = std::vector<std::pair<EntityPtr, EntityHandle>>;
using HandleEntityPairs = std::vector<std::pair<EntityHandle, EntityPtr>>;

// ---------------------------------------------------------------------------
// The drawing standard: how every drawing sizes and styles what it draws.
// Sizes are factors that the drawings multiply by the drawing unit u.

// A drawing category's layer: name (UTF-8), CAD colour index, line type.
struct LayerStyle {
  std::string name;
  int color = 7;
  std::string linetype = "CONTINUOUS";
};

// A text kind: height factor (× u = text height), width factor
// (× height = character width) and the text style id set on its texts.
struct TextKindStyle {
  double heightFactor = 3.0;
  double widthFactor = 0.7;
  int style = 0;
};

// A text style as the DXF STYLE table declares it: name, SHX font, SHX big
// font (for the Chinese characters) and width factor.
struct TextStyleDef {
  std::string name;
  std::string font;
  std::string bigFont;
  double widthFactor = 1.0;
};

// A line type: name, description and dash pattern in drawing units
// (positive dash, negative gap, 0 dot); an empty pattern is continuous.
struct LinetypeDef {
  std::string name;
  std::string description;
  std::vector<double> pattern;
};

// The values of the drawing standard.  A default-constructed standard holds
// the defaults listed with each member.
//
// Layer categories (GetLayerName):
//   0 墙体 walls of the model views (colour 2)       10 图名线 title underline (1)
//   1 底板 bottom slab (3)                          11 池壁 wall plan faces (4)
//   2 顶板 top slab (5)                             12 洞口 hole annotation (6)
//   3 墙洞 wall openings (6)                        13 混凝土 concrete lines (7)
//   4 板洞 slab openings (6)                        14 尺寸 dimensions (3)
//   5 缺口 notches (6)                              15 图名 title and scale texts (7)
//   6 荷载 loads (4)                                16 范围标注 range dimensions (3)
//   7 钢筋 bars and dots (1)                        17 其他 not used by the drawings (8)
//   8 钢筋标注 rebar labels, marks, slab labels (3)  18 轴线 axis and centre lines (1, CENTER)
//   9 细线 leaders, thin lines, break lines (7)     19 虚线 hidden faces (8, DASHED)
// Other categories give the CAD default layer "0".
//
// Text kinds (GetTextSize, GetTextStyle):
//   0 titles and slab labels (3.5, 0.7), 1 section marks (3.5, 0.7),
//   2 elevation marks (3.0, 0.7), 3 rebar labels and length texts (3.0, 0.7).
// Text styles: 0 "Standard" (gbenor.shx + gbcbig.shx, 0.7), 1 "HZ" (the same
// fonts, for titles and Chinese texts), 2 "REBAR" (tssdeng.shx +
// tssdchn.shx, the fonts that draw the "%%130".."%%133" grade symbols).
struct DrawingStandard {
  DrawingStandard();

  int drawingUnit = 100;   // u: drawing units per paper millimetre at the current scale
  int currentScale = 100;  // scale denominator of the CAD drawing (1:100)
  std::array<LayerStyle, 20> layers;
  std::array<TextKindStyle, 4> textKinds;
  std::vector<TextStyleDef> textStyles;  // indexed by style id
  std::vector<LinetypeDef> linetypes;    // line types the DXF declares besides the used ones
  std::string reinLineType = "CONTINUOUS";  // line type of the concrete lines (category 13)
  double reinLineWidth = 0.5;        // bar polyline width factor (0.5 u)
  double hookRadius = 1.0;           // semicircular hook radius factor
  double hookTailLength = 2.5;       // tail of a 180-degree hook
  double bentHookTailLength = 3.0;   // tail of hooks bent by 90 or 45 degrees
  double reinDotSize = 1.2;          // dot diameter factor
  double reinGap = 0.5;              // gap beyond half a dot or line width
  double reinMarkSize = 6.0;         // bar-mark bubble diameter factor
  int spacingSeparatorStyle = 0;     // 1 "-", otherwise "@"
  int ribbedBarHooks = 0;            // non-zero: 45-degree tails on ribbed far-face bars
  double titleTextHeight = 7.0;      // drawing-name text height factor
  // Dimensions: text height and the size of the 45-degree end ticks, both
  // factors × u (3 mm text and 2 mm ticks on paper).
  double dimensionTextHeight = 3.0;
  double dimensionTickSize = 2.0;
  double scaleTextHeight = 5.0;      // "1:100" text height factor
  // The three section-mark values.  The slab plans call the second and third
  // "placement" and "gap mode", the wall drawings "base" and "side"; both
  // names read the same stored values.
  int sectionMarkStyle = 0;
  int sectionMarkBase = 0;
  int sectionMarkSide = 0;
  // The rebar design options the host sets on the board (SetReinDesignValues):
  // the span flag (0: a joint zone reaches into the board by a quarter of the
  // span across the edge; non-zero: of the board's shorter span), a second
  // value the designer passes on unread, and the rounding step (mm) of those
  // extensions.
  int reinDesignFlag = 0;
  int reinDesignValue1 = 0;
  int reinDesignValue2 = 50;
  // The calculation book's file, handed to the document writer.
  std::string documentPath = "calcbook.docx";
  // Global line-type scale ($LTSCALE); 0 takes it from the drawing scale:
  // u drawing units per paper millimetre, so that the patterns (paper
  // millimetres) print at their size (see EffectiveLinetypeScale).
  double linetypeScale = 0.0;
  double pickTolerance = 2.0;   // pick box of a point pick, × u
  std::string previewFont = "Noto Sans CJK SC";
};

// ---------------------------------------------------------------------------
// Export options and results.

struct DxfExportOptions {
  // Hidden entities are written too, as invisible entities (group 60 = 1).
  bool includeHidden = false;
};

struct PreviewOptions {
  // Page width in pixels (SVG user units); 0: from the drawing's size on
  // paper, pixelsPerPaperMm pixels per paper millimetre (the drawing unit u
  // drawing units make one paper millimetre), the longer side capped at
  // maxPixels and the shorter side at least minPixels.
  int width = 0;
  int height = 0;          // 0: from the drawing's aspect ratio
  double pixelsPerPaperMm = 6.0;
  int maxPixels = 4000;
  int minPixels = 320;
  double margin = 20.0;    // blank border in pixels
  bool includeHidden = false;
  // -1: the board's view mode (SetViewMode); 0: plan (x right, y up);
  // 1: isometric view of the 3D model.
  int projection = -1;
};

// One drawing of a sheet that holds several: its entities and the
// projection its preview uses (0 plan, 1 isometric view of the 3D model).
// The drawings of a sheet are placed apart, left to right in list order,
// their lower edges in line, so that none overlaps another: in the DXF the
// entities of every drawing after the first are moved in x and y (z is
// kept); in the previews each drawing is placed after its projection.
struct ExportPart {
  EntityList entities;
  int projection = 0;
  // Instead of a list: every entity of the drawing, in drawing order, that
  // no other part lists (the user's own entities too).
  bool rest = false;
};

// What an export wrote: entities exported, records written (an Ordinal
// writes a circle and a text; a solid one polyface mesh), entities skipped
// (entities with non-finite coordinates, polylines of fewer than two
// vertices).
struct ExportSummary {
  int entities = 0;
  int records = 0;
  int skipped = 0;
};

// ---------------------------------------------------------------------------
// HostViewBoard: the drawing's records, the registries between entities and
// handles, the base maps and show flags of the three view modes.

class HostViewBoard {
 public:
  HostViewBoard();
  HostViewBoard(const HostViewBoard&) = delete;
  HostViewBoard& operator=(const HostViewBoard&) = delete;
  virtual ~HostViewBoard();

  // Registries, in the order the entities reached the drawing.  Only
  // entities linked to a module entity appear (the user's own CAD entities
  // have no module entity).
  EntityHandlePairs GetEntityHandles() const;
  HandleEntityPairs GetHandleEntities() const;
  // Restore the registries on load.  SetEntityHandles starts the load:
  // every module entity the board held is taken off the drawing (the user's
  // own entities stay); then each pair links its entity with that handle,
  // putting the entity on the drawing (visible) under exactly that handle
  // when the drawing does not have it.  SetHandleEntities links its pairs on
  // top.  The handle counter is raised above every loaded handle.  A later
  // pair for the same entity or handle replaces an earlier one; null
  // entities and null handles are skipped.
  void SetEntityHandles(const EntityHandlePairs& pairs);
  void SetHandleEntities(const HandleEntityPairs& pairs);

  // Base maps: the user's CAD entities behind each view mode (0 modelling,
  // 1 drawing, 2 inspection).
  EntityHandleList getBaseMapHandle_ModelingView() const { return m_baseMaps[0]; }
  EntityHandleList getBaseMapHandle_DrawingView() const { return m_baseMaps[1]; }
  EntityHandleList getBaseMapHandle_InspectionView() const { return m_baseMaps[2]; }
  void setBaseMapHandle_ModelingView(const EntityHandleList& handles) { m_baseMaps[0] = handles; }
  void setBaseMapHandle_DrawingView(const EntityHandleList& handles) { m_baseMaps[1] = handles; }
  void setBaseMapHandle_InspectionView(const EntityHandleList& handles) { m_baseMaps[2] = handles; }
  bool getShowFlag_ModelingView() const { return m_showFlags[0]; }
  bool getShowFlag_DrawingView() const { return m_showFlags[1]; }
  bool getShowFlag_InspectionView() const { return m_showFlags[2]; }
  void setShowFlag_ModelingView(bool show) { m_showFlags[0] = show; }
  void setShowFlag_DrawingView(bool show) { m_showFlags[1] = show; }
  void setShowFlag_InspectionView(bool show) { m_showFlags[2] = show; }
  // Whether the modelling base map (number 0) is empty.
  bool isNullOfModeingBaseMap() const { return m_baseMaps[0].empty(); }
  // The base map of a mode, by number (empty for other numbers).
  const EntityHandleList& GetBaseMap(int number) const;

  // A changed text or mark is redrawn: the snapshot is taken again from the
  // entity, keeping the placement applied by MoveEntities / DragEntities.
  // Ignored for an entity the board does not hold.
  virtual void UpdateEntity(const EntityPtr& entity);
  // Redraws the board (nothing to do for this board; counted).
  virtual void Refresh();
  // Zooms to the window of the two corners, given in either order; `view3d`
  // marks a 3D window (the 3D model view passes true).
  virtual void ZoomWindow(const _3dPoint& corner1, const _3dPoint& corner2, bool view3d = false);

  // The zoom window (lower and upper corner) and whether it was a 3D one.
  const Extents& GetZoomWindow() const { return m_zoom; }
  bool IsZoom3d() const { return m_zoom3d; }
  int GetRefreshCount() const { return m_refreshCount; }

  // --- The drawing itself -------------------------------------------------
  // Whether a handle names an entity of the drawing.
  bool HasHandle(const EntityHandle& handle) const;
  // Whether the entity is on the drawing; whether it is visible there.
  bool HoldsEntity(const EntityPtr& entity) const;
  bool IsEntityVisible(const EntityPtr& entity) const;
  bool IsHandleVisible(const EntityHandle& handle) const;
  // The board's drawn copy of an entity or handle (nullptr when not held).
  EntityPtr GetDrawnShape(const EntityPtr& entity) const;
  EntityPtr GetDrawnShape(const EntityHandle& handle) const;
  // Number of entities on the drawing (linked and the user's own).
  std::size_t GetDrawingSize() const { return m_records.size(); }
  // Handles of the drawing in the order the entities reached it.
  EntityHandleList GetDrawingHandles() const;
  // Puts one of the user's own CAD entities on the drawing (a base-map
  // entity, a curve to pick, a section mark the user drew).  The board holds
  // `shape` itself; no module entity is linked.  Returns its new handle.
  EntityHandle InsertUserEntity(const EntityPtr& shape, bool visible = true);
  // The next handle the board will give out.
  unsigned long long GetNextHandleId() const { return m_nextId; }

  // The drawing standard and the document path.  Setting the standard also
  // sets the kernel's rebar line type g_LinetypeName to its reinLineType.
  const DrawingStandard& GetDrawingStandard() const { return m_standard; }
  void SetDrawingStandard(const DrawingStandard& standard);
  const std::string& GetDocumentPath() const { return m_standard.documentPath; }
  void SetDocumentPath(const std::string& path) { m_standard.documentPath = path; }
  // The three rebar design options (GetReinDesignFlag, GetReinDesignValue1,
  // GetReinDesignValue2).
  void SetReinDesignValues(int flag, int value1, int roundingStep) {
    m_standard.reinDesignFlag = flag;
    m_standard.reinDesignValue1 = value1;
    m_standard.reinDesignValue2 = roundingStep;
  }

  // Back to a fresh board: empty drawing and registries, empty base maps,
  // show flags false, default standard, zoom and counters cleared.  The
  // handle counter is NOT reset: handles are never reused.
  virtual void Reset();

 protected:
  // One entity of the drawing.
  struct Record {
    EntityHandle handle;
    EntityPtr source;      // the module entity (null for the user's own entities)
    EntityPtr shape;       // the drawn snapshot
    _3dVector placement;   // moves applied to the snapshot since it was taken
    bool visible = true;
    bool dimension = false;  // handed to AddDimensions
    unsigned long long seq = 0;  // order in which it reached the drawing
  };

  Record* FindRecord(const EntityHandle& handle);
  const Record* FindRecord(const EntityHandle& handle) const;
  Record* FindRecord(const Entity* entity);
  const Record* FindRecord(const Entity* entity) const;
  // The record of the entity, putting it on the drawing (visible, new
  // handle, fresh snapshot) when it is not held.
  Record& EnsureRecord(const EntityPtr& entity);
  // A new record under `handle` (a new handle when null).
  Record& AddRecord(const EntityHandle& handle, const EntityPtr& source, const EntityPtr& shape, bool visible);
  void EraseRecord(const EntityHandle& handle);
  // Records in drawing order.
  std::vector<const Record*> OrderedRecords() const;
  // Takes every module entity off the drawing (used on load).
  void DropLinkedRecords();
  void Link(const EntityPtr& entity, const EntityHandle& handle);

  DrawingStandard m_standard;

 private:
  std::map<EntityHandle, Record> m_records;
  std::unordered_map<const Entity*, EntityHandle> m_bySource;
  unsigned long long m_nextId;
  unsigned long long m_nextSeq = 1;
  std::array<EntityHandleList, 3> m_baseMaps;
  std::array<bool, 3> m_showFlags{{false, false, false}};
  Extents m_zoom;
  bool m_zoom3d = false;
  int m_refreshCount = 0;
};

// ---------------------------------------------------------------------------
// AcadViewBoard: the operations the views call.  Alias names of other parts
// of the module: RemoveEntity = EraseEntity, DragInsert = DragEntities,
// GetExtent = GetExtents, GetTextWidth = GetTextLength = MeasureTextWidth,
// Regenerate = Refresh.

class AcadViewBoard : public HostViewBoard {
 public:
  AcadViewBoard() = default;
  ~AcadViewBoard() override;

  // The board takes charge of the dimensions: each is put on the drawing
  // when not held and marked as a dimension.
  virtual void AddDimensions(EntityList dimensions);
  // The drawn width of a text: 0.7 × character width per byte of the text's
  // GBK form, a "%%nnn" / "%%c" code counting as one byte; character width =
  // height × width factor (a width factor ≤ 0 reads as 0.7, the standard
  // style's).  The style does not change the width.  One metric serves the
  // three names, the board's text boxes and the preview.
  virtual double MeasureTextWidth(const std::string& text, double height, double widthFactor, int style) const;
  double GetTextWidth(const std::string& text, double height, double widthFactor, int style = 0) const {
    return MeasureTextWidth(text, height, widthFactor, style);
  }
  double GetTextLength(const std::string& text, double height, double widthFactor, int style = 0) const {
    return MeasureTextWidth(text, height, widthFactor, style);
  }
  // The size of a sample text: its drawn width at the height and width factor
  // of text kind (flags & 0x3) times u, rounded to a whole number; the other
  // flag bits are ignored.
  int MeasureText(const std::string& text, int flags) const;
  // The CAD display shows the current state (counted; see Refresh).
  virtual void Regenerate() { Refresh(); }
  // A table view's entity is put on the drawing (same as ShowEntity).
  virtual void PutEntity(const EntityPtr& entity);
  // The entity leaves the drawing and the registries; not held: nothing.
  virtual void EraseEntity(const EntityPtr& entity);
  void RemoveEntity(const EntityPtr& entity) { EraseEntity(entity); }
  // Deletes an entity of the drawing by handle, linked or the user's own.
  void DeleteEntity(const EntityHandle& handle);
  // The entity is visible (put on the drawing when not held).
  virtual void ShowEntity(const EntityPtr& entity);
  // The entity is not visible but kept; not held: nothing.
  virtual void HideEntity(const EntityPtr& entity);
  // The model views draw an entity (put on the drawing when not held, made
  // visible when held).
  virtual void AddEntity(const EntityPtr& entity);
  void UpdateEntity(const EntityPtr& entity) override;
  // Entities for geometry the user drew: one section mark per line, turned
  // towards the side point of the same position (the left of the line when
  // no side point is given), with the standard's sizes of text kind 1 and
  // no number.  The entities are on the drawing already (visible, with
  // handles) and are appended to `out`.
  virtual void CreateEntities(EntityList& out, std::vector<_2dLine> lines, std::vector<_2dPoint> sides);
  // A section mark for the cut line `line`, looking towards `side`: at each
  // end a stroke along the line (length size1) and a stroke towards the side
  // (length size1 / 2), polylines of width 0.1 × size2, and the number
  // (height size2, text kind 1's width factor) beyond each side stroke; no
  // texts when number ≤ 0.  style ≠ 0 also draws the cut line between the
  // strokes as a thin centre line.  Layer of category 9.  The entities are on
  // the drawing (visible, with handles) and are returned.
  EntityList CreateSectionMark(const _2dLine& line, const _2dPoint& side, int number, double size1, double size2,
                               int style);
  // false from the 2D model view, true from the 3D model view; the preview
  // uses it to choose its projection.
  virtual void SetViewMode(bool view3d) { m_viewMode3d = view3d; }
  bool GetViewMode() const { return m_viewMode3d; }
  // Asks the host for the point where `base` lands (prompt text `prompt`).
  // The entities are put on the drawing first; on a point they are moved by
  // (point − base) and true is returned with the point; on cancel they stay
  // where they are and false is returned.
  virtual bool DragInsert(EntityList entities, const _3dPoint& base, _3dPoint& chosen, const std::string& prompt);
  bool DragEntities(const EntityList& entities, const _3dPoint& base, _3dPoint& chosen, const std::string& prompt) {
    return DragInsert(entities, base, chosen, prompt);
  }
  // The drawing is moved on the sheet: the snapshots move, the entities'
  // own geometry does not.  Entities not held are put on the drawing first.
  virtual void MoveEntities(EntityList entities, const _3dVector& offset);
  // The extent of the entities as the board draws them: the snapshots of
  // held entities, the entities themselves otherwise; text boxes by the
  // board's metric.  Empty list: an empty box.
  virtual void GetExtents(Extents& out, const EntityList& entities) const;
  Extents GetExtent(const EntityList& entities) const;
  // Links each entity with the CAD entity of the same position (the user's
  // own section mark).  An unknown handle is put on the drawing with the
  // entity's snapshot; an entity held under another handle is moved to the
  // new one.  Lists of different lengths: std::invalid_argument.
  void AddEntities(EntityList entities, EntityHandleList handles);

  // Lookups: the module entity of a handle (false / nullptr when the handle
  // is unknown or names a user entity); entities of several handles, one
  // entry per handle, nullptr for unknown ones; the handle of an entity
  // (false when the board does not hold it).
  bool FindEntity(const EntityHandle& handle, EntityPtr& entity) const;
  EntityPtr FindEntity(const EntityHandle& handle) const;
  EntityList FindEntities(const EntityHandleList& handles) const;
  bool FindEntityHandle(const EntityPtr& entity, EntityHandle& handle) const;

  // Base maps.  findCurrentBaseMap appends the handles of the user's own
  // entities (not linked to a module entity) that are shown now: switching
  // modes hides the base maps of the other modes, so what is shown is the
  // base map of the current mode.  AddBaseMap replaces base map `number` (0..2; other numbers
  // are ignored).  showBaseMap shows or hides the entities of base map
  // `number` that are on the drawing.
  void findCurrentBaseMap(EntityHandleList& handles) const;
  void AddBaseMap(int number, const EntityHandleList& handles);
  void showBaseMap(int number, bool show);

  // Prompts through the host layer.  GetPoint: a point, false on cancel.
  // PickEntity: an entity number answers with that handle; a point answers
  // with the visible entity whose drawn box is nearest to it within the
  // standard's pick box (the one drawn last on a tie); false on cancel, an
  // unknown number, or nothing within reach.
  bool GetPoint(const std::string& prompt, _3dPoint& point);
  bool PickEntity(const std::string& prompt, EntityHandle& picked);
  // The visible entity nearest to `p` within `tolerance`, as PickEntity.
  bool HitTest(const _2dPoint& p, double tolerance, EntityHandle& hit) const;

  // Export of the drawing.  Without a list: the visible entities in drawing
  // order (and the hidden ones when asked for).  With a list: those entities
  // in list order, as the board draws them when held (hidden ones only when
  // asked for), as they are otherwise.  DXF R2000 (AC1015), code page
  // ANSI_936 with GBK texts; layers, line types, text styles and dimension
  // styles declared in the tables; held entities keep their handles.  The
  // file is written to a temporary file next to `path` and renamed over it
  // only when writing succeeded; failures raise std::runtime_error.
  ExportSummary ExportDxf(const std::string& path, const DxfExportOptions& options = {}) const;
  ExportSummary ExportDxf(const std::string& path, const EntityList& entities,
                          const DxfExportOptions& options = {}) const;
  ExportSummary WriteDxf(std::ostream& out, const DxfExportOptions& options = {}) const;
  ExportSummary WriteDxf(std::ostream& out, const EntityList& entities, const DxfExportOptions& options = {}) const;
  // SVG and PNG previews of the same entities (see PreviewOptions).  Each
  // DXF record becomes one SVG group <g data-type="LINE" data-layer="..."
  // data-handle="..."> (texts also carry data-text, the UTF-8 text with its
  // codes), so a view's SVG and DXF can be compared record by record.
  ExportSummary ExportSvg(const std::string& path, const PreviewOptions& options = {}) const;
  ExportSummary ExportSvg(const std::string& path, const EntityList& entities, const PreviewOptions& options = {}) const;
  ExportSummary WriteSvg(std::ostream& out, const PreviewOptions& options = {}) const;
  ExportSummary WriteSvg(std::ostream& out, const EntityList& entities, const PreviewOptions& options = {}) const;
  ExportSummary ExportPng(const std::string& path, const PreviewOptions& options = {}) const;
  ExportSummary ExportPng(const std::string& path, const EntityList& entities, const PreviewOptions& options = {}) const;
  // The PNG preview of the entities as bytes, for a caller that embeds it.
  std::vector<std::uint8_t> RenderPng(const EntityList& entities, const PreviewOptions& options = {}) const;
  // A sheet of several drawings placed apart (see ExportPart); the preview
  // options' projection is not used.  An empty part is left out.
  ExportSummary ExportDxf(const std::string& path, const std::vector<ExportPart>& parts,
                          const DxfExportOptions& options = {}) const;
  ExportSummary ExportSvg(const std::string& path, const std::vector<ExportPart>& parts,
                          const PreviewOptions& options = {}) const;
  ExportSummary ExportPng(const std::string& path, const std::vector<ExportPart>& parts,
                          const PreviewOptions& options = {}) const;

  void Reset() override;

  // One entity to export: its drawn shape, handle (null when not held) and
  // visibility.
  struct ExportItem {
    EntityPtr shape;
    EntityHandle handle;
    bool visible = true;
    int part = 0;  // the drawing of a sheet it belongs to (ExportPart)
  };
  std::vector<ExportItem> CollectExport(bool includeHidden) const;
  std::vector<ExportItem> CollectExport(const EntityList& entities, bool includeHidden) const;
  // The items of the parts in part order, each marked with its part's
  // position in the list.
  std::vector<ExportItem> CollectExport(const std::vector<ExportPart>& parts, bool includeHidden) const;

 private:
  bool m_viewMode3d = false;
};

// The view board of the process.  The host binds it to its drawing before
// a designer is made; every designer and view share it.
extern AcadViewBoard g_ViewBoard;

// Whether the DXF export writes the entity: a kind it writes, every
// coordinate and size finite, polylines of at least two vertices.  The
// export skips (and counts) the others.
bool IsWrittenToDxf(const Entity& entity);

// ---------------------------------------------------------------------------
// Filing of the board's part of a design file, after the views:
//   (1) int A, then A × { int position of the entity in the running entity
//       list, or -1 followed by the entity filed through its pointer; the
//       EntityHandle in place }                  (the entity→handle registry)
//   (2) int B, then B × { the EntityHandle in place; int position or -1 and
//       the entity }                             (the handle→entity registry)
//   (3)-(5) for base maps 0, 1, 2: int n, then n EntityHandles in place
//   (6) three ints 0 / 1: the show flags of modes 0, 1, 2.
// An entity filed in full is appended to the record's own continuation of
// the running list: a later pair naming the same entity gives its position
// there (running list size + k), so that both registries come back holding
// one object, not two copies of it.
// Reading checks every count and position (ArchiveError on a position
// outside the list, a negative count, or a filed object that is not an
// entity) and fills a ViewBoardRecord only; ApplyViewBoardRecord commits it
// to a board, so a damaged file leaves the board as it was.

struct ViewBoardRecord {
  EntityHandlePairs entityHandles;
  HandleEntityPairs handleEntities;
  std::array<EntityHandleList, 3> baseMaps;
  std::array<bool, 3> showFlags{{false, false, false}};
};

ViewBoardRecord GetViewBoardRecord(const HostViewBoard& board);
// SetEntityHandles, SetHandleEntities, the three base maps and show flags.
void ApplyViewBoardRecord(HostViewBoard& board, const ViewBoardRecord& record);
void WriteViewBoardRecord(Archive& ar, const ViewBoardRecord& record, const EntityList& running);
void ReadViewBoardRecord(Archive& ar, ViewBoardRecord& record, const EntityList& running);

// ---------------------------------------------------------------------------
// Drawing standard queries: they read g_ViewBoard's standard.

int GetDrawingUnit();
int GetCurrentScale();
// The line-type scale the drawing is written with: the standard's
// linetypeScale when it is positive, otherwise its drawing unit u (drawing
// units per paper millimetre; 1 when that is not positive).
double EffectiveLinetypeScale(const DrawingStandard& standard);
// The layer of a drawing category (UTF-8); "0" for unknown categories.
std::string GetLayerName(int category);
// Height factor and width factor of a text kind; unknown kinds leave the
// outputs as the caller preset them.
void GetTextSize(int kind, double& heightFactor, double& widthFactor);
// The text style id of a text kind (0 for unknown kinds), and the name of a
// style id ("Standard" for unknown ids).
int GetTextStyle(int kind);
std::string GetTextStyleName(int style);
double GetReinLineWidth();
std::string GetReinLineType();
void GetReinLineType(std::string& lineType);
double GetHookRadius();
double GetHookTailLength();
double GetBentHookTailLength();
double GetReinDotSize();
double GetReinGap();
double GetReinMarkSize();
int GetSpacingSeparatorStyle();
int HasRibbedBarHooks();
double GetTitleTextHeight();
// Dimension text height and end-tick size factors (× u).
double GetDimensionTextHeight();
double GetDimensionTickSize();
double GetScaleTextHeight();
// The first style value of a dimension: its drawing category.
int GetCategoryStyle(int category);
// The second style value of a dimension: scale × 10000 + unit (values
// below 1 count as 1; the unit is brought into 1..9999), so that the value
// survives filing and names the scale and unit the dimension was drawn at.
// The number a dimension shows is the kernel's measurement
// (_2dAlignedDimension::GetDisplayText), which already undoes the scaling
// from model to drawing coordinates; the style does not scale it again.
int GetDimensionStyle(int scale, int unit);
// Decodes a dimension style value into scale and unit (1 and 1 for 0).
void DecodeDimensionStyle(int style, int& scale, int& unit);
int GetSectionMarkStyle();
int GetSectionMarkBase();
int GetSectionMarkSide();
int GetSectionMarkPlacement();  // the same value as GetSectionMarkBase
int GetSectionMarkGapMode();    // the same value as GetSectionMarkSide
// One label of two numbers, the second in brackets: "0.12(0.18)".  Numbers
// are rounded to two decimals without trailing zeros ("12", "0.5").
std::string FormatValuePair(double a, double b);
void FormatValuePair(std::string& text, double a, double b);
// One label of two texts: "a/b"; an empty text gives the other alone.
std::string JoinTexts(const std::string& a, const std::string& b);
void JoinTexts(std::string& text, const std::string& a, const std::string& b);
std::string GetDocumentPath();
// The rebar design options of the board's drawing standard: the span flag
// (default 0), the second value (default 0) and the rounding step in mm
// (default 50).
int GetReinDesignFlag();
int GetReinDesignValue1();
int GetReinDesignValue2();

// ---------------------------------------------------------------------------
// Text encoding of the drawings.

// UTF-8 to GBK (code page 936) for the DXF.  Characters GBK cannot hold are
// written as the DXF escape "\U+XXXX"; invalid UTF-8 bytes become "?".
// "%%nnn" codes are plain ASCII and pass unchanged.
std::string Utf8ToGbk(const std::string& utf8);
// GBK to UTF-8; "\U+XXXX" escapes are decoded; invalid bytes become U+FFFD.
std::string GbkToUtf8(const std::string& gbk);
// Number of bytes of the text's GBK form, a "%%nnn", "%%c", "%%d", "%%p" or
// "%%%" code counting as one: the unit of the board's text metric.
std::size_t TextMetricUnits(const std::string& utf8);
// The text as the preview draws it: "%%130" "Φ" (HPB, grade I), "%%131"
// "Φ′" (HRB335, grade II), "%%132" "Φ″" (HRB400, grade III), "%%133" "ΦR"
// (RRB400), "%%c" "Ø", "%%d" "°", "%%p" "±", "%%%" "%"; other codes stay.
std::string PreviewText(const std::string& utf8);
