// The printed page: its paper and resolution, the fitting of the window's
// picture onto its printable area, and the one-page PDF that carries it.
// Pure code: no window, no printer.
#pragma once
#include <cstddef>
#include <vector>

// Document title of every printed page.
extern const char PAGE_TITLE[];
// Printer pixels per inch where a printer does not say.
constexpr int PAGE_DEFAULT_DPI = 600;

// Longest media name kept, terminator included.
constexpr int PAGE_MEDIA_SIZE = 64;

// A sheet of paper as a printer prints it, lengths in hundredths of a millimetre.
struct PrintPage {
    char media[PAGE_MEDIA_SIZE];  // its PWG media name, "" when unknown
    int width;    // paper width
    int length;   // paper length
    int left;     // unprintable margin on the left
    int top;      // unprintable margin at the top
    int right;    // unprintable margin on the right
    int bottom;   // unprintable margin at the bottom
    int dpi;      // printer pixels per inch, > 0
};

// A rectangle in printer pixels, from the printable area's top-left corner.
struct PageRect {
    int x;
    int y;
    int w;
    int h;
};

// The paper named by its usual name ("Letter", "A4") or its PWG name
// ("iso_a4_210x297mm"), without margins, at PAGE_DEFAULT_DPI. 0 with the
// last-error text for a name nobody knows.
int page_paper(const char *name, PrintPage *out);
// The system's default paper, as libpaper finds it (PAPERSIZE, PAPERCONF or
// /etc/papersize), without margins, at PAGE_DEFAULT_DPI; Letter when none is
// set or the name set is no paper libpaper knows. 1.
int page_system_paper(PrintPage *out);
// The printable area of the page in printer pixels (cut to whole pixels);
// 0 when the page has none.
int page_pixels(const PrintPage *page, int *width, int *height);
// Fits a window of window_w x window_h pixels onto a printable area of page_w
// x page_h: the full width at the window's aspect ratio, or the full height
// when that would be too tall, always at (0, 0). 0 (and a zero rectangle) when
// a size is not positive.
int page_fit(int window_w, int window_h, int page_w, int page_h, PageRect *out);
// Makes the PDF document of one page: the picture (rgb, src_w x src_h, three
// bytes a pixel, top row first) scaled to dest on the printable area of page,
// white elsewhere, titled PAGE_TITLE. 0 with the last-error text on failure.
int page_make_pdf(const PrintPage *page, const unsigned char *rgb, int src_w, int src_h, const PageRect *dest,
                  std::vector<unsigned char> *pdf);
