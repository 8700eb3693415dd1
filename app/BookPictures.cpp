#include "app/BookPictures.h"

#include "modelview/TankModel2DView.h"
#include "platform/Nirvox.h"

#include <boost/make_shared.hpp>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <typeinfo>

namespace tank::app {

namespace {

// Plans are drawn 1200 pixels wide for the full text width (about 190 dpi on
// the page), their texts sized as for a picture of 500 by 375 pixels, nine
// pixels high (2.8 mm on paper); member pictures 800 pixels wide for half of
// it (or the whole), their texts sized for the page (below).
constexpr int kPlanWidth = 1200;
constexpr int kMemberWidth = kMemberPictureWidth;

std::vector<std::uint8_t> RenderPng(const EntityList& entities, int width) {
  PreviewOptions options;
  options.width = width;
  options.projection = 0;
  return g_ViewBoard.RenderPng(entities, options);
}

// What a member picture shows, as text: boards alike in outline, openings,
// restraints and spans (the walls of a regular grid, mostly) share one
// picture, drawn once.
std::string MemberPictureKey(const Board& board, double share) {
  std::string key = fmt::format("{}", share);
  for (const BoardEdge& e : board.GetEdges()) {
    const _2dPoint p = e.GetLine().GetStartPoint();
    key += fmt::format(";{:.1f},{:.1f}", p.x, p.y);
  }
  for (const Restirction& r : board.GetRestrictions()) key += fmt::format(";r{}", r.GetKind());
  for (const HolePtr& hole : board.GetHoles()) {
    if (!hole) continue;
    if (typeid(*hole) == typeid(RectangleHole)) {
      key += ";R";
      for (const _2dPoint& c : static_cast<const RectangleHole&>(*hole).GetCorners())
        key += fmt::format(",{:.1f},{:.1f}", c.x, c.y);
    } else if (typeid(*hole) == typeid(CircleHole)) {
      const auto& c = static_cast<const CircleHole&>(*hole);
      key += fmt::format(";C{:.1f},{:.1f},{:.1f}", c.GetCenter().x, c.GetCenter().y, c.GetRadius());
    }
  }
  double lx = 0.0, ly = 0.0;
  board.GetSpans(lx, ly);
  return key + fmt::format(";{:.0f},{:.0f}", lx, ly);
}

// Member pictures: texts 3 mm high on paper.  The picture is drawn
// kMemberWidth pixels wide with a margin of 20 pixels each side and printed
// at its share of the 160 mm text width; the board's width W and about four
// text heights of labels beside it fill the drawn part, so a text h high
// prints at h · printed / (W + 4h) mm.
constexpr double kMemberTextMm = 3.0;
constexpr double kTextWidthMm = 160.0;
constexpr double kMarginPixels = 20.0;

double PrintedDrawingMm(double share) { return share * kTextWidthMm * (1.0 - 2.0 * kMarginPixels / kMemberWidth); }

double MemberTextHeight(double width, double share) {
  const double printed = PrintedDrawingMm(share);
  return kMemberTextMm * width / (printed - 4.0 * kMemberTextMm);
}

// The unit of a load label of the plan sketch: point loads "P1=…" in kN,
// line loads "Q1=…" (drawn in colour 2 along their line) in kN/m, area
// loads "Q1=…", "Qg=…", "Qq=…" in kPa, the water level "hw=…" in m.
const char* LoadUnit(const _Text& text) {
  const std::string& s = text.GetText();
  const auto equals = s.find('=');
  if (equals == std::string::npos || equals == 0) return nullptr;
  if (s.compare(0, 3, "hw=") == 0) return "m";
  if (s[0] == 'P') return "kN";
  if (s[0] == 'Q') return text.GetColorIndex() == 2 ? "kN/m" : "kPa";
  return nullptr;
}

// The book's load diagrams say what their values are: each load label gets
// its unit.  The sketch's entities are the book's own copies.
void AddLoadUnits(const EntityList& entities) {
  for (const EntityPtr& entity : entities) {
    auto* text = dynamic_cast<_Text*>(entity.get());
    if (!text) continue;
    if (const char* unit = LoadUnit(*text)) text->SetText(text->GetText() + unit);
  }
}

// The plan of one slab kind as the host's plan sketch draws it, with the slab
// and wall names (plan picture) or the loads (load picture).
std::vector<std::uint8_t> DrawPlan(TankDesigner& designer, int planKind, bool loads) {
  const EntityList entities = PlanPictureEntities(designer, planKind, loads);
  if (entities.empty()) return {};
  return RenderPng(entities, kPlanWidth);
}

// A text of the member picture centred on `at`.
boost::shared_ptr<_Text> Text(const std::string& text, const _2dPoint& at, double height, double rotation = 0.0) {
  auto t = boost::make_shared<_Text>(text, _3dPoint(at.x, at.y, 0.0), height, rotation);
  t->SetAlignment(_Text::kCenter, _Text::kMiddle);
  t->SetWidth(height);
  t->SetTextStyle(1);
  t->SetStyleName(GetTextStyleName(1));
  t->SetColorIndex(7);
  t->SetLayer(GetLayerName(15));
  return t;
}

}  // namespace

EntityList PlanPictureEntities(TankDesigner& designer, int planKind, bool loads) {
  const EntityList entities =
      designer.MakePlanSketch(planKind, loads ? LabelMode::kNamesWithLoads : LabelMode::kNames, 500, 375);
  if (loads) AddLoadUnits(entities);
  return entities;
}

double MemberPictureShare(const Board& board) {
  double xmin = std::numeric_limits<double>::max(), ymin = xmin, xmax = -xmin, ymax = -xmin;
  for (const BoardEdge& e : board.GetEdges()) {
    const _2dPoint p = e.GetLine().GetStartPoint();
    xmin = std::min(xmin, p.x), xmax = std::max(xmax, p.x);
    ymin = std::min(ymin, p.y), ymax = std::max(ymax, p.y);
  }
  if (xmax <= xmin) return 0.5;
  // Two restraint words stacked across the board need about five text
  // heights.
  return ymax - ymin >= 5.0 * MemberTextHeight(xmax - xmin, 0.5) ? 0.5 : 1.0;
}

EntityList MemberPictureEntities(const Board& board, double share) {
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
  const double h = MemberTextHeight(std::max(xmax - xmin, 1.0), share);
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

  // The restraint of each edge beside its middle, inside the board; with
  // more than four edges the result table numbers its rows by edge, and the
  // picture shows each edge's number just outside it.
  const std::vector<Restirction> restraints = board.GetRestrictions();
  const _2dPoint centre((xmin + xmax) / 2, (ymin + ymax) / 2);
  const bool numbered = edges.size() > 4;
  // The outline's turning sense, so that each edge's inward side is known.
  double area = 0.0;
  for (std::size_t i = 0; i < outline.size(); ++i) {
    const _3dPoint& a = outline[i];
    const _3dPoint& b = outline[(i + 1) % outline.size()];
    area += a.x * b.y - b.x * a.y;
  }
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const int kind = i < restraints.size() ? restraints[i].GetKind() : 2;
    const char* word = kind == 0 ? "固定" : kind == 1 ? "简支" : "自由";
    const _2dPoint mid = edges[i].GetLine().GetMidPoint();
    const _2dVector along = edges[i].GetLine().GetEndPoint() - edges[i].GetLine().GetStartPoint();
    const double len = std::hypot(along.x, along.y);
    if (len <= 0.0) continue;
    // Unit normal into the board.
    const double sense = area >= 0.0 ? 1.0 : -1.0;
    const double nx = -along.y / len * sense, ny = along.x / len * sense;
    // Texts stand clear of the edge by their half extent across it (the
    // two-character word about 2.8 text heights wide).
    const double wordOffset = 0.6 * h + std::fabs(nx) * 1.4 * h + std::fabs(ny) * 0.5 * h;
    entities.push_back(Text(word, _2dPoint(mid.x + nx * wordOffset, mid.y + ny * wordOffset), h));
    if (numbered) {
      const std::string number = std::to_string(i + 1);
      const double numberOffset =
          0.5 * h + std::fabs(nx) * 0.4 * h * static_cast<double>(number.size()) + std::fabs(ny) * 0.5 * h;
      entities.push_back(Text(number, _2dPoint(mid.x - nx * numberOffset, mid.y - ny * numberOffset), h));
    }
  }
  // The spans below and left of the board, beyond the edge numbers.
  const double spanOffset = numbered ? 2.8 * h : 1.6 * h;
  double lx = 0.0, ly = 0.0;
  board.GetSpans(lx, ly);
  entities.push_back(Text(fmt::format("Lx={:.0f}", lx), _2dPoint(centre.x, ymin - spanOffset), h));
  entities.push_back(Text(fmt::format("Ly={:.0f}", ly), _2dPoint(xmin - spanOffset, centre.y), h, M_PI / 2));
  return entities;
}

std::vector<std::uint8_t> DrawMemberPicture(const Board& board, double share) {
  const EntityList entities = MemberPictureEntities(board, share);
  if (entities.empty()) return {};
  return RenderPng(entities, kMemberWidth);
}

BookPictures MakeBookPictures(TankDesigner& designer, const CalcBookOptions& options,
                              const std::vector<StructureComponentPtr>& members) {
  BookPictures pictures;
  Tank& tank = designer.GetTank();
  auto on = [&options](int part) { return part < static_cast<int>(options.size()) && options[part] == 1; };
  auto add = [&pictures](std::vector<std::uint8_t> png, double share = 1.0) -> PictureHandle {
    if (png.empty()) return nullptr;
    pictures.store.push_back(DocumentPicture{std::move(png), {}, share});
    return &pictures.store.back();
  };
  // The plans go with the schematics and the load diagrams of the basic
  // data; the writer finds them by their place in the list, so the list is
  // whole whenever either part is written.
  const bool withLoadDiagrams = on(4);
  const bool plansShown = on(2) || (on(3) && withLoadDiagrams);
  const bool hasTop = !tank.GetTopSlabs().empty();
  if (PictureHandle bottomPlan = plansShown ? add(DrawPlan(designer, PlanKind::kBottomSlabs, false)) : nullptr) {
    pictures.plans.push_back(bottomPlan);
    if (hasTop) pictures.plans.push_back(add(DrawPlan(designer, PlanKind::kTopSlabs, false)));
    if (withLoadDiagrams) {
      pictures.plans.push_back(add(DrawPlan(designer, PlanKind::kBottomSlabs, true)));
      if (hasTop) pictures.plans.push_back(add(DrawPlan(designer, PlanKind::kTopSlabs, true)));
    }
  }
  if (!on(7)) return pictures;
  const bool finiteElement = designer.GetSettings().GetLoadSettings().GetAnalysisMethod() != 0;
  std::map<std::string, PictureHandle> drawn;
  for (const BoardPtr& board : tank.GetBoards()) {
    const int kind = board->GetKind();
    const bool wanted = kind == 0 ? !finiteElement : board->GetEdges().size() > 4;
    if (!wanted) continue;
    // Only the members the book writes get their picture.
    if (!members.empty() && std::find(members.begin(), members.end(), board) == members.end()) continue;
    // Member pictures take half the text width (they only show the shape),
    // the whole of it when the board is too slender for legible texts.
    const double share = MemberPictureShare(*board);
    const std::string key = MemberPictureKey(*board, share);
    auto found = drawn.find(key);
    if (found == drawn.end()) found = drawn.emplace(key, add(DrawMemberPicture(*board, share), share)).first;
    PictureHandle picture = found->second;
    if (!picture) continue;
    (kind == 0 ? pictures.walls : kind == 1 ? pictures.bottom : pictures.top)
        .push_back(MemberPicture{board->GetNumber(), picture});
  }
  return pictures;
}

}  // namespace tank::app
