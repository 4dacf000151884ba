#!/usr/bin/env python3
"""Writes viewer/digit_font.cpp: the packed "numbers" image of the point-number font.

The image is 128 x 64 one-byte pixels (0 or 1), rows from the top, after a header of
width and height (16-bit little-endian) and a 16-byte name. Digit d lies in columns
8d .. 8d + 7 of the top 12 rows; each glyph is 7 x 11 with a blank bottom row.
"""
import sys

GLYPHS = {
    0: [" ##### ", "##   ##", "##   ##", "##  ###", "## # ##", "## # ##", "### ###", "##   ##", "##   ##", "##   ##", " ##### "],
    1: ["   ##  ", "  ###  ", " ####  ", "   ##  ", "   ##  ", "   ##  ", "   ##  ", "   ##  ", "   ##  ", "   ##  ", " ######"],
    2: [" ##### ", "##   ##", "     ##", "     ##", "    ## ", "   ##  ", "  ##   ", " ##    ", "##     ", "##     ", "#######"],
    3: [" ##### ", "##   ##", "     ##", "     ##", "  #### ", "     ##", "     ##", "     ##", "     ##", "##   ##", " ##### "],
    4: ["    ## ", "   ### ", "  #### ", " ## ## ", "##  ## ", "##  ## ", "#######", "    ## ", "    ## ", "    ## ", "    ## "],
    5: ["#######", "##     ", "##     ", "##     ", "###### ", "     ##", "     ##", "     ##", "     ##", "##   ##", " ##### "],
    6: ["  #### ", " ##    ", "##     ", "##     ", "###### ", "##   ##", "##   ##", "##   ##", "##   ##", "##   ##", " ##### "],
    7: ["#######", "     ##", "     ##", "    ## ", "    ## ", "   ##  ", "   ##  ", "  ##   ", "  ##   ", "  ##   ", "  ##   "],
    8: [" ##### ", "##   ##", "##   ##", "##   ##", " ##### ", "##   ##", "##   ##", "##   ##", "##   ##", "##   ##", " ##### "],
    9: [" ##### ", "##   ##", "##   ##", "##   ##", "##   ##", " ######", "     ##", "     ##", "     ##", "    ## ", " ####  "],
}
WIDTH, HEIGHT = 128, 64

pixels = [[0] * WIDTH for _ in range(HEIGHT)]
for d, rows in GLYPHS.items():
    assert len(rows) == 11
    for r, text in enumerate(rows):
        assert len(text) == 7, (d, r)
        for c, ch in enumerate(text):
            pixels[r][8 * d + c] = 1 if ch == "#" else 0

out = []
out.append("// The packed \"numbers\" image of the point-number font, written by")
out.append("// scripts/make_digit_font.py: header (width, height, name), then one byte per pixel.")
out.append('#include "viewer/digit_font.h"')
out.append("")
out.append("const uint8_t k_digit_font_image[DIGIT_FONT_IMAGE_BYTES] = {")
out.append("    // width 128, height 64 (16-bit little-endian), name \"numbers\" in 16 bytes")
name = b"numbers".ljust(16, b"\0")
out.append("    128, 0, 64, 0,")
out.append("    " + ", ".join(str(b) for b in name) + ",")
for r in range(HEIGHT):
    row = pixels[r]
    out.append("    // row %d" % r)
    for half in range(2):
        out.append("    " + ",".join(str(v) for v in row[64 * half:64 * half + 64]) + ",")
out.append("};")
open(sys.argv[1], "w").write("\n".join(out) + "\n")
