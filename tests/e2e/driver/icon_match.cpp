#include "icon_match.h"

#include <cstdint>
#include <cstdlib>

namespace zant::e2e {

namespace {

// The shown icon is drawn by the same code from the same stock image, so it matches exactly
// (difference 0). The closest other pair, information and question (both blue and round),
// differs by about 5 under Wine; warning and error differ from everything by more than 60.
constexpr double kSameIcon = 1.5;
constexpr double kClearMargin = 3.0;

// A top-down 32-bit bitmap with a memory DC selected into it.
class PixelCanvas {
 public:
  PixelCanvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ =
        CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    if (dc_ != nullptr && bitmap_ != nullptr) {
      old_ = SelectObject(dc_, bitmap_);
    }
  }
  ~PixelCanvas() {
    if (old_ != nullptr) {
      SelectObject(dc_, old_);
    }
    if (bitmap_ != nullptr) {
      DeleteObject(bitmap_);
    }
    if (dc_ != nullptr) {
      DeleteDC(dc_);
    }
  }
  PixelCanvas(const PixelCanvas&) = delete;
  PixelCanvas& operator=(const PixelCanvas&) = delete;

  bool ok() const { return old_ != nullptr && bits_ != nullptr; }
  HDC dc() const { return dc_; }
  uint32_t Pixel(int x, int y) const { return bits_[y * width_ + x]; }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_;
  int height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

double MeanDifference(const PixelCanvas& a, const PixelCanvas& b) {
  long long total = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      uint32_t p = a.Pixel(x, y);
      uint32_t q = b.Pixel(x, y);
      for (int shift = 0; shift < 24; shift += 8) {
        total +=
            std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF));
      }
    }
  }
  return static_cast<double>(total) / (3.0 * a.width() * a.height());
}

struct StockIcon {
  const char* kind;
  LPCWSTR id;
};

const StockIcon kStockIcons[] = {
    {"information", IDI_INFORMATION},
    {"warning", IDI_WARNING},
    {"error", IDI_ERROR},
    {"question", IDI_QUESTION},
};

}  // namespace

IconMatch MatchStockIcon(HWND icon_control) {
  IconMatch match;
  if (icon_control == nullptr) {
    match.kind = "none";
    return match;
  }
  match.kind = "unknown";
  RECT client = {};
  GetClientRect(icon_control, &client);
  POINT origin = {0, 0};
  ClientToScreen(icon_control, &origin);
  int width = client.right - client.left;
  int height = client.bottom - client.top;
  if (width <= 0 || height <= 0) {
    return match;
  }

  PixelCanvas shown(width, height);
  if (!shown.ok()) {
    return match;
  }
  HDC screen = GetDC(nullptr);
  BOOL copied = BitBlt(shown.dc(), 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  ReleaseDC(nullptr, screen);
  if (!copied) {
    return match;
  }

  // Stock icons have transparent corners: the shown corner is the control's background.
  uint32_t corner = shown.Pixel(0, 0);
  COLORREF background = RGB((corner >> 16) & 0xFF, (corner >> 8) & 0xFF, corner & 0xFF);
  HBRUSH brush = CreateSolidBrush(background);

  double best = 1e9;
  double second = 1e9;
  const char* best_kind = nullptr;
  for (const StockIcon& stock : kStockIcons) {
    PixelCanvas drawn(width, height);
    if (!drawn.ok()) {
      continue;
    }
    RECT all = {0, 0, width, height};
    FillRect(drawn.dc(), &all, brush);
    HICON icon = LoadIconW(nullptr, stock.id);  // shared stock icon: never destroyed
    DrawIconEx(drawn.dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    GdiFlush();
    double score = MeanDifference(shown, drawn);
    match.scores.emplace_back(stock.kind, score);
    if (score < best) {
      second = best;
      best = score;
      best_kind = stock.kind;
    } else if (score < second) {
      second = score;
    }
  }
  DeleteObject(brush);
  if (best_kind != nullptr && best <= kSameIcon && second - best >= kClearMargin) {
    match.kind = best_kind;
  }
  return match;
}

}  // namespace zant::e2e
