// The calculation document as a WordprocessingML package (.docx): an
// in-memory list of blocks (paragraphs, tables, pictures) laid out into
// word/document.xml with pugixml and written as a zip package with libzip.
#include "platform/Felgar.h"

#include <pugixml.hpp>
#include <zip.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string_view>
#include <system_error>
#include <variant>

namespace fs = std::filesystem;

namespace {

// Page: A4 portrait with 25 mm margins, in twentieths of a point.
constexpr int kPageWidthTwips = 11906;
constexpr int kPageHeightTwips = 16838;
constexpr int kMarginTwips = 1418;
constexpr int kTextWidthTwips = kPageWidthTwips - 2 * kMarginTwips;
constexpr int kTextHeightTwips = kPageHeightTwips - 2 * kMarginTwips;
constexpr long long kEmuPerTwip = 635;

std::string& WriterPath() {
  static std::string path;
  return path;
}

// Keeps only what XML 1.0 can carry: valid UTF-8 (anything else becomes
// U+FFFD) without control characters other than tab, line feed and return.
std::string XmlSafe(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      if (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    int len = 0;
    char32_t cp = 0;
    if ((c & 0xE0) == 0xC0) len = 2, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0) len = 3, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0) len = 4, cp = c & 0x07;
    bool ok = len > 0 && i + len <= n;
    for (int k = 1; ok && k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) ok = false;
      else cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (ok) {
      const char32_t minimum = len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
      ok = cp >= minimum && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF) && cp != 0xFFFE && cp != 0xFFFF;
    }
    if (ok) {
      out.append(s, i, len);
      i += len;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

// A run of text: plain or superscript; tabs stay in the text and are laid
// out as tab elements.
struct Run {
  std::string text;
  bool superscript = false;
};

struct Paragraph {
  std::string style;  // empty: the normal style
  std::vector<Run> runs;
  bool centred = false;
  bool keepNext = false;  // kept on the page of the block that follows
};

struct Table {
  int rows = 0;
  int columns = 0;
  int widthPercent = 100;
  std::vector<std::string> cells;  // row-major
};

struct Picture {
  std::string relId;
  long long cx = 0;  // EMU
  long long cy = 0;
  int number = 0;
};

using Block = std::variant<Paragraph, Table, Picture>;

// Splits a text at "$n$" superscripts; a dollar sign that does not open a
// short superscript (1 to 6 characters, no blank, closed on the same line)
// stays as it is.
void AppendRuns(std::vector<Run>& runs, const std::string& text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '$') {
      const std::size_t close = text.find('$', i + 1);
      if (close != std::string::npos && close > i + 1 && close - i - 1 <= 6) {
        const std::string inner = text.substr(i + 1, close - i - 1);
        if (inner.find_first_of(" \t\n\r") == std::string::npos) {
          if (!plain.empty()) runs.push_back({plain, false}), plain.clear();
          runs.push_back({inner, true});
          i = close;
          continue;
        }
      }
    }
    plain.push_back(text[i]);
  }
  if (!plain.empty()) runs.push_back({plain, false});
}

// Width and height in pixels of a PNG image, from its header.
bool PngSize(const std::vector<std::uint8_t>& png, int& width, int& height) {
  static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (png.size() < 24 || !std::equal(signature, signature + 8, png.begin())) return false;
  if (std::memcmp(png.data() + 12, "IHDR", 4) != 0) return false;
  auto be32 = [&](std::size_t at) {
    return (std::uint32_t(png[at]) << 24) | (std::uint32_t(png[at + 1]) << 16) | (std::uint32_t(png[at + 2]) << 8) |
           std::uint32_t(png[at + 3]);
  };
  const std::uint32_t w = be32(16), h = be32(20);
  if (w == 0 || h == 0 || w > 100000 || h > 100000) return false;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

void AddRun(pugi::xml_node paragraph, const Run& run) {
  // Each tab becomes its own element between the text pieces.
  std::size_t start = 0;
  pugi::xml_node r = paragraph.append_child("w:r");
  if (run.superscript) r.append_child("w:rPr").append_child("w:vertAlign").append_attribute("w:val") = "superscript";
  for (;;) {
    const std::size_t tab = run.text.find('\t', start);
    const std::string piece = run.text.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
    if (!piece.empty()) {
      pugi::xml_node t = r.append_child("w:t");
      t.append_attribute("xml:space") = "preserve";
      t.text().set(piece.c_str());
    }
    if (tab == std::string::npos) break;
    r.append_child("w:tab");
    start = tab + 1;
  }
}

void AddParagraph(pugi::xml_node parent, const Paragraph& p) {
  pugi::xml_node para = parent.append_child("w:p");
  if (!p.style.empty() || p.centred || p.keepNext) {
    pugi::xml_node pPr = para.append_child("w:pPr");
    if (!p.style.empty()) pPr.append_child("w:pStyle").append_attribute("w:val") = p.style.c_str();
    if (p.keepNext) pPr.append_child("w:keepNext");
    if (p.centred) pPr.append_child("w:jc").append_attribute("w:val") = "center";
  }
  for (const Run& run : p.runs) AddRun(para, run);
}

void AddBorder(pugi::xml_node borders, const char* side) {
  pugi::xml_node b = borders.append_child(side);
  b.append_attribute("w:val") = "single";
  b.append_attribute("w:sz") = "4";
  b.append_attribute("w:space") = "0";
  b.append_attribute("w:color") = "000000";
}

// Display width of a cell text in half-width characters: East Asian
// characters and wide Latin letters count two, tabs four.
int DisplayWidth(const std::string& text) {
  int width = 0;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      width += c == '\t' ? 4 : (c == '@' || c == 'W' || c == 'M') ? 2 : 1;
      ++i;
    } else {
      width += 2;
      i += c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    }
  }
  return width;
}

// Paragraphs kept on the page of the table or picture that follows them.
constexpr std::size_t kLinesKeptWithNext = 5;
// Tables of at most this many rows are kept on one page.
constexpr int kWholeTableRows = 20;

void AddTable(pugi::xml_node body, const Table& t) {
  const int width = std::max(1, kTextWidthTwips * std::clamp(t.widthPercent, 1, 100) / 100);
  // Columns share the width by their longest line plus the cell margins,
  // so short labels leave room for long values; the heading row of a table
  // may wrap onto two lines.
  constexpr int kMargin = 3;
  std::vector<int> weights(static_cast<std::size_t>(std::max(0, t.columns)), 6);
  for (int r = 0; r < t.rows; ++r)
    for (int c = 0; c < t.columns; ++c) {
      std::stringstream lines(t.cells[static_cast<std::size_t>(r) * t.columns + c]);
      for (std::string line; std::getline(lines, line);) {
        const int w = DisplayWidth(line);
        weights[c] = std::max(weights[c], (r == 0 && t.rows > 1 ? (w + 1) / 2 : w) + kMargin);
      }
    }
  int total = 0;
  for (int w : weights) total += w;
  std::vector<int> columnWidths;
  for (int w : weights) columnWidths.push_back(std::max(1, width * w / std::max(1, total)));
  int tableWidth = 0;
  for (int w : columnWidths) tableWidth += w;
  pugi::xml_node tbl = body.append_child("w:tbl");
  pugi::xml_node tblPr = tbl.append_child("w:tblPr");
  pugi::xml_node tblW = tblPr.append_child("w:tblW");
  tblW.append_attribute("w:w") = tableWidth;
  tblW.append_attribute("w:type") = "dxa";
  tblPr.append_child("w:jc").append_attribute("w:val") = "center";
  pugi::xml_node borders = tblPr.append_child("w:tblBorders");
  for (const char* side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) AddBorder(borders, side);
  tblPr.append_child("w:tblLayout").append_attribute("w:type") = "fixed";
  pugi::xml_node grid = tbl.append_child("w:tblGrid");
  for (int c = 0; c < t.columns; ++c) grid.append_child("w:gridCol").append_attribute("w:w") = columnWidths[c];
  for (int r = 0; r < t.rows; ++r) {
    pugi::xml_node tr = tbl.append_child("w:tr");
    // Rows stay whole across pages; the heading row repeats on each page.
    pugi::xml_node trPr = tr.append_child("w:trPr");
    trPr.append_child("w:cantSplit");
    if (r == 0 && t.rows > 1) trPr.append_child("w:tblHeader");
    for (int c = 0; c < t.columns; ++c) {
      pugi::xml_node tc = tr.append_child("w:tc");
      pugi::xml_node tcW = tc.append_child("w:tcPr").append_child("w:tcW");
      tcW.append_attribute("w:w") = columnWidths[c];
      tcW.append_attribute("w:type") = "dxa";
      // A cell holds at least one paragraph; line breaks in its text start
      // further paragraphs.
      const std::string& text = t.cells[static_cast<std::size_t>(r) * t.columns + c];
      std::size_t start = 0;
      for (;;) {
        const std::size_t nl = text.find('\n', start);
        Paragraph p;
        p.style = "TableText";
        // A short table stays on one page: every row but the last keeps
        // with the next.
        p.keepNext = r + 1 < t.rows && t.rows <= kWholeTableRows;
        AppendRuns(p.runs, text.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
        AddParagraph(tc, p);
        if (nl == std::string::npos) break;
        start = nl + 1;
      }
    }
  }
}

void AddPicture(pugi::xml_node body, const Picture& pic, bool keepNext) {
  pugi::xml_node para = body.append_child("w:p");
  pugi::xml_node pPr = para.append_child("w:pPr");
  // A picture stays on the page of the caption that follows it.
  if (keepNext) pPr.append_child("w:keepNext");
  pPr.append_child("w:jc").append_attribute("w:val") = "center";
  pugi::xml_node inl = para.append_child("w:r").append_child("w:drawing").append_child("wp:inline");
  for (const char* a : {"distT", "distB", "distL", "distR"}) inl.append_attribute(a) = "0";
  pugi::xml_node extent = inl.append_child("wp:extent");
  extent.append_attribute("cx") = pic.cx;
  extent.append_attribute("cy") = pic.cy;
  pugi::xml_node docPr = inl.append_child("wp:docPr");
  docPr.append_attribute("id") = pic.number;
  docPr.append_attribute("name") = ("Picture " + std::to_string(pic.number)).c_str();
  inl.append_child("wp:cNvGraphicFramePr")
      .append_child("a:graphicFrameLocks")
      .append_attribute("noChangeAspect") = "1";
  pugi::xml_node graphic = inl.append_child("a:graphic");
  graphic.append_attribute("xmlns:a") = "http://schemas.openxmlformats.org/drawingml/2006/main";
  pugi::xml_node data = graphic.append_child("a:graphicData");
  data.append_attribute("uri") = "http://schemas.openxmlformats.org/drawingml/2006/picture";
  pugi::xml_node pic_ = data.append_child("pic:pic");
  pic_.append_attribute("xmlns:pic") = "http://schemas.openxmlformats.org/drawingml/2006/picture";
  pugi::xml_node nv = pic_.append_child("pic:nvPicPr");
  pugi::xml_node cNvPr = nv.append_child("pic:cNvPr");
  cNvPr.append_attribute("id") = pic.number;
  cNvPr.append_attribute("name") = ("image" + std::to_string(pic.number) + ".png").c_str();
  nv.append_child("pic:cNvPicPr");
  pugi::xml_node fill = pic_.append_child("pic:blipFill");
  fill.append_child("a:blip").append_attribute("r:embed") = pic.relId.c_str();
  fill.append_child("a:stretch").append_child("a:fillRect");
  pugi::xml_node spPr = pic_.append_child("pic:spPr");
  pugi::xml_node xfrm = spPr.append_child("a:xfrm");
  pugi::xml_node off = xfrm.append_child("a:off");
  off.append_attribute("x") = "0";
  off.append_attribute("y") = "0";
  pugi::xml_node ext = xfrm.append_child("a:ext");
  ext.append_attribute("cx") = pic.cx;
  ext.append_attribute("cy") = pic.cy;
  pugi::xml_node geom = spPr.append_child("a:prstGeom");
  geom.append_attribute("prst") = "rect";
  geom.append_child("a:avLst");
}

std::string ToString(const pugi::xml_document& doc) {
  std::ostringstream s;
  doc.save(s, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n" + s.str();
}

const char* const kContentTypes =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
    R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
    R"(<Default Extension="xml" ContentType="application/xml"/>)"
    R"(<Default Extension="png" ContentType="image/png"/>)"
    R"(<Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>)"
    R"(<Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/>)"
    R"(<Override PartName="/word/settings.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml"/>)"
    R"(<Override PartName="/word/fontTable.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.fontTable+xml"/>)"
    R"(<Override PartName="/word/header1.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml"/>)"
    R"(<Override PartName="/word/footer1.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.footer+xml"/>)"
    R"(<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/>)"
    R"(<Override PartName="/docProps/app.xml" ContentType="application/vnd.openxmlformats-officedocument.extended-properties+xml"/>)"
    R"(</Types>)";

const char* const kPackageRels =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>)"
    R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" Target="docProps/core.xml"/>)"
    R"(<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties" Target="docProps/app.xml"/>)"
    R"(</Relationships>)";

// Styles: 10.5 pt body text (五号) in Times New Roman / SimSun, a centred bold
// title, a bold first-level heading that outlines as such, and compact table
// text.
const char* const kStyles =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:styles xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
    R"(<w:docDefaults><w:rPrDefault><w:rPr>)"
    R"(<w:rFonts w:ascii="Times New Roman" w:hAnsi="Times New Roman" w:eastAsia="SimSun" w:cs="Times New Roman"/>)"
    R"(<w:sz w:val="21"/><w:szCs w:val="21"/><w:lang w:val="en-US" w:eastAsia="zh-CN"/>)"
    R"(</w:rPr></w:rPrDefault><w:pPrDefault><w:pPr><w:spacing w:after="0" w:line="360" w:lineRule="auto"/></w:pPr></w:pPrDefault></w:docDefaults>)"
    R"(<w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/><w:qFormat/></w:style>)"
    R"(<w:style w:type="paragraph" w:styleId="Title"><w:name w:val="Title"/><w:basedOn w:val="Normal"/><w:next w:val="Normal"/><w:qFormat/>)"
    R"(<w:pPr><w:jc w:val="center"/><w:spacing w:before="240" w:after="240"/></w:pPr><w:rPr><w:rFonts w:eastAsia="SimHei"/><w:b/><w:sz w:val="36"/><w:szCs w:val="36"/></w:rPr></w:style>)"
    R"(<w:style w:type="paragraph" w:styleId="Heading1"><w:name w:val="heading 1"/><w:basedOn w:val="Normal"/><w:next w:val="Normal"/><w:qFormat/>)"
    R"(<w:pPr><w:keepNext/><w:spacing w:before="240" w:after="120"/><w:outlineLvl w:val="0"/></w:pPr><w:rPr><w:rFonts w:eastAsia="SimHei"/><w:b/><w:sz w:val="28"/><w:szCs w:val="28"/></w:rPr></w:style>)"
    R"(<w:style w:type="paragraph" w:styleId="Heading2"><w:name w:val="heading 2"/><w:basedOn w:val="Normal"/><w:next w:val="Normal"/><w:qFormat/>)"
    R"(<w:pPr><w:keepNext/><w:spacing w:before="240" w:after="60"/><w:outlineLvl w:val="1"/></w:pPr><w:rPr><w:rFonts w:eastAsia="SimHei"/><w:b/><w:sz w:val="24"/><w:szCs w:val="24"/></w:rPr></w:style>)"
    R"(<w:style w:type="paragraph" w:styleId="Header"><w:name w:val="header"/><w:basedOn w:val="Normal"/>)"
    R"(<w:pPr><w:pBdr><w:bottom w:val="single" w:sz="4" w:space="1" w:color="000000"/></w:pBdr><w:jc w:val="center"/><w:spacing w:line="240" w:lineRule="auto"/></w:pPr><w:rPr><w:sz w:val="18"/><w:szCs w:val="18"/></w:rPr></w:style>)"
    R"(<w:style w:type="paragraph" w:styleId="Footer"><w:name w:val="footer"/><w:basedOn w:val="Normal"/>)"
    R"(<w:pPr><w:jc w:val="center"/><w:spacing w:line="240" w:lineRule="auto"/></w:pPr><w:rPr><w:sz w:val="18"/><w:szCs w:val="18"/></w:rPr></w:style>)"
    R"(<w:style w:type="paragraph" w:styleId="TableText"><w:name w:val="Table Text"/><w:basedOn w:val="Normal"/><w:qFormat/>)"
    R"(<w:pPr><w:jc w:val="center"/><w:spacing w:line="240" w:lineRule="auto"/></w:pPr><w:rPr><w:sz w:val="18"/><w:szCs w:val="18"/></w:rPr></w:style>)"
    R"(</w:styles>)";

const char* const kSettings =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:settings xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
    R"(<w:defaultTabStop w:val="420"/><w:characterSpacingControl w:val="compressPunctuation"/>)"
    R"(<w:compat><w:compatSetting w:name="compatibilityMode" w:uri="http://schemas.microsoft.com/office/word" w:val="15"/></w:compat>)"
    R"(</w:settings>)";

// SimSun and SimHei with the CJK fonts a Linux reader has as alternatives.
const char* const kFontTable =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:fonts xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">)"
    R"(<w:font w:name="Times New Roman"><w:charset w:val="00"/><w:family w:val="roman"/><w:pitch w:val="variable"/></w:font>)"
    R"(<w:font w:name="SimSun"><w:altName w:val="宋体"/><w:charset w:val="86"/><w:family w:val="auto"/><w:pitch w:val="variable"/></w:font>)"
    R"(<w:font w:name="SimHei"><w:altName w:val="黑体"/><w:charset w:val="86"/><w:family w:val="modern"/><w:pitch w:val="fixed"/></w:font>)"
    R"(</w:fonts>)";

const char* const kApp =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties"><Application>tankdesign</Application></Properties>)";

// The page header: the document's title, centred over a rule.
std::string HeaderPart(const std::string& title) {
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child("w:hdr");
  root.append_attribute("xmlns:w") = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
  Paragraph p;
  p.style = "Header";
  AppendRuns(p.runs, title);
  AddParagraph(root, p);
  return ToString(doc);
}

// The page footer "第x页 共y页": the page number and the number of pages
// as fields the word processor fills in.
std::string FooterPart() {
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child("w:ftr");
  root.append_attribute("xmlns:w") = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
  pugi::xml_node para = root.append_child("w:p");
  para.append_child("w:pPr").append_child("w:pStyle").append_attribute("w:val") = "Footer";
  auto text = [&para](const char* t) {
    pugi::xml_node node = para.append_child("w:r").append_child("w:t");
    node.append_attribute("xml:space") = "preserve";
    node.text().set(t);
  };
  auto field = [&para, &text](const char* instruction) {
    para.append_child("w:r").append_child("w:fldChar").append_attribute("w:fldCharType") = "begin";
    pugi::xml_node instr = para.append_child("w:r").append_child("w:instrText");
    instr.append_attribute("xml:space") = "preserve";
    instr.text().set(instruction);
    para.append_child("w:r").append_child("w:fldChar").append_attribute("w:fldCharType") = "separate";
    text("1");
    para.append_child("w:r").append_child("w:fldChar").append_attribute("w:fldCharType") = "end";
  };
  text("第");
  field(" PAGE ");
  text("页 共");
  field(" NUMPAGES ");
  text("页");
  return ToString(doc);
}

std::string CoreProperties(const std::string& title) {
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child("cp:coreProperties");
  root.append_attribute("xmlns:cp") = "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";
  root.append_attribute("xmlns:dc") = "http://purl.org/dc/elements/1.1/";
  root.append_child("dc:title").text().set(title.c_str());
  root.append_child("dc:creator").text().set("tankdesign");
  return ToString(doc);
}

}  // namespace

void InitDocumentWriter(const std::string& path) { WriterPath() = path; }
const std::string& GetDocumentWriterPath() { return WriterPath(); }

struct TankWordObj::Impl {
  std::string path;
  std::string openError;
  std::string writeError;
  std::vector<std::string> warnings;
  std::vector<Block> blocks;
  bool paragraphOpen = false;  // the last block is the running paragraph
  int tableWidth = 100;
  bool tableOpen = false;
  Table table;
  std::vector<std::vector<std::uint8_t>> media;  // media[i] is word/media/image{i+1}.png
  std::multimap<std::size_t, std::size_t> mediaByHash;  // hash of the bytes -> index in media
  int pictureCount = 0;  // pictures placed
  std::string title;
  std::string headerText;  // the page header; the first title when empty
  std::string documentXml;
  bool ended = false;
  bool closed = false;     // the file at path is ours
  bool cancelled = false;

  bool Writable() const { return openError.empty() && !closed && !cancelled; }

  Paragraph& Running() {
    if (!paragraphOpen) {
      blocks.emplace_back(Paragraph{});
      paragraphOpen = true;
    }
    return std::get<Paragraph>(blocks.back());
  }

  void Layout();
  bool Write();
};

TankWordObj::TankWordObj() : m_impl(std::make_unique<Impl>()) {
  Impl& d = *m_impl;
  d.path = WriterPath();
  std::error_code ec;
  if (d.path.empty()) {
    d.openError = "no document path was given";
    return;
  }
  const fs::path file(d.path);
  fs::path folder = file.parent_path();
  if (folder.empty()) folder = ".";
  if (!fs::exists(folder, ec)) {
    d.openError = "cannot open document " + d.path + ": folder " + folder.string() + " not found";
  } else if (!fs::is_directory(folder, ec)) {
    d.openError = "cannot open document " + d.path + ": " + folder.string() + " is not a folder";
  } else if (fs::is_directory(file, ec)) {
    d.openError = "cannot open document " + d.path + ": is a directory";
  } else if (::access(folder.c_str(), W_OK) != 0) {
    d.openError = "cannot open document " + d.path + ": " + std::strerror(errno);
  } else if (fs::exists(file, ec) && ::access(file.c_str(), W_OK) != 0) {
    d.openError = "cannot open document " + d.path + ": " + std::strerror(errno);
  }
}

TankWordObj::~TankWordObj() {
  // An unfinished document that was not cancelled is kept as written.
  if (m_impl->Writable()) {
    try {
      EndDocument();
      CloseDocument();
    } catch (...) {
    }
  }
}

bool TankWordObj::isEmpty() const { return !m_impl->openError.empty(); }
const std::string& TankWordObj::GetOpenError() const { return m_impl->openError; }
const std::string& TankWordObj::GetWriteError() const { return m_impl->writeError; }
const std::string& TankWordObj::GetPath() const { return m_impl->path; }
int TankWordObj::GetPictureCount() const { return m_impl->pictureCount; }
const std::vector<std::string>& TankWordObj::GetWarnings() const { return m_impl->warnings; }

void TankWordObj::WriteTitle(const std::string& text) {
  Impl& d = *m_impl;
  if (!d.Writable()) return;
  d.paragraphOpen = false;
  Paragraph p;
  p.style = "Title";
  AppendRuns(p.runs, XmlSafe(text));
  if (d.title.empty()) d.title = XmlSafe(text);
  d.blocks.emplace_back(std::move(p));
  d.ended = false;
}

void TankWordObj::SetHeaderText(const std::string& text) { m_impl->headerText = XmlSafe(text); }

void TankWordObj::WriteHeading(const std::string& text, int level) {
  Impl& d = *m_impl;
  if (!d.Writable()) return;
  d.paragraphOpen = false;
  // A heading is one paragraph; line breaks inside it become blanks.
  std::string flat = XmlSafe(text);
  std::replace(flat.begin(), flat.end(), '\n', ' ');
  Paragraph p;
  p.style = level >= 2 ? "Heading2" : "Heading1";
  AppendRuns(p.runs, flat);
  d.blocks.emplace_back(std::move(p));
  d.ended = false;
}

void TankWordObj::WriteText(const std::string& text) {
  Impl& d = *m_impl;
  if (!d.Writable()) return;
  const std::string safe = XmlSafe(text);
  std::size_t start = 0;
  for (;;) {
    const std::size_t nl = safe.find('\n', start);
    const std::string piece = safe.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
    if (!piece.empty()) AppendRuns(d.Running().runs, piece);
    if (nl == std::string::npos) break;
    // The line break ends the running paragraph (an empty line when none ran).
    d.Running();
    d.paragraphOpen = false;
    start = nl + 1;
  }
  d.ended = false;
}

void TankWordObj::InsertPicture(PictureHandle picture, int /*placement*/) {
  Impl& d = *m_impl;
  if (!d.Writable()) return;
  const auto* source = static_cast<const DocumentPicture*>(picture);
  if (!source) {
    d.warnings.push_back("an empty picture was left out");
    return;
  }
  std::vector<std::uint8_t> png = source->png;
  if (png.empty() && !source->path.empty()) {
    std::ifstream in(source->path, std::ios::binary);
    png.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  int width = 0, height = 0;
  if (!PngSize(png, width, height)) {
    d.warnings.push_back("picture " + (source->path.empty() ? std::string("(in memory)") : source->path) +
                         " is not a PNG image and was left out");
    return;
  }
  d.paragraphOpen = false;
  // A picture placed again (the same bytes) is stored once and shown as
  // often as it is placed.
  std::size_t index = d.media.size();
  const std::size_t hash = std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(png.data()), png.size()));
  const auto [first, last] = d.mediaByHash.equal_range(hash);
  for (auto it = first; it != last; ++it)
    if (d.media[it->second] == png) index = it->second;
  if (index == d.media.size()) {
    d.mediaByHash.emplace(hash, index);
    d.media.push_back(std::move(png));
  }
  Picture pic;
  pic.number = ++d.pictureCount;
  pic.relId = "rIdImage" + std::to_string(index + 1);
  // Scaled to the text width, and no taller than two thirds of the text height.
  const double share = source->widthShare > 0.0 && source->widthShare <= 1.0 ? source->widthShare : 1.0;
  double cx = double(kTextWidthTwips) * kEmuPerTwip * share;
  double cy = cx * height / width;
  const double maxHeight = double(kTextHeightTwips) * kEmuPerTwip * 2.0 / 3.0;
  if (cy > maxHeight) {
    cx *= maxHeight / cy;
    cy = maxHeight;
  }
  pic.cx = static_cast<long long>(cx);
  pic.cy = static_cast<long long>(cy);
  d.blocks.emplace_back(pic);
  d.ended = false;
}

void TankWordObj::SetTableWidth(int percent) { m_impl->tableWidth = std::clamp(percent, 1, 100); }

void TankWordObj::BeginTable(int rows, int columns) {
  Impl& d = *m_impl;
  if (!d.Writable()) return;
  d.paragraphOpen = false;
  d.tableOpen = rows > 0 && columns > 0;
  d.table = Table{};
  if (!d.tableOpen) return;
  d.table.rows = rows;
  d.table.columns = columns;
  d.table.widthPercent = d.tableWidth;
  d.table.cells.assign(static_cast<std::size_t>(rows) * columns, std::string());
}

void TankWordObj::SetCellText(int row, int column, const std::string& text) {
  Impl& d = *m_impl;
  if (!d.tableOpen || row < 0 || column < 0 || row >= d.table.rows || column >= d.table.columns) return;
  d.table.cells[static_cast<std::size_t>(row) * d.table.columns + column] = XmlSafe(text);
}

void TankWordObj::EndTable() {
  Impl& d = *m_impl;
  if (!d.tableOpen) return;
  d.tableOpen = false;
  d.blocks.emplace_back(std::move(d.table));
  d.table = Table{};
  d.ended = false;
}

void TankWordObj::Impl::Layout() {
  if (tableOpen) {
    tableOpen = false;
    blocks.emplace_back(std::move(table));
    table = Table{};
  }
  paragraphOpen = false;
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child("w:document");
  root.append_attribute("xmlns:w") = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
  root.append_attribute("xmlns:r") = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  root.append_attribute("xmlns:wp") = "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
  root.append_attribute("xmlns:a") = "http://schemas.openxmlformats.org/drawingml/2006/main";
  root.append_attribute("xmlns:pic") = "http://schemas.openxmlformats.org/drawingml/2006/picture";
  pugi::xml_node body = root.append_child("w:body");
  // The lines before a table or a picture (its caption, a section's title
  // and first lines) stay on its page: up to kLinesKeptWithNext paragraphs
  // directly before it keep with the next block.
  std::vector<bool> keep(blocks.size(), false);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (std::holds_alternative<Paragraph>(blocks[i])) continue;
    for (std::size_t k = i, n = 0; k > 0 && n < kLinesKeptWithNext && std::holds_alternative<Paragraph>(blocks[k - 1]);
         --k, ++n)
      keep[k - 1] = true;
  }
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const Block& b = blocks[i];
    const Block* next = i + 1 < blocks.size() ? &blocks[i + 1] : nullptr;
    if (const auto* p = std::get_if<Paragraph>(&b)) {
      if (keep[i] && !p->keepNext) {
        Paragraph kept = *p;
        kept.keepNext = true;
        AddParagraph(body, kept);
      } else {
        AddParagraph(body, *p);
      }
    } else if (const auto* t = std::get_if<Table>(&b)) {
      AddTable(body, *t);
    } else {
      AddPicture(body, std::get<Picture>(b), next && std::holds_alternative<Paragraph>(*next));
    }
  }
  // The body ends with a paragraph, as word processors expect after a table.
  if (blocks.empty() || !std::holds_alternative<Paragraph>(blocks.back())) body.append_child("w:p");
  pugi::xml_node sect = body.append_child("w:sectPr");
  // Every page: the document's title in the header, its number of the
  // whole in the footer.
  for (const auto& [kind, id] : {std::pair{"w:headerReference", "rIdHeader"}, std::pair{"w:footerReference", "rIdFooter"}}) {
    pugi::xml_node reference = sect.append_child(kind);
    reference.append_attribute("w:type") = "default";
    reference.append_attribute("r:id") = id;
  }
  pugi::xml_node size = sect.append_child("w:pgSz");
  size.append_attribute("w:w") = kPageWidthTwips;
  size.append_attribute("w:h") = kPageHeightTwips;
  pugi::xml_node margins = sect.append_child("w:pgMar");
  for (const char* side : {"w:top", "w:right", "w:bottom", "w:left"}) margins.append_attribute(side) = kMarginTwips;
  for (const char* side : {"w:header", "w:footer"}) margins.append_attribute(side) = 851;
  margins.append_attribute("w:gutter") = 0;
  documentXml = ToString(doc);
}

bool TankWordObj::Impl::Write() {
  pugi::xml_document rels;
  pugi::xml_node root = rels.append_child("Relationships");
  root.append_attribute("xmlns") = "http://schemas.openxmlformats.org/package/2006/relationships";
  auto relation = [&](const std::string& id, const char* type, const std::string& target) {
    pugi::xml_node r = root.append_child("Relationship");
    r.append_attribute("Id") = id.c_str();
    r.append_attribute("Type") = type;
    r.append_attribute("Target") = target.c_str();
  };
  relation("rIdStyles", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles", "styles.xml");
  relation("rIdSettings", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings",
           "settings.xml");
  relation("rIdFonts", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/fontTable",
           "fontTable.xml");
  relation("rIdHeader", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/header", "header1.xml");
  relation("rIdFooter", "http://schemas.openxmlformats.org/officeDocument/2006/relationships/footer", "footer1.xml");
  for (std::size_t i = 0; i < media.size(); ++i) {
    relation("rIdImage" + std::to_string(i + 1), "http://schemas.openxmlformats.org/officeDocument/2006/relationships/image",
             "media/image" + std::to_string(i + 1) + ".png");
  }
  // The parts, kept alive until the package is closed.
  std::vector<std::pair<std::string, std::string>> parts = {
      {"[Content_Types].xml", kContentTypes},
      {"_rels/.rels", kPackageRels},
      {"docProps/core.xml", CoreProperties(title)},
      {"docProps/app.xml", kApp},
      {"word/document.xml", documentXml},
      {"word/styles.xml", kStyles},
      {"word/settings.xml", kSettings},
      {"word/fontTable.xml", kFontTable},
      {"word/header1.xml", HeaderPart(headerText.empty() ? title : headerText)},
      {"word/footer1.xml", FooterPart()},
      {"word/_rels/document.xml.rels", ToString(rels)},
  };

  const std::string temp = path + ".part";
  std::error_code ec;
  fs::remove(temp, ec);
  int error = 0;
  zip_t* zip = zip_open(temp.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!zip) {
    zip_error_t ze;
    zip_error_init_with_code(&ze, error);
    writeError = "cannot write " + path + ": " + zip_error_strerror(&ze);
    zip_error_fini(&ze);
    return false;
  }
  auto add = [&](const std::string& name, const void* data, std::size_t size) {
    zip_source_t* src = zip_source_buffer(zip, data, size, 0);
    if (!src) return false;
    if (zip_file_add(zip, name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
      zip_source_free(src);
      return false;
    }
    return true;
  };
  bool ok = true;
  for (const auto& [name, text] : parts) ok = ok && add(name, text.data(), text.size());
  // PNG is compressed already: stored as it is.
  for (std::size_t i = 0; ok && i < media.size(); ++i) {
    const std::string name = "word/media/image" + std::to_string(i + 1) + ".png";
    ok = add(name, media[i].data(), media[i].size()) &&
         zip_set_file_compression(zip, zip_name_locate(zip, name.c_str(), 0), ZIP_CM_STORE, 0) == 0;
  }
  if (!ok) {
    writeError = "cannot write " + path + ": " + zip_strerror(zip);
    zip_discard(zip);
    fs::remove(temp, ec);
    return false;
  }
  if (zip_close(zip) != 0) {
    writeError = "cannot write " + path + ": " + zip_strerror(zip);
    zip_discard(zip);
    fs::remove(temp, ec);
    return false;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    writeError = "cannot write " + path + ": " + std::strerror(errno);
    fs::remove(temp, ec);
    return false;
  }
  return true;
}

void TankWordObj::EndDocument() {
  Impl& d = *m_impl;
  if (!d.Writable()) return;
  d.Layout();
  d.ended = true;
}

bool TankWordObj::CloseDocument() {
  Impl& d = *m_impl;
  if (!d.Writable()) return false;
  if (!d.ended) EndDocument();
  d.writeError.clear();
  if (!d.Write()) return false;
  d.closed = true;
  return true;
}

void TankWordObj::CancelDocument() {
  Impl& d = *m_impl;
  if (d.cancelled || !d.openError.empty()) return;
  d.cancelled = true;
  d.tableOpen = false;
  d.blocks.clear();
  d.media.clear();
  d.mediaByHash.clear();
  std::error_code ec;
  if (d.closed) fs::remove(d.path, ec);
  fs::remove(d.path + ".part", ec);
}

std::string TankWordObj::GetDocumentXml() const {
  if (!m_impl->ended) return std::string();
  return m_impl->documentXml;
}
