// Regular tank layout from the host's layout record, slabs over the regions
// the walls enclose, and removal of the boards of one kind.
#include "model/TankModeler.h"

#include <boost/make_shared.hpp>
#include <fmt/format.h>

#include <cmath>

namespace {

// More cells than this along one direction is taken as a bad record (a
// negative count the host passed through as unsigned, for instance).
constexpr std::uint32_t kMaxCellsPerDirection = 1000;

bool Finite(double v) { return std::isfinite(v); }

}  // namespace

bool TankModeler::ValidateLayout(const TankLayoutParams& p, std::string& error) {
  auto fail = [&error](std::string text) {
    error = std::move(text);
    return false;
  };
  if (!Finite(p.origin.x) || !Finite(p.origin.y)) return fail("origin: not a finite point");
  if (p.cellsX < 1) return fail("cellsX: the number of cells along x must be at least 1");
  if (p.cellsY < 1) return fail("cellsY: the number of cells along y must be at least 1");
  if (p.cellsX > kMaxCellsPerDirection)
    return fail(fmt::format("cellsX: {} cells along x is more than {}", p.cellsX, kMaxCellsPerDirection));
  if (p.cellsY > kMaxCellsPerDirection)
    return fail(fmt::format("cellsY: {} cells along y is more than {}", p.cellsY, kMaxCellsPerDirection));
  if (!Finite(p.lengthX) || p.lengthX <= 0) return fail("lengthX: the length along x must be positive");
  if (!Finite(p.lengthY) || p.lengthY <= 0) return fail("lengthY: the length along y must be positive");
  if (!Finite(p.wallThickness) || p.wallThickness <= 0)
    return fail("wallThickness: the wall thickness must be positive");
  const double dx = p.lengthX / p.cellsX;
  const double dy = p.lengthY / p.cellsY;
  if (p.wallThickness >= dx)
    return fail(fmt::format("wallThickness: a wall of {} mm does not fit a cell {} mm long along x",
                            p.wallThickness, dx));
  if (p.wallThickness >= dy)
    return fail(fmt::format("wallThickness: a wall of {} mm does not fit a cell {} mm long along y",
                            p.wallThickness, dy));
  if (!Finite(p.wallHeight) || p.wallHeight <= 0) return fail("wallHeight: the wall height must be positive");
  if (!Finite(p.bottomElevation)) return fail("bottomElevation: not a finite elevation");
  if (!Finite(p.bottomSlabThickness) || p.bottomSlabThickness <= 0)
    return fail("bottomSlabThickness: the bottom slab thickness must be positive");
  if (p.hasTopSlab && (!Finite(p.topSlabThickness) || p.topSlabThickness <= 0))
    return fail("topSlabThickness: the top slab thickness must be positive");
  return true;
}

bool TankModeler::LayoutRegularGrid(const TankLayoutParams& params,
                                    std::vector<WallLineRecord>& walls,
                                    std::vector<CellOutline>& cells) const {
  std::string error;
  if (!ValidateLayout(params, error)) return false;
  const std::uint32_t nx = params.cellsX, ny = params.cellsY;
  const double dx = params.lengthX / nx;
  const double dy = params.lengthY / ny;
  const double x0 = params.origin.GetX();
  const double y0 = params.origin.GetY();
  auto wall = [&params](double xs, double ys, double xe, double ye) {
    WallLineRecord r;
    r.startX = xs;
    r.startY = ys;
    r.endX = xe;
    r.endY = ye;
    r.thickness = params.wallThickness;
    r.height = params.wallHeight;
    return r;
  };
  // Walls along x, then along y; a side shared by two cells exists once.
  for (std::uint32_t i = 0; i < nx; ++i)
    for (std::uint32_t j = 0; j <= ny; ++j)
      walls.push_back(wall(x0 + i * dx, y0 + j * dy, x0 + (i + 1) * dx, y0 + j * dy));
  for (std::uint32_t i = 0; i < ny; ++i)
    for (std::uint32_t j = 0; j <= nx; ++j)
      walls.push_back(wall(x0 + j * dx, y0 + i * dy, x0 + j * dx, y0 + (i + 1) * dy));
  // Cells row by row along y, each row from left to right.
  for (std::uint32_t i = 0; i < ny; ++i) {
    for (std::uint32_t j = 0; j < nx; ++j) {
      const double x = x0 + j * dx, y = y0 + i * dy;
      cells.push_back({{x, y}, {x + dx, y}, {x + dx, y + dy}, {x, y + dy}});
    }
  }
  return true;
}

bool TankModeler::PlaceRegularBoards(const TankLayoutParams& params, Tank& tank,
                                     std::string* error) const {
  std::string why;
  if (!ValidateLayout(params, why)) {
    if (error) *error = why;
    return false;
  }
  const double base = params.bottomElevation * 1000.0 - params.bottomSlabThickness * 0.5;
  std::vector<WallLineRecord> walls;
  std::vector<CellOutline> cells;
  LayoutRegularGrid(params, walls, cells);

  std::vector<BoardPtr> boards;
  for (const WallLineRecord& record : walls) {
    auto board = boost::make_shared<Board>();
    if (MakeWallBoard(record, base, board.get())) boards.push_back(board);
  }
  if (params.hasTopSlab) {
    for (const CellOutline& cell : cells) {
      auto board = boost::make_shared<Board>();
      if (MakeSlabBoard(cell, params.topSlabThickness, base + params.wallHeight, 2, board.get()))
        boards.push_back(board);
    }
  }
  for (const CellOutline& cell : cells) {
    auto board = boost::make_shared<Board>();
    if (MakeSlabBoard(cell, params.bottomSlabThickness, base, 1, board.get())) boards.push_back(board);
  }
  tank.AddBoards(boards);
  return true;
}

void TankModeler::MakeSlabsFromWalls(const std::vector<BoardPtr>& boards, std::vector<BoardPtr>& out,
                                     int kind, double level, double thickness) const {
  std::vector<_2dLine> lines;
  for (const BoardPtr& board : boards) {
    _2dLine line;
    if (GetWallBaseLine(board, line)) lines.push_back(line);
  }
  for (const PointLoop& region : g_PolygonAlgorithm.FindRegions(lines)) {
    if (region.size() < 2) continue;
    const std::vector<_2dPoint> points(region.begin(), region.end() - 1);
    auto slab = boost::make_shared<Board>();
    if (MakeSlabBoard(points, thickness, level, kind, slab.get())) out.push_back(slab);
  }
}

void TankModeler::RebuildSlabsOfKind(double level, double thickness, bool top, Tank& tank) const {
  const int kind = top ? 2 : 1;
  RemoveBoardsOfKind(kind, tank);
  std::vector<BoardPtr> slabs;
  MakeSlabsFromWalls(tank.GetWalls(), slabs, kind, level, thickness);
  tank.AddBoards(slabs);
}

void TankModeler::RemoveBoardsOfKind(int kind, Tank& tank) {
  const std::vector<BoardPtr> boards =
      kind == 0 ? tank.GetWalls() : kind == 1 ? tank.GetBottomSlabs() : tank.GetTopSlabs();
  for (const BoardPtr& board : boards) tank.RemoveComponent(board);
}

void TankModeler::GetWallBaseLines(const Tank& tank, std::vector<_2dLine>& out) const {
  for (const BoardPtr& wall : tank.GetWalls()) {
    _2dLine line;
    if (GetWallBaseLine(wall, line)) out.push_back(line);
  }
}

bool TankModeler::AddSlabFromLines(const _2dPoint& point, Tank& tank, bool top, double level,
                                   double thickness) const {
  std::vector<_2dLine> lines;
  GetWallBaseLines(tank, lines);
  if (lines.empty()) return false;
  PointLoop loop;
  if (!g_PolygonAlgorithm.FindLoopAroundPoint(point, lines, loop)) return false;
  // The loop comes closed by its first point repeated; the slab's sides are
  // the distinct points' sides.
  if (loop.size() >= 2 && loop.front() == loop.back()) loop.pop_back();
  if (loop.size() < 3) return false;
  const _2dPoint& p0 = loop[0];
  const _2dPoint& p1 = loop[1];
  const _3dPoint origin(p0.x, p0.y, level);
  const _3dVector xAxis(p1.x - p0.x, p1.y - p0.y, 0.0);
  const _3dVector yAxis(-(p1.y - p0.y), p1.x - p0.x, 0.0);
  auto slab = boost::make_shared<Board>();
  slab->SetKind(top ? 2 : 1);
  slab->SetUpperOffset(thickness * 0.5);
  slab->SetLowerOffset(thickness * 0.5);
  slab->SetOrigin(origin);
  slab->SetXAxis(xAxis);
  slab->SetYAxis(yAxis);
  std::vector<BoardEdge> edges(loop.size());
  for (std::size_t k = 0; k < loop.size(); ++k) {
    const _2dPoint& a = loop[k];
    const _2dPoint& b = loop[(k + 1) % loop.size()];
    edges[k].SetLine(_2dLine(g_VekGeometryComm.WorldToLocal2d(origin, xAxis, yAxis, _3dPoint(a.x, a.y, level)),
                             g_VekGeometryComm.WorldToLocal2d(origin, xAxis, yAxis, _3dPoint(b.x, b.y, level))));
  }
  slab->SetEdges(edges);
  tank.AddBoard(slab);
  return true;
}
