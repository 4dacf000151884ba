// The printers of the print build, through CUPS: the list of destinations
// that the print dialog shows, the page of the chosen one, and a PDF
// document sent to it as a job. Every call talks to the CUPS server that
// CUPS_SERVER (or the client configuration) names; loading the library does not.
#pragma once
#include <cups/cups.h>

#include <cstddef>
#include <string>
#include <vector>

struct PrintPage;

// The destinations of one print and the one chosen among them.
struct PrintQueue {
    cups_dest_t *dests;   // every destination (cupsGetDests2), null for none
    int count;            // number of dests
    cups_dest_t *dest;    // the chosen destination (points into dests), or null
    cups_dinfo_t *info;   // its details (cupsCopyDestInfo), or null
};

// Fills the queue with the server's destinations; none when no server answers. 1.
int queue_list(PrintQueue *queue);
// The destinations' names ("name" or "name/instance"), and in *default_name
// the default one's name or "".
void queue_names(const PrintQueue *queue, std::vector<std::string> *names, std::string *default_name);
// Chooses the destination by name ("name" or "name/instance") and reads its
// details. 0 with the last-error text when there is none or it does not answer.
int queue_choose(PrintQueue *queue, const char *name);
// The chosen destination's page: its default media for the paper "default",
// else the named paper ("Letter", "A4", or a PWG name) as the destination
// offers it, with the destination's margins and resolution (PAGE_DEFAULT_DPI
// where it gives none). A destination that lists no paper (a raw queue) prints
// on the system's default paper (page_system_paper) or the named one. 0 with
// the last-error text when it has no such paper.
int queue_page(const PrintQueue *queue, const char *paper, PrintPage *out);
// Prints a PDF document on the chosen destination as one job titled title,
// on the page's media. 0 with the last-error text (the server's reason) when
// the job cannot be created or the document is not accepted.
int queue_submit(const PrintQueue *queue, const char *title, const PrintPage *page, const unsigned char *pdf,
                 size_t size);
// Frees the destinations and details; the queue is empty afterwards.
void queue_clear(PrintQueue *queue);
