#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace zant::e2e {

// Which stock icon a message box shows. Icon handles mean nothing across processes, so the
// icon control's pixels are read from the screen and compared with each stock icon drawn by
// this process at the same size on the same background.
struct IconMatch {
  // "information", "warning", "error", "question"; "none" when the box has no icon control;
  // "unknown" when no stock icon is clearly the closest.
  std::string kind;
  // Mean absolute difference per colour channel (0 to 255) against each stock icon.
  std::vector<std::pair<std::string, double>> scores;
};

IconMatch MatchStockIcon(HWND icon_control);

}  // namespace zant::e2e
