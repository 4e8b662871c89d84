# The page in headless chromium, opened from file://, held to the console program byte for
# byte: each save's report (the text of its [data-report]) against the program's console,
# and its copy against the program's, or no copy where the program made none; no request
# may leave the browser and no error be logged. The saves are a row of the [page] table, or
# random ones, run over both builds of the pass: the plain one where the page's probe fails,
# as on an engine without SIMD128. usage: webpage.py PAGE PROGRAM (TITLE | random COUNT)
# Exits 77, skipped, where chromium, its driver or selenium is missing, unless CI=true.
import base64
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
# A field of cases.tbl as tests/check.h decodes it: {N*text}, {name}, \xHH, \r \n \t \0.
TOKEN = re.compile(r"\{(\d+)\*([^}]*)\}|\{([^}]*)\}|\\x(..)|\\(.)|(.)", re.S)
ESCAPES = {"r": b"\r", "n": b"\n", "t": b"\t", "0": b"\0"}
# Reads each copy from its link, where the page's policy is set aside.
READCOPIES = """const done = arguments[0];
Promise.all(Array.from(document.querySelectorAll('a[download]'), (a) => fetch(a.href)
  .then((r) => r.blob()).then((blob) => new Promise((ok) => { const f = new FileReader();
    f.onload = () => ok([a.download, f.result.split(',')[1]]); f.readAsDataURL(blob); }))))
  .then(done);"""
REPORTS = """return Array.from(document.querySelectorAll('[data-report]'),
                  (e) => [e.dataset.report, e.textContent]);"""


def skip(why):
    print(why)
    sys.exit(1 if os.environ.get("CI") == "true" else 77)


try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    skip("The page's tests need selenium: apt-get install python3-selenium")


def decode(field, named):
    out = b""
    for n, text, name, hexbyte, esc, char in TOKEN.findall(field):
        out += (decode(text, named) * int(n) if n else named[name] if name else
                bytes([int(hexbyte, 16)]) if hexbyte else ESCAPES.get(esc, esc.encode())
                if esc else char.encode())
    return out


# The saves of the [page] row of that title (None for a folder, named with a final slash),
# and whether it is a check.
def tablerow(title):
    named, section = {}, ""
    for line in (ROOT / "tests/data/cases.tbl").read_text(encoding="utf-8").splitlines():
        section, fields = line if line.startswith("[") else section, line.split(" | ")
        if section == "[texts]" and len(fields) > 1:
            named[fields[0]] = decode(fields[1], named)
        if section == "[page]" and fields[0] == title:
            return {name.rstrip("/"): None if name.endswith("/") else (ROOT / data[1:])
                    .read_bytes() if data.startswith("<") else decode(data, named)
                    for name, data in zip(fields[2::2], fields[3::2])}, fields[1] == "check"
    sys.exit(f"no row '{title}' in [page]")


# key = "value" lines, some damaged by a quote, a control byte or a line end.
def randomsave(rng):
    lines = []
    for i in range(rng.choice([rng.randrange(40), rng.randrange(4000)])):
        value = bytearray(rng.choice(b"abcdefghij 0123456789") for _ in range(rng.randrange(30)))
        for _ in range(rng.choice([0, 0, 0, 1, 2])):
            value.insert(rng.randrange(len(value) + 1), rng.choice(b'"""\0\1\t\x1a\x1f\r\n\xe9'))
        lines.append(b'key%d = "%s"%s' % (i, value, rng.choice([b"\r\n", b"\r\n", b"\n"])))
    if rng.randrange(50) == 0:  # about the longest line, or a line too long
        lines.append(b"z" * (262140 + rng.randrange(3)) + b"\r\n")
    save = b"".join(lines)
    return save[:rng.choice([len(save), len(save), len(save) - 1])]


# The program's console as the page shows it, and its copy (None where it made none).
def program(prog, folder, name, check):
    run = subprocess.run([prog] + ["--check"] * check + ["--", name], cwd=folder,
                         stdout=subprocess.PIPE, check=False)
    lines, copy = run.stdout.splitlines(keepends=True), folder / ("FIXED-" + name)
    if len(lines) > 501:  # past the first 500 repairs, their count; a closing line after
        lines[500:-1] = [b"... and %d more repairs, not listed here\n" % (len(lines) - 501)]
    return b"".join(lines), copy.read_bytes() if copy.exists() else None


def browser(work):
    if not shutil.which("chromium") or not shutil.which("chromedriver"):
        skip("The page's tests need chromium: apt-get install chromium chromium-driver")
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    # Root needs no sandbox; the rest keeps the browser from reaching out on its own.
    for flag in ["headless", "no-sandbox", "disable-gpu", "disable-background-networking",
                 "disable-component-update", "disable-sync", "no-first-run",
                 f"user-data-dir={work / 'profile'}"]:
        options.add_argument("--" + flag)
    options.add_experimental_option("prefs", {
        "download.default_directory": str(work / "downloads"), "download.prompt_for_download":
        False, "profile.default_content_setting_values.automatic_downloads": 1})
    options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


# Each copy the page offers, downloaded as a player does, one at a time: a download begun
# while another starts may be dropped.
def download(driver, wait, downloads):
    copies = {}
    for link in driver.find_elements(By.CSS_SELECTOR, "a[download]"):
        name = link.get_attribute("download")
        link.click()
        wait(60, lambda _: (downloads / name).exists() and not any(downloads.glob("*.crdownload")))
        copies[name] = (downloads / name).read_bytes()
        (downloads / name).unlink()
    return copies


# Each save's report and copy, None where the page offers none; the copies downloaded, or
# read from their links where not click.
def runpage(driver, page, kernel, paths, check, click):
    body = lambda: driver.find_element(By.TAG_NAME, "body")
    wait = lambda seconds, until: WebDriverWait(driver, seconds, 0.02).until(until)
    cdp, probe = driver.execute_cdp_cmd, {"source": "WebAssembly.validate = () => false;"}
    added = cdp("Page.addScriptToEvaluateOnNewDocument", probe) if kernel == "plain" else None
    cdp("Page.setBypassCSP", {"enabled": not click})
    driver.get(page.as_uri())
    if added:
        cdp("Page.removeScriptToEvaluateOnNewDocument", added)
    assert body().get_attribute("data-kernel") == kernel, body().get_attribute("data-kernel")
    if check:
        driver.find_element(By.ID, "check").send_keys(Keys.SPACE)  # the keyboard alone
    driver.find_element(By.CSS_SELECTOR, "input[type=file]").send_keys("\n".join(map(str, paths)))
    wait(120, lambda _: body().get_attribute("data-state") != "busy")
    assert body().get_attribute("data-state") == "done", driver.find_element(By.ID, "status").text
    reports = dict(driver.execute_script(REPORTS))
    driver.set_script_timeout(120)
    copies = download(driver, wait, paths[0].parent.parent / "downloads") if click else {
        name: base64.b64decode(data) for name, data in driver.execute_async_script(READCOPIES)}
    assert len(reports) == len(paths) and set(copies) <= {"FIXED-" + p.name for p in paths}
    return {p.name: (reports[p.name].encode(), copies.get("FIXED-" + p.name)) for p in paths}


# No request but for the page, its blobs and the browser's own pages; no error logged.
def nothingleft(driver):
    for entry in driver.get_log("performance"):
        url = json.loads(entry["message"])["message"]["params"].get("request", {}).get("url", "")
        assert url.split(":")[0] in ("", "file", "blob", "data", "chrome"), url
    errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
    assert not errors, errors


def differ(name, want, got):
    if want == got:
        return 0
    if want is None or got is None:
        print(f"{name}: from the {'page' if want is None else 'program'} only")
        return 1
    at = next((i for i, (a, b) in enumerate(zip(want, got)) if a != b), min(len(want), len(got)))
    near = slice(max(0, at - 40), at + 40)
    print(f"{name}: differs at byte {at}:\n  program: {want[near]!r}\n  page:    {got[near]!r}")
    return 1


def main(page, prog, *row):
    prog, rng = Path(prog).resolve(), random.Random(20261207)
    if not prog.exists():
        skip(f"The page's tests need the program {prog}: build it first (bash dev/test.sh)")
    saves, check = tablerow(row[0]) if row[0] != "random" else (
        {f"r{i}.vld": randomsave(rng) for i in range(int(row[1]))}, False)
    wrong = 0
    with tempfile.TemporaryDirectory() as folder:
        work = Path(folder)
        for sub in ["saves", "program", "downloads"]:
            (work / sub).mkdir()
        for name, data in saves.items():
            for path in [work / "saves" / name, work / "program" / name]:
                path.mkdir() if data is None else path.write_bytes(data)
        want = {name: program(prog, work / "program", name, check) for name in saves}
        driver = browser(work)
        try:
            for kernel in ["plain", "simd128"]:
                got = runpage(driver, Path(page).resolve(), kernel,
                              [work / "saves" / name for name in saves], check, row[0] != "random")
                for name, (console, copy) in want.items():
                    wrong += differ(f"{kernel}, {name}, report", console, got[name][0])
                    wrong += differ(f"{kernel}, {name}, copy", copy, got[name][1])
            nothingleft(driver)
        finally:
            driver.quit()
    print(f"{len(saves)} saves, each through both builds: {wrong} differences")
    return 1 if wrong else 0


sys.exit(main(*sys.argv[1:]))
