#include "calcbook/CalcBookWriter.h"

#include "platform/Morlak.h"
#include "platform/Nirvox.h"
#include "platform/Tobrin.h"

#include <boost/make_shared.hpp>
#include <boost/pointer_cast.hpp>
#include <fmt/format.h>

#include <cstdio>
#include <typeinfo>

namespace {

bool On(const CalcBookOptions& options, int index) {
  return index >= 0 && index < static_cast<int>(options.size()) && options[index] == 1;
}

// The component as a board when its class is exactly Board.
boost::shared_ptr<Board> AsBoard(const StructureComponentPtr& component) {
  if (!component || typeid(*component) != typeid(Board)) return {};
  return boost::static_pointer_cast<Board>(component);
}

std::string Numbered(int number, const char* title) {
  std::string numeral;
  CalcBookWriter::GetChineseNumeral(number, numeral);
  return numeral + title;
}

std::string Printf(const char* format, double a) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, a);
  return buffer;
}

std::string Printf(const char* format, double a, double b) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, a, b);
  return buffer;
}

std::string Printf(const char* format, double a, double b, double c) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, a, b, c);
  return buffer;
}

std::string PrintfInt(const char* format, int a) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, format, a);
  return buffer;
}

// The short text of a bar group the design could not satisfy.
const char* FailingText(int status) {
  switch (status) {
    case BarGroupStatus::kCrackLimitNotMet: return "裂缝超限";
    case BarGroupStatus::kNoBarForArea: return "无可选钢筋";
    default: return "无法设计";
  }
}

const char kTenTabs[] = "\t\t\t\t\t\t\t\t\t\t";

// A member's title is a heading paragraph of its own: the line break that
// would end it is dropped from the text that follows.
std::string AfterHeading(const std::string& text) { return !text.empty() && text[0] == '\n' ? text.substr(1) : text; }

void InsertMemberPictures(TankWordObj& doc, const std::vector<MemberPicture>& pictures, int number) {
  for (const MemberPicture& p : pictures) {
    if (p.memberNumber == number) doc.InsertPicture(p.picture, 0);
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Shared texts.

void CalcBookWriter::GetChineseNumeral(int n, std::string& out) {
  static const char* const numerals[] = {"一", "二", "三", "四", "五", "六", "七", "八"};
  if (n >= 1 && n <= 8) out = numerals[n - 1];
}

std::string CalcBookWriter::FormatInt(int value) { return PrintfInt("%d", value); }
std::string CalcBookWriter::FormatReal(double value) { return Printf("%.2f", value); }

std::string CalcBookWriter::GetGradeSymbolCode(const std::string& grade) {
  if (grade == "HPB235") return "d";
  if (grade == "HRB335") return "D";
  if (grade == "HRB400") return "f";
  if (grade == "RRB400") return "F";
  return std::string();
}

std::string CalcBookWriter::GetModeText(const ProjectSettings& settings, const Board& board) {
  if (settings.GetLoadSettings().GetAnalysisMethod() != 0) return "\n1.几何信息(按有限元计算)";
  double lx = 0.0, ly = 0.0;
  board.GetSpans(lx, ly);
  const double limit =
      board.GetKind() == 0 && settings.GetGeometrySettings().GetWallTopRestraint() == 2 ? 3.0 : 2.0;
  // A zero Ly reads as a strip: one-way.
  const bool oneWay = ly == 0.0 || lx / ly > limit || lx / ly < 0.5;
  return oneWay ? "\n1.几何信息(按单向板计算)" : "\n1.几何信息(按双向板计算)";
}

void CalcBookWriter::WriteText(const std::string& text) { m_document->WriteText(text); }
void CalcBookWriter::WriteHeading(const std::string& text) { m_document->WriteHeading(text); }

// ---------------------------------------------------------------------------
// Run.

bool CalcBookWriter::Open() {
  InitDocumentWriter(GetDocumentPath());
  auto document = boost::make_shared<TankWordObj>();
  if (document->isEmpty()) {
    m_error = document->GetOpenError();
    return false;
  }
  m_document = document;
  // Every page carries the book's title, with or without the title block.
  m_document->SetHeaderText("水池设计计算书");
  m_cancel = 0;
  m_error.clear();
  return true;
}

bool CalcBookWriter::Report(CancelProgressFn fn, int percent) {
  if (fn) fn(percent, &m_cancel);
  return m_cancel == 0;
}

bool CalcBookWriter::Stopped() {
  if (m_cancel == 1) {
    m_document->CancelDocument();
    m_error = "the calculation book was cancelled";
  } else {
    m_error = "the calculation book was stopped before its end";
  }
  return false;
}

int CalcBookWriter::WriteOpeningSections(ProjectSettings& settings, const std::vector<PictureHandle>& pictures,
                                         const CalcBookOptions& options, CancelProgressFn fn) {
  if (On(options, 0)) {
    m_document->WriteTitle("水池设计计算书");
    WriteHeading("项目名称_____________日    期_____________");
    WriteHeading("设 计 者_____________校 对 者_____________");
  }
  int n = 0;
  if (On(options, 1)) WriteDesignCodes(n = 1);
  if (On(options, 2)) WriteSchematics(pictures, ++n, On(options, 4));
  if (!Report(fn, 15)) return -1;
  if (On(options, 3)) WriteBasicData(settings, pictures, options, ++n);
  if (On(options, 5)) WriteUpliftCheck(++n);
  if (On(options, 6)) WriteBearingCheck(++n);
  if (!Report(fn, 25)) return -1;
  return n;
}

bool CalcBookWriter::Finish() {
  // Cancel value 1 at the last report abandons the document before anything
  // is written over an earlier book; any other value lets it be written.
  if (m_cancel == 1) return Stopped();
  m_document->EndDocument();
  if (!m_document->CloseDocument()) {
    m_error = m_document->GetWriteError();
    return false;
  }
  if (m_cancel != 0) {
    m_error = "the calculation book was stopped at its end";
    return false;
  }
  return true;
}

bool CalcBookWriter::WriteForModel(const Tank& tank, ProjectSettings& settings,
                                   const std::vector<PictureHandle>& pictures, const CalcBookOptions& options,
                                   const std::vector<MemberPicture>& bottomPictures,
                                   const std::vector<MemberPicture>& topPictures,
                                   const std::vector<MemberPicture>& wallPictures, CancelProgressFn fn) {
  std::vector<BookMember> members;
  if (settings.GetLoadSettings().GetAnalysisMethod() == 1) {
    // Finite element: the components in model order; only boards report.
    for (const auto& c : tank.GetComponents()) members.push_back({c, kSectionByKind, AsBoard(c) != nullptr});
  } else {
    // Board by board in the order of the units; every member reports.
    for (const auto& unit : tank.GetUnits())
      for (const auto& c : unit->GetComponents()) members.push_back({c, kSectionByKind, true});
  }
  return Run(settings, pictures, options, members, {&bottomPictures, &topPictures, &wallPictures}, fn);
}

bool CalcBookWriter::WriteForMembers(ProjectSettings& settings, const std::vector<PictureHandle>& pictures,
                                     const CalcBookOptions& options,
                                     const std::vector<StructureComponentPtr>& topSlabs,
                                     const std::vector<StructureComponentPtr>& bottomSlabs,
                                     const std::vector<StructureComponentPtr>& walls,
                                     const std::vector<MemberPicture>& bottomPictures,
                                     const std::vector<MemberPicture>& topPictures,
                                     const std::vector<MemberPicture>& wallPictures, CancelProgressFn fn) {
  // Walls, then bottom slabs, then top slabs; the list decides the section.
  std::vector<BookMember> members;
  for (const auto& c : walls) members.push_back({c, 0, true});
  for (const auto& c : bottomSlabs) members.push_back({c, 1, true});
  for (const auto& c : topSlabs) members.push_back({c, 2, true});
  return Run(settings, pictures, options, members, {&bottomPictures, &topPictures, &wallPictures}, fn);
}

bool CalcBookWriter::Run(ProjectSettings& settings, const std::vector<PictureHandle>& pictures,
                         const CalcBookOptions& options, const std::vector<BookMember>& members,
                         const MemberPictureLists& memberPictures, CancelProgressFn fn) {
  if (!Open()) return false;
  const int n = WriteOpeningSections(settings, pictures, options, fn);
  if (n < 0) return Stopped();
  if (On(options, 7)) {
    WriteHeading(Numbered(n + 1, "、水池构件计算："));
    // Member k of N reports 25 + 75·k/N before its section; every member
    // counts, only boards get a section.
    const int count = static_cast<int>(members.size());
    for (int k = 1; k <= count; ++k) {
      const BookMember& member = members[k - 1];
      if (!member.reports) continue;
      if (!Report(fn, 25 + 75 * k / count)) return Stopped();
      const auto board = AsBoard(member.component);
      if (!board) continue;
      const auto& [bottom, top, walls] = memberPictures;
      switch (member.section) {
        case 0: WriteWallSection(settings, board, *walls); break;
        case 1: WriteBottomSlabSection(settings, board, *bottom); break;
        case 2: WriteTopSlabSection(settings, board, *top); break;
        default: WriteMemberSection(settings, board, *bottom, *top, *walls); break;
      }
    }
  }
  Report(fn, 100);
  return Finish();
}

// ---------------------------------------------------------------------------
// Opening sections.

void CalcBookWriter::WriteDesignCodes(int number) {
  WriteHeading(Numbered(number, "、依据规范："));
  WriteText("\t《混凝土结构设计规范》(GB 50010-2002)");
  WriteText("\n\t《建筑地基基础设计规范》(GB 50007-2002)");
  WriteText("\n\t《给水排水工程钢筋混凝土水池结构设计规程》(CECS138-2002)");
  WriteText("\n\t《给水排水工程构筑物结构设计规范》(GB50069-2002)\n");
}

void CalcBookWriter::WriteSchematics(const std::vector<PictureHandle>& pictures, int number,
                                     bool withLoadDiagrams) {
  WriteHeading(Numbered(number, "、示意图："));
  if (pictures.empty()) return;
  m_document->InsertPicture(pictures[0], 0);
  WriteText(std::string(kTenTabs) + "底板示意图\n");
  if (pictures.size() != (withLoadDiagrams ? 4u : 2u)) return;
  m_document->InsertPicture(pictures[1], 0);
  WriteText(std::string(kTenTabs) + "顶板示意图\n");
}

void CalcBookWriter::WriteBasicData(ProjectSettings& settings, const std::vector<PictureHandle>& pictures,
                                    const CalcBookOptions& options, int number) {
  const GeometrySettings& geometry = settings.GetGeometrySettings();
  const LoadSettings& loads = settings.GetLoadSettings();
  const CalcSettings& calc = settings.GetCalcSettings();
  const MaterialSettings& material = settings.GetMaterialSettings();
  const GeologySettings& geology = settings.GetGeologySettings();
  const ModelSettings& model = settings.GetModelSettings();

  WriteHeading(Numbered(number, "、基本资料"));
  WriteText("\t1.几何参数:");
  WriteText(PrintfInt("\n\t\t底板外伸长度 C=%dmm", geometry.GetBottomSlabOverhang()));
  WriteText("\n\t2.荷载信息:");
  if (On(options, 4)) {
    WriteText("\n\t\t荷载示意图\n");
    // Only the pictures the list really holds are placed.
    if (pictures.size() == 4) {
      m_document->InsertPicture(pictures[2], 0);
      WriteText(std::string(kTenTabs) + "底板荷载示意图\n");
      m_document->InsertPicture(pictures[3], 0);
      WriteText(std::string(kTenTabs) + "顶板荷载示意图\n");
    } else if (pictures.size() == 2) {
      m_document->InsertPicture(pictures[1], 0);
      WriteText(std::string(kTenTabs) + "底板荷载示意图\n");
    }
  }
  WriteText(Printf("\n\t\t恒载分项系数: 自重%.2f,其它%.2f", loads.GetSelfWeightFactor(),
                   loads.GetOtherDeadLoadFactor()));
  WriteText(Printf("\n\t\t活载分项系数: 地下水压%.2f,其它%.2f", loads.GetGroundwaterLoadFactor(),
                   loads.GetOtherLiveLoadFactor()));
  WriteText(Printf("\n\t\t准永久值系数: 地面活载%.2f,顶板活载%.2f,地下水压活载%.2f",
                   loads.GetGroundLiveLoadQuasiPermanent(), loads.GetTopSlabLiveLoadQuasiPermanent(),
                   loads.GetGroundwaterQuasiPermanent()));
  WriteText(Printf("\n\t\t活载组合值系数：%.2f", loads.GetLiveLoadCombinationFactor()));
  WriteText(Printf("\n\t\t地面活荷载: %.2fkN/m$2$ ", loads.GetGroundLiveLoad()));
  WriteText(Printf("\n\t\t水池顶板活荷载: %.2fkN/m$2$", loads.GetTopSlabLiveLoad()));
  if (calc.IsTemperatureConsidered()) {
    WriteText(Printf("\n\t\t壁面温差或湿度当量温差:%.2f度", calc.GetWallTemperatureDifference()));
  }
  WriteText("\n\t3.材料信息:");
  WriteText("\n\t\t混凝土钢筋材料等级");

  m_document->BeginTable(3, 4);
  m_document->SetCellText(0, 0, "\t构件\t");
  m_document->SetCellText(0, 1, "\t池顶\t");
  m_document->SetCellText(0, 2, "\t池壁\t");
  m_document->SetCellText(0, 3, "\t池底\t");
  m_document->SetCellText(1, 0, " 混凝土等级");
  m_document->SetCellText(2, 0, "  钢筋等级");
  m_document->SetCellText(1, 1, material.GetTopConcreteGrade());
  m_document->SetCellText(1, 2, material.GetWallConcreteGrade());
  m_document->SetCellText(1, 3, material.GetBottomConcreteGrade());
  m_document->SetCellText(2, 1, material.GetTopReinGrade());
  m_document->SetCellText(2, 2, material.GetWallReinGrade());
  m_document->SetCellText(2, 3, material.GetBottomReinGrade());
  m_document->EndTable();
  // The letters the bar texts of the result tables give the grades.
  WriteText("\t\t钢筋符号: d—HPB235, D—HRB335, f—HRB400, F—RRB400\n");

  WriteText(Printf("\t\t钢筋混凝土容重:γc=%.2fkN/m$3$,池内水重度:γw=%.2fkN/m$3$", calc.GetConcreteUnitWeight(),
                   calc.GetWaterUnitWeight()));
  WriteText("\n\t\t保护层厚度(单位:mm)");
  const bool topSlab = model.HasTopSlab() == 1;
  m_document->BeginTable(topSlab ? 3 : 2, 4);
  m_document->SetCellText(0, 0, "\t底板上部\t");
  m_document->SetCellText(0, 1, FormatReal(material.GetBottomSlabTopCover()));
  m_document->SetCellText(0, 2, "\t底板下部\t");
  m_document->SetCellText(0, 3, FormatReal(material.GetBottomSlabBottomCover()));
  m_document->SetCellText(1, 0, "\t池壁外侧\t");
  m_document->SetCellText(1, 1, FormatReal(material.GetWallOuterCover()));
  m_document->SetCellText(1, 2, "\t池壁内侧\t");
  m_document->SetCellText(1, 3, FormatReal(material.GetWallInnerCover()));
  if (topSlab) {
    m_document->SetCellText(2, 0, "\t顶板上部\t");
    m_document->SetCellText(2, 1, FormatReal(material.GetTopSlabTopCover()));
    m_document->SetCellText(2, 2, "\t顶板下部\t");
    m_document->SetCellText(2, 3, FormatReal(material.GetTopSlabBottomCover()));
  }
  m_document->EndTable();

  const std::vector<SoilLayer> layers = geology.GetSoilLayers();
  if (!layers.empty()) {
    WriteText("\n\t4.地面以下土层参数:");
    m_document->BeginTable(static_cast<int>(layers.size()) + 1, 4);
    m_document->SetCellText(0, 0, "土层名称");
    m_document->SetCellText(0, 1, "土层厚度(m)");
    m_document->SetCellText(0, 2, "重度(kN/m$3$)");
    m_document->SetCellText(0, 3, "内摩擦角(度)");
    for (std::size_t i = 0; i < layers.size(); ++i) {
      const int row = static_cast<int>(i) + 1;
      m_document->SetCellText(row, 0, layers[i].GetName());
      m_document->SetCellText(row, 1, FormatReal(layers[i].GetThickness()));
      m_document->SetCellText(row, 2, FormatReal(layers[i].GetUnitWeight()));
      m_document->SetCellText(row, 3, FormatReal(layers[i].GetFrictionAngle()));
    }
    m_document->EndTable();
  }
  WriteText(Printf("\t\t水池埋深：%.3fm,地下水埋置深度dw：%.3fm", geology.GetBurialDepth(),
                   geology.GetGroundwaterDepth()));
  WriteText(layers.empty() ? "\n\t4.计算信息:" : "\n\t5.计算信息:");
  WriteText(Printf("\n\t\t浮托力折减系数:%.2f", calc.GetBuoyancyReductionFactor()));
  WriteText(Printf("\n\t\t抗浮安全系数：Kf=%.2f", calc.GetAntiFloatSafetyFactor()));
  WriteText(Printf("\n\t\t修正后的地基承载力特征值:  fa=%.2fkPa", geology.GetBearingCapacity()));
  WriteText(Printf("\n\t\t裂缝宽度限值: %.3fmm", calc.GetCrackWidthLimit()));
  WriteText(layers.empty() ? "\n\t5.设计信息:" : "\n\t6.设计信息:");
  WriteText(
      "\n\t\t 工况说明：1正常使用状态(有水有土) 2检修状态(无水有土)\n\t\t\t\t\t3试水状态(有水无土)    "
      "4施工状态(无水无土)\n");
}

void CalcBookWriter::WriteUpliftCheck(int number) {
  WriteCheckSection(Numbered(number, "、抗浮验算："), GetAntiFloatCheckText());
}

void CalcBookWriter::WriteBearingCheck(int number) {
  WriteCheckSection(Numbered(number, "、地基承载力验算："), GetBearingCheckText());
}

// A check section: its heading, then each line of the analysis numbered.
void CalcBookWriter::WriteCheckSection(const std::string& heading, const std::vector<std::string>& lines) {
  WriteHeading(heading);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    WriteText(PrintfInt("\t%d.", static_cast<int>(i) + 1));
    WriteText(lines[i] + "\n");
  }
}

// ---------------------------------------------------------------------------
// Members.

void CalcBookWriter::WriteMemberSection(ProjectSettings& settings, const boost::shared_ptr<Board>& board,
                                        const std::vector<MemberPicture>& bottomPictures,
                                        const std::vector<MemberPicture>& topPictures,
                                        const std::vector<MemberPicture>& wallPictures) {
  switch (board->GetKind()) {
    case 0: WriteWallSection(settings, board, wallPictures); break;
    case 1: WriteBottomSlabSection(settings, board, bottomPictures); break;
    case 2: WriteTopSlabSection(settings, board, topPictures); break;
    default: break;
  }
}

namespace {

struct SlabTexts {
  const char* title;
  const char* thickness;
  const char* upperTable;
  const char* lowerTable;
};

}  // namespace

void CalcBookWriter::WriteWallSection(ProjectSettings& settings, const boost::shared_ptr<Board>& board,
                                      const std::vector<MemberPicture>& pictures) {
  const int number = board->GetNumber();
  double lx = 0.0, ly = 0.0;
  board->GetSpans(lx, ly);
  m_document->WriteHeading(PrintfInt("池壁%d计算", number), 2);
  WriteText(AfterHeading(GetModeText(settings, *board)));
  WriteText(Printf("\t\n计算跨度: Lx=%.3fmm, Ly=%.3fmm", lx, ly));
  WriteText(Printf("\t\n板厚:h=%.3fmm\n", board->GetThickness()));
  if (settings.GetLoadSettings().GetAnalysisMethod() == 0) InsertMemberPictures(*m_document, pictures, number);
  // Each table is titled by the side its face lies on: a wall's upper face
  // is its outer (earth or air) side only where the board says so.
  WriteText(PrintfInt(board->IsUpperFaceOuter() ? "\n池壁%d外侧计算结果(弯矩:kN.m/m  配筋面积:mm$2$/m  裂缝:mm)"
                                                : "\n池壁%d内侧计算结果(弯矩:kN.m/m  配筋面积:mm$2$/m  裂缝:mm)",
                      number));
  WriteOuterResultTable(board);
  WriteText(PrintfInt(board->IsLowerFaceOuter() ? "池壁%d外侧计算结果(弯矩:kN.m/m  配筋面积:mm$2$/m  裂缝:mm)"
                                                : "池壁%d内侧计算结果(弯矩:kN.m/m  配筋面积:mm$2$/m  裂缝:mm)",
                      number));
  WriteInnerResultTable(board);
}

static void WriteSlabSection(CalcBookWriter& writer, TankWordObj& doc, ProjectSettings& settings,
                             const boost::shared_ptr<Board>& board, const std::vector<MemberPicture>& pictures,
                             const std::vector<SlabLoadText>& loadTexts, const SlabTexts& texts) {
  const int number = board->GetNumber();
  std::vector<std::string> lines;
  for (const SlabLoadText& record : loadTexts) {
    if (record.boardNumber == number) lines = record.lines;
  }
  double lx = 0.0, ly = 0.0;
  board->GetSpans(lx, ly);
  const bool finiteElement = settings.GetLoadSettings().GetAnalysisMethod() != 0;
  doc.WriteHeading(PrintfInt(texts.title, number), 2);
  doc.WriteText(AfterHeading(CalcBookWriter::GetModeText(settings, *board)));
  doc.WriteText(Printf("\t\n计算跨度: Lx=%.3fmm, Ly=%.3fmm", lx, ly));
  doc.WriteText(Printf(texts.thickness, board->GetThickness()));
  if (board->GetEdges().size() > 4) InsertMemberPictures(doc, pictures, number);
  if (!finiteElement) {
    doc.WriteText("荷载计算\n");
    for (const std::string& line : lines) doc.WriteText("\t" + line + "\n");
  }
  doc.WriteText(PrintfInt(texts.upperTable, number));
  writer.WriteOuterResultTable(board);
  doc.WriteText(PrintfInt(texts.lowerTable, number));
  writer.WriteInnerResultTable(board);
}

void CalcBookWriter::WriteBottomSlabSection(ProjectSettings& settings, const boost::shared_ptr<Board>& board,
                                            const std::vector<MemberPicture>& pictures) {
  static const SlabTexts texts = {"底板%d计算", "\t\n板厚:hb=%.3fmm\n",
                                  "\n底板%d上侧计算结果(弯矩:kN.m/m  配筋面积:mm$2$/m  裂缝:mm)",
                                  "\n底板%d下侧计算结果(弯矩:kN.m/m  配筋面积:mm$2$/m  裂缝:mm)"};
  WriteSlabSection(*this, *m_document, settings, board, pictures, GetBottomSlabLoadText(), texts);
}

void CalcBookWriter::WriteTopSlabSection(ProjectSettings& settings, const boost::shared_ptr<Board>& board,
                                         const std::vector<MemberPicture>& pictures) {
  static const SlabTexts texts = {"顶板%d计算", "\t\n板厚:ht=%.3fmm\n",
                                  "\n顶板%d上侧计算结果(弯矩:kN.m/m  配筋面积:mm$2$/m  裂缝:mm)",
                                  "\n顶板%d下侧计算结果(弯矩:kN.m/m  配筋面积:mm$2$/m  裂缝:mm)"};
  WriteSlabSection(*this, *m_document, settings, board, pictures, GetTopSlabLoadText(), texts);
}

void CalcBookWriter::WriteOuterResultTable(const boost::shared_ptr<Board>& board) { WriteResultTable(*board, true); }
void CalcBookWriter::WriteInnerResultTable(const boost::shared_ptr<Board>& board) { WriteResultTable(*board, false); }

void CalcBookWriter::WriteResultTable(const Board& board, bool upper) {
  const std::vector<BoardEdge> edges = board.GetEdges();
  const std::vector<Restirction> restraints = board.GetRestrictions();
  const int n = static_cast<int>(edges.size());
  TankWordObj& doc = *m_document;
  doc.SetTableWidth(100);
  doc.BeginTable(n + 3, 10);
  static const char* const header[10] = {"部位",     "约束",     "基本组合", "工况组合", "标准组合",
                                         "准永久组合", "计算面积", "实配钢筋", "实配面积", "裂缝"};
  for (int c = 0; c < 10; ++c) doc.SetCellText(0, c, header[c]);
  auto row = [&](int r, const std::string& label, const std::string& restraint, const FaceValues& v) {
    doc.SetCellText(r, 0, label);
    doc.SetCellText(r, 1, restraint);
    doc.SetCellText(r, 2, FormatReal(v.basicMoment));
    doc.SetCellText(r, 3, FormatInt(v.combination + 1));
    doc.SetCellText(r, 4, FormatReal(v.standardMoment));
    doc.SetCellText(r, 5, FormatReal(v.quasiMoment));
    doc.SetCellText(r, 6, FormatReal(v.calcArea));
    // Without bars (no spacing) the bar, its area and its crack width are
    // printed as "-", never as a division by zero.
    if (v.spacing > 0) {
      doc.SetCellText(r, 7, GetGradeSymbolCode(v.grade) + FormatInt(v.diameter) + "@" + FormatInt(v.spacing));
      // A group the design could not satisfy says why instead of its bars.
      if (BarGroupStatus::IsFailing(v.status)) doc.SetCellText(r, 7, FailingText(v.status));
      doc.SetCellText(r, 8, FormatReal(v.diameter * (v.diameter * g_Pi) * 250.0 / v.spacing));
      // Crack widths to the micrometre: limits are set to 0.01 mm and a
      // width just over one must not print as equal to it.
      doc.SetCellText(r, 9, Printf("%.3f", v.crackWidth));
    } else {
      for (int c = 7; c <= 9; ++c) doc.SetCellText(r, c, "-");
      if (BarGroupStatus::IsFailing(v.status)) doc.SetCellText(r, 7, FailingText(v.status));
    }
  };
  row(1, "Lx", "", board.GetFaceValues(upper, true));
  row(2, "Ly", "", board.GetFaceValues(upper, false));
  static const char* const sides[4] = {"下", "右", "上", "左"};
  for (int i = 0; i < n; ++i) {
    const std::string label = n <= 4 ? std::string(sides[i]) : FormatInt(i + 1);
    const int kind = i < static_cast<int>(restraints.size()) ? restraints[i].GetKind() : 2;
    const char* restraint = kind == 0 ? "固定" : kind == 1 ? "简支" : "自由";
    row(i + 3, label, restraint, edges[i].GetFaceValues(upper));
  }
  doc.EndTable();
}
