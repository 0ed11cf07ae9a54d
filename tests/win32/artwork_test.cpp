#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ui/layout.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/win32_surface.h"

// The resources built into ZANTUpdate.exe, read from the exe beside the tests folder, and the
// window drawn with them.

namespace zant::win32 {
namespace {

using ui::Control;

std::wstring ExePath() {
  wchar_t path[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring self(path);
  std::wstring tests_folder = self.substr(0, self.find_last_of(L"\\/"));
  return tests_folder.substr(0, tests_folder.find_last_of(L"\\/")) + L"\\ZANTUpdate.exe";
}

class Artwork : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(ExePath().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << "build ZANTUpdate.exe first; looked for it at "
                                << std::string(ExePath().begin(), ExePath().end());
  }
  void TearDown() override {
    if (module_) {
      FreeLibrary(module_);
    }
  }

  std::string Resource(LPCWSTR name, LPCWSTR type) const {
    HRSRC found = FindResourceW(module_, name, type);
    if (!found) {
      return {};
    }
    const char* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
    return std::string(data, SizeofResource(module_, found));
  }

  HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width;
  BYTE height;
  BYTE colour_count;
  BYTE reserved;
  WORD planes;
  WORD bit_count;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST_F(Artwork, IconHasTheThreeImages) {
  std::string group = Resource(MAKEINTRESOURCEW(ZANT_IDI_MAIN), RT_GROUP_ICON);
  ASSERT_GE(group.size(), 6u + 3 * sizeof(IconGroupEntry));
  const auto* entries = reinterpret_cast<const IconGroupEntry*>(group.data() + 6);
  EXPECT_EQ(*reinterpret_cast<const WORD*>(group.data() + 4), 3);
  struct Expected {
    int size;
    int bits;
  } expected[] = {{32, 24}, {16, 4}, {16, 8}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(entries[i].width, expected[i].size);
    EXPECT_EQ(entries[i].height, expected[i].size);
    EXPECT_EQ(entries[i].bit_count, expected[i].bits);
    // The image itself agrees with its directory entry.
    std::string image = Resource(MAKEINTRESOURCEW(entries[i].id), RT_ICON);
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
    EXPECT_EQ(header->biWidth, expected[i].size);
    EXPECT_EQ(header->biHeight, 2 * expected[i].size);  // colour and mask
    EXPECT_EQ(header->biBitCount, expected[i].bits);
  }
}

TEST_F(Artwork, BannerIs154By40) {
  std::string bitmap = Resource(MAKEINTRESOURCEW(ZANT_IDB_BANNER), RT_BITMAP);
  ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER));
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bitmap.data());
  EXPECT_EQ(header->biWidth, ui::kBannerWidthPixels);
  EXPECT_EQ(std::abs(header->biHeight), ui::kBannerHeightPixels);
}

// The process manifest asks for administrator and per-monitor DPI but not for common controls 6:
// those come from the program's own manifest, activated after its start-up checks, so that
// nothing side by side loads before them.
TEST_F(Artwork, ManifestsAskForAdministratorPerMonitorDpiAndControlsV6OnlyWhenActivated) {
  std::string process = Resource(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  std::string controls =
      Resource(MAKEINTRESOURCEW(ZANT_IDR_CONTROLS_MANIFEST), MAKEINTRESOURCEW(24));
  ASSERT_FALSE(process.empty());
  ASSERT_FALSE(controls.empty());
  for (const char* needle : {"PerMonitorV2", "true/pm", "level=\"requireAdministrator\""}) {
    EXPECT_NE(process.find(needle), std::string::npos) << needle;
  }
  EXPECT_EQ(process.find("<dependency>"), std::string::npos);
  for (const char* needle : {"Microsoft.Windows.Common-Controls", "6.0.0.0", "6595b64144ccf1df"}) {
    EXPECT_NE(controls.find(needle), std::string::npos) << needle;
  }
}

TEST_F(Artwork, VersionInformationNamesTheUpdate) {
  std::string block = Resource(MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
  ASSERT_FALSE(block.empty());
  // VerQueryValueW lives in version.dll, which the tests do not link.
  HMODULE version = LoadLibraryW(L"version.dll");
  ASSERT_NE(version, nullptr);
  using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
  auto query = reinterpret_cast<QueryFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(version, "VerQueryValueW")));
  ASSERT_NE(query, nullptr);
  std::vector<char> copy(block.begin(), block.end());
  auto value = [&](const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!query(copy.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) || !text) {
      return std::wstring(L"<missing>");
    }
    return std::wstring(text);
  };
  EXPECT_EQ(value(L"FileVersion"), L"1.40");
  EXPECT_EQ(value(L"ProductVersion"), L"1.40");
  EXPECT_EQ(value(L"ProductName"), L"ZANT On CD");
  EXPECT_EQ(value(L"FileDescription"), L"ZANT On CD v 1.40 Update");
  EXPECT_EQ(value(L"CompanyName"), L"Melcor");
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(query(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(40, 1)));
  EXPECT_EQ(fixed->dwProductVersionMS, static_cast<DWORD>(MAKELONG(40, 1)));
  FreeLibrary(version);
}

TEST_F(Artwork, WindowShowsTheIconAndTheBannerUnscaled) {
  std::unique_ptr<Surface> surface = MakeWin32Surface(module_);
  auto window = static_cast<HWND>(surface->NativeHandle());
  for (WPARAM kind : {ICON_BIG, ICON_SMALL}) {
    auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, kind, 0));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(kind == ICON_BIG ? SM_CXICON : SM_CXSMICON));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }

  surface->Show();
  surface->PumpEvents();
  auto banner = static_cast<HBITMAP>(LoadImageW(module_, MAKEINTRESOURCEW(ZANT_IDB_BANNER),
                                                IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(banner, nullptr);
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, banner);
  HWND picture = GetDlgItem(window, ControlId(Control::kPicMain));
  HDC shown = GetDC(picture);
  int mismatches = 0;
  for (int y = 0; y < ui::kBannerHeightPixels; ++y) {
    for (int x = 0; x < ui::kBannerWidthPixels; ++x) {
      mismatches += GetPixel(shown, x, y) != GetPixel(memory, x, y);
    }
  }
  EXPECT_EQ(mismatches, 0) << "the banner is not drawn unscaled at the box's top-left corner";
  // Beside the banner the box shows the panel colour.
  const ui::Rgb& panel = ui::kPanelColour;
  EXPECT_EQ(GetPixel(shown, ui::kBannerWidthPixels + 2, 5),
            RGB(panel.red, panel.green, panel.blue));
  ReleaseDC(picture, shown);
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(banner);
}

}  // namespace
}  // namespace zant::win32
