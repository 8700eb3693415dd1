#include "app/BookPictures.h"

#include "modelview/TankModel2DView.h"
#include "platform/Nirvox.h"

#include <boost/make_shared.hpp>
#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <typeinfo>

namespace tank::app {

namespace {

// Plans are drawn 1200 pixels wide for the full text width (about 190 dpi on
// the page), member pictures 800 pixels for half of it; texts are sized as
// for a picture of 600 by 450 pixels, nine pixels high, so they stay legible
// once the picture is scaled to the page.
constexpr int kPlanWidth = 1200;
constexpr int kMemberWidth = 800;

std::vector<std::uint8_t> RenderPng(const EntityList& entities, int width) {
  static int serial = 0;
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     fmt::format("tankdesign-picture-{}-{}.png", ::getpid(), ++serial);
  PreviewOptions options;
  options.width = width;
  options.projection = 0;
  g_ViewBoard.ExportPng(path.string(), entities, options);
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::error_code ec;
  std::filesystem::remove(path, ec);
  return bytes;
}

int TextHeightFor(double width, double height) {
  const double scale = std::max(width / 600.0, height / 450.0);
  const int h = static_cast<int>(9.0 * scale);
  return h > 0 ? h : 200;
}

// The plan of one slab kind as the host's plan sketch draws it, with the slab
// and wall names (plan picture) or the loads (load picture).  Texts are sized
// as for a picture of 600 by 450 pixels, nine pixels high.
std::vector<std::uint8_t> DrawPlan(TankDesigner& designer, int planKind, bool loads) {
  const EntityList entities =
      designer.MakePlanSketch(planKind, loads ? LabelMode::kNamesWithLoads : LabelMode::kNames, 600, 450);
  if (entities.empty()) return {};
  return RenderPng(entities, kPlanWidth);
}

boost::shared_ptr<_Text> Text(const std::string& text, const _2dPoint& at, double height, double rotation = 0.0) {
  auto t = boost::make_shared<_Text>(text, _3dPoint(at.x, at.y, 0.0), height, rotation);
  t->SetWidth(height);
  t->SetTextStyle(1);
  t->SetStyleName(GetTextStyleName(1));
  t->SetColorIndex(7);
  t->SetLayer(GetLayerName(15));
  return t;
}

}  // namespace

std::vector<std::uint8_t> DrawMemberPicture(const Board& board) {
  const auto& edges = board.GetEdges();
  if (edges.size() < 3) return {};
  std::vector<_3dPoint> outline;
  double xmin = std::numeric_limits<double>::max(), ymin = xmin, xmax = -xmin, ymax = -xmin;
  for (const BoardEdge& e : edges) {
    const _2dPoint p = e.GetLine().GetStartPoint();
    outline.emplace_back(p.x, p.y, 0.0);
    xmin = std::min(xmin, p.x), xmax = std::max(xmax, p.x);
    ymin = std::min(ymin, p.y), ymax = std::max(ymax, p.y);
  }
  const double h = TextHeightFor(xmax - xmin, ymax - ymin);
  EntityList entities;
  auto boundary = boost::make_shared<_2dPolyline>();
  boundary->SetVertices(outline);
  boundary->SetBulges(std::vector<double>(outline.size(), 0.0));
  boundary->SetClosed(true);
  boundary->SetColorIndex(7);
  boundary->SetLayer(GetLayerName(13));
  entities.push_back(boundary);

  // Openings in the board's plane.
  for (const HolePtr& hole : board.GetHoles()) {
    if (!hole) continue;
    if (typeid(*hole) == typeid(RectangleHole)) {
      std::vector<_3dPoint> pts;
      for (const _2dPoint& c : static_cast<const RectangleHole&>(*hole).GetCorners()) pts.emplace_back(c.x, c.y, 0.0);
      auto p = boost::make_shared<_2dPolyline>();
      p->SetVertices(pts);
      p->SetBulges(std::vector<double>(pts.size(), 0.0));
      p->SetClosed(true);
      p->SetColorIndex(6);
      p->SetLayer(GetLayerName(3));
      entities.push_back(p);
    } else if (typeid(*hole) == typeid(CircleHole)) {
      const auto& c = static_cast<const CircleHole&>(*hole);
      auto circle = boost::make_shared<_3dCircle>(_3dPoint(c.GetCenter().x, c.GetCenter().y, 0.0), c.GetRadius());
      circle->SetColorIndex(6);
      circle->SetLayer(GetLayerName(3));
      entities.push_back(circle);
    }
  }

  // The restraint of each edge beside its middle, inside the board.
  const std::vector<Restirction> restraints = board.GetRestrictions();
  const _2dPoint centre((xmin + xmax) / 2, (ymin + ymax) / 2);
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const int kind = i < restraints.size() ? restraints[i].GetKind() : 2;
    const char* word = kind == 0 ? "固定" : kind == 1 ? "简支" : "自由";
    const _2dPoint mid = edges[i].GetLine().GetMidPoint();
    const _2dVector in = centre - mid;
    const double len = std::hypot(in.x, in.y);
    const _2dPoint at = len > 0 ? _2dPoint(mid.x + in.x / len * 1.5 * h - h, mid.y + in.y / len * 1.5 * h - h / 2)
                                : mid;
    entities.push_back(Text(word, at, h));
  }
  double lx = 0.0, ly = 0.0;
  board.GetSpans(lx, ly);
  entities.push_back(Text(fmt::format("Lx={:.0f}", lx), _2dPoint(centre.x - 3 * h, ymin - 2.5 * h), h));
  entities.push_back(Text(fmt::format("Ly={:.0f}", ly), _2dPoint(xmin - 1.5 * h, centre.y - 3 * h), h, M_PI / 2));
  return RenderPng(entities, kMemberWidth);
}

BookPictures MakeBookPictures(TankDesigner& designer, bool withLoadDiagrams) {
  BookPictures pictures;
  Tank& tank = designer.GetTank();
  auto add = [&pictures](std::vector<std::uint8_t> png, double share = 1.0) -> PictureHandle {
    if (png.empty()) return nullptr;
    pictures.store.push_back(DocumentPicture{std::move(png), {}, share});
    return &pictures.store.back();
  };
  const bool hasTop = !tank.GetTopSlabs().empty();
  if (PictureHandle bottomPlan = add(DrawPlan(designer, PlanKind::kBottomSlabs, false))) {
    pictures.plans.push_back(bottomPlan);
    if (hasTop) pictures.plans.push_back(add(DrawPlan(designer, PlanKind::kTopSlabs, false)));
    if (withLoadDiagrams) {
      pictures.plans.push_back(add(DrawPlan(designer, PlanKind::kBottomSlabs, true)));
      if (hasTop) pictures.plans.push_back(add(DrawPlan(designer, PlanKind::kTopSlabs, true)));
    }
  }
  const bool finiteElement = designer.GetSettings().GetLoadSettings().GetAnalysisMethod() != 0;
  for (const BoardPtr& board : tank.GetBoards()) {
    const int kind = board->GetKind();
    const bool wanted = kind == 0 ? !finiteElement : board->GetEdges().size() > 4;
    if (!wanted) continue;
    // Member pictures take half the text width: they only show the shape.
    PictureHandle picture = add(DrawMemberPicture(*board), 0.5);
    if (!picture) continue;
    (kind == 0 ? pictures.walls : kind == 1 ? pictures.bottom : pictures.top)
        .push_back(MemberPicture{board->GetNumber(), picture});
  }
  return pictures;
}

}  // namespace tank::app
