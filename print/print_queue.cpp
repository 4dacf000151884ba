#include "print/print_queue.h"

#include "foundation/last_error.h"
#include "print/print_page.h"

#include <cstdio>
#include <cstring>

// The paper word that stands for the destination's own default media.
static const char PAPER_DEFAULT[] = "default";

static int resolution_of(const PrintQueue *queue);
static int unlisted_page(const PrintQueue *queue, const char *paper, PrintPage *out);
static void fail_with_cups(const char *what, const char *name);

int queue_list(PrintQueue *queue)
{
    if (queue == nullptr) return 0;
    *queue = PrintQueue{};
    cups_dest_t *dests = nullptr;
    int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    queue->dests = dests;
    queue->count = count > 0 ? count : 0;
    return 1;
}

void queue_names(const PrintQueue *queue, std::vector<std::string> *names, std::string *default_name)
{
    if (names) names->clear();
    if (default_name) default_name->clear();
    if (queue == nullptr) return;
    for (int i = 0; i < queue->count; i++) {
        const cups_dest_t *dest = &queue->dests[i];
        std::string name = dest->name ? dest->name : "";
        if (dest->instance) name += std::string("/") + dest->instance;
        if (dest->is_default && default_name) *default_name = name;
        if (names) names->push_back(name);
    }
}

int queue_choose(PrintQueue *queue, const char *name)
{
    if (queue == nullptr || name == nullptr) return 0;
    if (queue->info) cupsFreeDestInfo(queue->info);
    queue->info = nullptr;
    queue->dest = nullptr;
    std::string base = name;
    std::string instance;
    size_t slash = base.find('/');
    if (slash != std::string::npos) {
        instance = base.substr(slash + 1);
        base.erase(slash);
    }
    cups_dest_t *dest = cupsGetDest(base.c_str(), instance.empty() ? nullptr : instance.c_str(), queue->count,
                                    queue->dests);
    if (dest == nullptr) {
        err_setf("no printer named %s", name);
        return 0;
    }
    queue->info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
    if (queue->info == nullptr) {
        fail_with_cups("does not answer", name);
        return 0;
    }
    queue->dest = dest;
    return 1;
}

int queue_page(const PrintQueue *queue, const char *paper, PrintPage *out)
{
    if (queue == nullptr || queue->dest == nullptr || queue->info == nullptr || paper == nullptr || out == nullptr) {
        err_set("no printer chosen");
        return 0;
    }
    if (cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, queue->dest, queue->info, CUPS_MEDIA_FLAGS_DEFAULT) <= 0) {
        return unlisted_page(queue, paper, out);
    }
    cups_size_t size;
    memset(&size, 0, sizeof size);
    const char *media = "";
    int found = 0;
    if (strcmp(paper, PAPER_DEFAULT) == 0) {
        found = cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, queue->dest, queue->info, CUPS_MEDIA_FLAGS_DEFAULT, &size);
    } else {
        pwg_media_t *named = pwgMediaForPPD(paper);
        if (named == nullptr) named = pwgMediaForPWG(paper);
        if (named == nullptr) named = pwgMediaForLegacy(paper);
        if (named != nullptr && named->pwg != nullptr) {
            media = named->pwg;
            found = cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, queue->dest, queue->info, media,
                                           CUPS_MEDIA_FLAGS_DEFAULT, &size);
        }
    }
    if (!found || size.width <= 0 || size.length <= 0) {
        err_setf("%s has no paper %s", queue->dest->name, paper);
        return 0;
    }
    *out = PrintPage{};
    snprintf(out->media, sizeof out->media, "%s", media);
    out->width = size.width;
    out->length = size.length;
    out->left = size.left;
    out->top = size.top;
    out->right = size.right;
    out->bottom = size.bottom;
    out->dpi = resolution_of(queue);
    return 1;
}

int queue_submit(const PrintQueue *queue, const char *title, const PrintPage *page, const unsigned char *pdf,
                 size_t size)
{
    if (queue == nullptr || queue->dest == nullptr || queue->info == nullptr || page == nullptr || pdf == nullptr) {
        err_set("no printer chosen");
        return 0;
    }
    cups_dest_t *dest = queue->dest;
    cups_option_t *options = nullptr;
    int option_count = 0;
    if (page->media[0] != '\0') option_count = cupsAddOption("media", page->media, option_count, &options);
    int job_id = 0;
    int ok = 0;
    ipp_status_t status =
        cupsCreateDestJob(CUPS_HTTP_DEFAULT, dest, queue->info, &job_id, title, option_count, options);
    if (status > IPP_STATUS_OK_CONFLICTING || job_id <= 0) {
        fail_with_cups("refused the job", dest->name);
    } else if (cupsStartDestDocument(CUPS_HTTP_DEFAULT, dest, queue->info, job_id, title, CUPS_FORMAT_PDF, 0,
                                     nullptr, 1) != HTTP_STATUS_CONTINUE) {
        fail_with_cups("refused the document", dest->name);
        cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest, job_id);
    } else if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, reinterpret_cast<const char *>(pdf), size) !=
               HTTP_STATUS_CONTINUE) {
        fail_with_cups("did not take the document", dest->name);
        cupsFinishDestDocument(CUPS_HTTP_DEFAULT, dest, queue->info);
        cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest, job_id);
    } else if (cupsFinishDestDocument(CUPS_HTTP_DEFAULT, dest, queue->info) > IPP_STATUS_OK_CONFLICTING) {
        fail_with_cups("did not accept the document", dest->name);
        cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest, job_id);
    } else {
        ok = 1;
    }
    cupsFreeOptions(option_count, options);
    return ok;
}

void queue_clear(PrintQueue *queue)
{
    if (queue == nullptr) return;
    if (queue->info) cupsFreeDestInfo(queue->info);
    if (queue->dests) cupsFreeDests(queue->count, queue->dests);
    *queue = PrintQueue{};
}

// The chosen destination's default resolution in pixels per inch.
static int resolution_of(const PrintQueue *queue)
{
    ipp_attribute_t *attr = cupsFindDestDefault(CUPS_HTTP_DEFAULT, queue->dest, queue->info, "printer-resolution");
    if (attr == nullptr) return PAGE_DEFAULT_DPI;
    int y = 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    int x = ippGetResolution(attr, 0, &y, &units);
    if (units == IPP_RES_PER_CM) x = (int)(x * 2.54 + 0.5);
    return x > 0 ? x : PAGE_DEFAULT_DPI;
}

// The page of a destination that lists no paper at all (a raw queue, which hands
// jobs on to a print server): the system's default paper for "default", else
// the named paper, without margins.
static int unlisted_page(const PrintQueue *queue, const char *paper, PrintPage *out)
{
    int ok = strcmp(paper, PAPER_DEFAULT) == 0 ? page_system_paper(out) : page_paper(paper, out);
    if (ok) out->dpi = resolution_of(queue);
    return ok;
}

// Sets the last-error text to "<name> <what>: <CUPS's last message>".
static void fail_with_cups(const char *what, const char *name)
{
    const char *reason = cupsLastErrorString();
    err_setf("%s %s: %s", name ? name : "printer", what, reason ? reason : "unknown reason");
}
