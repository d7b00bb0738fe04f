#!/usr/bin/python3
"""Opens a page of `nxz view` in headless Chromium and uses it as a person
would: the findings are there, the tree opens, the search filters, a finding's
link leads to its node, a text side file opens inline, and the console stays
free of errors. Debian's chromium and chromium-driver, driven by Debian's
python3-selenium (run with /usr/bin/python3, which sees it).

usage: browser_check.py PAGE.html [SCREENSHOT.png]
Prints one line per check; exits 1 when one fails.
"""
import os
import re
import shutil
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

failures = 0


def check(what, ok, detail=""):
    global failures
    print(("ok   - " if ok else "FAIL - ") + what + ("" if ok or not detail else ": " + detail))
    if not ok:
        failures += 1


def wait_for(condition, seconds=5.0):
    end = time.time() + seconds
    while time.time() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    return condition()


def tree_rows(driver):
    return driver.find_elements(By.CSS_SELECTOR, "#tree li[id]")


def main():
    page = os.path.abspath(sys.argv[1])
    shot = sys.argv[2] if len(sys.argv) > 2 else None
    profile = tempfile.mkdtemp(prefix="nxz-chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    # No network here: without these Chromium keeps trying to reach its services.
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--window-size=1280,1000", "--user-data-dir=" + profile):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    try:
        driver.get("file://" + page)

        # Findings come first and render as a table (or say there are none).
        heading = driver.find_element(By.CSS_SELECTOR, "#findings h2").text
        count = int(re.search(r"\((\d+)\)", heading).group(1))
        rows = driver.find_elements(By.CSS_SELECTOR, "#findings tr.finding")
        check("findings render (%d)" % count, len(rows) == count and
              (count > 0 or "No rule found anything." in driver.find_element(By.ID, "findings").text))
        sections = [s.get_attribute("id") for s in driver.find_elements(By.CSS_SELECTOR, "main > section")]
        check("findings stand before the report", sections.index("findings") < sections.index("report"),
              str(sections))

        # The tree opens: a closed node with children gets its children.
        before = len(tree_rows(driver))
        check("the tree shows the report", before > 1, "%d rows" % before)
        closed = [li for li in tree_rows(driver)
                  if li.find_element(By.CSS_SELECTOR, ".tw").text == "\u25b8"]
        check("some nodes start closed", len(closed) > 0)
        if closed:
            node = closed[0]
            node_id = node.get_attribute("id")
            name = node.find_element(By.CSS_SELECTOR, ".nm").text
            node.find_element(By.CSS_SELECTOR, ".row").click()  # the row is drawn anew, opened
            opened = wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, "#%s > ul > li" % node_id))
            check("clicking %s opens it" % name, len(opened) > 0)
            check("the tree grew", len(tree_rows(driver)) > before)

        # The search filters by name or value. The tree is drawn anew as one
        # types, so its state is read in one go by a script.
        def texts(selector):
            return driver.execute_script(
                "return Array.from(document.querySelectorAll(arguments[0])).map(e => e.textContent)", selector)

        search = driver.find_element(By.ID, "search")
        search.send_keys("serviceName")
        wait_for(lambda: texts("#tree li.hit > .row .nm") and "match" in texts("#search-status")[0])
        hits = texts("#tree li.hit > .row")
        check("the search finds nodes by name (%s)" % texts("#search-status")[0], len(hits) > 0)
        check("every hit matches", all("servicename" in h.lower() for h in hits))
        names = texts("#tree .nm")
        check("what does not match is filtered out", "cpuInfomation" not in names and "osVersion" not in names,
              ", ".join(sorted(set(names))))
        search.clear()
        search.send_keys("Spooler")
        values = wait_for(lambda: [v for v in texts("#tree li.hit > .row .vl") if v == "Spooler"])
        check("the search finds nodes by value", bool(values), ", ".join(texts("#tree li.hit > .row")[:10]))
        driver.execute_script("var s = document.getElementById('search'); s.value = '';"
                              "s.dispatchEvent(new Event('input'))")
        wait_for(lambda: not texts("#search-status")[0] and not texts("#tree li.hit"))
        names = texts("#tree .nm")
        check("clearing the search brings the tree back", "PC" in names and "toolVersion" in names and
              not texts("#tree li.hit"))

        # A finding's link opens the tree down to its node.
        links = driver.find_elements(By.CSS_SELECTOR, "#findings a[data-node]")
        if links:
            target = links[0].get_attribute("data-node")
            links[0].click()
            focus = wait_for(lambda: driver.find_elements(By.CSS_SELECTOR, "#n%s.focus" % target))
            check("a finding's link shows its node", bool(focus) and focus[0].is_displayed())

        # A text side file opens inline.
        files = driver.find_elements(By.CSS_SELECTOR, "#files details.file")
        if "carries no side files" in driver.find_element(By.ID, "files").text:
            print("skip - the result carries no side files")
        else:
            check("text side files are listed", len(files) > 0)
        if files:
            summary = files[0].find_element(By.TAG_NAME, "summary")
            driver.execute_script("arguments[0].scrollIntoView()", summary)
            summary.click()
            pre = files[0].find_element(By.TAG_NAME, "pre")
            check("one opens inline (%s)" % summary.text, files[0].get_attribute("open") is not None and
                  pre.is_displayed() and len(pre.text) > 0)
            summary.click()

        severe = [e for e in driver.get_log("browser") if e.get("level") == "SEVERE"]
        check("the console shows no errors", not severe, "; ".join(e.get("message", "") for e in severe))

        if shot:
            driver.execute_script("window.scrollTo(0, 0)")
            driver.save_screenshot(shot)
            print("screenshot: " + shot)
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
