#!/usr/bin/env python3
"""Puts the page together: the template with its styles, script, worker and both builds of
the pass (base64) inlined, and the policy's hashes of the styles and the script.
usage: assemble.py page.html page.css page.js worker.js plain.wasm simd128.wasm LICENSE version
       out"""
import base64
import hashlib
import sys

LIMIT = 96 * 1024  # the page's budget in bytes

html, css, js, worker, plain, simd, licence, version, out = sys.argv[1:]


def read(name, mode="r"):
    with open(name, mode) as f:
        return f.read()


def sha256(text):
    return "sha256-" + base64.b64encode(hashlib.sha256(text.encode()).digest()).decode()


parts = {"STYLE": read(css), "SCRIPT": read(js), "WORKER": read(worker), "VERSION": version,
         "LICENCE": read(licence).replace("&", "&amp;").replace("<", "&lt;"),
         "PLAIN": base64.b64encode(read(plain, "rb")).decode(),
         "SIMD128": base64.b64encode(read(simd, "rb")).decode()}
parts["STYLEHASH"] = sha256(parts["STYLE"])
parts["SCRIPTHASH"] = sha256(parts["SCRIPT"])
page = read(html)
for name, text in parts.items():
    if "</" in text:
        sys.exit(f"{name} holds '</', which would end its element early")
    page = page.replace("@" + name + "@", text)
size = len(page.encode())
if size > LIMIT:
    sys.exit(f"{out} would be {size} bytes, over its budget of {LIMIT}")
with open(out, "w", newline="\n") as f:
    f.write(page)
