// Placeholder result labels until the board result texts are built: every
// edge gets its six texts, empty, with their kinds, so the plans place and
// file them; a board gets no centre labels.  The real texts replace this file.
#include "drawing/ResultLabels.h"

#include <boost/make_shared.hpp>

void MakeEdgeResultTexts(std::vector<ReinZonePtr>, std::vector<ReinZonePtr>, const _3dPoint&, const _3dVector&,
                         const _3dVector&, const BoardEdge&, bool, double, EntityList& entities,
                         std::vector<int>& kinds) {
  for (int kind : {0x80, 0x100, 0x200, 0x400, 0x800, 0x800}) {
    auto text = boost::make_shared<_Text>();
    text->SetAlignment(_Text::kCenter, _Text::kMiddle);
    entities.push_back(text);
    kinds.push_back(kind);
  }
}

std::pair<boost::shared_ptr<_Text>, boost::shared_ptr<_Text>> GetCrackWidthTexts(const EntityList& entities,
                                                                                  const std::vector<int>& kinds) {
  std::vector<boost::shared_ptr<_Text>> crack;
  for (std::size_t i = 0; i < entities.size() && i < kinds.size(); ++i)
    if (kinds[i] == 0x800)
      if (auto t = boost::dynamic_pointer_cast<_Text>(entities[i])) crack.push_back(t);
  if (crack.size() < 2) return {};
  return {crack[0], crack[1]};
}

void MakeBoardResultLabels(const Board&, bool, double, const _2dPoint&, double, double, int, double, AcadViewBoard*,
                           EntityList&, std::vector<int>&) {}
