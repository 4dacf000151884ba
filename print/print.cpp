#include "print/print.h"

#include "command/app_state.h"
#include "command/callbacks.h"
#include "foundation/file_table.h"
#include "foundation/last_error.h"
#include "print/print_dialog.h"
#include "print/print_page.h"
#include "print/print_queue.h"
#include "viewer/frame.h"
#include "viewer/view_state.h"
#include "viewer/viewer.h"

#include <GL/gl.h>

#include <cstring>
#include <string>
#include <vector>

// Pixels the picture leaves off at the right and at the bottom of the drawing area.
static const int SOURCE_TRIM = 2;
// Paper of a print to a file when the dialog leaves it to the destination.
static const char FILE_PAPER[] = "Letter";
// Text that begins the information box of a failed print, before the reason.
static const char FAILED_TEXT[] = "druvex: print failed";

static int has_picture(const ViewState *view);
static int print_choice(PrintQueue *queue, const PrintChoice *choice);
static int read_picture(ViewState *view, Viewer *viewer, std::vector<unsigned char> *rgb, int *src_w, int *src_h);
static int write_pdf_file(const char *path, const std::vector<unsigned char> &pdf);

int print_cmd()
{
    print_window(g_app.view.gl_window);
    win_make_current(g_app.view.gl_window);
    return 1;
}

int print_window(WinHandle window)
{
    if (window == 0 || !has_picture(&g_app.view)) return 0;
    PrintQueue queue;
    queue_list(&queue);
    std::vector<std::string> names;
    std::string default_name;
    queue_names(&queue, &names, &default_name);
    PrintChoice choice;
    int result = 0;
    if (dialog_run(names, default_name, &choice)) {
        err_set(nullptr);
        result = print_choice(&queue, &choice);
        if (!result) cb_failure_hook(FAILED_TEXT);
    }
    queue_clear(&queue);
    return result;
}

int print_init()
{
    return dialog_define();
}

// 1 when the drawing area leaves a picture once the trim is taken off.
static int has_picture(const ViewState *view)
{
    return view->window_w > SOURCE_TRIM && view->window_h > SOURCE_TRIM;
}

// Prints on what the dialog chose: the page, the picture, the PDF, then the
// printer or the file. The GL window is read again from the state here.
static int print_choice(PrintQueue *queue, const PrintChoice *choice)
{
    ViewState *view = &g_app.view;
    WindowRecord *record = win_find_by_hwnd(view->gl_window);
    if (record == nullptr || !record->alive || record->gl == nullptr) {
        err_set("the GL window is gone");
        return 0;
    }
    if (!has_picture(view)) {
        err_set("the GL window is too small");
        return 0;
    }
    PrintPage page;
    if (choice->to_file) {
        const char *paper = choice->paper == "default" ? FILE_PAPER : choice->paper.c_str();
        if (!page_paper(paper, &page)) return 0;
    } else if (!queue_choose(queue, choice->target.c_str()) || !queue_page(queue, choice->paper.c_str(), &page)) {
        return 0;
    }
    int page_w = 0, page_h = 0;
    if (!page_pixels(&page, &page_w, &page_h)) {
        err_set("the paper has no printable area");
        return 0;
    }
    std::vector<unsigned char> rgb;
    int src_w = 0, src_h = 0;
    if (!read_picture(view, &g_app.viewer, &rgb, &src_w, &src_h)) return 0;
    PageRect dest;
    page_fit(view->window_w, view->window_h, page_w, page_h, &dest);
    std::vector<unsigned char> pdf;
    if (!page_make_pdf(&page, rgb.data(), src_w, src_h, &dest, &pdf)) return 0;
    if (choice->to_file) return write_pdf_file(choice->target.c_str(), pdf);
    return queue_submit(queue, PAGE_TITLE, &page, pdf.data(), pdf.size());
}

// Draws the scene once on white and reads the top-left (window_w - 2) x
// (window_h - 2) pixels of the drawing area from the back buffer before the
// swap, top row first; the clear colour is the background again afterwards.
static int read_picture(ViewState *view, Viewer *viewer, std::vector<unsigned char> *rgb, int *src_w, int *src_h)
{
    WinHandle window = view->gl_window;
    win_make_current(window);
    win_begin_paint(window);
    if (win_current_hwnd() != window) {
        win_end_paint(window);
        err_set("the GL window cannot be drawn");
        return 0;
    }
    glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    view_draw_scene(view, viewer);
    glClearColor(view->background[0], view->background[1], view->background[2], 0.0f);

    int w = view->window_w - SOURCE_TRIM;
    int h = view->window_h - SOURCE_TRIM;
    size_t row_bytes = (size_t)w * 3;
    std::vector<unsigned char> bottom_up(row_bytes * (size_t)h);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, SOURCE_TRIM, w, h, GL_RGB, GL_UNSIGNED_BYTE, bottom_up.data());
    rgb->resize(bottom_up.size());
    for (int y = 0; y < h; y++) {
        memcpy(rgb->data() + (size_t)y * row_bytes, bottom_up.data() + (size_t)(h - 1 - y) * row_bytes, row_bytes);
    }
    view_flush(view);
    win_end_paint(window);
    *src_w = w;
    *src_h = h;
    return 1;
}

// Writes the PDF document to the file, replacing it whole or not at all.
static int write_pdf_file(const char *path, const std::vector<unsigned char> &pdf)
{
    if (file_write_all(path, pdf.data(), pdf.size())) return 1;
    std::string reason = err_last() ? err_last() : "";
    err_setf("cannot write %s: %s", path, reason.c_str());
    return 0;
}
