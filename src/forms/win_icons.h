// Stand-ins for the Windows shell and user functions that take icons out of files and draw them:
// a thin adapter over the icon engine. Their state (the handles, the parsed files and the images
// decoded at the sizes drawn) lives in an IconFunctions object that the windows own.
#pragma once

#include "tessaline/icons.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>

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

namespace tess::forms {

struct IconFunctionLimits {
    std::size_t handles = 4096;                       // beyond, the oldest handle is released
    std::uint64_t decodedBytes = 16ull * 1024 * 1024; // an image larger is drawn, never kept
};

// What the Windows icon functions keep: a bounded table of handles, each holding a whole icon
// (shared with the parse of its file, never copied); the parsed files; and, for the file on
// screen only, its images decoded and shrunk to the sizes they are drawn at, so that a redraw
// decodes nothing and a huge image drawn small is never kept whole. Safe from several threads.
class IconFunctions {
  public:
    explicit IconFunctions(IconFunctionLimits limits = {});

    // ExtractIconA's answer for the file and index.
    icons::HICON extract(const std::string& path, std::int32_t index);
    // Draws the icon's best image for w x h at (x, y), in device pixels.
    bool draw(icons::DeviceContext& dc, int x, int y, icons::HICON handle, int w, int h);
    bool destroy(icons::HICON handle);
    // The icon a handle holds; nothing for 0, 1 or a stale handle.
    std::shared_ptr<const icons::Icon> icon(icons::HICON handle) const;

    icons::IconCache& files() { return files_; }
    // The bytes the decoded images held for drawing take.
    std::uint64_t decodedBytesHeld() const;

  private:
    // An image of the icon decoded for a drawing of w x h: shrunk to that size where it is
    // larger. Null when the image is damaged.
    std::shared_ptr<const icons::Rgba> decoded(const std::shared_ptr<const icons::Icon>& icon,
                                               std::size_t index, int w, int h);

    IconFunctionLimits limits_;
    icons::IconCache files_;
    mutable std::mutex handleMutex_;
    std::map<icons::HICON, std::shared_ptr<const icons::Icon>> handles_;
    icons::HICON nextHandle_ = 0x100;
    mutable std::mutex decodedMutex_;
    std::shared_ptr<const void> decodedOwner_; // the file whose images are held
    // By the image's place in the file and the size drawn.
    std::map<std::tuple<std::uint64_t, std::uint32_t, int, int>, std::shared_ptr<const icons::Rgba>>
        decoded_;
    std::uint64_t decodedBytes_ = 0;
};

// The icon functions the windows call: those installed, else a set made on first use.
std::shared_ptr<IconFunctions> iconFunctions();

// Puts a set of icon functions in force for the windows while it lives (the program's start-up,
// or a test), and the previous set back after.
class InstalledIconFunctions {
  public:
    explicit InstalledIconFunctions(
        std::shared_ptr<IconFunctions> functions = std::make_shared<IconFunctions>());
    ~InstalledIconFunctions();
    InstalledIconFunctions(const InstalledIconFunctions&) = delete;
    InstalledIconFunctions& operator=(const InstalledIconFunctions&) = delete;
    IconFunctions& operator*() const { return *functions_; }
    IconFunctions* operator->() const { return functions_.get(); }

  private:
    std::shared_ptr<IconFunctions> functions_;
    std::shared_ptr<IconFunctions> previous_;
};

} // namespace tess::forms

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
