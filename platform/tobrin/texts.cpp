// Texts of the calculation book built from the actions: the anti-floating
// check, the foundation bearing check (GB 50007-2002) and the load
// calculation of every bottom and top slab.  Every line names its quantity
// with its symbol, value and unit; no line carries a number or a line break.
//
// Anti-floating: resisting weight G = structure (the concrete as it is
// cast: walls, slabs to the walls' outer faces, the overhang) + soil over
// the top slabs' whole top faces + soil on the overhang outside the outer
// wall faces (with the water in it: the uplift acts on the whole base
// area) + the user loads that act upward (unfavourable, so they count,
// negative), against the buoyancy F = reduction factor × γw × hw × A, A the
// base to the overhang's edge (to the outer wall faces without an
// overhang), hw the depth of the base below the groundwater level; the
// check asks G / F ≥ Kf, and G ≥ 0 without groundwater.
// Bearing: pk = (Fk + Gk) / A under the standard combination of case 0 (tank
// full, backfilled; live loads with ψc, those acting upward left out: they
// relieve the base), against fa, at both groundwater levels: the highest
// with its reduced buoyancy deducted, the lowest without (the settings give
// no lowest level, so none is deducted); the larger governs.  With the
// upward loads and the buoyancy the least pressure pmin must not fall below
// zero (the base would lift).  The loads are taken as concentric.
#include "platform/Tobrin.h"
#include "platform/tobrin/tank_analysis.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace tobrin {

namespace {

double Sum(const TankActions& a, int kind, int action) {
  double w = 0.0;
  for (const BoardActions& b : a.boards)
    if (b.board->GetKind() == kind) w += b.weight[action];
  return w;
}

// +1 when the slab's normal points up: user loads are stored along the
// normal, downward loads then negative.
double Sign(const Board& board) { return board.GetNormal().z >= 0 ? 1.0 : -1.0; }

std::string CaseLabel(int c) { return fmt::format("工况{}({})", c + 1, TobrinLoadCaseName(c)); }

// "1.20×6.25+1.27×9.50" and its value for the uniform pressures of a slab.
std::string Expression(const BoardActions& b, int loadCase, int combination, const LoadSettings& l, double& value) {
  std::string text;
  value = 0.0;
  for (int a = 0; a < kActionCount; ++a) {
    if (b.pressure[a] == 0.0 || !ActionInCase(a, loadCase) || a == kTemperature) continue;
    const double f = ActionFactor(a, combination, l);
    value += f * b.pressure[a];
    if (!text.empty()) text += "+";
    text += fmt::format("{:.2f}×{:.2f}", f, b.pressure[a]);
  }
  return text.empty() ? std::string(1, '0') : text;
}

}  // namespace

TankChecks ComputeChecks(const TankActions& a, const ProjectSettings& settings) {
  TankChecks c;
  const LoadSettings& l = settings.GetLoadSettings();
  const CalcSettings& calc = settings.GetCalcSettings();
  c.structure = Sum(a, 0, kSelfWeight) + Sum(a, 1, kSelfWeight) + a.overhangWeight[kSelfWeight] +
                Sum(a, 2, kSelfWeight);
  c.cover = Sum(a, 2, kSoil) + Sum(a, 2, kGroundwater);
  c.overhangSoil = a.overhangWeight[kSoil] + a.overhangWeight[kGroundwater];
  c.upward = a.UpwardWeight(kUserDead) + a.UpwardWeight(kUserLive);
  c.resist = c.structure + c.cover + c.overhangSoil + c.upward;
  c.buoyancy = calc.GetBuoyancyReductionFactor() * a.site.gammaW * a.upliftHead * a.baseArea;
  c.kf = calc.GetAntiFloatSafetyFactor();
  if (a.upliftHead > 0) {
    c.antiFloatRatio = c.buoyancy > 0 ? c.resist / c.buoyancy : 0.0;
    c.antiFloatOk = c.antiFloatRatio >= c.kf;
  } else {
    c.antiFloatOk = c.resist >= 0;  // no groundwater: only upward loads can lift the tank
  }
  // Variable loads press on the base with their downward parts; the upward
  // ones only relieve it and go to the least base pressure.
  double& live = c.live;
  for (int act : {kGroundLive, kTopLive, kTopLiveNoSoil, kUserLive})
    if (ActionInCase(act, 0)) {
      const double psi = ActionFactor(act, kStandard, l);
      live += psi * (a.TotalWeight(act) - a.UpwardWeight(act));
      c.upwardLive += psi * a.UpwardWeight(act);
    }
  const double permanent = c.structure + a.waterWeight + c.cover + c.overhangSoil + a.TotalWeight(kUserDead);
  c.loads = permanent + live;
  if (a.baseArea > 0) {
    c.pkHigh = (c.loads - c.buoyancy) / a.baseArea;
    c.pkLow = c.loads / a.baseArea;
    c.pMin = (permanent + c.upwardLive - c.buoyancy) / a.baseArea;
  }
  c.pk = std::max(c.pkHigh, c.pkLow);
  c.fa = settings.GetGeologySettings().GetBearingCapacity();
  c.uplift = c.pMin < 0;
  c.bearingOk = c.pk <= c.fa && !c.uplift;
  return c;
}

void BuildTexts(const TankActions& a, const ProjectSettings& settings, AnalysisTexts& out) {
  out = AnalysisTexts();
  const LoadSettings& l = settings.GetLoadSettings();
  const CalcSettings& calc = settings.GetCalcSettings();
  const Site& site = a.site;
  const TankChecks checks = ComputeChecks(a, settings);

  const double walls = Sum(a, 0, kSelfWeight);
  const double bottoms = Sum(a, 1, kSelfWeight) + a.overhangWeight[kSelfWeight];
  const double tops = Sum(a, 2, kSelfWeight);
  const double structure = checks.structure;
  const double cover = checks.cover;
  const double overhangSoil = checks.overhangSoil;
  const double reduction = calc.GetBuoyancyReductionFactor();
  const double buoyancy = checks.buoyancy;

  // Anti-floating check.
  auto& af = out.antiFloat;
  af.push_back(fmt::format("水池结构自重: Gc=池壁{:.2f}+底板(含外伸){:.2f}+顶板{:.2f}={:.2f}kN", walls, bottoms, tops,
                           structure));
  af.push_back(fmt::format("顶板覆土重: Gt={:.2f}kN", cover));
  af.push_back(fmt::format("底板外伸部分上的土重(池壁外侧以外): Gs={:.2f}kN(外伸面积{:.3f}m$2$)", overhangSoil,
                           a.overhangArea));
  const double resist = checks.resist;
  if (checks.upward != 0) {
    af.push_back(fmt::format("构件上向上的荷载(不利,计入): Gu={:.2f}kN", checks.upward));
    af.push_back(fmt::format("抗浮总重: G=Gc+Gt+Gs+Gu={:.2f}kN", resist));
  } else {
    af.push_back(fmt::format("抗浮总重: G=Gc+Gt+Gs={:.2f}kN", resist));
  }
  af.push_back(fmt::format("基底面积(至底板外伸边缘或池壁外侧): A={:.3f}m$2$", a.baseArea));
  if (a.upliftHead <= 0 && !checks.antiFloatOk) {
    af.push_back(fmt::format("地下水位低于基底,无浮托力;向上的荷载大于结构及覆土重: G={:.2f}kN<0,不满足抗浮要求", resist));
  } else if (a.upliftHead <= 0) {
    af.push_back("地下水位低于基底,无浮托力,满足抗浮要求");
  } else {
    af.push_back(fmt::format("地下水位至基底的高度: hw={:.3f}m", a.upliftHead));
    af.push_back(fmt::format("浮托力: F=折减系数×γw×hw×A={:.2f}×{:.2f}×{:.3f}×{:.3f}={:.2f}kN", reduction,
                             site.gammaW, a.upliftHead, a.baseArea, buoyancy));
    const double kf = checks.kf;
    const double ratio = checks.antiFloatRatio;
    af.push_back(fmt::format("抗浮安全系数: G/F={:.2f}/{:.2f}={:.3f}{}Kf={:.2f},{}", resist, buoyancy, ratio,
                             checks.antiFloatOk ? "≥" : "<", kf,
                             checks.antiFloatOk ? "满足抗浮要求" : "不满足抗浮要求"));
  }

  // Bearing check: standard combination of case 0, at the lowest
  // groundwater level (no uplift) and at the highest (its uplift deducted);
  // the larger pressure governs.
  auto& br = out.bearing;
  const double live = checks.live;
  const double userDead = a.TotalWeight(kUserDead);
  const double fa = checks.fa;
  br.push_back(fmt::format("水池结构自重: Gc={:.2f}kN", structure));
  br.push_back(fmt::format("池内水重: Gw={:.2f}kN", a.waterWeight));
  br.push_back(fmt::format("顶板覆土重: Gt={:.2f}kN", cover));
  br.push_back(fmt::format("底板外伸部分上的土重: Gs={:.2f}kN", overhangSoil));
  if (userDead != 0) br.push_back(fmt::format("构件上的恒载(Qg): Gq={:.2f}kN", userDead));
  br.push_back(fmt::format("活荷载(标准组合,组合值系数{:.2f}): Q={:.2f}kN", l.GetLiveLoadCombinationFactor(), live));
  br.push_back(fmt::format("基底面积: A={:.3f}m$2$", a.baseArea));
  const std::string sum = fmt::format("Gc+Gw+Gt+Gs{}+Q", userDead != 0 ? "+Gq" : "");
  if (a.upliftHead > 0) {
    br.push_back(fmt::format("最低地下水位(未给出,不计浮托力): pk1=({})/A={:.2f}/{:.3f}={:.2f}kPa", sum, checks.loads,
                             a.baseArea, checks.pkLow));
    br.push_back(fmt::format("最高地下水位的浮托力: F={:.2f}kN", buoyancy));
    br.push_back(fmt::format("最高地下水位(扣除浮托力): pk2=({}-F)/A={:.2f}/{:.3f}={:.2f}kPa", sum,
                             checks.loads - buoyancy, a.baseArea, checks.pkHigh));
    br.push_back(fmt::format("基底平均压力取较大值: pk=max(pk1,pk2)={:.2f}kPa", checks.pk));
  } else {
    br.push_back(fmt::format("地下水位低于基底,无浮托力: pk=({})/A={:.2f}/{:.3f}={:.2f}kPa", sum, checks.loads,
                             a.baseArea, checks.pk));
  }
  const bool pkOk = checks.pk <= fa;
  if (checks.upwardLive != 0 || checks.uplift) {
    if (checks.upwardLive != 0) br.push_back(fmt::format("向上的活载(标准组合): Qu={:.2f}kN", checks.upwardLive));
    const std::string least = fmt::format("Gc+Gw+Gt+Gs{}{}{}", userDead != 0 ? "+Gq" : "",
                                          checks.upwardLive != 0 ? "+Qu" : "", a.upliftHead > 0 ? "-F" : "");
    br.push_back(fmt::format("基底最小压力(计向上的荷载{}): pmin=({})/A={:.2f}kPa", a.upliftHead > 0 ? "及浮托力" : "",
                             least, checks.pMin));
    br.push_back(fmt::format("pk={:.2f}kPa{}fa={:.2f}kPa", checks.pk, pkOk ? "≤" : ">", fa));
    br.push_back(checks.uplift
                     ? fmt::format("pmin={:.2f}kPa<0,基底上拔(基底压力为负),不满足地基承载力要求", checks.pMin)
                     : fmt::format("pmin={:.2f}kPa≥0,{}", checks.pMin,
                                   checks.bearingOk ? "满足地基承载力要求" : "不满足地基承载力要求"));
  } else {
    br.push_back(fmt::format("pk={:.2f}kPa{}fa={:.2f}kPa,{}", checks.pk, pkOk ? "≤" : ">", fa,
                             checks.bearingOk ? "满足地基承载力要求" : "不满足地基承载力要求"));
  }

  // Slab load texts.
  const double liveTop = a.TotalWeight(kTopLive) + a.TotalWeight(kTopLiveNoSoil);
  for (std::size_t i = 0; i < a.boards.size(); ++i) {
    const BoardActions& b = a.boards[i];
    const Board& board = *b.board;
    std::vector<std::string> row = {std::to_string(board.GetNumber())};
    const double h = b.thickness / 1000.0;
    if (board.GetKind() == 1) {
      row.push_back(fmt::format("池壁自重: Gw={:.2f}kN", walls));
      row.push_back(fmt::format("顶板自重: Gd={:.2f}kN", tops));
      row.push_back(fmt::format("底板自重(含外伸部分): Gb={:.2f}kN", bottoms));
      if (cover != 0) row.push_back(fmt::format("顶板覆土重: Gt={:.2f}kN", cover));
      if (overhangSoil != 0) row.push_back(fmt::format("底板外伸部分上的土重: Gs={:.2f}kN", overhangSoil));
      if (a.TotalWeight(kGroundLive) != 0)
        row.push_back(fmt::format("地面活荷载(顶板及外伸部分): Qd={:.2f}kN", a.TotalWeight(kGroundLive)));
      if (liveTop != 0) row.push_back(fmt::format("顶板活荷载: Qt={:.2f}kN", liveTop));
      if (a.TotalWeight(kUserDead) != 0) row.push_back(fmt::format("构件上的恒载(Qg): Gq={:.2f}kN", a.TotalWeight(kUserDead)));
      if (a.TotalWeight(kUserLive) != 0) row.push_back(fmt::format("构件上的活载(Qq): Qq={:.2f}kN", a.TotalWeight(kUserLive)));
      row.push_back(fmt::format("基底面积: A=底板{:.3f}+池壁外侧半厚及外伸{:.3f}={:.3f}m$2$", a.slabArea,
                                a.baseArea - a.slabArea, a.baseArea));
      row.push_back(fmt::format("底板自重: g=γc×h={:.2f}×{:.3f}={:.2f}kN/m$2$", site.gammaC, h, site.gammaC * h));
      if (b.upliftHead > 0)
        row.push_back(fmt::format("水浮力: pw=γw×hw={:.2f}×{:.3f}={:.2f}kN/m$2$", site.gammaW, b.upliftHead,
                                  site.gammaW * b.upliftHead));
      row.push_back("底板净反力: p=Σ(γi×Gi)/A-γG×g(池内水重与底板自重直接传给地基);有地下水时取其与γQ×pw-g的较大值");
      for (int c = 0; c < kCaseCount; ++c) {
        double p[kCombinationCount];
        for (int k = 0; k < kCombinationCount; ++k) p[k] = a.BottomSlabPressure(i, c, k, l);
        row.push_back(fmt::format("{}: 净反力 基本组合p={:.2f}kN/m$2$, 标准组合p={:.2f}kN/m$2$, 准永久组合p={:.2f}kN/m$2$",
                                  CaseLabel(c), p[kBasic], p[kStandard], p[kQuasi]));
      }
      out.bottomSlabs.push_back(std::move(row));
    } else if (board.GetKind() == 2) {
      row.push_back(fmt::format("顶板自重: g1=γc×h={:.2f}×{:.3f}={:.2f}kN/m$2$", site.gammaC, h, site.gammaC * h));
      if (b.coverDepth > 0) {
        row.push_back(fmt::format("覆土重(覆土厚{:.3f}m): gs={:.2f}kN/m$2$", b.coverDepth, b.pressure[kSoil]));
        if (b.pressure[kGroundwater] != 0)
          row.push_back(fmt::format("覆土中的地下水压: pw={:.2f}kN/m$2$", b.pressure[kGroundwater]));
        row.push_back(fmt::format("地面活荷载(有土工况): qd={:.2f}kN/m$2$", b.pressure[kGroundLive]));
        row.push_back(fmt::format("顶板活荷载(无土工况): qt={:.2f}kN/m$2$", b.pressure[kTopLiveNoSoil]));
      } else {
        row.push_back(fmt::format("顶板活荷载: qt={:.2f}kN/m$2$", b.pressure[kTopLive]));
      }
      // The user's area loads that are not one uniform pressure over the
      // whole slab (those are in q below): where and how much.
      for (int act : {kUserDead, kUserLive})
        for (const PlateAreaLoad& area : b.loads[act].areas) {
          const bool whole = !std::isfinite(area.x0);
          const bool uniform = area.gx == 0 && area.gy == 0 && area.gxy == 0;
          if (whole && uniform) continue;
          const char* name = act == kUserDead ? "恒载(Qg)" : "活载(Qq)";
          const std::string where =
              whole ? std::string("全板") : fmt::format("x={:.0f}~{:.0f}mm,y={:.0f}~{:.0f}mm", area.x0, area.x1,
                                                        area.y0, area.y1);
          if (uniform)
            row.push_back(fmt::format("板上局部{}: q={:.2f}kN/m$2$,作用范围{}", name, -area.q0 * Sign(board), where));
          else
            row.push_back(fmt::format("板上线性分布{}: q={:.4g}{:+.4g}·x{:+.4g}·y kN/m$2$(x、y以mm计,板局部坐标),作用范围{}",
                                      name, -area.q0 * Sign(board), -area.gx * Sign(board), -area.gy * Sign(board),
                                      where));
        }
      if (!b.loads[kUserDead].areas.empty() || !b.loads[kUserDead].points.empty() || !b.loads[kUserDead].lines.empty())
        row.push_back(fmt::format("板上恒载(Qg)合计: {:.2f}kN", b.weight[kUserDead]));
      if (!b.loads[kUserLive].areas.empty() || !b.loads[kUserLive].points.empty() || !b.loads[kUserLive].lines.empty())
        row.push_back(fmt::format("板上活载(Qq)合计: {:.2f}kN", b.weight[kUserLive]));
      for (int c = 0; c < kCaseCount; ++c) {
        double q[kCombinationCount];
        const std::string basic = Expression(b, c, kBasic, l, q[kBasic]);
        Expression(b, c, kStandard, l, q[kStandard]);
        Expression(b, c, kQuasi, l, q[kQuasi]);
        row.push_back(fmt::format("{}: 基本组合q={}={:.2f}kN/m$2$, 标准组合q={:.2f}kN/m$2$, 准永久组合q={:.2f}kN/m$2$",
                                  CaseLabel(c), basic, q[kBasic], q[kStandard], q[kQuasi]));
      }
      out.topSlabs.push_back(std::move(row));
    }
  }
}

}  // namespace tobrin
