// The calculation book of a tank: title block, design codes, schematics,
// basic data, anti-floating and bearing checks and one section per member
// with the result tables of both faces, written through the document writer
// (platform/Felgar.h) into the file the view board names.
//
// A run reports progress through the host's callback as fn(percent,
// &cancel): 15 after the opening sections, 25 after the basic data and the
// checks, 25 + 75·k/N before member k of N, and 100 at the end.  After every
// report the writer reads the cancel value: 1 abandons the document (no file
// is left and an earlier book of the same name is kept), another non-zero
// value stops the run and leaves the document as written so far.
//
// Both entries answer true when the document was finished and written, false
// when it could not be opened or written, was cancelled or stopped; then
// GetLastError() says why.
#pragma once

#include "platform/Felgar.h"
#include "platform/HostServices.h"
#include "platform/Quenby.h"
#include "platform/Zarvel.h"

#include <boost/shared_ptr.hpp>

#include <string>
#include <tuple>
#include <vector>

// The eight switches of a book, indexed from 0; a part is written when its
// flag is 1: 0 title block, 1 design codes, 2 schematics, 3 basic data,
// 4 load diagrams in the picture list (a layout flag), 5 anti-floating check,
// 6 bearing check, 7 member calculations.
using CalcBookOptions = std::vector<int>;

// A picture of one member: its board number and the picture.
struct MemberPicture {
  int memberNumber = 0;
  PictureHandle picture = nullptr;
};

class CalcBookWriter {
 public:
  CalcBookWriter() = default;
  bool HasDocument() const { return static_cast<bool>(m_document); }
  const boost::shared_ptr<TankWordObj>& GetDocument() const { return m_document; }
  const std::string& GetLastError() const { return m_error; }
  // Lets the document go: a document the host stopped is written as it
  // stands, a finished or cancelled one is already settled.
  void ReleaseDocument() { m_document.reset(); }

  bool WriteForModel(const Tank& tank, ProjectSettings& settings, const std::vector<PictureHandle>& pictures,
                     const CalcBookOptions& options, const std::vector<MemberPicture>& bottomPictures,
                     const std::vector<MemberPicture>& topPictures, const std::vector<MemberPicture>& wallPictures,
                     CancelProgressFn fn);
  bool WriteForMembers(ProjectSettings& settings, const std::vector<PictureHandle>& pictures,
                       const CalcBookOptions& options, const std::vector<StructureComponentPtr>& topSlabs,
                       const std::vector<StructureComponentPtr>& bottomSlabs,
                       const std::vector<StructureComponentPtr>& walls,
                       const std::vector<MemberPicture>& bottomPictures, const std::vector<MemberPicture>& topPictures,
                       const std::vector<MemberPicture>& wallPictures, CancelProgressFn fn);

  // Sections.
  void WriteDesignCodes(int number);
  void WriteSchematics(const std::vector<PictureHandle>& pictures, int number, bool withLoadDiagrams);
  void WriteBasicData(ProjectSettings& settings, const std::vector<PictureHandle>& pictures,
                      const CalcBookOptions& options, int number);
  void WriteUpliftCheck(int number);
  void WriteBearingCheck(int number);
  void WriteMemberSection(ProjectSettings& settings, const boost::shared_ptr<Board>& board,
                          const std::vector<MemberPicture>& bottomPictures,
                          const std::vector<MemberPicture>& topPictures,
                          const std::vector<MemberPicture>& wallPictures);
  void WriteWallSection(ProjectSettings& settings, const boost::shared_ptr<Board>& board,
                        const std::vector<MemberPicture>& pictures);
  void WriteBottomSlabSection(ProjectSettings& settings, const boost::shared_ptr<Board>& board,
                              const std::vector<MemberPicture>& pictures);
  void WriteTopSlabSection(ProjectSettings& settings, const boost::shared_ptr<Board>& board,
                           const std::vector<MemberPicture>& pictures);
  void WriteOuterResultTable(const boost::shared_ptr<Board>& board);
  void WriteInnerResultTable(const boost::shared_ptr<Board>& board);

  // Texts shared by the sections.
  static void GetChineseNumeral(int n, std::string& out);
  static std::string FormatInt(int value);
  static std::string FormatReal(double value);
  static std::string GetGradeSymbolCode(const std::string& grade);
  // The mode line of a member: finite element, one-way or two-way plate.
  static std::string GetModeText(const ProjectSettings& settings, const Board& board);

 private:
  // One member of the book's member walk: the component, the section it gets
  // (0 wall, 1 bottom slab, 2 top slab, or by the board's kind) and whether
  // it reports progress (it counts in the walk either way).
  static constexpr int kSectionByKind = -1;
  struct BookMember {
    StructureComponentPtr component;
    int section = kSectionByKind;
    bool reports = true;
  };
  // The bottom-slab, top-slab and wall member pictures.
  using MemberPictureLists = std::tuple<const std::vector<MemberPicture>*, const std::vector<MemberPicture>*,
                                        const std::vector<MemberPicture>*>;
  // A whole run: open, opening sections, the member walk, finishing.
  bool Run(ProjectSettings& settings, const std::vector<PictureHandle>& pictures, const CalcBookOptions& options,
           const std::vector<BookMember>& members, const MemberPictureLists& memberPictures, CancelProgressFn fn);
  // Opens a new document; false (with the reason kept) when it cannot be.
  bool Open();
  // Steps 3 to 7 of a run: title, codes, schematics, basic data, checks;
  // returns the last section number, or -1 when the host stopped the run.
  int WriteOpeningSections(ProjectSettings& settings, const std::vector<PictureHandle>& pictures,
                           const CalcBookOptions& options, CancelProgressFn fn);
  // Reports and reads the cancel value; true when the run goes on.
  bool Report(CancelProgressFn fn, int percent);
  // Ends a run that the host stopped at a report.
  bool Stopped();
  bool Finish();
  void WriteResultTable(const Board& board, bool upper);
  void WriteCheckSection(const std::string& heading, const std::vector<std::string>& lines);
  void WriteText(const std::string& text);
  void WriteHeading(const std::string& text);

  boost::shared_ptr<TankWordObj> m_document;
  int m_cancel = 0;
  std::string m_error;
};
