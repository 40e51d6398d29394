# Generates doc/Readme.rtf from the Russian text in doc/readme-content.py:
#   python3 doc/make-readme.py doc/readme-content.py doc/Readme.rtf
# Markup in the text: *bold*.
import re, sys

HEAD = (r"{\rtf1\ansi\ansicpg1251\deff0\deflang1049" "\r\n"
        r"{\fonttbl{\f0\fswiss\fcharset204 MS Sans Serif;}{\f1\fswiss\fcharset204 Arial;}}" "\r\n"
        r"{\colortbl;\red0\green0\blue0;\red0\green0\blue128;\red128\green0\blue0;}" "\r\n"
        r"\pard\plain\f0\fs16" "\r\n")

def esc_text(s):
    out = []
    for ch in s:
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ord(ch) < 0x80:
            out.append(ch)
        else:
            b = ch.encode("cp1251")  # raises on a character the code page lacks
            out.append("\\'%02x" % b[0])
    return out  # list of tokens

def runs(s):
    """*bold* markup -> tokens."""
    tokens = []
    parts = re.split(r"(\*[^*]+\*)", s)
    for part in parts:
        if part.startswith("*") and part.endswith("*") and len(part) > 2:
            tokens.append("{\\b ")
            tokens += esc_text(part[1:-1])
            tokens.append("}")
        else:
            tokens += esc_text(part)
    return tokens

def wrap(tokens, width=96):
    # Break lines only before a \'xx escape: the reader ignores CR and LF in
    # text, and a break there can never split or end a control word.
    lines, line = [], ""
    for t in tokens:
        if len(line) >= width and t.startswith("\\'"):
            lines.append(line)
            line = ""
        line += t
    lines.append(line)
    return "\r\n".join(lines)

body = []
def emit(prefix, tokens, suffix="\\par"):
    body.append(wrap([prefix] + tokens + [suffix]))

def title(s):
    emit("\\pard\\qc ", ["{\\f1\\fs24\\b\\cf2 "] + esc_text(s) + ["}"])
def subtitle(s):
    emit("\\pard\\qc ", ["{\\f1\\fs20 "] + esc_text(s) + ["}"])
def blank():
    body.append("\\pard\\par")
def h(s):
    blank()
    emit("\\pard ", ["{\\f1\\fs22\\b\\cf2 "] + esc_text(s) + ["}"])
    gap()
def gap():
    # RICHED32 knows no space after a paragraph; a tiny empty one stands in.
    body.append("\\pard{\\fs6\\par}")
def p(s):
    emit("\\pard ", runs(s))
    gap()
def warn(s):
    emit("\\pard ", ["{\\b\\cf3 "] + esc_text("Внимание!") + ["}", " "] + runs(s))
    gap()
def ul(*items):
    for it in items:
        emit("\\pard\\fi-220\\li440\\tx440 ", ["\\'95\\tab "] + runs(it))
    gap()

exec(open(sys.argv[1], encoding="utf-8").read())

rtf = HEAD + "\r\n".join(body) + "\r\n}\r\n"
rtf.encode("ascii")
open(sys.argv[2], "w", newline="").write(rtf)
