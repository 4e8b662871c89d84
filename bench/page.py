"""Times the page against the console program on the same save, in one run on this machine:
the program's wall time (its copy written and synced), and the page's from the saves picked
to every download link ready, with each build of the pass, in headless chromium; medians of
the rounds; and the browser's time to read the save alone, which no page can go below.
Checks that the page's copy is the program's, and that the pass's memory is fixed.
usage: page.py PAGE PROGRAM SAVE [ROUNDS]  (bench/page.sh builds and runs it)"""
import hashlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

page, prog, save = (Path(a).resolve() for a in sys.argv[1:4])
rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 5

# Marks the time of the pick, and of the page done, in the page's own clock.
WATCH = """window.picked = window.ready = 0;
document.querySelector('input[type=file]').addEventListener('change', (e) => {
  picked = performance.now(); }, true);
new MutationObserver(() => {
  if (document.body.dataset.state === 'done') ready = performance.now(); })
  .observe(document.body, { attributes: true });"""
# The SHA-256 of the copy offered, read with the page's policy set aside.
DIGEST = """const done = arguments[0];
fetch(document.querySelector('a[download]').href).then((r) => r.arrayBuffer())
  .then((b) => crypto.subtle.digest('SHA-256', b)).then((d) => done(Array.from(new Uint8Array(d),
    (x) => x.toString(16).padStart(2, '0')).join('')));"""
# The seconds the browser takes to read the save alone, in a worker of its own, as the page
# reads it: what no page can go below.
READALONE = """const done = arguments[0], file = document.getElementById('alone').files[0];
const read = `onmessage = (e) => { const t = performance.now(), r = new FileReaderSync();
  for (let at = 0; at < e.data.size; at += 16 << 20)
    r.readAsArrayBuffer(e.data.slice(at, at + (16 << 20)));
  postMessage((performance.now() - t) / 1000); };`;
const worker = new Worker(URL.createObjectURL(new Blob([read])));
worker.onmessage = (e) => done(e.data);
worker.postMessage(file);"""
# The memory of each build of the pass, in bytes, and whether it can grow.
MEMORY = """return ['pass-plain', 'pass-simd128'].map((id) => {
  const bytes = Uint8Array.from(atob(document.getElementById(id).textContent.trim()),
                                (c) => c.charCodeAt(0));
  const imports = { page: { readsave: () => 0, keepcopy: () => 1 } };
  const memory = new WebAssembly.Instance(new WebAssembly.Module(bytes), imports).exports.memory;
  let grows = true;
  try { memory.grow(1); } catch (e) { grows = false; }
  return [id, memory.buffer.byteLength, grows]; });"""


def programtime(work):
    shutil.copy(save, work / "save.vld")
    times = []
    for _ in range(rounds):
        (work / "FIXED-save.vld").unlink(missing_ok=True)
        start = time.perf_counter()
        subprocess.run([prog, "save.vld"], cwd=work, stdout=subprocess.DEVNULL, check=True)
        times.append(time.perf_counter() - start)
    digest = hashlib.sha256((work / "FIXED-save.vld").read_bytes()).hexdigest()
    return statistics.median(times), digest


def pagetime(driver, kernel):
    """The median seconds of the page with one build of the pass, and its copy's digest."""
    times = []
    for _ in range(rounds):
        if kernel == "plain":
            added = driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                           {"source": "WebAssembly.validate = () => false;"})
        driver.get(page.as_uri())
        if kernel == "plain":
            driver.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", added)
        assert driver.find_element(By.TAG_NAME, "body").get_attribute("data-kernel") == kernel
        driver.execute_script(WATCH)
        driver.find_element(By.CSS_SELECTOR, "input[type=file]").send_keys(str(save))
        WebDriverWait(driver, 300, 0.05).until(lambda d: d.execute_script("return ready"))
        times.append(driver.execute_script("return (ready - picked) / 1000"))
    return statistics.median(times), driver.execute_async_script(DIGEST)


def readtime(driver):
    times = []
    for _ in range(rounds):
        driver.get(page.as_uri())
        driver.execute_script("const i = document.createElement('input'); i.type = 'file';"
                              "i.id = 'alone'; document.body.append(i);")
        driver.find_element(By.ID, "alone").send_keys(str(save))
        times.append(driver.execute_async_script(READALONE))
    return statistics.median(times)


def main():
    options = webdriver.ChromeOptions()
    for flag in ["headless", "no-sandbox", "disable-gpu", "disable-background-networking",
                 "disable-component-update", "disable-sync", "no-first-run"]:
        options.add_argument("--" + flag)
    with tempfile.TemporaryDirectory() as folder:
        work = Path(folder)
        options.add_argument(f"--user-data-dir={work / 'profile'}")
        wall, want = programtime(work)
        print(f"{save.name}, {save.stat().st_size / 1048576:.0f} MiB, medians of {rounds} rounds")
        print(f"program             {wall:7.3f} s")
        driver = webdriver.Chrome(options=options)
        try:
            driver.execute_cdp_cmd("Page.setBypassCSP", {"enabled": True})
            driver.set_script_timeout(120)
            for kernel in ["simd128", "plain"]:
                seconds, digest = pagetime(driver, kernel)
                same = "same copy" if digest == want else "A DIFFERENT COPY"
                print(f"page, {kernel:8}    {seconds:7.3f} s  {seconds / wall:5.2f} times the "
                      f"program (at most 3)  {same}")
            alone = readtime(driver)
            print(f"the save read alone {alone:7.3f} s  {alone / wall:5.2f} times the program")
            for name, size, grows in driver.execute_script(MEMORY):
                print(f"{name:17} memory {size / 1048576:.0f} MiB (at most 16), "
                      f"{'can grow' if grows else 'fixed'}")
            print(f"browser: {driver.capabilities['browserName']} "
                  f"{driver.capabilities['browserVersion']}")
        finally:
            driver.quit()


main()
