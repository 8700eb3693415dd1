// The calculation-document writer, read back by an independent reader
// (python-docx through tests/tools/docx_report.py) and by libzip.
#include "platform/Felgar.h"
#include "tests/docx_reader.h"
#include "tests/test_paths.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using nlohmann::json;
namespace fs = std::filesystem;

json ReadWithPythonDocx(const std::string& path) { return docx_reader::Read(path); }

// A PNG of the given size drawn with cairo.
std::vector<std::uint8_t> Png(int width, int height) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_rectangle(cr, 10, 10, width - 20, height - 20);
  cairo_stroke(cr);
  cairo_destroy(cr);
  std::vector<std::uint8_t> bytes;
  cairo_surface_write_to_png_stream(
      surface,
      [](void* closure, const unsigned char* data, unsigned int length) {
        auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
        out->insert(out->end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
      },
      &bytes);
  cairo_surface_destroy(surface);
  return bytes;
}

std::string FileText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

class DocWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { dir = MakeTestTempDir(); }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  // The files in the folder, so a test can see that nothing else was left.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir;
};

// Pictures placed again (the same bytes, through one handle or two) are
// stored once, as they are (PNG is compressed already); the lines before a
// table or picture keep with it, a picture with the caption after it;
// second-level headings.
TEST_F(DocWriterTest, PicturesStoredOnceCaptionsKeptWithTheirTables) {
  const std::string path = Path("book.docx");
  InitDocumentWriter(path);
  DocumentPicture wall{Png(400, 200), {}};
  DocumentPicture sameWall{Png(400, 200), {}};
  DocumentPicture slab{Png(300, 300), {}};
  {
    TankWordObj doc;
    doc.WriteHeading("池壁1计算", 2);
    doc.InsertPicture(&wall, 0);
    doc.WriteText("caption of the picture\n");
    doc.WriteText("caption of the table\n");
    doc.BeginTable(2, 2);
    doc.EndTable();
    doc.WriteText("text after the table\n");
    doc.InsertPicture(&sameWall, 0);
    doc.InsertPicture(&slab, 0);
    doc.InsertPicture(&wall, 0);
    ASSERT_TRUE(doc.CloseDocument()) << doc.GetWriteError();
    EXPECT_EQ(doc.GetPictureCount(), 4);
  }
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
  ASSERT_NE(zip, nullptr);
  int media = 0;
  for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
    zip_stat_t st;
    ASSERT_EQ(zip_stat_index(zip, i, 0, &st), 0);
    if (std::string(st.name).rfind("word/media/", 0) != 0) continue;
    ++media;
    EXPECT_EQ(st.comp_method, ZIP_CM_STORE) << st.name;
  }
  zip_close(zip);
  EXPECT_EQ(media, 2);

  const json r = ReadWithPythonDocx(path);
  ASSERT_TRUE(r.is_object());
  EXPECT_EQ(r["pictures"].size(), 4u);
  const json& body = r["body"];
  ASSERT_GE(body.size(), 6u);
  EXPECT_EQ(body[0]["style"], "Heading 2");
  EXPECT_EQ(body[1]["pictures"], 1);
  EXPECT_TRUE(body[1]["keep_with_next"].get<bool>());  // the picture, with its caption
  EXPECT_EQ(body[3]["text"], "caption of the table");
  EXPECT_TRUE(body[3]["keep_with_next"].get<bool>());
  EXPECT_TRUE(body[2]["keep_with_next"].get<bool>());
  EXPECT_EQ(body[4]["kind"], "table");
  EXPECT_TRUE(body[5]["keep_with_next"].get<bool>());  // before a picture
  // The last picture ends the body: nothing after it to keep with.
  EXPECT_FALSE(body.back()["keep_with_next"].get<bool>());
}

// A small book: title, heading, running text with tabs, line breaks and
// superscripts, a table filled out of order, a wide and a tall picture.
TEST_F(DocWriterTest, BookReadsBackAsWritten) {
  const std::string path = Path("calcbook.docx");
  InitDocumentWriter(path);
  DocumentPicture wide{Png(800, 400), {}};
  DocumentPicture tall{Png(200, 1000), {}};
  {
    TankWordObj doc;
    ASSERT_FALSE(doc.isEmpty()) << doc.GetOpenError();
    doc.WriteTitle("水池设计计算书");
    doc.WriteHeading("一、依据规范：");
    doc.WriteText("\t《混凝土结构设计规范》(GB 50010-2002)");
    doc.WriteText("\n\t重度(kN/m$3$)\t面积 As=753.98mm$2$，价格 $ 5 不是上标\n");
    doc.InsertPicture(&wide, 0);
    doc.WriteText("\t\t底板示意图\n");
    doc.InsertPicture(&tall, 0);
    doc.SetTableWidth(60);
    doc.BeginTable(3, 4);
    doc.SetCellText(2, 3, "last");
    doc.SetCellText(0, 0, "名称");
    doc.SetCellText(1, 2, "first");
    doc.SetCellText(1, 2, "C30 f$c$");  // the last write wins
    doc.SetCellText(5, 0, "ignored");   // outside the table
    doc.EndTable();
    doc.EndDocument();
    ASSERT_TRUE(doc.CloseDocument()) << doc.GetWriteError();
    EXPECT_EQ(doc.GetPictureCount(), 2);
  }
  EXPECT_EQ(Files(), std::vector<std::string>{"calcbook.docx"});

  const json r = ReadWithPythonDocx(path);
  ASSERT_TRUE(r.is_object());
  EXPECT_EQ(r["title"], "水池设计计算书");
  EXPECT_NEAR(r["page_mm"][0].get<double>(), 210.0, 0.5);
  EXPECT_NEAR(r["page_mm"][1].get<double>(), 297.0, 0.5);
  const json& body = r["body"];
  std::vector<std::string> kinds, styles, texts;
  for (const json& b : body) {
    kinds.push_back(b["kind"]);
    styles.push_back(b.value("style", ""));
    texts.push_back(b.value("text", ""));
  }
  ASSERT_GE(body.size(), 8u);
  EXPECT_EQ(styles[0], "Title");
  EXPECT_EQ(texts[0], "水池设计计算书");
  EXPECT_EQ(styles[1], "Heading 1");
  EXPECT_EQ(texts[1], "一、依据规范：");
  EXPECT_EQ(texts[2], "\t《混凝土结构设计规范》(GB 50010-2002)");
  EXPECT_EQ(texts[3], "\t重度(kN/m3)\t面积 As=753.98mm2，价格 $ 5 不是上标");
  EXPECT_EQ(body[3]["superscripts"], json::array({"3", "2"}));
  EXPECT_EQ(body[4]["pictures"], 1);
  EXPECT_EQ(texts[5], "\t\t底板示意图");
  EXPECT_EQ(body[6]["pictures"], 1);
  ASSERT_EQ(kinds[7], "table");
  EXPECT_EQ(body[7]["rows"], 3);
  EXPECT_EQ(body[7]["columns"], 4);
  EXPECT_EQ(body[7]["cells"][0][0], "名称");
  EXPECT_EQ(body[7]["cells"][1][2], "C30 fc");
  EXPECT_EQ(body[7]["cells"][2][3], "last");
  EXPECT_EQ(body[7]["cells"][2][0], "");

  // The wide picture fills the text width (160 mm), the tall one is held to
  // two thirds of the text height, both keep their proportions.
  const json& pictures = r["pictures"];
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_NEAR(pictures[0]["width_mm"].get<double>(), 160.0, 0.5);
  EXPECT_NEAR(pictures[0]["height_mm"].get<double>(), 80.0, 0.5);
  EXPECT_NEAR(pictures[1]["height_mm"].get<double>(), (297.0 - 50.0) * 2.0 / 3.0, 0.5);
  EXPECT_NEAR(pictures[1]["width_mm"].get<double>() * 5.0, pictures[1]["height_mm"].get<double>(), 0.5);
}

// The package holds the parts a word processor needs, and the table width
// follows SetTableWidth as a share of the text width.
TEST_F(DocWriterTest, PackagePartsAndTableWidth) {
  const std::string path = Path("book.docx");
  InitDocumentWriter(path);
  TankWordObj doc;
  doc.SetTableWidth(50);
  doc.BeginTable(1, 2);
  doc.EndTable();
  doc.EndDocument();
  EXPECT_NE(doc.GetDocumentXml().find("<w:tblW w:w=\"4534\" w:type=\"dxa\""), std::string::npos);
  ASSERT_TRUE(doc.CloseDocument());
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
  ASSERT_NE(zip, nullptr);
  for (const char* part : {"[Content_Types].xml", "_rels/.rels", "word/document.xml", "word/styles.xml",
                           "word/_rels/document.xml.rels", "word/fontTable.xml", "docProps/core.xml"}) {
    EXPECT_GE(zip_name_locate(zip, part, 0), 0) << part;
  }
  zip_close(zip);
}

// Cancelling leaves no file, before or after closing, and never touches an
// earlier book of the same name until a new one was written whole.
TEST_F(DocWriterTest, CancelLeavesNothingAndKeepsEarlierBook) {
  const std::string path = Path("calcbook.docx");
  {
    std::ofstream(path) << "earlier book";
  }
  InitDocumentWriter(path);
  {
    TankWordObj doc;
    doc.WriteText("half a book");
    doc.CancelDocument();
  }
  EXPECT_EQ(FileText(path), "earlier book");
  EXPECT_EQ(Files(), std::vector<std::string>{"calcbook.docx"});

  fs::remove(path);
  {
    TankWordObj doc;
    doc.WriteText("a whole book");
    doc.EndDocument();
    ASSERT_TRUE(doc.CloseDocument());
    EXPECT_TRUE(fs::exists(path));
    doc.CancelDocument();
  }
  EXPECT_TRUE(Files().empty());
}

// A document dropped unfinished and not cancelled is kept as written; writes
// after closing change nothing.
TEST_F(DocWriterTest, UnfinishedDocumentIsKeptAsWritten) {
  const std::string path = Path("stopped.docx");
  InitDocumentWriter(path);
  {
    TankWordObj doc;
    doc.WriteHeading("一、设计资料");
    doc.WriteText("\t只写了一半");
  }
  const json r = ReadWithPythonDocx(path);
  ASSERT_TRUE(r.is_object());
  ASSERT_EQ(r["body"].size(), 2u);
  EXPECT_EQ(r["body"][1]["text"], "\t只写了一半");
  EXPECT_EQ(Files(), std::vector<std::string>{"stopped.docx"});
}

// Texts a word processor could not read (control bytes, broken UTF-8) are
// cleaned; pictures that are not PNG are left out with a warning.
TEST_F(DocWriterTest, BadTextAndPicturesAreCleaned) {
  const std::string path = Path("clean.docx");
  InitDocumentWriter(path);
  DocumentPicture notPng{{'G', 'I', 'F', '8'}, {}};
  DocumentPicture missing{{}, Path("no-such.png")};
  {
    TankWordObj doc;
    doc.WriteText(std::string("a\x01" "b\xff" "c\xe4\xb8" "d\xe4\xb8\xad"));
    doc.InsertPicture(&notPng, 0);
    doc.InsertPicture(&missing, 0);
    doc.InsertPicture(nullptr, 0);
    EXPECT_EQ(doc.GetPictureCount(), 0);
    EXPECT_EQ(doc.GetWarnings().size(), 3u);
    ASSERT_TRUE(doc.CloseDocument());
  }
  const json r = ReadWithPythonDocx(path);
  ASSERT_TRUE(r.is_object());
  EXPECT_EQ(r["body"][0]["text"], "ab\xEF\xBF\xBD" "c\xEF\xBF\xBD\xEF\xBF\xBD" "d中");
}

// A document that cannot be opened says why and writes nothing.
TEST_F(DocWriterTest, UnopenableDocumentSaysWhy) {
  struct Case {
    std::string path;
    std::string reason;
  };
  fs::create_directories(dir / "folder.docx");
  const std::vector<Case> cases = {
      {"", "no document path"},
      {Path("missing/book.docx"), "not found"},
      {Path("folder.docx"), "is a directory"},
  };
  for (const Case& c : cases) {
    InitDocumentWriter(c.path);
    TankWordObj doc;
    EXPECT_TRUE(doc.isEmpty()) << c.path;
    EXPECT_NE(doc.GetOpenError().find(c.reason), std::string::npos) << doc.GetOpenError();
    doc.WriteText("x");
    EXPECT_FALSE(doc.CloseDocument());
  }
  EXPECT_EQ(Files(), std::vector<std::string>{"folder.docx"});
}

}  // namespace
