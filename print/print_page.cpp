#include "print/print_page.h"

#include "foundation/last_error.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <cups/cups.h>
#include <paper.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

const char PAGE_TITLE[] = "Brevomark document";

// Hundredths of a millimetre in an inch, and PDF points in an inch.
static const double HMM_PER_INCH = 2540.0;
static const double POINTS_PER_INCH = 72.0;
// The paper of a system that names none.
static const char FALLBACK_PAPER[] = "Letter";

static cairo_status_t append_bytes(void *closure, const unsigned char *data, unsigned int length);
static void fill_picture(cairo_surface_t *picture, const unsigned char *rgb, int src_w, int src_h);

int page_paper(const char *name, PrintPage *out)
{
    if (name == nullptr || out == nullptr) {
        err_set("no paper named");
        return 0;
    }
    pwg_media_t *media = pwgMediaForPPD(name);
    if (media == nullptr) media = pwgMediaForPWG(name);
    if (media == nullptr) media = pwgMediaForLegacy(name);
    if (media == nullptr || media->width <= 0 || media->length <= 0) {
        err_setf("unknown paper %s", name);
        return 0;
    }
    *out = PrintPage{};
    snprintf(out->media, sizeof out->media, "%s", media->pwg ? media->pwg : "");
    out->width = media->width;
    out->length = media->length;
    out->dpi = PAGE_DEFAULT_DPI;
    return 1;
}

int page_system_paper(PrintPage *out)
{
    if (out == nullptr) return 0;
    paperinit();
    char *name = systempapername();
    const struct paper *paper = name != nullptr && name[0] != '\0' ? paperinfo(name) : nullptr;
    double width = paper != nullptr ? paperpswidth(paper) : 0.0;
    double length = paper != nullptr ? paperpsheight(paper) : 0.0;
    free(name);
    paperdone();
    if (!(width > 0.0 && length > 0.0)) return page_paper(FALLBACK_PAPER, out);
    *out = PrintPage{};
    out->width = (int)std::lround(width * HMM_PER_INCH / POINTS_PER_INCH);
    out->length = (int)std::lround(length * HMM_PER_INCH / POINTS_PER_INCH);
    pwg_media_t *media = pwgMediaForSize(out->width, out->length);
    snprintf(out->media, sizeof out->media, "%s", media != nullptr && media->pwg != nullptr ? media->pwg : "");
    out->dpi = PAGE_DEFAULT_DPI;
    return 1;
}

int page_pixels(const PrintPage *page, int *width, int *height)
{
    if (width) *width = 0;
    if (height) *height = 0;
    if (page == nullptr || page->dpi <= 0) return 0;
    long long w = (long long)(page->width - page->left - page->right) * page->dpi / 2540;
    long long h = (long long)(page->length - page->top - page->bottom) * page->dpi / 2540;
    if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return 0;
    if (width) *width = (int)w;
    if (height) *height = (int)h;
    return 1;
}

// The aspect ratio is a float and each product is cut toward zero to whole
// printer pixels, so the picture never reaches past the printable area.
int page_fit(int window_w, int window_h, int page_w, int page_h, PageRect *out)
{
    if (out == nullptr) return 0;
    *out = PageRect{0, 0, 0, 0};
    if (window_w <= 0 || window_h <= 0 || page_w <= 0 || page_h <= 0) return 0;
    float a = (float)window_h / (float)window_w;
    int h = (int)((float)page_w * a);
    if (h > page_h) {
        float b = (float)window_w / (float)window_h;
        *out = PageRect{0, 0, (int)((float)page_h * b), page_h};
    } else {
        *out = PageRect{0, 0, page_w, h};
    }
    return 1;
}

int page_make_pdf(const PrintPage *page, const unsigned char *rgb, int src_w, int src_h, const PageRect *dest,
                  std::vector<unsigned char> *pdf)
{
    if (pdf == nullptr) return 0;
    pdf->clear();
    if (page == nullptr || page->dpi <= 0 || page->width <= 0 || page->length <= 0 || rgb == nullptr ||
        src_w <= 0 || src_h <= 0 || dest == nullptr || dest->w <= 0 || dest->h <= 0) {
        err_set("no picture to print");
        return 0;
    }
    double to_points = POINTS_PER_INCH / HMM_PER_INCH;
    cairo_surface_t *surface =
        cairo_pdf_surface_create_for_stream(append_bytes, pdf, page->width * to_points, page->length * to_points);
    cairo_surface_t *picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, src_w, src_h);
    cairo_status_t status = cairo_surface_status(surface);
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(picture);
    if (status == CAIRO_STATUS_SUCCESS) {
        fill_picture(picture, rgb, src_w, src_h);
        cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, PAGE_TITLE);
        cairo_t *cr = cairo_create(surface);
        // From the printable area's corner, in printer pixels, then in picture pixels.
        cairo_translate(cr, page->left * to_points, page->top * to_points);
        cairo_scale(cr, POINTS_PER_INCH / page->dpi, POINTS_PER_INCH / page->dpi);
        cairo_translate(cr, dest->x, dest->y);
        cairo_scale(cr, (double)dest->w / src_w, (double)dest->h / src_h);
        cairo_set_source_surface(cr, picture, 0.0, 0.0);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_rectangle(cr, 0.0, 0.0, src_w, src_h);
        cairo_fill(cr);
        cairo_show_page(cr);
        status = cairo_status(cr);
        cairo_destroy(cr);
        cairo_surface_finish(surface);
        if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
    }
    cairo_surface_destroy(picture);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        pdf->clear();
        err_setf("the page could not be made: %s", cairo_status_to_string(status));
        return 0;
    }
    return 1;
}

// cairo's write function: appends the bytes to the vector given as closure.
static cairo_status_t append_bytes(void *closure, const unsigned char *data, unsigned int length)
{
    std::vector<unsigned char> *out = static_cast<std::vector<unsigned char> *>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

// Copies packed RGB rows into a cairo RGB24 image surface.
static void fill_picture(cairo_surface_t *picture, const unsigned char *rgb, int src_w, int src_h)
{
    cairo_surface_flush(picture);
    unsigned char *data = cairo_image_surface_get_data(picture);
    int stride = cairo_image_surface_get_stride(picture);
    for (int y = 0; y < src_h; y++) {
        uint32_t *row = reinterpret_cast<uint32_t *>(data + (size_t)y * (size_t)stride);
        const unsigned char *from = rgb + (size_t)y * (size_t)src_w * 3;
        for (int x = 0; x < src_w; x++, from += 3) {
            row[x] = ((uint32_t)from[0] << 16) | ((uint32_t)from[1] << 8) | (uint32_t)from[2];
        }
    }
    cairo_surface_mark_dirty(picture);
}
