#!/usr/bin/env python3
"""Writes the demo payload's content into demo/content/ and demo/manifest.txt.

Everything is generated from this script alone (no network, no random seed
taken from the clock), so running it twice gives the same bytes. The output is
committed; the build only reads it.

Sizes: the single files have the sizes of the release's file table, and the
two folder groups add up to the release's group totals, so that disk-space
figures and progress behave as they do with the full product.
"""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "content")
STAMP = "2026-03-02 14:30:00"          # the release's date and time; seconds even

SIZES = {
    "License.txt": 2228,
    "English (American).asc": 150,
    "English (British).asc": 150,
    "us.zlx": 87354,
    "uk.zlx": 33216,
    "userdicen.tlx": 0,
    "English (American).cache": 8022,
    "english.zlx": 326738,
    "Basic.asn": 62503,
    "Hyphenation.dat": 182700,
}
TEMPLATES_TOTAL = 203064
CLIPS_TOTAL = 183038


class Rng:
    """xorshift32: small, deterministic and the same on every Python."""

    def __init__(self, seed):
        self.s = seed & 0xFFFFFFFF or 1

    def next(self):
        s = self.s
        s ^= (s << 13) & 0xFFFFFFFF
        s ^= s >> 17
        s ^= (s << 5) & 0xFFFFFFFF
        self.s = s
        return s

    def below(self, n):
        return self.next() % n

    def pick(self, seq):
        return seq[self.below(len(seq))]


# ---------------------------------------------------------------- words

ROOTS = """
able account act add address age agree air allow answer appear apply arrange
art ask attach attend avoid back balance band bank base bear beat begin bell
belong bind bird blank block blow board boat body bold book border bottle box
branch break bridge bright bring brush build burn button call calm camp card
care carry cast catch cause center chain chair chance change chapter charge
chart check child choose circle claim class clean clear climb clip close cloth
cloud coast code color comfort comment common compare complete connect consider
contain content control cook copy corner count cover craft cross crowd cup
current cut damage dance date deal decide deep defend delay deliver depend
design desk detail develop direct display divide doctor document door draft
draw dream dress drink drive drop dry earth edge edit effect end enjoy enter
equal even event exact example expect experience explain face fact fail fair
fall farm fast favor fear feel field fight figure file fill final find fine
finish fire firm fish fit fix flat flavor floor flow fold follow force form
frame free fresh front fruit fund garden gather gift give glass govern grade
grant green ground group grow guard guide hand handle harm head health hear
heat help hold honor hope horse house hunt idea image improve include index
inform insert interest iron join joke judge jump keep kind knit know label
labor land large last laugh launch lead learn letter level light limit line
link list listen load local lock long look love luck mail mark market master
match matter measure meet member mention mind miss model move name nation
need neighbor note notice number offer open order own page paint paper park
part pass paste pattern pay pen place plain plan plant play point polish
position post pound power practice praise present press print process produce
project promise proof protect pull punch push quote rain raise reach read
record reflect remain remark repeat report rest return review ring rise road
rock roll room round rule run sail save scale school score screen search
season seat second select sell send sense serve set shape share sharp shelf
shift ship short show sign simple sing size sketch skill sleep slide smile
sound space speak spell spend spring stand start state stay step stock stone
store story strong study style subject suggest supply support surface sweet
switch table tail talk task taste teach term test text thank thick thin
thought time title total touch tour track trade train travel treat trust
turn type union use valid value view visit voice wait walk want warm wash
watch water wave wear weather weight wide wind window wish wonder word work
world write yard year yield
""".split()

PREFIXES = ["", "", "", "un", "re", "pre", "dis", "over", "under", "mis", "out", "co"]
SUFFIXES = ["", "", "s", "ed", "ing", "er", "ers", "able", "ful", "less", "ly",
            "ness", "ment", "ments", "ings", "ive"]

# Spelling pairs that tell the two English dictionaries apart.
US_UK = [
    ("color", "colour"), ("honor", "honour"), ("favor", "favour"),
    ("labor", "labour"), ("neighbor", "neighbour"), ("flavor", "flavour"),
    ("center", "centre"), ("theater", "theatre"), ("meter", "metre"),
    ("fiber", "fibre"), ("liter", "litre"), ("organize", "organise"),
    ("realize", "realise"), ("analyze", "analyse"), ("catalog", "catalogue"),
    ("dialog", "dialogue"), ("program", "programme"), ("defense", "defence"),
    ("license", "licence"), ("gray", "grey"), ("traveler", "traveller"),
    ("jewelry", "jewellery"), ("mold", "mould"), ("plow", "plough"),
    ("check", "cheque"), ("tire", "tyre"), ("aluminum", "aluminium"),
    ("apologize", "apologise"), ("recognize", "recognise"), ("humor", "humour"),
]


def english_words():
    seen = set()
    out = []
    for p in PREFIXES:
        for r in ROOTS:
            for s in SUFFIXES:
                stem = r
                if s and s[0] in "aeiu" and stem.endswith("e"):
                    stem = stem[:-1]
                w = p + stem + s
                if w not in seen:
                    seen.add(w)
                    out.append(w)
    out.sort()
    return out


def fill_lines(header, words, size, eol="\r\n"):
    """header + one word a line, exactly `size` bytes; the tail is solved
    with words of exactly fitting lengths so that no filler is needed."""
    text = header
    by_len = {}
    for w in words:
        by_len.setdefault(len(w), []).append(w)
    used = set()
    i = 0
    while size - len(text) > 64 and i < len(words):
        text += words[i] + eol
        used.add(words[i])
        i += 1
    rest = size - len(text)
    if rest > 64:
        raise SystemExit("word list too short for %d bytes" % size)
    # Solve the rest with a few lines whose lengths add up exactly.
    avail = {n: [w for w in ws if w not in used] for n, ws in by_len.items()}

    def solve(rest, depth):
        if rest == 0:
            return []
        if depth == 0:
            return None
        for n in sorted(avail, reverse=True):
            if avail[n] and n + len(eol) <= rest:
                w = avail[n].pop()
                sub = solve(rest - n - len(eol), depth - 1)
                if sub is not None:
                    return [w] + sub
                avail[n].append(w)
        return None

    tail = solve(rest, 6)
    if tail is None:
        raise SystemExit("cannot fill the last %d bytes" % rest)
    text += "".join(w + eol for w in tail)
    assert len(text) == size, (len(text), size)
    return text.encode("ascii")


def padded_text(body, size, pad_line_prefix="; "):
    """A text of exactly `size` bytes: the body and one closing comment line
    long enough to fill up (ini-style files ignore it)."""
    need = size - len(body)
    if need == 0:
        return body.encode("ascii")
    if need < len(pad_line_prefix) + 2:
        raise SystemExit("body too long for %d bytes" % size)
    filler = "end of file " + "-" * 200
    line = pad_line_prefix + filler[: need - len(pad_line_prefix) - 2] + "\r\n"
    out = body + line
    assert len(out) == size
    return out.encode("ascii")


# ---------------------------------------------------------------- licence

# One line per paragraph: the licence memo wraps words itself, and hard breaks
# would wrap every line again into a long and a short piece.
LICENSE_TITLE = ["PARVELA WORD PROCESSOR LITE 4.0.3.2 - DEMO EDITION", "LICENSE AGREEMENT"]

LICENSE = """\
Please read this agreement before you install or use the software. By
installing, copying or using the software you agree to these terms. If you
do not agree, do not install the software and close Setup now.

1. GRANT. You may install and use this demo edition on any number of
computers, including on removable media, for evaluation, teaching and
personal use. You may make copies of the setup program and give them to
others, provided you give them unchanged and free of charge.

2. CONTENT. The document templates, clip library images, dictionaries,
hyphenation data and sound scheme are part of the software. You may use
them in documents you create, and distribute such documents freely. You
may not sell the content on its own.

3. RESTRICTIONS. You may not rent, lease or sell the software, remove or
change any notice of ownership in it, or present it as your own work.

4. NO WARRANTY. The software is provided "as is", without warranty of any
kind, either expressed or implied, including but not limited to the
implied warranties of merchantability and fitness for a particular
purpose. The entire risk as to the quality and performance of the
software is with you. Keep copies of your documents.

5. LIMITATION OF LIABILITY. In no event shall the authors or distributors
be liable for any damages whatsoever, including lost profits, lost data
or business interruption, arising out of the use of or inability to use
the software, even if advised of the possibility of such damages.

6. PRIVACY. The software sends no information over a network and does
not check for updates. Its settings are stored in your profile on this
computer.

7. TERMINATION. This agreement ends automatically if you fail to comply
with its terms. On termination you must remove all copies of the
software from your computers.

8. GENERAL. This agreement is the entire agreement between you and the
authors concerning the software. If any part of it is held invalid, the
rest remains in force.

Parvela Word Processor Lite is a demo edition made for testing its setup
program. Thank you for trying it.

(c) The Parvela authors. All rights reserved.
"""


def license_text():
    paragraphs = [" ".join(p.split("\n")) for p in LICENSE.strip("\n").split("\n\n")]
    text = "\r\n".join(LICENSE_TITLE) + "\r\n\r\n" + "\r\n\r\n".join(paragraphs) + "\r\n"
    # The release's file size is fixed; reword the text rather than pad it.
    if len(text) != SIZES["License.txt"]:
        raise SystemExit("licence text is %d bytes, not %d" % (len(text), SIZES["License.txt"]))
    return text.encode("ascii")


# ---------------------------------------------------------------- dictionaries

def asc_file(lang, code, main):
    body = ("[Language]\r\nName=%s\r\nCode=%s\r\nMain=%s\r\nCommon=english.zlx\r\n"
            "User=userdicen.tlx\r\nCache=%s.cache\r\n") % (lang, code, main, lang)
    return padded_text(body, SIZES["%s.asc" % lang])


def lexicon(lang, words, size):
    header = "PARVELA LEXICON 1\r\nLanguage=%s\r\n\r\n" % lang
    return fill_lines(header, words, size)


def cache_file(words):
    """Frequency cache: the words seen most, with a count, in a binary table."""
    rng = Rng(7)
    size = SIZES["English (American).cache"]
    out = bytearray(b"PVC1")
    entries = []
    pos = 8
    for w in words:
        rec = struct.pack("<H", 100 + rng.below(9000)) + bytes([len(w)]) + w.encode()
        if pos + len(rec) > size:
            break
        entries.append(rec)
        pos += len(rec)
    out += struct.pack("<I", len(entries))
    for r in entries:
        out += r
    out += b"\0" * (size - len(out))        # free space of the cache
    assert len(out) == size
    return bytes(out)


def hyphenation(words):
    """Liang-style patterns: digits between letters mark allowed breaks."""
    size = SIZES["Hyphenation.dat"]
    vowels = set("aeiouy")
    pats = []
    seen = set()
    for w in words:
        for i in range(1, len(w) - 2):
            a, b = w[i], w[i + 1]
            if (a in vowels) == (b in vowels):
                continue
            lvl = 1 + (ord(a) + ord(b)) % 4
            for left, right in ((1, 1), (1, 2), (2, 1), (2, 2), (1, 3), (3, 2)):
                lo = i + 1 - left
                if lo < 0 or i + 1 + right > len(w):
                    continue
                p = w[lo:i + 1] + str(lvl) + w[i + 1:i + 1 + right]
                if lo == 0:
                    p = "." + p
                if p not in seen:
                    seen.add(p)
                    pats.append(p)
    pats.sort(key=lambda p: p.strip(".0123456789"))
    # Then whole words with their breaks, as exceptions to the patterns.
    exc = []
    for w in words[::2]:
        parts, cur = [], ""
        for i, ch in enumerate(w):
            cur += ch
            if 1 < i < len(w) - 3 and (ch in vowels) != (w[i + 1] in vowels) and len(cur) > 1:
                parts.append(cur)
                cur = ""
        exc.append("-".join(parts + [cur]))
    header = ("PARVELA HYPHENATION 1\r\nLanguage=en\r\nLeftMin=2\r\nRightMin=3\r\n"
              "Patterns: %d\r\n" % len(pats))
    return fill_lines(header, pats + ["Exceptions:"] + exc, size)


# ---------------------------------------------------------------- sounds

def wav(samples, rate=11025):
    data = bytes(samples)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate, 1, 8)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + \
        b"data" + struct.pack("<I", len(data)) + data
    if len(data) % 2:
        body += b"\0"
    return b"RIFF" + struct.pack("<I", len(body)) + body


def tone(freqs, n, rate=11025):
    import math
    out = []
    for i in range(n):
        t = i / rate
        env = math.exp(-4.0 * i / n) * min(1.0, i / 40.0)
        f = freqs[min(len(freqs) - 1, i * len(freqs) // n)]
        v = math.sin(2 * math.pi * f * t) * 0.6 + math.sin(4 * math.pi * f * t) * 0.15
        out.append(max(0, min(255, int(round(128 + 110 * env * v)))))
    return out


def sound_scheme():
    size = SIZES["Basic.asn"]
    events = [("Open", [523, 659]), ("Save", [659, 784]), ("Print", [440]),
              ("Error", [330, 262]), ("Question", [587, 698]), ("Close", [659, 523]),
              ("Spelling", [880])]
    # The table is a fixed-width text header, so its size is known up front;
    # RIFF files are always even, so the header takes the odd byte.
    head_len = 47 + 48 * len(events)
    lengths = [3000 + 900 * i for i in range(len(events) - 1)]
    used = head_len + sum(len(wav(tone(f, n))) for (_, f), n in zip(events, lengths))
    last = size - used - 44                 # 44: RIFF/fmt/data headers of one file
    if last % 2:
        last -= 1                           # odd data gets a pad byte
    lengths.append(last)
    blobs = [wav(tone(f, n)) for (_, f), n in zip(events, lengths)]
    head = ("PARVELA SOUND SCHEME 1\r\nName=Basic\r\n").ljust(45) + "\r\n"
    off = head_len
    for (name, _), b in zip(events, blobs):
        head += ("%s=%d,%d" % (name, off, len(b))).ljust(46) + "\r\n"
        off += len(b)
    out = head.encode("ascii") + b"".join(blobs)
    assert len(head) == head_len
    assert len(out) == size, (len(out), size)
    return out


# ---------------------------------------------------------------- templates

SENTENCES = [
    "Type your text here, or select this paragraph and replace it with your own words.",
    "Use the styles of this template to keep headings and body text consistent.",
    "Replace the names in square brackets with your own details before you print.",
    "A short opening sentence tells the reader at once what the document is about.",
    "Keep paragraphs short; one idea in each paragraph makes a document easy to read.",
    "Dates, times and places belong near the top, where the reader looks for them first.",
    "Close with a clear next step, so that the reader knows what you expect of them.",
    "Check the spelling before you send the document; the spellchecker marks unknown words.",
    "Save a copy of the finished document under a new name to keep this template unchanged.",
    "Tables line up figures neatly; use them for prices, times and short lists of facts.",
    "Bold text draws the eye, so use it for the few words that really matter.",
    "The footer repeats the page number and the document title on every page.",
]


def rtf_escape(s):
    return s.replace("\\", "\\\\").replace("{", "\\{").replace("}", "\\}")


def rtf_doc(title, lines, target, rng):
    """A real RTF document of exactly `target` bytes: a title, the given
    lines, then body paragraphs; the last bytes go into the document comment
    of the info group, which word processors keep but do not show."""
    head = ("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033"
            "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman\\fcharset0 Times New Roman;}}"
            "{\\colortbl ;\\red31\\green73\\blue125;\\red89\\green89\\blue89;}\r\n"
            "{\\stylesheet{\\s0\\f1\\fs24 Normal;}{\\s1\\f0\\fs36\\b\\cf1 Heading 1;}}\r\n")
    info_open = "{\\info{\\title %s}{\\author Parvela}" % rtf_escape(title)
    info_close = "}\r\n"
    body = ("\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440\r\n"
            "{\\footer\\pard\\qc\\f0\\fs16\\cf2 %s \\endash  page {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}}\\par}\r\n"
            "\\pard\\s1\\sb240\\sa240\\f0\\fs36\\b\\cf1 %s\\b0\\cf0\\par\r\n"
            % (rtf_escape(title), rtf_escape(title)))
    # A closing line ("Yours sincerely,") goes below the body text.
    closing = lines[-1:] if lines and lines[-1].endswith(",") and len(lines) > 2 else []
    for ln in lines[:len(lines) - len(closing)]:
        body += "\\pard\\s0\\sa120\\f1\\fs24 %s\\par\r\n" % rtf_escape(ln)
    tail = "".join("\\pard\\s0\\sb240\\f1\\fs24 %s\\par\r\n" % rtf_escape(ln) for ln in closing)
    tail += "}\r\n"

    def total(b, c):
        return len(head) + len(info_open) + len(c) + len(info_close) + len(b) + len(tail)

    while True:
        para = " ".join(rng.pick(SENTENCES) for _ in range(3 + rng.below(3)))
        add = "\\pard\\s0\\sa120\\qj\\f1\\fs24 %s\\par\r\n" % rtf_escape(para)
        if total(body + add, "{\\doccomm }") > target:
            break
        body += add
    room = target - total(body, "")
    comment = ""
    if room > 0:
        if room < len("{\\doccomm }") + 1:
            raise SystemExit("no room for the comment in %s" % title)
        text = ("Template of the Parvela Word Processor Lite demo edition. " * 20)
        comment = "{\\doccomm " + text[: room - len("{\\doccomm }")] + "}"
    doc = head + info_open + comment + info_close + body + tail
    assert len(doc) == target, (len(doc), target)
    return doc.encode("ascii")


TEMPLATES = [
    ("Business", "Agenda", ["Meeting agenda for [Team name]", "Date: [Date]   Time: [Time]   Place: [Room]",
                            "1. Welcome and apologies", "2. Minutes of the last meeting",
                            "3. Reports", "4. Any other business"]),
    ("Business", "Invoice", ["[Your company name], [Street], [Town]", "Invoice number: [Number]",
                             "Bill to: [Customer name]", "Description / Quantity / Price / Amount",
                             "Total due within 30 days: [Amount]"]),
    ("Business", "Memo", ["To: [Names]", "From: [Your name]", "Date: [Date]", "Subject: [Subject]"]),
    ("Business", "Minutes", ["Minutes of the meeting of [Date]", "Present: [Names]",
                             "Decisions:", "Actions and owners:"]),
    ("Business", "Press Release", ["FOR IMMEDIATE RELEASE", "[Town], [Date] \\endash  [Headline]",
                                   "Contact: [Name], [Telephone]"]),
    ("Faxes", "Fax 1", ["FAX", "To: [Name]   Fax: [Number]", "From: [Name]   Pages: [Number]",
                        "Re: [Subject]", "[ ] Urgent  [ ] For review  [ ] Please reply"]),
    ("Faxes", "Fax 2", ["Fax cover sheet", "Recipient: [Name]", "Sender: [Name]", "Date: [Date]"]),
    ("Faxes", "Fax 3", ["Facsimile transmission", "To: [Company]", "Attention: [Name]",
                        "Number of pages including this one: [Number]"]),
    ("Letters", "Business Letter", ["[Your name]", "[Street]", "[Town and postcode]", "[Date]",
                                    "Dear [Name],", "Yours sincerely,"]),
    ("Letters", "Cover Letter", ["[Your name], [Address]", "[Date]", "Dear [Hiring manager],",
                                 "I am writing to apply for the position of [Job title].",
                                 "Kind regards,"]),
    ("Letters", "Personal Letter", ["[Town], [Date]", "Dear [Name],", "With love,"]),
    ("Letters", "Thank You Letter", ["[Date]", "Dear [Name],",
                                     "Thank you very much for [the gift].", "Best wishes,"]),
    ("Personal", "Party Invitation", ["You are invited!", "Where: [Place]", "When: [Date], [Time]",
                                      "Please reply by [Date]"]),
    ("Personal", "Recipe Card", ["[Recipe name]", "Serves: [Number]", "Ingredients:", "Method:"]),
    ("Personal", "Resume", ["[Your name]", "[Address] | [Telephone] | [E-mail]", "Experience",
                            "Education", "Skills"]),
    ("Personal", "Weekly Planner", ["Week of [Date]", "Monday", "Tuesday", "Wednesday", "Thursday",
                                    "Friday", "Weekend"]),
    ("Reports", "Newsletter", ["[Newsletter name]", "Issue [Number], [Month]", "In this issue"]),
    ("Reports", "Project Report", ["Project: [Name]", "Status: [On track]", "Summary", "Risks",
                                   "Next steps"]),
    ("Reports", "School Report", ["[Title of the report]", "By [Your name], [Class]",
                                  "Introduction", "Findings", "Conclusion"]),
]


def templates():
    rng = Rng(11)
    n = len(TEMPLATES)
    # Uneven sizes, as real templates are, adding up to the group total.
    weights = [6 + rng.below(9) for _ in range(n)]
    sizes = [TEMPLATES_TOTAL * w // sum(weights) for w in weights]
    sizes[-1] += TEMPLATES_TOTAL - sum(sizes)
    out = []
    for (folder, name, lines), size in zip(TEMPLATES, sizes):
        out.append(("Templates\\%s\\%s.rtf" % (folder, name), rtf_doc(name, lines, size, rng)))
    return out


# ---------------------------------------------------------------- images

def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + \
        struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png_indexed(w, h, pix, palette, trns=None, text=None):
    """8-bit indexed PNG; `pix` is a list of rows of palette indices."""
    raw = b"".join(b"\0" + bytes(r) for r in pix)
    out = b"\x89PNG\r\n\x1a\n"
    out += png_chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 3, 0, 0, 0))
    out += png_chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        out += png_chunk(b"tRNS", bytes(trns))
    if text:
        out += png_chunk(b"tEXt", text)
    out += png_chunk(b"IDAT", zlib.compress(raw, 9))
    out += png_chunk(b"IEND", b"")
    return out


def lzw_gif_data(indices, min_size):
    """GIF's variable-width LZW, codes packed LSB first into sub-blocks."""
    clear = 1 << min_size
    eoi = clear + 1
    size = min_size + 1
    table = {(i,): i for i in range(clear)}
    nxt = eoi + 1
    bits = 0
    nbits = 0
    out = bytearray()

    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    emit(clear)
    cur = ()
    for px in indices:
        cand = cur + (px,)
        if cand in table:
            cur = cand
            continue
        emit(table[cur])
        if nxt < 4096:
            table[cand] = nxt
            nxt += 1
            if nxt > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear)
            table = {(i,): i for i in range(clear)}
            nxt = eoi + 1
            size = min_size + 1
        cur = (px,)
    if cur:
        emit(table[cur])
    emit(eoi)
    if nbits:
        out.append(bits & 0xFF)
    blocks = bytearray([min_size])
    for i in range(0, len(out), 255):
        chunk = out[i:i + 255]
        blocks.append(len(chunk))
        blocks += chunk
    blocks.append(0)
    return bytes(blocks)


def gif(w, h, pix, palette, transparent=None, comment=None):
    depth = 1
    while (1 << depth) < len(palette):
        depth += 1
    pal = list(palette) + [(0, 0, 0)] * ((1 << depth) - len(palette))
    out = b"GIF89a" + struct.pack("<HHBBB", w, h, 0x80 | ((depth - 1) << 4) | (depth - 1), 0, 0)
    out += b"".join(bytes(c) for c in pal)
    if transparent is not None:
        out += b"\x21\xF9\x04\x01\0\0" + bytes([transparent]) + b"\0"
    if comment:
        out += b"\x21\xFE"
        for i in range(0, len(comment), 255):
            c = comment[i:i + 255]
            out += bytes([len(c)]) + c
        out += b"\0"
    out += b"\x2C" + struct.pack("<HHHHB", 0, 0, w, h, 0)
    flat = [p for r in pix for p in r]
    out += lzw_gif_data(flat, max(2, depth))
    out += b"\x3B"
    return out


class Canvas:
    """Anti-aliased shapes by 4x4 supersampling into a few palette levels."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.cov = [[0.0] * w for _ in range(h)]       # coverage of the ink, 0..1
        self.ink = [[0] * w for _ in range(h)]         # which ink (1..n)

    def fill(self, inside, ink=1):
        for y in range(self.h):
            for x in range(self.w):
                n = 0
                for sy in range(4):
                    for sx in range(4):
                        if inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4):
                            n += 1
                if n:
                    c = n / 16
                    if ink == self.ink[y][x]:
                        self.cov[y][x] = max(c, self.cov[y][x])
                    elif c >= 0.5 or self.cov[y][x] == 0:
                        # a later shape paints over an earlier one
                        self.ink[y][x] = ink
                        self.cov[y][x] = c

    def indices(self, levels, inks):
        """Palette: 0 transparent, then for each ink `levels` shades towards it."""
        rows = []
        for y in range(self.h):
            r = []
            for x in range(self.w):
                c = self.cov[y][x]
                if c <= 0:
                    r.append(0)
                else:
                    lv = max(1, min(levels, int(round(c * levels))))
                    r.append(1 + (self.ink[y][x] - 1) * levels + lv - 1)
            rows.append(r)
        pal = [(255, 255, 255)]
        for col in inks:
            for lv in range(1, levels + 1):
                a = lv / levels
                pal.append(tuple(int(round(255 + (ch - 255) * a)) for ch in col))
        return rows, pal


def shape(kind, cx, cy, r, rot=0.0):
    import math
    if kind == "disc":
        return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == "ring":
        return lambda x, y: (r * 0.6) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == "square":
        return lambda x, y: abs(x - cx) <= r * 0.8 and abs(y - cy) <= r * 0.8
    if kind == "diamond":
        return lambda x, y: abs(x - cx) + abs(y - cy) <= r
    if kind in ("star", "star6"):
        pts = 5 if kind == "star" else 6

        def star(x, y):
            dx, dy = x - cx, y - cy
            d = math.hypot(dx, dy)
            if d > r:
                return False
            a = (math.atan2(dy, dx) - rot + math.pi / 2) % (2 * math.pi / pts)
            a = abs(a - math.pi / pts) / (math.pi / pts)     # 0 at a valley, 1 at a point
            return d <= r * (0.45 + 0.55 * a ** 1.6)
        return star
    if kind == "triangle":
        def tri(x, y):
            dx, dy = x - cx, y - cy
            c, s = math.cos(rot), math.sin(rot)
            u, v = dx * c + dy * s, -dx * s + dy * c
            return u >= -r * 0.6 and abs(v) <= (u + r * 0.6) * 0.65 and u <= r
        return tri
    if kind == "check":
        def chk(x, y):
            def seg(ax, ay, bx, by, wdt):
                px, py = x - ax, y - ay
                vx, vy = bx - ax, by - ay
                t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
                return (px - t * vx) ** 2 + (py - t * vy) ** 2 <= wdt * wdt
            w = r * 0.22
            return seg(cx - r * 0.75, cy, cx - r * 0.2, cy + r * 0.6, w) or \
                seg(cx - r * 0.2, cy + r * 0.6, cx + r * 0.8, cy - r * 0.7, w)
        return chk
    if kind == "cross":
        return lambda x, y: (abs((x - cx) - (y - cy)) <= r * 0.3 or abs((x - cx) + (y - cy)) <= r * 0.3) \
            and abs(x - cx) <= r * 0.8 and abs(y - cy) <= r * 0.8
    if kind == "arrow":
        def arrow(x, y):
            dx, dy = x - cx, y - cy
            c, s = math.cos(rot), math.sin(rot)
            u, v = dx * c + dy * s, -dx * s + dy * c
            head = u >= r * 0.05 and abs(v) <= (r - u) * 0.9
            shaft = -r <= u <= r * 0.1 and abs(v) <= r * 0.28
            return head or shaft
        return arrow
    if kind == "heart":
        def heart(x, y):
            u, v = (x - cx) / r, -(y - cy) / r * 1.1 + 0.15
            return (u * u + v * v - 0.55) ** 3 - u * u * v ** 3 * 0.6 <= 0
        return heart
    raise ValueError(kind)


CALM = [(31, 73, 125), (54, 110, 90), (148, 70, 60), (190, 140, 40), (96, 80, 140),
        (40, 120, 150), (120, 120, 120), (170, 60, 100)]


def clip_image(kind, size, colour, second=None, rot=0.0, fmt="png", text=None):
    cv = Canvas(size, size)
    c = size / 2
    if second is not None:
        cv.fill(shape("ring" if kind != "ring" else "disc", c, c, c - 0.5), ink=2)
    cv.fill(shape(kind, c, c, c * (0.62 if second is not None else 0.92), rot), ink=1)
    inks = [colour] + ([second] if second is not None else [])
    rows, pal = cv.indices(4, inks)
    if fmt == "gif":
        return gif(size, size, rows, pal, transparent=0, comment=text)
    return png_indexed(size, size, rows, pal, trns=[0], text=text)


def divider(w, h, colour, style):
    import math
    rows = []
    for y in range(h):
        r = []
        for x in range(w):
            if style == 0:
                on = abs(y - h / 2 + 0.5) < 1
            elif style == 1:
                on = abs(y - (h / 2 - 0.5) - math.sin(x / 4.0) * (h / 2 - 1.5)) < 1
            elif style == 2:
                on = abs(y - h / 2 + 0.5) < 1.5 and (x // 4) % 2 == 0
            else:
                on = (x - w / 2) ** 2 / (w / 2) ** 2 + (y - h / 2 + 0.5) ** 2 / (h / 2) ** 2 < 1
            r.append(1 if on else 0)
        rows.append(r)
    return png_indexed(w, h, rows, [(255, 255, 255), colour], trns=[0])


def clips():
    files = []
    kinds = ["disc", "ring", "square", "diamond", "star", "star6", "triangle", "heart"]
    # Bullets: small round and square markers, plus the classic target.
    for i in range(36):
        kind = kinds[i % len(kinds)]
        col = CALM[i % len(CALM)]
        second = CALM[(i + 3) % len(CALM)] if i >= 18 else None
        files.append(("Images\\Bullets\\Bullet %d.gif" % (i + 1),
                      clip_image(kind, 12 + 2 * (i % 3), col, second, fmt="gif")))
    files.append(("Images\\Bullets\\Target.gif",
                  clip_image("disc", 16, (148, 70, 60), (31, 73, 125), fmt="gif")))
    for i in range(20):
        files.append(("Images\\Checkmarks\\Check %d.gif" % (i + 1),
                      clip_image("check" if i < 14 else "cross", 14 + 2 * (i % 4), CALM[i % len(CALM)],
                                 (220, 220, 220) if i % 2 else None, fmt="gif")))
    for i in range(32):
        import math
        names = ["Right", "Down", "Left", "Up"]
        files.append(("Images\\Arrows\\Arrow %s %d.png" % (names[i % 4], i // 4 + 1),
                      clip_image("arrow", 16 + 4 * (i // 16), CALM[(i // 4) % len(CALM)],
                                 None, rot=(i % 4) * math.pi / 2)))
    for i in range(48):
        kind = kinds[i % len(kinds)]
        files.append(("Images\\Shapes\\%s %d.png" % (kind.capitalize(), i // len(kinds) + 1),
                      clip_image(kind, 20 + 4 * (i % 4), CALM[(i * 3) % len(CALM)],
                                 CALM[(i * 5 + 1) % len(CALM)] if i % 3 == 0 else None)))
    for i in range(24):
        files.append(("Images\\Dividers\\Divider %d.png" % (i + 1),
                      divider(96 + 16 * (i % 3), 6 + 2 * (i % 2), CALM[i % len(CALM)], i % 4)))
    import math
    for i in range(40):
        files.append(("Images\\Stars\\Star %d.png" % (i + 1),
                      clip_image("star" if i % 2 == 0 else "star6", 18 + 2 * (i % 5),
                                 CALM[(i + 1) % len(CALM)], (230, 200, 90) if i % 4 == 1 else None,
                                 rot=i * 0.15)))
    for i in range(41):
        kind = ["heart", "disc", "diamond", "ring"][i % 4]
        files.append(("Symbols\\%s %d.png" % (["Heart", "Dot", "Gem", "Ring"][i % 4], i // 4 + 1),
                      clip_image(kind, 22 + 2 * (i % 3), CALM[(i * 7) % len(CALM)],
                                 CALM[(i + 2) % len(CALM)] if i % 2 else None)))
    assert len(files) == 242, len(files)

    # The group total of the release: spread what is missing over the images
    # as a short description (tEXt / GIF comment), which viewers ignore.
    natural = sum(len(b) for _, b in files)
    extra = CLIPS_TOTAL - natural
    if extra < 0:
        raise SystemExit("clip images too large by %d" % -extra)
    out = []
    n = len(files)
    for i, (name, data) in enumerate(files):
        share = extra // n + (1 if i < extra % n else 0)
        if share:
            data = add_description(data, name, share)
        out.append(("Clip Library\\" + name, data))
    assert sum(len(b) for _, b in out) == CLIPS_TOTAL
    return out


def add_description(data, name, grow):
    """Makes an image exactly `grow` bytes longer by a description text."""
    words = ("Parvela clip library: %s. Free to use in your documents. " % name.split("\\")[-1]) * 20
    if data.startswith(b"\x89PNG"):
        # tEXt chunk: 12 bytes of chunk frame, keyword, NUL, text
        kw = b"Description\0"
        body = kw + words.encode()[: grow - 12 - len(kw)]
        if grow < 12 + len(kw) + 1:
            raise SystemExit("too little to describe %s" % name)
        chunk = png_chunk(b"tEXt", body)
        iend = data.rfind(b"IEND") - 4
        return data[:iend] + chunk + data[iend:]
    # GIF comment extension before the trailer: 21 FE, sub-blocks, 00
    if grow < 5:
        raise SystemExit("too little to describe %s" % name)
    n = grow - 3
    blocks = b""
    text = words.encode()
    while n > 0:
        take = min(255, n - 1)
        if n - (take + 1) == 1:                 # never leave a lone byte
            take -= 1
        blocks += bytes([take]) + text[:take]
        n -= take + 1
    ext = b"\x21\xFE" + blocks + b"\0"
    assert len(ext) == grow
    return data[:-1] + ext + data[-1:]


# ---------------------------------------------------------------- main

def source_path(name):
    return "content/" + name.replace("\\", "/")


def main():
    words = english_words()
    us_words = sorted(set(words) | {a for a, _ in US_UK} | {a + "s" for a, _ in US_UK})
    uk_words = sorted({b for _, b in US_UK} | {b + "s" for _, b in US_UK} |
                      {w.replace("or", "our") for w in words if w.endswith("or")} |
                      {w.replace("ize", "ise") for w in words if "ize" in w} | set(words[::9]))
    single = {
        "License.txt": license_text(),
        "English (American).asc": asc_file("English (American)", "en-US", "us.zlx"),
        "English (British).asc": asc_file("English (British)", "en-GB", "uk.zlx"),
        "us.zlx": lexicon("en-US", us_words[::5], SIZES["us.zlx"]),
        "uk.zlx": lexicon("en-GB", uk_words, SIZES["uk.zlx"]),
        "userdicen.tlx": b"",
        "English (American).cache": cache_file(words[::3]),
        "english.zlx": lexicon("en", words, SIZES["english.zlx"]),
        "Basic.asn": sound_scheme(),
        "Hyphenation.dat": hyphenation(words),
    }
    for k, v in single.items():
        assert len(v) == SIZES[k], (k, len(v), SIZES[k])

    order = (["License.txt", "English (American).asc", "English (British).asc", "us.zlx",
              "uk.zlx", "userdicen.tlx", "English (American).cache", "english.zlx"])
    records = [(n, single[n]) for n in order]
    records += templates()
    records += clips()
    records += [("Basic.asn", single["Basic.asn"]), ("Hyphenation.dat", single["Hyphenation.dat"])]

    lines = ["parv.exe\t@PARV_EXE@\t" + STAMP]
    seen = set()
    for name, data in records:
        assert name.upper() not in seen and len(name) <= 61 and name.count("\\") <= 3, name
        seen.add(name.upper())
        path = os.path.join(HERE, source_path(name))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        lines.append("%s\t%s\t%s" % (name, source_path(name), STAMP))
    assert len(lines) == 272
    with open(os.path.join(HERE, "manifest.txt"), "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    print("wrote %d records" % len(lines), file=sys.stderr)


if __name__ == "__main__":
    main()
