// Placeholder for the viewer record; the viewer module replaces this file.
#pragma once

struct Viewer {
    int placeholder;
};
