// Stand-ins for the Windows shell and user functions that take icons out of files and draw them.
#pragma once

#include "tessaline/icons.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tess::icons {

using HICON = std::uintptr_t;

// Where the icon functions draw: a picture surface of the window services implements it.
class DeviceContext {
  public:
    virtual ~DeviceContext() = default;
    // Draws the image scaled to w x h pixels at (x, y), with smooth filtering and alpha blending.
    virtual void drawRgba(int x, int y, int w, int h, const Rgba& image) = 0;
};

} // namespace tess::icons

// 0: no icon at that index (a missing or unreadable file included); 1: not a file icons can be
// taken from; otherwise a handle holding the whole icon, to be released with DestroyIcon. Index
// -1 answers the number of icons; any other negative index -N the group whose resource ID is N.
// A group without images gives a handle that draws nothing.
tess::icons::HICON ExtractIconA(std::uint32_t hInst, const std::string& lpszExeFileName,
                                std::int32_t nIconIndex);

// Draws the icon at the standard size, 32 x 32, its best image for that size.
bool DrawIcon(tess::icons::DeviceContext& hDC, int X, int Y, tess::icons::HICON hIcon);

// Draws the icon at the size asked, its best image for that size (flags 3: normal drawing).
bool DrawIconEx(tess::icons::DeviceContext& hdc, int xLeft, int yTop, tess::icons::HICON hIcon,
                int cxWidth, int cyWidth, unsigned istepIfAniCur, std::uintptr_t hbrFlickerFreeDraw,
                unsigned diFlags);

bool DestroyIcon(tess::icons::HICON hIcon);

namespace tess::icons {
// The icon a handle holds (for writing it as an .ico file); nothing for 0, 1 or a stale handle.
std::shared_ptr<const Icon> iconOfHandle(HICON handle);
} // namespace tess::icons
