// An X client that loads cursors by name from the theme XCURSOR_THEME (found on XCURSOR_PATH), as
// toolkits do: prints, for each name, the images the theme gives and whether the server took it.
#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    const char* theme = std::getenv("XCURSOR_THEME");
    for (int i = 1; i < argc; ++i) {
        XcursorImages* images = XcursorLibraryLoadImages(argv[i], theme, 32);
        std::printf("%s:", argv[i]);
        for (int n = 0; images && n < images->nimage; ++n)
            std::printf(" %ux%u@%u,%u", images->images[n]->width, images->images[n]->height,
                        images->images[n]->xhot, images->images[n]->yhot);
        if (images) XcursorImagesDestroy(images);
        const Cursor cursor = XcursorLibraryLoadCursor(display, argv[i]);
        if (cursor) XDefineCursor(display, DefaultRootWindow(display), cursor);
        XSync(display, False);
        std::printf("%s\n", cursor ? " shown" : " not loaded");
    }
    XCloseDisplay(display);
    return 0;
}
