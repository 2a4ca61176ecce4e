#!/usr/bin/env python3
"""Writes a deterministic directory of small HTML pages for the crash harness and the soak run.

usage: make_pages.py N OUTDIR SEED

Every page's contents are unique (they name the page's number). The mix: distinct titles,
titles shared by many pages (one in two letter cases), pages already named after their title,
pages with no title, an empty title or a title after byte 1000, titles with characters a file
name cannot hold and with entities, a title of a reserved device name, a control byte in a
title, extensions .htm/.html/.HTM/.HTML/.Htm, and (from 50 pages on) two scratch files left
by an interrupted run. Prints nothing; the pages are the output.
"""
import os
import random
import sys

WORDS = ("annual report garden river school museum winter summer press review market "
         "village station journal harbor council festival library kitchen travel").split()
SHARED = ["Home", "Intro", "INTRO", "News", "Contact us"]
ODD = ["a: b / c", "why? \"quoted\"", "Q&amp;A &lt;beta&gt;", "caf&eacute; Z\u00fcrich",
       "2001\u20132002", "x|y*z", "  spaced   out  ", "\u65e5\u672c\u8a9e", "tab\there"]
EXTENSIONS = [".htm"] * 4 + [".html"] * 3 + [".HTM", ".HTML", ".Htm"]


def page(number, title_html):
    head = "<!DOCTYPE html>\n<html><head>\n<meta charset=\"utf-8\">\n"
    if title_html is not None:
        head += title_html + "\n"
    body = "</head><body><p>Document number %d.</p>\n" % number
    return (head + body + "<p>" + "text " * (number % 50) + "</p></body></html>\n").encode()


def generate(n, outdir, seed):
    rng = random.Random(seed)
    os.makedirs(outdir, exist_ok=True)
    for i in range(n):
        r = rng.random()
        name = "page%06d" % i
        ext = rng.choice(EXTENSIONS)
        if r < 0.03:
            title_html = None  # no title
        elif r < 0.05:
            title_html = "<title></title>"
        elif r < 0.07:
            title_html = "<!-- %s -->\n<title>Late</title>" % ("x" * 1000)
        elif r < 0.27:
            title_html = "<title>%s</title>" % rng.choice(SHARED)
        elif r < 0.32:
            title_html = "<TITLE>%s</TITLE>" % name  # already named after its title
        elif r < 0.42:
            title_html = "<Title>%s</Title>" % rng.choice(ODD)
        elif r < 0.43:
            title_html = "<title>%s</title>" % rng.choice(["Con", "nul", "bell\x07ring"])
        else:
            words = [rng.choice(WORDS) for _ in range(rng.randint(2, 5))]
            title_html = "<title>%s %d</title>" % (" ".join(words).capitalize(), i)
        with open(os.path.join(outdir, name + ext), "wb") as f:
            f.write(page(i, title_html))
    if n >= 50:  # documents an interrupted run left under scratch names
        for k, title in enumerate(["Home", "Left over"]):
            with open(os.path.join(outdir, "%s.qlm" % title), "wb") as f:
                f.write(page(n + k, "<title>%s</title>" % title))


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    generate(int(sys.argv[1]), sys.argv[2], int(sys.argv[3]))


if __name__ == "__main__":
    main()
