// The calculation-document writer: a Word document (Office Open XML, .docx)
// built in memory block by block and written as one zip package.
//
// InitDocumentWriter(path) names the file the next TankWordObj writes.  The
// document object opens it at construction: the folder must exist and be
// writable and the path must not be a folder; otherwise isEmpty() is true and
// GetOpenError() says why.  Nothing is written to the path before
// CloseDocument, which writes a temporary file beside it and renames it over
// the path only when the package was written whole, so an earlier document of
// the same name survives a failed or cancelled run.
//
// Text: WriteText appends to the running paragraph; "\n" ends the paragraph
// (the next text starts a new line), "\t" is a tab, and "$n$" (a short run
// without spaces between two dollar signs, e.g. "m$2$") is set as a
// superscript.  WriteTitle and WriteHeading write paragraphs of the "Title"
// and "Heading 1" or "Heading 2" styles (outline levels, so that a reader's
// navigation and a table of contents find them).  Tables: BeginTable(rows,
// columns), SetCellText in any order (0-based, the last write wins;
// out-of-range cells are ignored),
// EndTable places it, at the width SetTableWidth gave last (percent of the
// text width, 100 until set), with single borders.  Pictures: InsertPicture
// takes a handle to a DocumentPicture (PNG bytes or a PNG file) and embeds a
// copy in its own centred paragraph, scaled to its share of the text width
// (DocumentPicture::widthShare; never taller than two thirds of the text
// height).  The lines before a table or picture (up to five paragraphs: a
// caption, a section's title and first lines), a picture and the caption
// after it, and the rows of a short table are kept on one page.  Every
// page has the document's title in its header (SetHeaderText, else the
// first WriteTitle) and "第x页 共y页" in its footer (page and page-count
// fields).  Page A4 portrait; East Asian text in
// SimSun (readers without it fall back to a CJK serif font), Latin text in
// Times New Roman.
//
// Finishing: EndDocument closes the running paragraph and lays the package
// out; CloseDocument writes it; CancelDocument drops the document and
// removes whatever this object wrote (also after CloseDocument).  A document
// destroyed unfinished and not cancelled is written as it stands.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// An opaque picture reference handed through the calculation-book writer to
// InsertPicture.  In this host it points to a DocumentPicture.
typedef void* PictureHandle;

// A picture the host hands to the document: PNG bytes, or when they are empty,
// the path of a PNG file.
struct DocumentPicture {
  std::vector<std::uint8_t> png;
  std::string path;
  // Share of the text width the picture takes (0 < share <= 1).
  double widthShare = 1.0;
};

// Names the file the next TankWordObj opens (UTF-8 path).
void InitDocumentWriter(const std::string& path);
// The path InitDocumentWriter gave last.
const std::string& GetDocumentWriterPath();

class TankWordObj {
 public:
  TankWordObj();
  ~TankWordObj();
  TankWordObj(const TankWordObj&) = delete;
  TankWordObj& operator=(const TankWordObj&) = delete;

  // True when no document could be opened; GetOpenError says why.
  bool isEmpty() const;
  const std::string& GetOpenError() const;
  // The reason the last CloseDocument failed, empty after a good close.
  const std::string& GetWriteError() const;
  const std::string& GetPath() const;

  void WriteTitle(const std::string& text);
  // Level 1 (the default) or 2: "Heading 1" or "Heading 2".
  void WriteHeading(const std::string& text, int level = 1);
  // The text of every page's header (the first title when not set).
  void SetHeaderText(const std::string& text);
  void WriteText(const std::string& text);
  // Embeds the picture; the second argument is the picture's placement code,
  // 0 (inline, centred) being the only one used.
  void InsertPicture(PictureHandle picture, int placement);

  void SetTableWidth(int percent);
  void BeginTable(int rows, int columns);
  void SetCellText(int row, int column, const std::string& text);
  void EndTable();

  void EndDocument();
  bool CloseDocument();
  void CancelDocument();

  // The document part (word/document.xml) as EndDocument laid it out; for
  // tests and diagnostics.
  std::string GetDocumentXml() const;
  // Number of pictures placed so far (a picture placed again is stored
  // once), and the warnings (pictures that could not be read and were left
  // out).
  int GetPictureCount() const;
  const std::vector<std::string>& GetWarnings() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
