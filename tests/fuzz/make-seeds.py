#!/usr/bin/env python3
"""Seed corpora for the fuzz targets, taken from the string literals of the
test suite: datagrams, link texts, settings files and code page 932 bytes.

Usage: make-seeds.py OUTDIR   (writes OUTDIR/<target>/<hash>)
"""
import codecs
import warnings
import hashlib
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
LITERAL = re.compile(r'(?<![A-Za-z0-9_])(?:u8|u|L)?"((?:[^"\\\n]|\\.)*)"')


def literals(path):
    text = path.read_text(encoding="utf-8", errors="replace")
    for match in LITERAL.finditer(text):
        raw = match.group(1).encode("utf-8")
        try:
            yield codecs.escape_decode(raw)[0]
        except ValueError:
            continue


def variants(data):
    """The literal as written (UTF-8) and, where it differs, in code page 932."""
    yield data
    try:
        cp932 = data.decode("utf-8").encode("cp932")
    except (UnicodeDecodeError, UnicodeEncodeError):
        return
    if cp932 != data:
        yield cp932


def main():
    warnings.simplefilter("ignore", DeprecationWarning)
    out = pathlib.Path(sys.argv[1])
    seeds = {name: set() for name in ("fuzz_datagram", "fuzz_receive", "fuzz_gomokulink", "fuzz_settings", "fuzz_cp932")}
    sources = sorted((ROOT / "tests").rglob("*.cpp")) + sorted((ROOT / "tests").rglob("*.h"))
    for path in sources:
        for lit in literals(path):
            for data in variants(lit):
                if b"<USERNAME>" in data or b"<IPADDR>" in data or re.match(rb"^\d\d<", data):
                    seeds["fuzz_datagram"].add(data)
                    seeds["fuzz_receive"].add(data)
                    seeds["fuzz_cp932"].add(data)
                if b"<GAMEFUNC>" in data or b"<GAMEDATA>" in data:
                    seeds["fuzz_gomokulink"].add(data)
                if b"[User]" in data or b"[Local]" in data or b"[WindowPos]" in data or b"UserIpAddr" in data:
                    seeds["fuzz_settings"].add(data)
                if path.name == "tst_cp932.cpp" and data:
                    seeds["fuzz_cp932"].add(data)

    # Every code GOMOKU knows, as the messenger pokes them.
    for code, data in ((b"#1", b"Pelwick"), (b"#2", b"partner"), (b"#3", b"127.0.0.2"), (b"#4", b"me"),
                       (b"#5", b"127.0.0.3"), (b"20", b""), (b"21", b""), (b"01", b""), (b"40", b""),
                       (b"10", b"(127.0.0.2)9,9"), (b"10", b"(127.0.0.3)19,1"), (b"99", b"")):
        seeds["fuzz_gomokulink"].add(b"<GAMEFUNC>" + code + b"<GAMEDATA>" + data)

    # A settings file as the messenger writes it.
    seeds["fuzz_settings"].add(
        "[WindowPos]\nTop=1200\nLeft=2400\nWidth=5400\nHeight=7800\n\n"
        "[Local]\nSoundFilePath=/usr/share/sounds/arrival.wav\nSound=True\nFormTop=False\nPopUp=True\n"
        "Port=59640\nUserName=\u5c71\u7530\n\n"
        "[User]\nCount=3\n001UserName=a\n001UserIpAddr=127.0.0.2\n002UserName=\"b, c\"\n002UserIpAddr=127.0.0.3\n"
        "003UserName=\n003UserIpAddr=  \n".encode("utf-8"))

    for name, items in seeds.items():
        folder = out / name
        folder.mkdir(parents=True, exist_ok=True)
        for data in items:
            (folder / hashlib.sha1(data).hexdigest()).write_bytes(data)
        print(f"{name}: {len(items)} seeds")


if __name__ == "__main__":
    main()
