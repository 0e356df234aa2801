#!/usr/bin/python3
# Draws a speechscore score, and optionally the WAV rendered from it and a Praat TextGrid of its
# words and phones, as SVG, PNG, PDF or one HTML page (picture, audio player, the score's error
# lines). Reads its inputs; writes only the output file, beside it first and renamed into place.
# Installed as speechscore-plot.
"""speechscore-plot: draws a score (and its sound) as a person wants to look at it."""

import os

if __name__ == "__main__":
    # Until main() takes over, a signal ends the program at once, without a traceback; the
    # built-in module is set up at start, the signal module would first import enum.
    import _signal

    _signal.signal(_signal.SIGINT, lambda number, frame: os._exit(128 + number))
    _signal.signal(_signal.SIGTERM, lambda number, frame: os._exit(128 + number))

import argparse  # noqa: E402 (the handlers first)
import base64  # noqa: E402
import errno  # noqa: E402
import html  # noqa: E402
import io  # noqa: E402
import math  # noqa: E402
import re  # noqa: E402
import signal  # noqa: E402
import stat  # noqa: E402
import sys  # noqa: E402
import tempfile  # noqa: E402
import textwrap  # noqa: E402
import urllib.parse  # noqa: E402

PROG = "speechscore-plot"
FORMATS = (".svg", ".png", ".pdf", ".html")

# Instruments of the score (see docs/orchestra.md).
I_F1, I_F2, I_F3 = 11, 12, 13
I_AS, I_AF = 15, 16
I_NAS, I_TRC = 17, 18
I_AV, I_F0 = 20, 21
TRACKS = range(10, 28)  # the parameter instruments; every segment writes all of them

# Two times closer than this are one time: the score prints times with four decimals, and
# separate time lines summed in their own order may differ in the last printed digit.
TIME_TOLERANCE = 2e-4

# Limits of what is read and drawn (docs/plot.md, "Limits").
SCORE_LIMIT = 64 << 20  # bytes of a score (about 1.6 million statements, 1.1 GB of memory)
LABELS_LIMIT = 64 << 20  # bytes of a TextGrid
MAX_TIME = 1e6  # seconds (11.6 days): a later start or end is not a time of a take
MAX_VALUE = 1e9  # largest magnitude of a parameter (speechscore writes at most tens of kHz)
EMBED_LIMIT = 64 << 20  # bytes of 16-bit sound a page embeds (12.7 min of mono at 44.1 kHz)

NOTE_NAMES = ("C", "C#", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B")


class UserError(Exception):
    """A problem with the user's files or options, reported in one line
    `FILE[:LINE]: error: TEXT`; exit status 1."""

    def __init__(self, path, text, line=None):
        where = str(path) + ("" if line is None else ":%d" % line)
        super().__init__(printable("%s: error: %s" % (where, text)))


class Interrupted(BaseException):
    """SIGINT or SIGTERM: the work stops, the scratch file goes, the status is 128 + signal."""

    def __init__(self, number):
        super().__init__(number)
        self.status = 128 + number


def printable(text):
    """The text with control characters, line and paragraph separators and undecodable bytes
    of a file name written as escapes (\\x1b), so that a message stays one line and a picture
    holds only characters that SVG and HTML allow."""
    if text.isprintable():
        return text
    out = []
    for c in text:
        if c.isprintable():
            out.append(c)
        elif c == "\t":
            out.append(" ")
        elif 0xDC80 <= ord(c) <= 0xDCFF:  # a byte of a name that is not UTF-8
            out.append("\\x%02x" % (ord(c) - 0xDC00))
        elif ord(c) < 0x100:
            out.append("\\x%02x" % ord(c))
        else:
            out.append("\\u%04x" % ord(c) if ord(c) < 0x10000 else "\\U%08x" % ord(c))
    return "".join(out)


def reason(error):
    """What an OSError says, without its number."""
    return error.strerror or str(error)


# ---- Score ------------------------------------------------------------------------------------


class Event:
    __slots__ = ("line", "instr", "start", "span", "values")

    def __init__(self, line, instr, start, span, values):
        self.line, self.instr, self.start, self.span, self.values = line, instr, start, span, values

    @property
    def end(self):
        return self.start + self.span


class Marker:
    """An error or tempo line of the score, placed in time after parsing."""

    __slots__ = ("line", "kind", "text", "echo", "echo_fields", "time", "data")

    def __init__(self, line, kind, text, data=None):
        self.line, self.kind, self.text, self.data = line, kind, text, data
        self.echo = None
        self.echo_fields = None
        self.time = None


class Score:
    def __init__(self, path):
        self.path = path
        self.events = {}  # instrument -> [Event] in score order
        self.errors = []  # Markers of kind "error" (counted errors of the score)
        self.warnings = []  # the metronome's fallback comments (reported, not counted)
        self.tempo = []  # Markers of kind "glide", "step", "fallback"
        self.closing = None  # the "THERE ARE n ERRORS IN THIS FILE." line
        self.closing_count = None
        self.closed = False  # ends with "e"
        self.statements = 0

    def track(self, instr):
        return self.events.get(instr, [])

    @property
    def end_time(self):
        ends = [e.end for i in TRACKS for e in self.track(i)]
        return max(ends) if ends else 0.0


NUMBER = r"[-+]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][-+]?[0-9]+)?|[-+]?(?:inf|nan)"
RE_GLIDE = re.compile(
    r";glMM start: beatnew=\s*(%s);beatold=\s*(%s);beatslimit=\s*(%s);spbGLMM=\s*(%s)\s*$"
    % (NUMBER, NUMBER, NUMBER, NUMBER)
)
RE_STEP = re.compile(
    r"; Beat =\s*(%s); beatsaccum =\s*(%s); facGLMM =\s*(%s)\s*$" % (NUMBER, NUMBER, NUMBER)
)
RE_FALLBACK = re.compile(re.escape("; TEMPO SPEC. IS WRONG; WILL USE MM=60."))
RE_BAD_MARK = re.compile(r"; BAD MM mark; master envelope cancelled\.")
RE_CLOSING = re.compile(r"THERE ARE\s*(-?[0-9]+) ERRORS IN THIS FILE\.\s*$")
RE_MESSAGE = re.compile(r"(Error: |Odd error)")
OTHER_STATEMENTS = "abmnqrstvx{}"


# A number of a score as Csound reads it: ASCII digits, an optional point and exponent. Python's
# float() also takes "1_0", "nan", "inf", "infinity" and other digits and spaces; Csound does not.
RE_SCORE_NUMBER = re.compile(r"[-+]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][-+]?[0-9]+)?\Z")
RE_FIELD_SPACE = re.compile(r"[ \t]+")


def read_input(path, what, limit):
    """The bytes of an input file, at most limit of them: a larger regular file is refused
    before it is read, a pipe or device that gives more is refused once it has."""
    try:
        stream = open(path, "rb")
    except FileNotFoundError:
        raise UserError(path, "no such %s file" % what)
    except IsADirectoryError:
        raise UserError(path, "is a directory, not a %s file" % what)
    except OSError as error:
        raise UserError(path, "cannot read the %s: %s" % (what, reason(error)))
    with stream:
        try:
            info = os.fstat(stream.fileno())
            if stat.S_ISREG(info.st_mode) and info.st_size > limit:
                raise UserError(path, "the %s file holds %d bytes, more than the %s that "
                                "are read" % (what, info.st_size, mebibytes(limit)))
            data = stream.read(limit + 1)
        except OSError as error:
            raise UserError(path, "cannot read the %s: %s" % (what, reason(error)))
    if len(data) > limit:
        raise UserError(path, "gives more than the %s of a %s that are read"
                        % (mebibytes(limit), what))
    return data


def mebibytes(size):
    return "%g MiB" % (size / 1048576.0)


def parse_score(path):
    data = read_input(path, "score", SCORE_LIMIT)
    if data.startswith(b"RIFF"):
        raise UserError(path, "is a WAV file, not a score; give the score first: "
                        "%s piece.sco piece.wav -o OUT" % PROG)
    if b"\0" in data:
        raise UserError(path, "not a score (binary data)")
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as error:
        raise UserError(path, "not a score (not a UTF-8 text file)",
                        data.count(b"\n", 0, error.start) + 1)
    del data
    if text.startswith("\ufeff"):
        text = text[1:]
    if not text.strip():
        raise UserError(path, "not a score (the file is empty)")

    score = Score(path)
    markers = []  # every error, warning and tempo line, in score order
    order = []  # ("event", Event) or ("marker", Marker), in score order
    last_message = None
    # Lines end at a line feed only (as for Csound and an editor's line count), not at the
    # other separators that str.splitlines() knows.
    for number, raw in enumerate(text.split("\n"), start=1):
        line = raw.strip(" \t\r")
        if not line:
            continue
        if line.startswith(";"):
            if line.startswith(";i") and last_message is not None and last_message.echo is None:
                last_message.echo = printable(line)
                last_message.echo_fields = parse_numbers(line[2:])
                continue
            last_message = None
            marker = tempo_marker(number, line)
            if marker is None and RE_BAD_MARK.match(line):
                marker = Marker(number, "error", line.lstrip("; ").rstrip())
            if marker is not None:
                markers.append(marker)
                order.append(("marker", marker))
            continue
        last_message = None
        if RE_MESSAGE.match(line):
            last_message = Marker(number, "error", printable(line))
            markers.append(last_message)
            order.append(("marker", last_message))
            continue
        closing = RE_CLOSING.match(line)
        if closing:
            score.closing = line
            score.closing_count = int(closing.group(1))
            score.statements += 1
            continue
        letter = line[0]
        if letter == "e" and (len(line) == 1 or line[1] in " \t"):
            score.closed = True
            score.statements += 1
            continue
        if letter in "if":
            fields, bad = read_fields(line[1:])
            if bad is not None:
                raise UserError(path, "%s is not a number of a score: %s"
                                % (quoted(repr(bad)), quoted(line)), number)
            if len(fields) < 3:
                raise UserError(path, "not a score statement: %s" % quoted(line), number)
            score.statements += 1
            if letter == "i":
                event = Event(number, int(fields[0]), fields[1], fields[2], fields[3:])
                check_times(path, number, event)
                if event.instr in TRACKS and any(abs(v) > MAX_VALUE for v in event.values):
                    raise UserError(path, "a value beyond %g, which the picture cannot draw: %s"
                                    % (MAX_VALUE, quoted(line)), number)
                score.events.setdefault(event.instr, []).append(event)
                if event.instr in TRACKS:
                    order.append(("event", event))
            continue
        if letter in OTHER_STATEMENTS:
            raise UserError(path, "the statement '%s' is not one that speechscore writes; "
                            "only i, f and e statements can be drawn" % letter, number)
        raise UserError(path, "not a line of a score (expected an i, f or e statement, a "
                        "comment or an error line): %s" % quoted(line), number)
    if score.statements == 0:
        raise UserError(path, "not a score (it holds no i, f or e statement)")
    place_markers(order, score)
    for marker in markers:
        if marker.kind == "error":
            score.errors.append(marker)
        else:
            # the metronome's fallback comment is a tempo change and a warning
            if marker.kind == "fallback":
                score.warnings.append(marker)
            score.tempo.append(marker)
    return score


def check_times(path, number, event):
    """Refuses an event whose start or span the picture cannot draw."""
    for name, value in (("start", event.start), ("span", event.span)):
        if not 0 <= value <= MAX_TIME:
            raise UserError(path, "the %s %s is not a time that can be drawn (0 to %g s): %s"
                            % (name, "%.6g" % value, MAX_TIME, quoted(event_text(event))),
                            number)
    if event.end > MAX_TIME:
        raise UserError(path, "the event ends at %.6g s, after %g s: %s"
                        % (event.end, MAX_TIME, quoted(event_text(event))), number)


def event_text(event):
    return "i %d %.6g %.6g" % (event.instr, event.start, event.span)


def read_fields(text):
    """The fields of a statement as numbers, and the first word that is not a finite number of
    a score (None when all are)."""
    numbers = []
    for word in RE_FIELD_SPACE.split(text.strip(" \t")):
        if not word:
            continue
        value = float(word) if RE_SCORE_NUMBER.match(word) else math.nan
        if not math.isfinite(value):  # also 1e999
            return numbers, word
        numbers.append(value)
    return numbers, None


def parse_numbers(text):
    """The fields of a statement as numbers, or None when one is not a number of a score."""
    numbers, bad = read_fields(text)
    return None if bad is not None else numbers


def quoted(line):
    return printable(shorten(line, 60))


def shorten(text, width):
    return text if len(text) <= width else text[: width - 3] + "..."


def tempo_marker(number, line):
    match = RE_GLIDE.match(line)
    if match:
        values = [float(v) for v in match.groups()]
        return Marker(number, "glide", line, dict(zip(("new", "old", "limit"), values)))
    match = RE_STEP.match(line)
    if match:
        values = [float(v) for v in match.groups()]
        return Marker(number, "step", line, {"beat": values[0], "accum": values[1]})
    if RE_FALLBACK.match(line):
        return Marker(number, "fallback", line.lstrip("; ").rstrip(), {"beat": 1.0})
    return None


def place_markers(order, score):
    """Gives every error and tempo line its time in the piece.

    A tempo line comes before the events of the statement it times: its time is the start of
    the next event. An error line's echo holds the start (p2) of the rejected event, unless the
    echo merely repeats the last event written (the buffer still held it) or holds no time; then
    the next event's start, or the end of the last event when none follows, stands for it.
    """
    next_start = [None] * (len(order) + 1)
    for index in range(len(order) - 1, -1, -1):
        kind, item = order[index]
        next_start[index] = item.start if kind == "event" else next_start[index + 1]
    previous = None
    for index, (kind, item) in enumerate(order):
        if kind == "event":
            previous = item
            continue
        fallback = next_start[index + 1]
        if fallback is None:
            fallback = previous.end if previous is not None else 0.0
        fields = item.echo_fields
        if (
            item.kind == "error"
            and fields
            and len(fields) >= 2
            and all(math.isfinite(v) for v in fields[:2])
            and int(round(fields[0])) in TRACKS
            and not (
                previous is not None
                and int(round(fields[0])) == previous.instr
                and abs(fields[1] - previous.start) < TIME_TOLERANCE
            )
        ):
            item.time = fields[1]
        elif item.kind == "error" and fields and all(v == 0 for v in fields):
            item.time = 0.0  # start-up errors: the cleared buffer, before any event
        else:
            item.time = fallback


# ---- Labels: a Praat TextGrid ----------------------------------------------------------------


class Tier:
    """A tier of a TextGrid: kind "IntervalTier" with items (start, end, text) or "TextTier"
    with items (time, time, mark), in time order."""

    __slots__ = ("kind", "name", "xmin", "xmax", "items")

    def __init__(self, kind, name, xmin, xmax):
        self.kind, self.name, self.xmin, self.xmax, self.items = kind, name, xmin, xmax, []


class Labels:
    def __init__(self, path, xmin, xmax):
        self.path, self.xmin, self.xmax, self.tiers = path, xmin, xmax, []


# A TextGrid in Praat's text formats (long and short) is a sequence of strings, numbers and
# flags. The long format names them ("xmin = 0", "item [1]:", "tiers? <exists>"); the reader
# skips the names, but a value after "=" must be one, and the short format has no names. A
# string is in double quotes, "" being one quote, and may span lines; "!" starts a comment.
RE_TG_TOKEN = re.compile(r'"([^"]*+(?:""[^"]*+)*+)"|!(?:[^\n]*+)|([^\s"!]++)|(")')
RE_TG_NAME = re.compile(r"(?:[A-Za-z?]+:?|\[[0-9]*\]:?)\Z")
RE_COUNT = re.compile(r"[0-9]{1,9}\Z")
MAX_TIERS = 100


class TextGridReader:
    """Reads the values of a TextGrid one at a time, each with its line for the messages."""

    def __init__(self, path, text):
        self.path, self.text = path, text
        self.scan = RE_TG_TOKEN.finditer(text)
        self.position, self.line = 0, 1
        self.names = True  # names are skipped (the long format)
        self.named = False  # the last value came after "="

    def next(self, what):
        """The next value: ("string", text) or ("word", a number or flag); (None, None) at the
        end of the file when what is None."""
        after_equals = False
        for match in self.scan:
            self.line += self.text.count("\n", self.position, match.start())
            self.position = match.start()
            if match.group(3) is not None:
                raise UserError(self.path, "a string that is not closed (no second \")",
                                self.line)
            if match.group(1) is not None:
                self.named = after_equals
                return "string", match.group(1).replace('""', '"')
            word = match.group(2)
            if word is None:
                continue  # a comment
            if RE_SCORE_NUMBER.match(word) or word in ("<exists>", "<absent>"):
                self.named = after_equals
                return "word", word
            if word == "=" and self.names and not after_equals:
                after_equals = True
            elif not (self.names and not after_equals and RE_TG_NAME.match(word)):
                raise UserError(self.path, "%s is not a number: %s"
                                % (what or "a value", shorten(word, 40)), self.line)
        if what is None:
            return None, None
        raise UserError(self.path, "the file ends where %s should be" % what, self.line)

    def string(self, what):
        kind, value = self.next(what)
        if kind != "string":
            raise UserError(self.path, "%s is not a string in quotes: %s" % (what, value),
                            self.line)
        return value

    def word(self, what):
        kind, value = self.next(what)
        if kind != "word":
            raise UserError(self.path, "%s is not a number: \"%s\"" % (what, shorten(value, 40)),
                            self.line)
        return value

    def time(self, what):
        word = self.word(what)
        value = float(word) if RE_SCORE_NUMBER.match(word) else math.nan
        if not -MAX_TIME <= value <= MAX_TIME:
            raise UserError(self.path, "%s %s is not a time that can be drawn (-%g to %g s)"
                            % (what, word, MAX_TIME, MAX_TIME), self.line)
        return value

    def count(self, what):
        word = self.word(what)
        if not RE_COUNT.match(word):
            raise UserError(self.path, "%s is %s, not a whole number below 10^9"
                            % (what, word), self.line)
        return int(word)


def decode_text(path, data, what):
    """The text of a file in UTF-8 or, with its byte order mark, UTF-16 (Praat writes a file
    with characters outside ASCII in UTF-16)."""
    try:
        if data[:2] in (b"\xfe\xff", b"\xff\xfe"):
            return data.decode("utf-16")
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        raise UserError(path, "not a %s (not a UTF-8 or UTF-16 text file)" % what)
    if "\0" in text:
        raise UserError(path, "not a %s (binary data)" % what)
    return text[1:] if text.startswith("\ufeff") else text


def read_textgrid(path):
    """Reads a Praat TextGrid (long or short text format): its interval and point tiers."""
    data = read_input(path, "TextGrid", LABELS_LIMIT)
    if data.startswith(b"ooBinaryFile"):
        raise UserError(path, "a binary Praat file; save the TextGrid as a text file in Praat "
                        "(Save as text file)")
    reader = TextGridReader(path, decode_text(path, data, "TextGrid"))
    del data
    kind, value = reader.next(None)
    if kind != "string" or value not in ("ooTextFile", "ooTextFile short"):
        raise UserError(path, 'not a Praat text file (it does not begin with File type = '
                        '"ooTextFile")')
    value = reader.string("the object class")
    if value != "TextGrid":
        raise UserError(path, "a Praat %s, not a TextGrid" % shorten(value, 40), reader.line)
    labels = Labels(path, reader.time("xmin"), 0.0)
    reader.names = reader.named  # the short format writes no names
    labels.xmax = reader.time("xmax")
    if not labels.xmin < labels.xmax:
        raise UserError(path, "the TextGrid ends (xmax %.6g) before it starts (xmin %.6g)"
                        % (labels.xmax, labels.xmin), reader.line)
    if reader.word("tiers? <exists>") == "<absent>":
        return labels
    tiers = reader.count("the number of tiers")
    if tiers > MAX_TIERS:
        raise UserError(path, "%d tiers; at most %d are drawn" % (tiers, MAX_TIERS),
                        reader.line)
    for number in range(1, tiers + 1):
        where = "tier %d" % number
        kind = reader.string("the class of %s" % where)
        if kind not in ("IntervalTier", "TextTier"):
            raise UserError(path, "%s is a %s; a TextGrid holds IntervalTier and TextTier"
                            % (where, shorten(kind, 40)), reader.line)
        tier = Tier(kind, reader.string("the name of %s" % where), reader.time("xmin"),
                    reader.time("xmax"))
        if not tier.xmin < tier.xmax:
            raise UserError(path, "%s ends before it starts" % where, reader.line)
        items = reader.count("the number of %s of %s"
                             % ("intervals" if kind == "IntervalTier" else "points", where))
        previous = tier.xmin
        for item in range(1, items + 1):
            what = "%s of %s" % (("interval %d" if kind == "IntervalTier" else "point %d")
                                 % item, where)
            if kind == "IntervalTier":
                start = reader.time("the start of " + what)
                end = reader.time("the end of " + what)
                text = reader.string("the text of " + what)
                if not previous - TIME_TOLERANCE <= start < end <= tier.xmax + TIME_TOLERANCE:
                    raise UserError(path, "%s (%.6g to %.6g s) is not after the one before "
                                    "it and inside its tier (%.6g to %.6g s)"
                                    % (what, start, end, tier.xmin, tier.xmax), reader.line)
                previous = end
            else:
                start = end = reader.time("the time of " + what)
                text = reader.string("the mark of " + what)
                if not previous <= start <= tier.xmax + TIME_TOLERANCE:
                    raise UserError(path, "%s (%.6g s) is not after the one before it and "
                                    "inside its tier" % (what, start), reader.line)
                previous = start
            tier.items.append((start, end, text))
        labels.tiers.append(tier)
    kind, value = reader.next(None)
    if kind is not None:
        raise UserError(path, "more values after the last tier: %s" % shorten(value, 40),
                        reader.line)
    return labels


# ---- Tempo and beat marks ---------------------------------------------------------------------

MAX_BEAT_MARKS = 20000


def tempo_map(score, start_beat):
    """Seconds per beat as breakpoints, each in force until the next.

    The score writes a tempo only during master tempo glides: the glide's start comment holds
    the tempo before it (beatold) and the target (beatnew); each tempo step inside the glide
    holds the tempo of the statement that follows and the beats passed; the step that ends the
    glide prints nothing, and the target holds from then on (from the glide's start when no step
    comment follows it: the first step ended it). A metronome call prints nothing
    (except its fallback to 1 s a beat), so before the first glide the tempo is start_beat (the
    --beat or --mm option) or, without it, the beatold of the first glide. When a glide starts
    from another tempo than the one in force, the tempo changed somewhere before it without a
    trace: the stretch since the last breakpoint is not sure, the count of beats is lost, and
    the glide is taken to start on a whole beat. Returns [] when nothing gives a tempo;
    otherwise (time, seconds per beat, sure, starts on a whole beat) breakpoints.
    """
    points = []  # [time, seconds per beat, sure, starts on a whole beat]

    def put(time, spb, whole=False):
        while points and points[-1][0] >= time - 1e-3:
            whole = whole or points[-1][3]
            points.pop()
        points.append([max(time, 0.0), spb, True, whole])

    if start_beat is not None:
        put(0.0, start_beat)
    target = None
    accum = 0.0
    pending = None  # the glide's start point, while no step inside it has shown
    for marker in score.tempo:
        data = marker.data
        if marker.kind == "glide":
            lost = False
            if not points:
                put(0.0, data["old"])
            elif abs(points[-1][1] - data["old"]) > 1e-3 * abs(data["old"]):
                points[-1][2], lost = False, True
            # The first tempo step may end the glide at once (a glide no longer than the
            # statement) and then prints nothing: the target holds from the glide's start
            # unless a step comment shows that the glide went on.
            put(marker.time, data["new"], lost)
            pending = (points[-1], data["old"])
            target, accum = data["new"], 0.0
        elif marker.kind == "step":
            if pending is not None:
                pending[0][1] = pending[1]  # statements before the first step keep the old tempo
                pending = None
            put(marker.time, data["beat"])
            beats = data["accum"] - accum
            accum = data["accum"]
            if target is not None and beats > 0:
                put(marker.time + beats * data["beat"], target)
        elif marker.kind == "fallback":
            if not points:
                put(0.0, 1.0)
            put(marker.time, 1.0)
            target, pending = None, None
    return [tuple(p) for p in points if math.isfinite(p[0]) and math.isfinite(p[1])]


def beat_marks(points, end_time):
    """Whole beats from the start (beat 0 at 0 s): [(time, beat number, sure)], or None when
    there would be too many to draw. A stretch whose seconds per beat is not positive carries
    no marks and no beats."""
    marks = []
    position = 0.0
    for index, (start, spb, sure, whole) in enumerate(points):
        if whole:  # the nearest whole beat that is not marked yet
            position = max(math.floor(position + 0.5), marks[-1][1] + 1 if marks else 0)
        stop = points[index + 1][0] if index + 1 < len(points) else end_time
        if stop <= start or not spb > 0:
            continue
        span_beats = (stop - start) / spb
        if len(marks) + span_beats > MAX_BEAT_MARKS:
            return None
        n = math.ceil(position - 1e-6)
        while n < position + span_beats - 1e-6:
            marks.append((start + (n - position) * spb, n, sure))
            n += 1
        position += span_beats
    # the last beat may end exactly with the piece
    if marks and abs(position - round(position)) < 1e-3 and marks[-1][1] < round(position):
        marks.append((end_time, int(round(position)), points[-1][2]))
    return marks


# ---- Tracks as drawn -------------------------------------------------------------------------


def steps(events, index):
    """Step line of value index of a track, held through gaps: (xs, ys) for drawstyle
    steps-post. Events are taken in order of their start."""
    ordered = sorted(events, key=lambda e: e.start)
    xs, ys = [], []
    for event in ordered:
        if index >= len(event.values):
            continue
        xs.append(event.start)
        ys.append(event.values[index])
    if ordered and xs:
        xs.append(max(e.end for e in ordered))
        ys.append(ys[-1])
    return xs, ys


def level_line(events):
    """Polyline of an amplitude track (AV, AS, AF) as the orchestra plays it: switch 0 steps
    to the event's level at its start; switch 1 moves linearly from the level in force to the
    event's level across the event, except that a glide to silence (0 or less) is a step."""
    xs, ys = [], []
    level = 0.0
    for event in sorted(events, key=lambda e: e.start):
        if not event.values:
            continue
        target = event.values[0]
        glide = len(event.values) > 1 and event.values[1] == 1 and target > 0
        xs += [event.start, event.start, event.end]
        ys += [level, level if glide else target, target]
        level = target
    return xs, ys


def voiced_f0(f0_events, av_events):
    """F0 in Hz as a step line split in two: where the voicing level in force is above 0, and
    where it is silent (the pitch then exists in the score but is not heard)."""
    changes = sorted({e.start for e in f0_events} | {e.start for e in av_events})
    f0 = sorted(f0_events, key=lambda e: e.start)
    av = sorted(av_events, key=lambda e: e.start)
    if not f0:
        return [], [], []
    end = max(e.end for e in f0)
    changes = [t for t in changes if t <= end] + [end]
    xs, heard, silent = [], [], []
    i = j = 0
    f0_value = None
    av_level = 0.0
    for t in changes:
        while i < len(f0) and f0[i].start <= t:
            f0_value = oct_to_hz(f0[i].values[0]) if f0[i].values else f0_value
            i += 1
        while j < len(av) and av[j].start <= t:
            av_level = av[j].values[0] if av[j].values else av_level
            j += 1
        if f0_value is None:
            continue
        xs.append(t)
        on = av_level > 0
        heard.append(f0_value if on else math.nan)
        silent.append(math.nan if on else f0_value)
    return xs, heard, silent


def oct_to_hz(value):
    """Octave-point-decimal pitch (8.00 = middle C, 261.6 Hz; 8.75 = 440 Hz) in Hz; a pitch
    outside 0 to 20 (1 Hz to 1 MHz) is drawn at that end."""
    return 440.0 * 2.0 ** (min(max(value, 0.0), 20.0) - 8.75)


def note_name(midi):
    return "%s%d" % (NOTE_NAMES[midi % 12], midi // 12 - 1)


def hz_to_midi(hz):
    return 69 + 12 * math.log2(hz / 440.0)


def midi_to_hz(midi):
    return 440.0 * 2.0 ** ((midi - 69) / 12.0)


def boundaries(score):
    """Segment boundaries (times where every parameter track but at most one starts an event)
    and phase boundaries (times where only some do)."""
    present = [i for i in TRACKS if score.track(i)]
    if not present:
        return [], []
    starts = {}
    for instr in present:
        for event in score.track(instr):
            key = round(event.start / TIME_TOLERANCE)
            starts.setdefault(key, [event.start, set()])[1].add(instr)
    merged = []  # neighbouring keys are one time
    for key in sorted(starts):
        time, instrs = starts[key]
        if merged and time - merged[-1][0] <= TIME_TOLERANCE:
            merged[-1][1].update(instrs)
        else:
            merged.append([time, set(instrs)])
    need = max(1, len(present) - 1)
    segments = [t for t, s in merged if len(s) >= need]
    phases = [t for t, s in merged if len(s) < need]
    return segments, phases


# ---- Sound ------------------------------------------------------------------------------------


class Sound:
    """A WAV file: its sample rate and samples (mapped from the file, so that a long take is
    not read whole), read as mono floats in -1..1 a stretch at a time. data holds the frames
    (one row each); packed 24-bit samples are three bytes each."""

    def __init__(self, path, rate, data, packed24=False):
        import numpy as np

        self.path, self.rate, self.data, self.packed24 = path, rate, data, packed24
        kind, size = data.dtype.kind, data.dtype.itemsize
        if packed24:
            self.offset, self.scale = 0.0, 2.0 ** 23
        elif kind == "u":
            self.offset, self.scale = 2.0 ** (8 * size - 1), 2.0 ** (8 * size - 1)
        elif kind == "i":
            self.offset, self.scale = 0.0, 2.0 ** (8 * size - 1)
        else:
            self.offset, self.scale = 0.0, 1.0
        self.frames = data.shape[0]
        self.np = np

    @property
    def seconds(self):
        return self.frames / self.rate

    def mono(self, first, last):
        np = self.np
        block = self.data[first:last]
        if self.packed24:  # little-endian three-byte integers, sign-extended through the top
            bytes3 = np.asarray(block, dtype=np.int32).reshape(block.shape[0], -1, 3)
            block = ((bytes3[..., 0] | bytes3[..., 1] << 8 | bytes3[..., 2] << 16) << 8) >> 8
        block = np.asarray(block, dtype=np.float64)
        if block.ndim == 2:
            block = block.mean(axis=1)
        return (block - self.offset) / self.scale


# Sample formats read: (format tag, bits) -> numpy type; 24-bit is unpacked by Sound.mono.
WAV_SAMPLES = {(1, 8): "u1", (1, 16): "<i2", (1, 24): "u1", (1, 32): "<i4",
               (3, 32): "<f4", (3, 64): "<f8"}
WAV_EXTENSIBLE = 0xFFFE
MAX_RATE = 1000000  # samples a second; a window of a higher rate would not fit in memory
MAX_CHANNELS = 64


def read_wav(path):
    """Reads a WAV file's header and maps its samples; refuses one that is not a regular file
    (the samples are mapped, not read), cut short or malformed, each with one line."""
    import struct

    import numpy as np

    try:
        info = os.stat(path)  # before opening: a FIFO would wait for a writer
        if stat.S_ISDIR(info.st_mode):
            raise UserError(path, "is a directory, not a WAV file")
        if not stat.S_ISREG(info.st_mode):
            raise UserError(path, "is %s; give the WAV as a file (its samples are read from "
                            "the file as they are needed)" % file_kind(info.st_mode))
        stream = open(path, "rb")
    except FileNotFoundError:
        raise UserError(path, "no such WAV file")
    except OSError as error:
        raise UserError(path, "cannot read the WAV file: %s" % reason(error))
    with stream:
        try:
            size = os.fstat(stream.fileno()).st_size
            head = stream.read(12)
            if len(head) < 12 or head[:4] != b"RIFF" or head[8:12] != b"WAVE":
                raise UserError(path, "not a WAV file (no RIFF/WAVE header)")
            fmt = data = None
            position = 12
            while position + 8 <= size and data is None:
                stream.seek(position)
                chunk = stream.read(8)
                length = int.from_bytes(chunk[4:8], "little")
                if chunk[:4] == b"fmt ":
                    fmt = stream.read(min(length, 64))
                    if len(fmt) < min(length, 64):
                        raise UserError(path, "the WAV file is cut short in its fmt chunk")
                    if length < 16:
                        raise UserError(path, "the WAV file is malformed: its fmt chunk is "
                                        "%d bytes, not 16 or more" % length)
                elif chunk[:4] == b"data":
                    data = (position + 8, length)
                position += 8 + length + (length & 1)  # chunks are padded to even lengths
        except OSError as error:
            raise UserError(path, "cannot read the WAV file: %s" % reason(error))
    if fmt is None:
        raise UserError(path, "the WAV file is malformed or cut short: no fmt chunk")
    if data is None:
        raise UserError(path, "the WAV file is malformed or cut short: no data chunk")
    tag, channels, rate, _, align, bits = struct.unpack("<HHIIHH", fmt[:16])
    if tag == WAV_EXTENSIBLE and len(fmt) >= 26:
        tag = struct.unpack("<H", fmt[24:26])[0]  # the sub-format's first two bytes
    kind = WAV_SAMPLES.get((tag, bits))
    if kind is None:
        raise UserError(path, "the WAV file's samples are of a kind not read here (format %d, "
                        "%d bits); 8, 16, 24 and 32-bit integer and 32 and 64-bit float are"
                        % (tag, bits))
    if channels == 0 or align != channels * bits // 8:
        raise UserError(path, "the WAV file is malformed: %d channels of %d bits in frames of "
                        "%d bytes" % (channels, bits, align))
    if not 1 <= rate <= MAX_RATE:
        raise UserError(path, "the WAV file gives a sample rate of %d Hz; 1 to %d Hz are read"
                        % (rate, MAX_RATE))
    if channels > MAX_CHANNELS:
        raise UserError(path, "the WAV file has %d channels; at most %d are read"
                        % (channels, MAX_CHANNELS))
    offset, length = data
    if offset + length > size:
        raise UserError(path, "the WAV file is cut short: its data chunk holds %d bytes, the "
                        "file %d" % (length, size - offset))
    frames = length // align
    if frames == 0:
        raise UserError(path, "the WAV file holds no samples")
    try:
        samples = np.memmap(path, dtype=kind, mode="r", offset=offset,
                            shape=(frames, align if bits == 24 else channels))
    except (OSError, ValueError) as error:
        raise UserError(path, "cannot map the WAV file's samples: %s" % error)
    if samples.dtype.kind == "f":
        block = (1 << 20) // channels
        for first in range(0, frames, block):
            if not np.all(np.isfinite(samples[first:first + block])):
                raise UserError(path, "the WAV file holds samples that are not finite numbers")
    return Sound(path, rate, samples, packed24=bits == 24)


def file_kind(mode):
    """'a directory', 'a FIFO', ... for a file that is not a regular file."""
    for test, name in ((stat.S_ISDIR, "a directory"), (stat.S_ISCHR, "a character device"),
                       (stat.S_ISBLK, "a block device"), (stat.S_ISFIFO, "a FIFO or pipe"),
                       (stat.S_ISSOCK, "a socket")):
        if test(mode):
            return name
    return "a special file"


def spectrogram(sound, window=0.006, start=0.0, stop=None, columns=3000):
    """Short-time power spectrum of the sound from start to stop seconds in dB relative to a
    level near its loudest: the 98th percentile of the peaks of the columns that sound (within
    50 dB of the loudest), so that a short loud burst does not pale the rest; what lies above
    shows as 0 dB. Returns (times of the column centres, frequencies, dB[frequency, column],
    column step).

    Hann windows of `window` seconds after a first-difference pre-emphasis (+6 dB/octave, so
    that the upper formants show as clearly as F1). Columns are at least 1 ms apart; for a long
    stretch a column is the mean power of the windows it covers, so no part of the sound is
    skipped. The windows are computed a piece at a time, so that a long sound never needs all
    of them at once.
    """
    import numpy as np
    from scipy import signal

    rate = sound.rate
    stop = sound.seconds if stop is None else stop
    first = max(0, min(sound.frames - 1, int(start * rate)))
    last = max(first + 1, min(sound.frames, int(math.ceil(stop * rate))))
    nperseg = max(8, int(round(window * rate)))
    nfft = 1 << max(8, (nperseg - 1).bit_length())
    # columns 1 ms apart; on a long stretch, windows overlapping by half are enough to cover
    # every sample, and the columns pool them
    step = max(0.001, min(window / 2, (last - first) / rate / columns))
    hop = max(1, int(round(step * rate)))
    frames = max(1, (last - first - nperseg) // hop + 1)
    group = max(1, int(math.ceil(frames / columns)))
    piece = group * max(1, 4000 // group)
    powers = []
    for begin in range(0, frames, piece):
        count = min(piece, frames - begin)
        lo = first + begin * hop
        hi = lo + (count - 1) * hop + nperseg
        x = sound.mono(max(0, lo - 1), min(hi, sound.frames))
        if lo == 0:
            x = np.concatenate([x[:1], x])
        x = np.concatenate([x, np.zeros(hi - lo + 1 - x.size)])
        x = x[1:] - 0.97 * x[:-1]
        _, _, power = signal.spectrogram(
            x, fs=rate, window="hann", nperseg=nperseg, noverlap=nperseg - hop, nfft=nfft,
            detrend=False, scaling="spectrum", mode="psd")
        full = count - count % group
        if full:
            powers.append(power[:, :full].reshape(power.shape[0], -1, group).mean(axis=2))
        if count > full:
            powers.append(power[:, full:count].mean(axis=1, keepdims=True))
    power = np.concatenate(powers, axis=1)
    freqs = np.fft.rfftfreq(nfft, 1.0 / rate)
    centres = (np.arange(frames) * hop + nperseg / 2.0) / rate
    starts = np.arange(0, frames, group)
    times = first / rate + np.add.reduceat(centres, starts) / np.diff(np.append(starts, frames))
    db = 10.0 * np.log10(power + 1e-20)
    peaks = db.max(axis=0)
    db -= np.percentile(peaks[peaks > peaks.max() - 50.0], 98)
    return times, freqs, db, group * hop / rate


def write_wav_uri(stream, sound):
    """Writes the sound as a data: URI of a WAV file: the file itself when it is 16-bit PCM,
    otherwise its samples as 16-bit PCM (every browser plays that; float WAV files are not
    played everywhere, and the page stays half the size). Written in pieces."""
    import numpy as np
    from scipy.io import wavfile

    stream.write("data:audio/wav;base64,")
    if sound.data.dtype == np.int16:
        with open(sound.path, "rb") as source:
            while True:
                block = source.read(3 << 18)
                if not block:
                    break
                stream.write(base64.b64encode(block).decode("ascii"))
        return
    buffer = io.BytesIO()
    pcm = np.empty(sound.frames, dtype=np.int16)
    for first in range(0, sound.frames, 1 << 20):
        block = sound.mono(first, first + (1 << 20))
        pcm[first:first + block.size] = np.clip(np.round(block * 32767.0), -32768, 32767)
    wavfile.write(buffer, sound.rate, pcm)
    view = buffer.getbuffer()
    for first in range(0, len(view), 3 << 18):
        stream.write(base64.b64encode(view[first:first + (3 << 18)]).decode("ascii"))


# ---- Picture ----------------------------------------------------------------------------------

COLORS = {
    "F1": "#d62728", "F2": "#1f77b4", "F3": "#2ca02c",
    "nasal": "#9467bd", "tracheal": "#8c564b",
    "AV": "#222222", "AS": "#ff7f0e", "AF": "#17becf",
    "F0": "#1f4e79", "error": "#c00000",
    "fallback": "#d98c00", "segment": "#8a8a8a", "phase": "#c4c4c4",
}


# Legends stand right of their panel, clear of the tracks and the error labels.
LEGEND = dict(loc="upper left", bbox_to_anchor=(1.005, 1.0), fontsize=8, frameon=False,
              borderaxespad=0.0, handlelength=2.4)


def draw(score, sound, labels, options):
    """Builds the figure; returns (figure, layout) where layout maps the time axis to the
    picture's horizontal fraction (for the page's cursor)."""
    import matplotlib

    matplotlib.use("Agg")
    matplotlib.rcParams["svg.fonttype"] = "none"  # SVG text stays text: searchable, editable
    matplotlib.rcParams["text.parse_math"] = False  # "$" in a label or a name is a dollar
    import matplotlib.pyplot as plt

    end = max(score.end_time, sound.seconds if sound else 0.0, labels.xmax if labels else 0.0)
    t0 = options.start if options.start is not None else 0.0
    t1 = options.end if options.end is not None else end
    if t1 <= t0:
        t1 = t0 + 1.0
    notes = footer_notes(score)

    # Panel heights in inches: formants, levels, F0, sound, the lines under them.
    ratios = [4.0, 1.5, 1.7] + ([3.2] if sound else [])
    if labels and labels.tiers:
        ratios.append(0.1 + 0.32 * len(labels.tiers))
    rows = ratios + ([0.17 * len(notes) + 0.05] if notes else [])
    figure = plt.figure(figsize=(options.width, sum(rows) + 1.2), dpi=100, facecolor="white")
    figure.set_layout_engine("constrained", h_pad=0.04, w_pad=0.04)
    grid = figure.add_gridspec(len(rows), 1, height_ratios=rows)
    axes = [figure.add_subplot(grid[0])]
    for row in range(1, len(ratios)):
        axes.append(figure.add_subplot(grid[row], sharex=axes[0]))
    for ax in axes[:-1]:
        ax.tick_params(labelbottom=False)
    axes[-1].set_xlabel("time (s)")
    axes[0].set_xlim(t0, t1)

    segments = draw_boundaries(axes[:3], score, options, t0, t1)
    draw_formants(axes[0], score, options)
    draw_levels(axes[1], score)
    draw_f0(axes[2], score)
    if sound:
        draw_sound(axes[3], sound, options, t0, t1, segments)
        axes[3].set_xlim(t0, t1)
    if labels and labels.tiers:
        draw_labels(axes[-1], labels, options, t0, t1)
    beat_note = draw_beats(score, options, axes[0], t0, t1, end)
    draw_markers(axes, score, t0, t1)
    figure.suptitle("%s   %.3f s\n%s" % (printable(os.path.basename(score.path)), end,
                                          textwrap.fill(beat_note, int(options.width * 11))),
                    x=0.01, ha="left", fontsize=10)
    if notes:
        notes_ax = figure.add_subplot(grid[len(ratios)])
        notes_ax.axis("off")
        for row, (text, kind) in enumerate(notes):
            notes_ax.text(0.0, 1.0 - (row + 0.5) / len(notes), text, transform=notes_ax.transAxes,
                          fontsize=8, color=COLORS[kind], family="monospace", ha="left",
                          va="center")
    figure.canvas.draw()
    box = axes[0].get_position()
    return figure, {"x0": box.x0, "x1": box.x1, "t0": t0, "t1": t1}


def draw_boundaries(axes, score, options, t0, t1):
    """Segment boundaries (solid grey) and phase boundaries (dotted) across the track panels,
    left out when they would lie closer than about four pixels; returns the segment times
    drawn."""
    segments, phases = boundaries(score)
    room = options.width * 100 / 4
    segments = [t for t in segments if t0 <= t <= t1]
    phases = [t for t in phases if t0 <= t <= t1]
    segments = segments if len(segments) <= room else []
    phases = phases if len(phases) + len(segments) <= room else []
    for ax in axes:
        transform = ax.get_xaxis_transform()
        if phases:
            ax.vlines(phases, 0, 1, transform=transform, colors=COLORS["phase"], linewidth=0.6,
                      linestyles=(0, (2, 2)), zorder=0)
        if segments:
            ax.vlines(segments, 0, 1, transform=transform, colors=COLORS["segment"],
                      linewidth=0.8, zorder=0.5)
    return segments


def draw_formants(ax, score, options):
    """F1 to F3 with bands of their bandwidths, and the pole-zero pairs that do not cancel."""
    import numpy as np

    for name, instr in (("F1", I_F1), ("F2", I_F2), ("F3", I_F3)):
        xs, freq = steps(score.track(instr), 0)
        _, bw = steps(score.track(instr), 1)
        if not xs:
            continue
        freq = np.array(freq)
        bw = np.array(bw) if len(bw) == len(freq) else np.zeros(len(freq))
        ax.fill_between(xs, freq - bw / 2, freq + bw / 2, step="post", color=COLORS[name],
                        alpha=0.15, linewidth=0)
        ax.plot(xs, freq, drawstyle="steps-post", color=COLORS[name], linewidth=1.6, label=name)
    for name, instr in (("nasal", I_NAS), ("tracheal", I_TRC)):
        poles, zeros = ([], [], []), ([], [], [])
        for event in score.track(instr):
            if len(event.values) < 4 or event.values[0:2] == event.values[2:4]:
                continue
            for target, value in ((poles, event.values[0]), (zeros, event.values[2])):
                target[0].append(value)
                target[1].append(event.start)
                target[2].append(event.end)
        if poles[0]:
            ax.hlines(*poles, colors=COLORS[name], linewidth=2.2, label="%s pole" % name)
            ax.hlines(*zeros, colors=COLORS[name], linewidth=2.2, linestyles=(0, (1.5, 1.2)),
                      label="%s zero" % name)
    ax.set_ylim(0, options.fmax)
    ax.set_ylabel("frequency (Hz)")
    ax.grid(axis="y", color="#e6e6e6", linewidth=0.6)
    if ax.get_legend_handles_labels()[0]:
        ax.legend(**LEGEND)


def draw_levels(ax, score):
    """AV, AS and AF in dB as the orchestra plays them."""
    lowest, highest = 0.0, 10.0
    for name, instr, style in (("AV", I_AV, "-"), ("AS", I_AS, "--"), ("AF", I_AF, "-.")):
        xs, ys = level_line(score.track(instr))
        if xs:
            ax.plot(xs, ys, style, color=COLORS[name], linewidth=1.3, label=name)
            lowest, highest = min(lowest, min(ys)), max(highest, max(ys))
    ax.set_ylim(lowest - 3, highest + 8)
    ax.set_ylabel("level (dB)")
    ax.grid(axis="y", color="#e6e6e6", linewidth=0.6)
    if ax.get_legend_handles_labels()[0]:
        ax.legend(**LEGEND)


def draw_f0(ax, score):
    """F0 in Hz on a logarithmic axis spanning the pitches heard, note names on the right."""
    from matplotlib.ticker import FixedLocator, NullFormatter, ScalarFormatter

    xs, heard, silent = voiced_f0(score.track(I_F0), score.track(I_AV))
    ax.set_yscale("log")
    if xs:
        if any(not math.isnan(v) for v in silent):
            ax.plot(xs, silent, drawstyle="steps-post", color="#9aa7b4", linewidth=1.0,
                    linestyle=(0, (3, 2)), label="F0, voicing off")
        ax.plot(xs, heard, drawstyle="steps-post", color=COLORS["F0"], linewidth=1.8,
                label="F0")
        shown = [v for v in heard if not math.isnan(v)] or [v for v in silent if not math.isnan(v)]
        low, high = hz_to_midi(min(shown)), hz_to_midi(max(shown))
        if high - low < 6:
            middle = (low + high) / 2
            low, high = middle - 3, middle + 3
        low, high = math.floor(low - 1), math.ceil(high + 1)
    else:
        low, high = 48, 72
    hz_low, hz_high = midi_to_hz(low), midi_to_hz(high)
    ax.set_ylim(hz_low, hz_high)
    span = high - low
    degrees = (0, 2, 4, 5, 7, 9, 11) if span <= 15 else (0, 4, 7) if span <= 28 else (0,)
    pitches = [m for m in range(low, high + 1) if m % 12 in degrees]
    note_ax = ax.twinx()
    note_ax.set_yscale("log")
    note_ax.set_ylim(hz_low, hz_high)
    note_ax.yaxis.set_major_locator(FixedLocator([midi_to_hz(m) for m in pitches]))
    note_ax.set_yticklabels([note_name(m) for m in pitches], fontsize=8)
    note_ax.yaxis.set_minor_formatter(NullFormatter())
    note_ax.tick_params(axis="y", which="minor", length=0)
    for m in pitches:
        ax.axhline(midi_to_hz(m), color="#ececec", linewidth=0.6, zorder=0)
    formatter = ScalarFormatter()
    formatter.set_scientific(False)
    ax.yaxis.set_major_formatter(formatter)
    ax.yaxis.set_minor_formatter(NullFormatter())
    ax.yaxis.set_major_locator(FixedLocator(nice_hz(hz_low, hz_high)))
    ax.set_ylabel("F0 (Hz)")
    if ax.get_legend_handles_labels()[0]:
        ax.legend(**dict(LEGEND, bbox_to_anchor=(1.04, 1.0)))


def draw_sound(ax, sound, options, t0, t1, segments):
    """The spectrogram of the sound from t0 to t1, with the segment boundaries."""
    import numpy as np

    times, freqs, db, step = spectrogram(sound, options.window, max(0.0, t0),
                                         min(t1, sound.seconds))
    keep = freqs <= options.fmax * 1.02
    ax.imshow(np.clip(db[keep], -options.range, 0), origin="lower", aspect="auto",
              cmap="gray_r", interpolation="antialiased", vmin=-options.range, vmax=0,
              extent=(times[0] - step / 2, times[-1] + step / 2, 0, freqs[keep][-1]))
    ax.set_ylim(0, options.fmax)
    ax.set_ylabel("sound (Hz)")
    if segments:
        ax.vlines(segments, 0, 1, transform=ax.get_xaxis_transform(), colors="#5b8fd9",
                  linewidth=0.6, alpha=0.6)


def draw_labels(ax, labels, options, t0, t1):
    """The tiers of a TextGrid, one band each from the top: an interval tier as boxes with their
    text where it fits, a point tier as ticks with their marks; left out where the boundaries
    would lie closer than about three pixels."""
    count = len(labels.tiers)
    ax.set_ylim(count, 0)
    ax.set_yticks([k + 0.5 for k in range(count)],
                  [printable(shorten(t.name, 14)) for t in labels.tiers], fontsize=8)
    ax.tick_params(axis="y", length=0)
    ax.hlines(range(1, count), 0, 1, transform=ax.get_yaxis_transform(), colors="#b0b0b0",
              linewidth=0.6)
    room = options.width * 100 / 3
    seconds_per_char = (t1 - t0) / (options.width * 0.85) * 8 * 0.62 / 72  # 8-point text
    for row, tier in enumerate(labels.tiers):
        shown = [item for item in tier.items if item[1] >= t0 and item[0] <= t1]
        if len(shown) > room:
            ax.text(max(t0, tier.xmin), row + 0.5, "  %d labels: too dense to draw here"
                    % len(shown), fontsize=7, color="#808080", va="center", clip_on=True)
            continue
        if tier.kind == "IntervalTier":
            ax.vlines(sorted({t for item in shown for t in item[:2]}), row + 0.08, row + 0.92,
                      colors="#404040", linewidth=0.8)
            for start, end, text in shown:
                left, right = max(start, t0), min(end, t1)
                text = printable(text.strip())
                if text and len(text) * seconds_per_char < right - left:
                    ax.text((left + right) / 2, row + 0.5, text, fontsize=8, ha="center",
                            va="center", clip_on=True)
        else:
            ax.vlines([item[0] for item in shown], row + 0.08, row + 0.5, colors="#404040",
                      linewidth=0.8)
            for index, (time, _, text) in enumerate(shown):
                following = shown[index + 1][0] if index + 1 < len(shown) else t1
                text = printable(text.strip())
                if text and len(text) * seconds_per_char < following - time:
                    ax.text(time, row + 0.72, " " + text, fontsize=7, ha="left", va="center",
                            clip_on=True)
    ax.set_ylabel("labels", fontsize=9)


def draw_markers(axes, score, t0, t1):
    """A line across every panel at the time of each error line (red) and fallback comment
    (orange), labelled E1, E2... and W1, W2... at the top; one label for those at one time."""
    labels = {}
    for marker, name in zip(score.errors + score.warnings, marker_names(score)):
        for ax in axes:
            ax.axvline(marker.time, color=COLORS[marker.kind], linewidth=1.2, alpha=0.9,
                       zorder=5 if marker.kind == "error" else 4.9)
        labels.setdefault((round(marker.time, 3), marker.kind), []).append(name)
    for (time, kind), names in labels.items():
        if not t0 <= time <= t1:
            continue
        text = names[0] if len(names) == 1 else "%s-%s" % (names[0], names[-1])
        axes[0].annotate(text, (time, 1.0 if kind == "error" else 0.93),
                         xycoords=axes[0].get_xaxis_transform(), xytext=(3, -11),
                         textcoords="offset points", fontsize=8, fontweight="bold",
                         color=COLORS[kind], zorder=6)


def nice_hz(low, high):
    """Round frequencies for the F0 axis: the finest of the usual steps that gives at most
    six ticks between low and high."""
    for step in (5, 10, 20, 25, 50, 100, 200, 250, 500, 1000):
        ticks = list(range(int(math.ceil(low / step)) * step, int(high) + 1, step))
        if len(ticks) <= 6:
            return ticks
    return []


def draw_beats(score, options, ax, t0, t1, end):
    """Beat marks on a top axis of ax; returns the line for the title that says where they
    come from."""
    start_beat = options.beat
    points = tempo_map(score, start_beat)
    if not points:
        return "no beat marks: the score gives no tempo (use --beat or --mm)"
    marks = beat_marks(points, end)
    if marks is None:
        return "no beat marks: beats too dense to draw"
    visible = [m for m in marks if t0 - 1e-9 <= m[0] <= t1 + 1e-9]
    top = ax.secondary_xaxis("top")
    if len(visible) <= options.width * 100 / 3:
        top.set_xticks([t for t, _, _ in visible], minor=True)
    every = 1
    while visible and len(visible) / every > options.width * 72 / 28:
        every *= 2
    major = [m for m in visible if m[1] % every == 0]
    top.set_xticks([t for t, _, _ in major], ["%d" % n for _, n, _ in major])
    top.tick_params(axis="x", which="major", length=6, labelsize=8)
    top.tick_params(axis="x", which="minor", length=3)
    for tick, (_, _, sure) in zip(top.xaxis.get_major_ticks(), major):
        if not sure:
            tick.label2.set_color("#a0a0a0")
            tick.tick2line.set_color("#a0a0a0")
    top.set_xlabel("beats", fontsize=8, labelpad=2)
    spb = points[0][1]
    where = "from the start" if start_beat is not None else "up to the first tempo comment"
    note = "beat marks: %.4g s a beat (MM %.4g) %s" % (spb, 60 / spb, where)
    glides = sum(1 for m in score.tempo if m.kind == "glide")
    if glides:
        note += ", %d tempo glide%s" % (glides, "" if glides == 1 else "s")
    if not all(sure for _, _, sure in marks):
        note += "; grey beats: the tempo changed where the score does not show it"
    return note


def marker_names(score):
    """E1, E2... for the counted errors, W1, W2... for the warnings, in that order."""
    return ["E%d" % n for n in range(1, len(score.errors) + 1)] + [
        "W%d" % n for n in range(1, len(score.warnings) + 1)]


FOOTER_MARKERS = 8


def footer_notes(score):
    """Lines under the picture: the closing error line, then the first error lines."""
    shown = score.errors + score.warnings
    notes = []
    if score.closing:
        notes.append((score.closing, "error"))
    elif not score.closed:
        notes.append(('The score has no closing "e" line: it was cut short.', "error"))
    names = marker_names(score)
    for name, marker in list(zip(names, shown))[:FOOTER_MARKERS]:
        notes.append((error_caption(name, marker), marker.kind))
    if len(shown) > FOOTER_MARKERS:
        notes.append(("... and %d more error lines (the .html page lists all)."
                      % (len(shown) - FOOTER_MARKERS), "error"))
    return notes


def error_caption(name, marker):
    text = "%-3s %8.3f s  line %d: %s" % (name, marker.time, marker.line, marker.text)
    if marker.echo:
        text += "   " + " ".join(marker.echo.split()[:6])
    return shorten(text, 150)


# ---- Output -----------------------------------------------------------------------------------


def embedded_size(sound):
    """Bytes of the WAV file a page embeds: the file itself when it is 16-bit PCM, otherwise
    its samples converted to 16-bit mono."""
    if sound.data.dtype == sound.np.int16:
        return os.path.getsize(sound.path)
    return 44 + 2 * sound.frames


def sound_link(sound, output):
    """The WAV's path relative to the page's folder, as a URL."""
    folder = os.path.dirname(os.path.abspath(output))
    return urllib.parse.quote(os.path.relpath(os.path.abspath(sound.path), folder))


def write_page(stream, score, sound, figure, layout, output):
    """Writes the HTML page: the picture (PNG at twice its shown size, sharp on dense screens),
    the audio player with the sound embedded (up to EMBED_LIMIT bytes, otherwise linked by its
    path relative to the page), and the score's error lines."""
    picture = io.BytesIO()
    figure.savefig(picture, format="png", dpi=200, facecolor="white")
    width, height = (int(round(v)) for v in figure.get_size_inches() * 100)
    title = html.escape(printable(os.path.basename(score.path)))
    stream.write("\n".join([
        "<!DOCTYPE html>",
        '<html lang="en"><head><meta charset="utf-8">',
        "<title>%s</title>" % title,
        "<style>",
        "body{font-family:sans-serif;background:#f3f1ec;color:#222;margin:16px}",
        "h1{font-size:18px;margin:0 0 8px} h2{font-size:16px}",
        "#picture{position:relative;display:inline-block;line-height:0}",
        "#picture img{display:block;cursor:crosshair}",
        "#cursor{position:absolute;top:0;bottom:0;width:2px;background:#0a7be0;display:none;"
        "pointer-events:none}",
        "audio{width:%dpx;margin:8px 0;display:block}" % width,
        "table{border-collapse:collapse;font-size:13px;margin-top:6px}",
        "td,th{border:1px solid #ccc;padding:3px 8px;text-align:left;vertical-align:top}",
        "td.num{text-align:right} code{font-size:12px}",
        ".bad{color:#c00000;font-weight:bold} tr.fallback{color:#8a5a00}",
        "</style></head><body>",
        "<h1>%s</h1>" % title,
        "",
    ]))
    if sound and embedded_size(sound) > EMBED_LIMIT:
        stream.write('<audio id="sound" controls preload="auto" src="%s"></audio>\n'
                     "<p>Sound: %s, linked (%.1f minutes: too long to embed); keep it where it "
                     "is beside the page. Click the picture to play from that time.</p>\n"
                     % (html.escape(sound_link(sound, output)),
                        html.escape(printable(sound.path)), sound.seconds / 60))
    elif sound:
        stream.write('<audio id="sound" controls preload="auto" src="')
        write_wav_uri(stream, sound)
        stream.write('"></audio>\n<p>Sound: %s. Click the picture to play from that time.</p>\n'
                     % html.escape(printable(os.path.basename(sound.path))))
    else:
        stream.write("<p>No sound: give the rendered WAV after the score to hear it here.</p>\n")
    rows = []
    if score.closing:
        rows.append('<p class="bad">%s</p>' % html.escape(score.closing))
    elif not score.closed:
        rows.append('<p class="bad">The score has no closing "e" line: it was cut short.</p>')
    shown = score.errors + score.warnings
    if shown:
        rows.append('<table id="errors"><tr><th></th><th>time (s)</th><th>line</th>'
                    "<th>message</th><th>echo of the statement</th></tr>")
        for name, marker in zip(marker_names(score), shown):
            rows.append(
                '<tr class="%s"><td>%s</td><td class="num">%.4f</td><td class="num">%d</td>'
                "<td>%s</td><td><code>%s</code></td></tr>"
                % (marker.kind, name, marker.time, marker.line, html.escape(marker.text),
                   html.escape(marker.echo or "")))
        rows.append("</table>")
    else:
        rows.append("<p>None: every statement was accepted.</p>")
    stream.write("\n".join([
        '<div id="picture" data-x0="%.6f" data-x1="%.6f" data-t0="%.6f" data-t1="%.6f">'
        % (layout["x0"], layout["x1"], layout["t0"], layout["t1"]),
        '<img id="plot" alt="tracks of %s" width="%d" height="%d" src="data:image/png;base64,%s">'
        % (title, width, height, base64.b64encode(picture.getvalue()).decode("ascii")),
        '<div id="cursor"></div></div>',
        "<h2>Error lines of the score</h2>",
    ] + rows + [PAGE_SCRIPT, "</body></html>", ""]))


PAGE_SCRIPT = """<script>
(function () {
  var box = document.getElementById('picture'), img = document.getElementById('plot');
  var cursor = document.getElementById('cursor'), sound = document.getElementById('sound');
  var x0 = +box.dataset.x0, x1 = +box.dataset.x1, t0 = +box.dataset.t0, t1 = +box.dataset.t1;
  // what the browser made of the embedded files, for whoever inspects the page
  box.dataset.picture = img.complete ? img.naturalWidth + 'x' + img.naturalHeight : 'none';
  img.addEventListener('load', function () {
    box.dataset.picture = img.naturalWidth + 'x' + img.naturalHeight;
  });
  if (!sound) return;
  sound.addEventListener('loadedmetadata', function () {
    sound.dataset.duration = sound.duration.toFixed(3);
  });
  function place() {
    var t = sound.currentTime;
    if (t < t0 || t > t1) { cursor.style.display = 'none'; return; }
    cursor.style.left = ((x0 + (t - t0) / (t1 - t0) * (x1 - x0)) * img.width) + 'px';
    cursor.style.display = 'block';
  }
  function follow() { place(); if (!sound.paused) requestAnimationFrame(follow); }
  sound.addEventListener('play', follow);
  sound.addEventListener('seeked', place);
  img.addEventListener('click', function (e) {
    var f = e.offsetX / img.width;
    if (f < x0 || f > x1) return;
    sound.currentTime = t0 + (f - x0) / (x1 - x0) * (t1 - t0);
    sound.play();
  });
})();
</script>"""


# ---- Command line -----------------------------------------------------------------------------


def positive(text):
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError("not a number: %r" % text)
    if not math.isfinite(value) or value <= 0:
        raise argparse.ArgumentTypeError("must be a positive number: %r" % text)
    return value


def time_value(text):
    try:
        value = float(text)
    except ValueError:
        raise argparse.ArgumentTypeError("not a number: %r" % text)
    if not math.isfinite(value) or value < 0:
        raise argparse.ArgumentTypeError("must be a time of 0 s or more: %r" % text)
    return value


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        prog=PROG,
        description="Draws a speechscore score: formant tracks, levels, F0 with note names, "
        "segment and phase boundaries, beat marks and the score's error lines; with the "
        "rendered WAV, its spectrogram. .html writes one page with the picture, an audio "
        "player and the error lines.",
    )
    parser.add_argument("score", help="the score (.sco) written by a speechscore program; - "
                        "reads it from standard input")
    parser.add_argument("wav", nargs="?", help="the WAV rendered from the score (optional)")
    parser.add_argument("--labels", metavar="TEXTGRID",
                        help="a Praat TextGrid of the take (words, phones): drawn as a lane of "
                        "labelled intervals under the tracks")
    parser.add_argument("-o", "--output", required=True, metavar="OUT",
                        help="picture to write: .svg, .png, .pdf or .html")
    tempo = parser.add_mutually_exclusive_group()
    tempo.add_argument("--beat", type=positive, metavar="SECONDS",
                       help="seconds per beat from the start up to the first tempo comment "
                       "(the score does not record the metronome mark)")
    tempo.add_argument("--mm", type=positive, metavar="MARK",
                       help="metronome mark (beats per minute) from the start; same as "
                       "--beat 60/MARK")
    parser.add_argument("--start", type=time_value, metavar="SECONDS",
                        help="draw from this time on")
    parser.add_argument("--end", type=time_value, metavar="SECONDS", help="draw up to this time")
    parser.add_argument("--fmax", type=positive, default=5000.0, metavar="HZ",
                        help="top of the frequency axes (default 5000)")
    parser.add_argument("--width", type=positive, default=14.0, metavar="INCHES",
                        help="width of the picture (default 14 inches; 100 pixels an inch)")
    parser.add_argument("--window", type=positive, default=0.006, metavar="SECONDS",
                        help="spectrogram window (default 0.006: formants; 0.03 shows "
                        "harmonics)")
    parser.add_argument("--range", type=positive, default=50.0, metavar="DB",
                        help="dynamic range of the spectrogram (default 50 dB)")
    options = parser.parse_args(argv)
    inputs = ("score", "wav", "labels")
    if sum(getattr(options, name) == "-" for name in inputs) > 1:
        parser.error("standard input (-) can be only one of the inputs")
    for name in inputs:  # - is standard input, named so that it is compared and read as a file
        if getattr(options, name) == "-":
            setattr(options, name, "/dev/stdin")
    if options.mm is not None:
        options.beat = 60.0 / options.mm
    if options.start is not None and options.end is not None and options.end <= options.start:
        parser.error("--end (%g) must come after --start (%g)" % (options.end, options.start))
    if options.width > 200 or options.width < 2:
        parser.error("--width must lie between 2 and 200 inches")
    return options


def check_output(path, inputs):
    """Refuses, before any work, an output that exists and is not a regular file (symlinks
    followed), and one that is one of the inputs (compared as files: device and inode, or for a
    new output its resolved name)."""
    try:
        info = os.stat(path)
    except (FileNotFoundError, NotADirectoryError):
        info = None  # a new file; a missing folder is reported when the file is made
    except OSError as error:
        raise UserError(path, "cannot write: %s" % reason(error))
    if info is not None and not stat.S_ISREG(info.st_mode):
        raise UserError(path, "is %s; the picture is written as a new file or over a regular "
                        "file only" % file_kind(info.st_mode))
    if info is not None and not os.access(path, os.W_OK):  # as writing into it would find
        raise UserError(path, "cannot write: Permission denied")
    for given in inputs:
        try:
            other = os.stat(given)
        except OSError:
            continue  # reported when it is read
        if (info is not None and (info.st_dev, info.st_ino) == (other.st_dev, other.st_ino)) or (
                info is None and os.path.realpath(path) == os.path.realpath(given)):
            raise UserError(path, "the output would overwrite the input %s" % given)


def write_output(path, write):
    """Calls write(stream) on a scratch file beside the output (beside the file a symlink names;
    the link stays) and renames it into place; removes the scratch file on any failure or
    signal, so that the previous output stays as it was."""
    target = os.path.realpath(path)
    folder, name = os.path.split(target)
    try:
        mode = stat.S_IMODE(os.stat(target).st_mode)
    except OSError:
        mode = 0o666 & ~UMASK
    scratch = None
    try:
        # The scratch file's name is known to the clean-up before a signal can stop the work.
        with signals_held():
            handle, scratch = tempfile.mkstemp(prefix="." + name + ".", suffix=".part",
                                               dir=folder)
        with os.fdopen(handle, "wb") as stream:
            write(stream)
            stream.flush()
            try:
                os.fsync(stream.fileno())
            except OSError as error:
                if error.errno not in (errno.EINVAL, errno.ENOTSUP):  # a file system without it
                    raise
        os.chmod(scratch, mode)
        with signals_held():
            os.replace(scratch, target)
            scratch = None
            # The work is done: a signal that came during the rename is dropped, so that the
            # status says what happened.
            for number in signals_held.SIGNALS:
                signal.signal(number, signal.SIG_IGN)
    except OSError as error:
        raise UserError(path, "cannot write: %s" % reason(error))
    finally:
        if scratch is not None:
            try:
                os.unlink(scratch)
            except OSError:
                pass


class signals_held:
    """Holds SIGINT and SIGTERM back while a step that must not be cut runs; they arrive after."""

    SIGNALS = {signal.SIGINT, signal.SIGTERM}

    def __enter__(self):
        self.mask = signal.pthread_sigmask(signal.SIG_BLOCK, self.SIGNALS)

    def __exit__(self, *exception):
        signal.pthread_sigmask(signal.SIG_SETMASK, self.mask)
        return False


def current_umask():
    mask = os.umask(0o022)
    os.umask(mask)
    return mask


UMASK = current_umask()


def run(argv):
    options = parse_arguments(argv)
    inputs = [f for f in (options.score, options.wav, options.labels) if f]
    check_output(options.output, inputs)
    extension = os.path.splitext(options.output)[1].lower()
    if extension not in FORMATS:
        raise UserError(options.output, "unknown output type %r; use .svg, .png, .pdf or .html"
                        % (extension or "(none)"))
    score = parse_score(options.score)
    sound = read_wav(options.wav) if options.wav else None
    labels = read_textgrid(options.labels) if options.labels else None
    if sound:
        length = sound.seconds
        if abs(length - score.end_time) > 0.5 and score.end_time > 0:
            warn(options.wav, "the sound lasts %.3f s, the score %.3f s; is it the score's "
                 "sound?" % (length, score.end_time))
    if labels:
        if abs(labels.xmax - score.end_time) > 0.5 and score.end_time > 0:
            warn(options.labels, "the labels end at %.3f s, the score at %.3f s; are they the "
                 "score's labels?" % (labels.xmax, score.end_time))
    if not score.closed and score.closing is None:
        warn(options.score, 'the score has no closing "e" line; drawn as far as it goes')
    figure, layout = draw(score, sound, labels, options)

    def write(stream):
        if extension == ".html":
            text = io.TextIOWrapper(stream, encoding="utf-8", newline="\n")
            write_page(text, score, sound, figure, layout, options.output)
            text.flush()
            text.detach()
        else:
            figure.savefig(stream, format=extension[1:], facecolor="white")

    write_output(options.output, write)
    return 0


def warn(path, text):
    print(printable("%s: %s: warning: %s" % (PROG, path, text)), file=sys.stderr)


def stop(number, frame):
    """SIGINT and SIGTERM: stop the work (the clean-up removes the scratch file); a second
    signal during the clean-up is ignored."""
    for other in signals_held.SIGNALS:
        signal.signal(other, signal.SIG_IGN)
    raise Interrupted(number)


def main():
    import warnings

    warnings.simplefilter("ignore")  # a library's warning is no message of this program
    for number in signals_held.SIGNALS:
        signal.signal(number, stop)
    try:
        return run(sys.argv[1:])
    except UserError as error:
        print("%s: %s" % (PROG, error), file=sys.stderr)
        return 1
    except Interrupted as interruption:
        return interruption.status
    except MemoryError:
        print("%s: error: out of memory" % PROG, file=sys.stderr)
        return 1
    except Exception as error:  # a fault of this program: still one line, never a traceback
        print(printable("%s: error: internal error (%s: %s); please report it with the command "
                        "and its files" % (PROG, type(error).__name__, error)), file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
