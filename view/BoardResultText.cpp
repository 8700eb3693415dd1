#include "view/BoardResultText.h"

#include "platform/Morlak.h"
#include "platform/Nirvox.h"

#include <cstdio>

std::string GetLoadCaseName(int code) {
  switch (code) {
    case 1: return "无水有土";
    case 2: return "有水无土";
    case 3: return "无水无土";
    default: return "有水有土";
  }
}

double ProvidedBarArea(int diameter, int spacing) {
  if (diameter <= 0 || spacing <= 0) return 0.0;
  return diameter * g_Pi * diameter * 250.0 / static_cast<double>(spacing);
}

namespace {

bool IsSlab(const Board& board) { return board.GetKind() == 1 || board.GetKind() == 2; }

// The pair of face values in label order.
template <typename T>
std::pair<T, T> Ordered(T upper, T lower, bool upperFirst) {
  return upperFirst ? std::pair<T, T>(upper, lower) : std::pair<T, T>(lower, upper);
}

std::string Format(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

void MakeBoardLabelText(double yPair[2], double xPair[2], Board& board, bool upperFirst, int flag,
                        std::string& first, std::string& second) {
  switch (flag) {
    case 16: {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "B%d", board.GetNumber());
      first = buffer;
      break;
    }
    case 32:
      if (IsSlab(board)) first = Format("H=%.0f", board.GetThickness());
      break;
    case 64:
      // The level of the slab's top face: the face on the +z side, which for
      // an up-facing slab is the upper face, wherever the slab is eccentric.
      if (IsSlab(board) && board.GetNormal().IsSameDirection(_3dVector(0, 0, 1), 0.001))
        first = Format("%.3f", (board.GetOrigin().z + board.GetUpperOffset()) * 0.001);
      break;
    case 128: {
      const auto x = Ordered(board.GetUpperXBasicMoment(), board.GetLowerXBasicMoment(), upperFirst);
      const auto y = Ordered(board.GetUpperYBasicMoment(), board.GetLowerYBasicMoment(), upperFirst);
      FormatValuePair(first, x.first, x.second);
      FormatValuePair(second, y.first, y.second);
      break;
    }
    case 256: {
      const auto x = Ordered(GetLoadCaseName(board.GetUpperXCombination()),
                             GetLoadCaseName(board.GetLowerXCombination()), upperFirst);
      const auto y = Ordered(GetLoadCaseName(board.GetUpperYCombination()),
                             GetLoadCaseName(board.GetLowerYCombination()), upperFirst);
      JoinTexts(first, x.first, x.second);
      JoinTexts(second, y.first, y.second);
      break;
    }
    case 512: {
      const auto x = Ordered(board.GetUpperXCalcArea(), board.GetLowerXCalcArea(), upperFirst);
      const auto y = Ordered(board.GetUpperYCalcArea(), board.GetLowerYCalcArea(), upperFirst);
      FormatValuePair(first, x.first, x.second);
      FormatValuePair(second, y.first, y.second);
      break;
    }
    case 1024: {
      const auto x = Ordered(ProvidedBarArea(board.GetUpperXDiameter(), board.GetUpperXSpacing()),
                             ProvidedBarArea(board.GetLowerXDiameter(), board.GetLowerXSpacing()), upperFirst);
      const auto y = Ordered(ProvidedBarArea(board.GetUpperYDiameter(), board.GetUpperYSpacing()),
                             ProvidedBarArea(board.GetLowerYDiameter(), board.GetLowerYSpacing()), upperFirst);
      FormatValuePair(first, x.first, x.second);
      FormatValuePair(second, y.first, y.second);
      break;
    }
    case 2048: {
      const auto x = Ordered(board.GetUpperXCrackWidth(), board.GetLowerXCrackWidth(), upperFirst);
      const auto y = Ordered(board.GetUpperYCrackWidth(), board.GetLowerYCrackWidth(), upperFirst);
      xPair[0] = x.first;
      xPair[1] = x.second;
      yPair[0] = y.first;
      yPair[1] = y.second;
      FormatValuePair(first, xPair[0], xPair[1]);
      FormatValuePair(second, yPair[0], yPair[1]);
      break;
    }
    default:
      break;
  }
}

std::pair<std::string, std::string> SplitAtParen(const std::string& text) {
  const auto at = text.find('(');
  if (at == std::string::npos) return {};
  return {text.substr(0, at), text.substr(at)};
}
