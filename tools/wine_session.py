"""The environment for running a program in a wine session that
tools/wine-session.sh started: the session's prefix and display, and the
settings of tools/wine-env.sh, read from there so that they are set in one
place."""

import os
import re
from pathlib import Path

_SETTINGS = Path(__file__).with_name("wine-env.sh")


def settings():
    """The variables tools/wine-env.sh exports."""
    return dict(re.findall(r"^export (\w+)=(\S*)$", _SETTINGS.read_text(), re.MULTILINE))


def display(session):
    return ":" + (Path(session) / "display").read_text().strip()


def environment(session):
    return dict(os.environ, WINEPREFIX=str(Path(session) / "prefix"), DISPLAY=display(session), **settings())
