"""Debian's Chromium, headless, driven by Selenium through Debian's
chromedriver, as the page's test and benchmark run it: a new profile in the
folder given, and none of the browser's own traffic, which this machine's
closed network would refuse."""

from selenium import webdriver
from selenium.webdriver.chrome.service import Service


def start(profile, window_size, logs=(), arguments=()):
    """The browser, its window window_size ("WIDTH,HEIGHT"); logs names the
    logs to keep ("performance", "browser"), arguments are the browser's own
    more."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     f"--user-data-dir={profile}", f"--window-size={window_size}", *arguments):
        options.add_argument(argument)
    if logs:
        options.set_capability("goog:loggingPrefs", {log: "ALL" for log in logs})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
