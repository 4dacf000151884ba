// The printed page: fitting the window onto the printable area, paper sizes
// in printer pixels, the system's default paper, and the PDF page read back
// with poppler's pdftoppm, margins included.
#include "print/print_page.h"

#include "foundation/last_error.h"
#include "../temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// One fitting case: window and printable area in, destination out.
struct FitCase {
    int window_w, window_h, page_w, page_h;
    int w, h;
};

TEST(PageFit, FullWidthOrFullHeightAtTheTopLeft)
{
    const FitCase cases[] = {
        {400, 300, 4800, 6400, 4800, 3600},  // fits the width
        {300, 600, 4800, 6400, 3200, 6400},  // 9600 would be too tall: fits the height
        {400, 300, 5100, 6600, 5100, 3825},  // Letter at 600 dpi
        {300, 600, 5100, 6600, 3300, 6600},
        {500, 500, 5100, 6600, 5100, 5100},  // square
        {600, 800, 4800, 6400, 4800, 6400},  // same aspect as the page: exactly full
        {3, 1000, 5100, 6600, 19, 6600},     // cut toward zero
        {1000, 3, 5100, 6600, 5100, 15},
    };
    for (const FitCase &c : cases) {
        PageRect r{-1, -1, -1, -1};
        ASSERT_EQ(1, page_fit(c.window_w, c.window_h, c.page_w, c.page_h, &r))
            << c.window_w << "x" << c.window_h;
        EXPECT_EQ(0, r.x);
        EXPECT_EQ(0, r.y);
        EXPECT_EQ(c.w, r.w) << c.window_w << "x" << c.window_h << " on " << c.page_w << "x" << c.page_h;
        EXPECT_EQ(c.h, r.h) << c.window_w << "x" << c.window_h << " on " << c.page_w << "x" << c.page_h;
    }
}

TEST(PageFit, SizesThatAreNotPositiveGiveNothing)
{
    const int cases[][4] = {{0, 300, 4800, 6400}, {400, 0, 4800, 6400}, {400, 300, 0, 6400},
                            {400, 300, 4800, 0}, {-400, 300, 4800, 6400}};
    for (const auto &c : cases) {
        PageRect r{7, 7, 7, 7};
        EXPECT_EQ(0, page_fit(c[0], c[1], c[2], c[3], &r));
        EXPECT_EQ(0, r.x + r.y + r.w + r.h);
    }
    EXPECT_EQ(0, page_fit(400, 300, 4800, 6400, nullptr));
}

TEST(PagePaper, NamedPapersInPrinterPixels)
{
    struct PaperCase {
        const char *name;
        const char *media;
        int pixels_w, pixels_h;
    };
    const PaperCase cases[] = {
        {"Letter", "na_letter_8.5x11in", 5100, 6600},
        {"A4", "iso_a4_210x297mm", 4960, 7015},
        {"iso_a4_210x297mm", "iso_a4_210x297mm", 4960, 7015},
        {"Legal", "na_legal_8.5x14in", 5100, 8400},
    };
    for (const PaperCase &c : cases) {
        PrintPage page;
        ASSERT_EQ(1, page_paper(c.name, &page)) << c.name;
        EXPECT_STREQ(c.media, page.media);
        EXPECT_EQ(PAGE_DEFAULT_DPI, page.dpi);
        int w = 0, h = 0;
        ASSERT_EQ(1, page_pixels(&page, &w, &h));
        EXPECT_EQ(c.pixels_w, w) << c.name;
        EXPECT_EQ(c.pixels_h, h) << c.name;
    }
}

TEST(PagePaper, UnknownPaperIsRefusedWithItsName)
{
    PrintPage page;
    EXPECT_EQ(0, page_paper("Folio99", &page));
    EXPECT_STREQ("unknown paper Folio99", err_last());
    // A long name is given whole.
    std::string name = "Folio" + std::string(300, '9');
    EXPECT_EQ(0, page_paper(name.c_str(), &page));
    EXPECT_EQ("unknown paper " + name, std::string(err_last()));
    EXPECT_EQ(0, page_paper(nullptr, &page));
}

// Sets or unsets one environment variable while it lives, then puts back what was there.
struct EnvSetting {
    std::string name;
    bool had;
    std::string old;
    EnvSetting(const char *variable, const char *value) : name(variable)
    {
        const char *now = getenv(variable);
        had = now != nullptr;
        if (had) old = now;
        if (value != nullptr) setenv(variable, value, 1);
        else unsetenv(variable);
    }
    ~EnvSetting()
    {
        if (had) setenv(name.c_str(), old.c_str(), 1);
        else unsetenv(name.c_str());
    }
};

TEST(PageSystemPaper, PapersizeThenThePapersizeFileThenLetter)
{
    struct SystemCase {
        const char *papersize;  // PAPERSIZE, or null for unset
        const char *file;       // the papersize file's text, or null for no file
        const char *media;
        int width, length;
    };
    const SystemCase cases[] = {
        {"a4", "letter\n", "iso_a4_210x297mm", 21000, 29700},    // the variable wins
        {"Letter", nullptr, "na_letter_8.5x11in", 21590, 27940},
        {nullptr, "a5\n", "iso_a5_148x210mm", 14800, 21000},     // the file
        {nullptr, "# comment\nA4\n", "iso_a4_210x297mm", 21000, 29700},
        {nullptr, nullptr, "na_letter_8.5x11in", 21590, 27940},   // none set
        {"folio99", nullptr, "na_letter_8.5x11in", 21590, 27940}, // nothing libpaper knows
    };
    TempDir dir;
    for (const SystemCase &c : cases) {
        std::string file = dir.file("papersize");
        remove(file.c_str());
        if (c.file != nullptr) dir.write("papersize", std::string(c.file));
        EnvSetting papersize("PAPERSIZE", c.papersize);
        EnvSetting paperconf("PAPERCONF", file.c_str());
        PrintPage page{"x", 1, 1, 1, 1, 1, 1, 1};
        ASSERT_EQ(1, page_system_paper(&page)) << (c.papersize ? c.papersize : c.file ? c.file : "none");
        EXPECT_STREQ(c.media, page.media) << (c.papersize ? c.papersize : c.file ? c.file : "none");
        EXPECT_EQ(c.width, page.width);
        EXPECT_EQ(c.length, page.length);
        EXPECT_EQ(0, page.left + page.top + page.right + page.bottom);
        EXPECT_EQ(PAGE_DEFAULT_DPI, page.dpi);
    }
    EXPECT_EQ(0, page_system_paper(nullptr));
}

TEST(PagePixels, MarginsAndResolutionMakeThePrintableArea)
{
    // Letter with a quarter inch all round at 300 dpi: 8 x 10.5 inches.
    PrintPage page{"", 21590, 27940, 635, 635, 635, 635, 300};
    int w = 0, h = 0;
    ASSERT_EQ(1, page_pixels(&page, &w, &h));
    EXPECT_EQ(2400, w);
    EXPECT_EQ(3150, h);
    PrintPage no_area{"", 2540, 2540, 1270, 0, 1270, 0, 600};
    EXPECT_EQ(0, page_pixels(&no_area, &w, &h));
    EXPECT_EQ(0, w);
    PrintPage no_dpi{"", 2540, 2540, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, page_pixels(&no_dpi, &w, &h));
}

// A PDF page rendered by pdftoppm at dpi: width, height and packed RGB pixels.
struct Raster {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    const unsigned char *at(int x, int y) const { return &rgb[((size_t)y * (size_t)w + (size_t)x) * 3]; }
};

// Writes the PDF to a temporary file and renders it; false when poppler fails.
bool render(const std::vector<unsigned char> &pdf, int dpi, Raster *out)
{
    char path[] = "/tmp/druvex-page-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return false;
    bool written = write(fd, pdf.data(), pdf.size()) == (ssize_t)pdf.size();
    close(fd);
    std::string command = "pdftoppm -r " + std::to_string(dpi) + " " + path;
    FILE *pipe = written ? popen(command.c_str(), "r") : nullptr;
    bool ok = false;
    if (pipe) {
        int maxval = 0;
        if (fscanf(pipe, "P6 %d %d %d", &out->w, &out->h, &maxval) == 3 && fgetc(pipe) != EOF && out->w > 0 &&
            out->h > 0) {
            out->rgb.resize((size_t)out->w * (size_t)out->h * 3);
            ok = fread(out->rgb.data(), 1, out->rgb.size(), pipe) == out->rgb.size();
        }
        pclose(pipe);
    }
    unlink(path);
    return ok;
}

// 'r', 'b', 'w' (white) or '?' for a rendered pixel.
char colour(const Raster &r, int x, int y)
{
    const unsigned char *p = r.at(x, y);
    if (p[0] > 200 && p[1] < 60 && p[2] < 60) return 'r';
    if (p[2] > 200 && p[0] < 60 && p[1] < 60) return 'b';
    if (p[0] > 200 && p[1] > 200 && p[2] > 200) return 'w';
    return '?';
}

TEST(PageMakePdf, PictureAtTheTopLeftOfThePrintableAreaScaledToTheDestination)
{
    // A 4 x 2 picture: left half red, right half blue, top row first; a 1-inch
    // page at 100 dpi with margins of 0.1 inch on the left and 0.2 at the top.
    std::vector<unsigned char> rgb;
    for (int y = 0; y < 2; y++) {
        for (int x = 0; x < 4; x++) {
            bool red = x < 2;
            rgb.push_back(red ? 255 : 0);
            rgb.push_back(0);
            rgb.push_back(red ? 0 : 255);
        }
    }
    PrintPage page{"", 2540, 2540, 254, 508, 0, 0, 100};
    int page_w = 0, page_h = 0;
    ASSERT_EQ(1, page_pixels(&page, &page_w, &page_h));
    EXPECT_EQ(90, page_w);
    EXPECT_EQ(80, page_h);
    PageRect dest;
    ASSERT_EQ(1, page_fit(4, 2, page_w, page_h, &dest));
    EXPECT_EQ(90, dest.w);
    EXPECT_EQ(45, dest.h);

    std::vector<unsigned char> pdf;
    ASSERT_EQ(1, page_make_pdf(&page, rgb.data(), 4, 2, &dest, &pdf));
    ASSERT_GT(pdf.size(), 5u);
    EXPECT_EQ("%PDF-", std::string(pdf.begin(), pdf.begin() + 5));
    EXPECT_NE(std::string::npos, std::string(pdf.begin(), pdf.end()).find(PAGE_TITLE));

    Raster r;
    ASSERT_TRUE(render(pdf, 100, &r));
    ASSERT_EQ(100, r.w);
    ASSERT_EQ(100, r.h);
    // Picture: x 10..99, y 20..64; red to x 54, blue from x 55.
    std::string inside = {colour(r, 11, 21), colour(r, 53, 63), colour(r, 56, 21), colour(r, 98, 63)};
    std::string outside = {colour(r, 8, 40), colour(r, 50, 18), colour(r, 50, 67), colour(r, 5, 5),
                           colour(r, 50, 95)};
    EXPECT_EQ("rrbb", inside);
    EXPECT_EQ("wwwww", outside);
}

TEST(PageMakePdf, NoPictureNoPage)
{
    unsigned char pixel[3] = {0, 0, 0};
    PrintPage page{"", 21590, 27940, 0, 0, 0, 0, 600};
    PageRect dest{0, 0, 10, 10};
    PageRect empty{0, 0, 0, 10};
    std::vector<unsigned char> pdf = {1, 2, 3};
    EXPECT_EQ(0, page_make_pdf(&page, pixel, 0, 1, &dest, &pdf));
    EXPECT_TRUE(pdf.empty());
    EXPECT_STREQ("no picture to print", err_last());
    EXPECT_EQ(0, page_make_pdf(&page, pixel, 1, 1, &empty, &pdf));
    EXPECT_EQ(0, page_make_pdf(&page, nullptr, 1, 1, &dest, &pdf));
    EXPECT_EQ(0, page_make_pdf(nullptr, pixel, 1, 1, &dest, &pdf));
    EXPECT_EQ(1, page_make_pdf(&page, pixel, 1, 1, &dest, &pdf));
}

}  // namespace
