#!/usr/bin/python3
"""The web page in a real browser: headless Chromium through Selenium.

Run by tst_web, which starts PostgreSQL and tavrel-web and passes in the
environment: TAVREL_URL, TAVREL_ADMIN / TAVREL_ADMIN_PASSWORD (sees every
site), TAVREL_CLIENT / TAVREL_CLIENT_PASSWORD (sees TAVREL_OWN_SITE only),
TAVREL_OTHER_SITE, TAVREL_SITE_NAMES (one per line) and TAVREL_SCREENSHOTS.
Exits 0 when every check holds; otherwise prints what failed and exits 1.
"""
import os
import shutil
import sys
import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

URL = os.environ["TAVREL_URL"]
SHOTS = os.environ["TAVREL_SCREENSHOTS"]

# True when the canvas has a pixel that is not transparent.
DRAWN = """
const c = arguments[0];
const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
for (let i = 3; i < d.length; i += 4) if (d[i] !== 0) return true;
return false;
"""


STATE = {"step": "starting Chromium", "driver": None}


def step(text):
    STATE["step"] = text


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def start():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    profile = tempfile.mkdtemp(prefix="tavrel-chromium-")
    STATE["profile"] = profile
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage", "--disable-quic",
                 "--no-first-run", "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--window-size=1280,900", "--user-data-dir=" + profile]:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service(executable_path="/usr/bin/chromedriver"), options=options)


def log_in(driver, name, password):
    driver.get(URL + "/login")
    driver.find_element(By.ID, "name").send_keys(name)
    driver.find_element(By.ID, "password").send_keys(password)
    driver.find_element(By.ID, "login").click()
    WebDriverWait(driver, 30).until(lambda d: d.current_url == URL + "/")


def wait_drawn(driver):
    WebDriverWait(driver, 30).until(
        lambda d: d.execute_script("return document.body.dataset.drawn") == "yes")


def status_of(driver, path):
    return driver.execute_async_script(
        "const done = arguments[arguments.length - 1];"
        "fetch(arguments[0], {credentials: 'same-origin'}).then(r => done(r.status), e => done(String(e)));", path)


def main():
    os.makedirs(SHOTS, exist_ok=True)
    driver = start()
    STATE["driver"] = driver
    try:
        step("logging in as the office")
        log_in(driver, os.environ["TAVREL_ADMIN"], os.environ["TAVREL_ADMIN_PASSWORD"])
        step("waiting for the overview's charts")
        wait_drawn(driver)
        names = [a.text for a in driver.find_elements(By.CSS_SELECTOR, "#sites tbody td:first-child a")]
        expected = os.environ["TAVREL_SITE_NAMES"].split("\n")
        check(sorted(names) == sorted(expected), "overview shows %r, not %r" % (names, expected))
        canvases = driver.find_elements(By.CSS_SELECTOR, "canvas.week")
        check(len(canvases) == len(expected), "a chart per site")
        for c in canvases:
            check(driver.execute_script(DRAWN, c), "the chart of site %s is blank" % c.get_attribute("data-site"))
        cookie = driver.get_cookie("tavrel_session")
        check(cookie and cookie.get("httpOnly") and cookie.get("sameSite") == "Strict", "cookie %r" % cookie)
        check(driver.execute_script("return document.cookie") == "", "the session cookie is visible to scripts")
        driver.save_screenshot(os.path.join(SHOTS, "overview.png"))

        own = os.environ["TAVREL_OWN_SITE"]
        step("opening the site")
        driver.find_element(By.CSS_SELECTOR, "a[href='/site/%s']" % own).click()
        WebDriverWait(driver, 30).until(lambda d: d.current_url.startswith(URL + "/site/" + own))
        wait_drawn(driver)
        check(driver.execute_script(DRAWN, driver.find_element(By.ID, "days")), "the site's chart is blank")
        plans = driver.find_elements(By.CSS_SELECTOR, "#plans canvas")
        check(plans and all(driver.execute_script(DRAWN, c) for c in plans), "the plans' charts are blank")
        check(len(driver.find_elements(By.CSS_SELECTOR, "#missed tbody tr")) > 0, "no missed checkpoints listed")
        driver.save_screenshot(os.path.join(SHOTS, "site.png"))

        step("opening the exceptions")
        driver.find_element(By.LINK_TEXT, "Exceptions").click()
        WebDriverWait(driver, 30).until(lambda d: d.current_url.startswith(URL + "/exceptions"))
        check(len(driver.find_elements(By.CSS_SELECTOR, "#exceptions tbody tr")) > 0, "the exception table is empty")
        check(status_of(driver, driver.find_element(By.ID, "csv").get_attribute("href")) == 200, "CSV link")
        driver.save_screenshot(os.path.join(SHOTS, "exceptions.png"))

        step("logging out")
        driver.find_element(By.ID, "logout").click()
        WebDriverWait(driver, 30).until(lambda d: d.current_url == URL + "/login")
        driver.get(URL + "/")
        check(driver.current_url == URL + "/login", "the overview after logging out")

        step("logging in as the client")
        log_in(driver, os.environ["TAVREL_CLIENT"], os.environ["TAVREL_CLIENT_PASSWORD"])
        rows = driver.find_elements(By.CSS_SELECTOR, "#sites tbody tr")
        check(len(rows) == 1 and driver.find_elements(By.CSS_SELECTOR, "a[href='/site/%s']" % own),
              "the client sees %d sites" % len(rows))
        other = os.environ["TAVREL_OTHER_SITE"]
        check(status_of(driver, "/site/" + other) == 404, "another site's page")
        check(status_of(driver, "/api/site/" + other) == 404, "another site's JSON")
        driver.get(URL + "/site/" + other)
        check("Not found" in driver.title, "another site's page reads %r" % driver.title)
    except Exception:
        print("browser: at %s (page %s):\n%s" % (STATE["step"], driver.current_url, driver.page_source[:1500]))
        for entry in driver.get_log("browser"):
            print("browser console: %s" % entry.get("message"))
        raise
    finally:
        driver.quit()
        shutil.rmtree(STATE["profile"], ignore_errors=True)
    print("browser: every check holds")


if __name__ == "__main__":
    try:
        main()
    except Exception as e:  # the test prints the browser's own words
        print("browser: %s while %s: %s" % (type(e).__name__, STATE["step"], e))
        sys.exit(1)
