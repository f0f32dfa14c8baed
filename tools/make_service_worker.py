#!/usr/bin/env python3
"""Writes the web page's service worker from its template
(host_web/service_worker.js.in): @FILES@ becomes the list of the files it
keeps, named relative to the worker's folder, and @VERSION@ the first 16 hex
digits of a SHA-256 over the template and every file's name and contents, so
that a change to any of them makes a new worker with a cache of its own.

  make_service_worker.py TEMPLATE WORKER FILE...
"""
import hashlib
import json
import os
import sys


def service_worker(template, folder, files):
    """The worker's text for the named files in folder."""
    with open(template, encoding="utf-8") as f:
        text = f.read()
    digest = hashlib.sha256(text.encode())
    for name in files:
        with open(os.path.join(folder, name), "rb") as f:
            contents = f.read()
        digest.update(b"%s\0%d\0" % (name.encode(), len(contents)) + contents)
    return text.replace("@FILES@", json.dumps(files)).replace("@VERSION@", digest.hexdigest()[:16])


def main(argv):
    if len(argv) < 4:
        sys.exit("usage: " + __doc__.strip().splitlines()[-1].strip())
    template, worker, files = argv[1], argv[2], argv[3:]
    text = service_worker(template, os.path.dirname(os.path.abspath(worker)), files)
    with open(worker, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main(sys.argv)
