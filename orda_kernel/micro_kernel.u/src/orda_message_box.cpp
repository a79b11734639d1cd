// Message window on Xlib. X headers stay in this file: their macros
// (Bool, Status, None...) would clash with the rest of the runtime.
#include "orda_private.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int OnXError(Display* display, XErrorEvent* event)
{
    char text[256] = {0};
    XGetErrorText(display, event->error_code, text, sizeof text - 1);
    std::printf("X11 error: %s\n", text);
    return 0;
}

std::vector<std::string> SplitLines(const char* text)
{
    std::vector<std::string> lines;
    std::string current;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') {
            lines.push_back(current);
            current.clear();
        } else {
            current += *p;
        }
    }
    lines.push_back(current);
    return lines;
}

void ShowWindow(Display* display, const char* title, const char* text)
{
    // Only protocol errors are caught; I/O errors keep the handler in place.
    XErrorHandler previous = XSetErrorHandler(OnXError);

    const int screen = DefaultScreen(display);
    XFontStruct* font = XLoadQueryFont(display, "fixed");
    const std::vector<std::string> lines = SplitLines(text);

    int lineHeight = 13, width = 200;
    if (font) {
        lineHeight = font->ascent + font->descent;
        for (const std::string& l : lines)
            width = std::max(width, XTextWidth(font, l.c_str(), static_cast<int>(l.size())));
    }
    const int margin = 16;
    const int winWidth = std::min(width + 2 * margin, 1600);
    const int winHeight = std::min(static_cast<int>(lines.size()) * lineHeight + 2 * margin, 1200);

    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                        static_cast<unsigned>(winWidth), static_cast<unsigned>(winHeight), 1,
                                        BlackPixel(display, screen), WhitePixel(display, screen));
    XStoreName(display, window, title);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSelectInput(display, window, ExposureMask | KeyPressMask | ButtonPressMask | StructureNotifyMask);
    GC gc = XCreateGC(display, window, 0, nullptr);
    XSetForeground(display, gc, BlackPixel(display, screen));
    if (font) XSetFont(display, gc, font->fid);
    XMapWindow(display, window);

    for (bool open = true; open;) {
        XEvent event;
        XNextEvent(display, &event);
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) {
                int y = margin + (font ? font->ascent : lineHeight);
                for (const std::string& l : lines) {
                    XDrawString(display, window, gc, margin, y, l.c_str(), static_cast<int>(l.size()));
                    y += lineHeight;
                }
            }
            break;
        case ClientMessage:
            if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) open = false;
            break;
        case KeyPress:
        case ButtonPress:
            // Any key or click acknowledges the message.
            open = false;
            break;
        default:
            break;
        }
    }

    XFreeGC(display, gc);
    if (font) XFreeFont(display, font);
    XDestroyWindow(display, window);
    XSync(display, False);
    XSetErrorHandler(previous);
}

}

namespace ORDAPrivate {

void MessageBox(const char* text, int type, int /*code*/, bool engine)
{
    const char* title = engine ? "Ordavix Engine" : "Ordavix";
    if (!text) text = "";
    if (type == 1) {
        std::printf("Warning: %s: %s\n", title, text);
        std::fflush(stdout);
    } else if (type == 2) {
        std::fprintf(stderr, "Error: %s: %s\n", title, text);
    } else {
        std::printf("%s: %s\n", title, text);
        std::fflush(stdout);
    }

    if (std::getenv("SILENT") || std::getenv("ORDAVIX_SILENT")) return;

    Display* display = XOpenDisplay(nullptr);
    if (!display) display = XOpenDisplay(":0");
    if (!display) return;
    ShowWindow(display, title, text);
    XCloseDisplay(display);
}

}
