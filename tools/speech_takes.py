"""Takes of single words by three synthesizers, for tools/word-test and tools/phone-measures:
speechscore's `say` (phone times from its --labels TextGrid), espeak-ng's default en-us voice and
its Klatt voice (both through libespeak-ng, phone times from its phoneme events; the samples are
those `espeak-ng -w` writes, without its closing silence). Also the word list both tools use.
"""

import ctypes
import re
import subprocess
import wave
from pathlib import Path

SYNTHS = ["speechscore", "espeak-ng", "klatt"]
VOICES = {"espeak-ng": b"en-us", "klatt": b"en-us+klatt"}

# The list, chosen from phonetics before any take was heard or recognised: every General
# American consonant in initial position, stops also final, voicing pairs that differ in one
# feature (pea/bee, cap/cab, fan/van, sue/zoo, chin/gin, leaf/reef, wet/yet), the three nasals,
# clusters, the diphthongs and the r-coloured vowels. Phones as in the recogniser's dictionary
# (CMUdict, ARPAbet).
# fmt: off
#  word      phones         phone classes
WORDS = [
    ("pea",   "P IY",       "stop-initial-voiceless"),
    ("bee",   "B IY",       "stop-initial-voiced"),
    ("tie",   "T AY",       "stop-initial-voiceless diphthong"),
    ("die",   "D AY",       "stop-initial-voiced diphthong"),
    ("coat",  "K OW T",     "stop-initial-voiceless stop-final diphthong"),
    ("goat",  "G OW T",     "stop-initial-voiced stop-final diphthong"),
    ("cap",   "K AE P",     "stop-initial-voiceless stop-final"),
    ("cab",   "K AE B",     "stop-initial-voiceless stop-final"),
    ("back",  "B AE K",     "stop-initial-voiced stop-final"),
    ("bag",   "B AE G",     "stop-initial-voiced stop-final"),
    ("bed",   "B EH D",     "stop-initial-voiced stop-final"),
    ("cup",   "K AH P",     "stop-initial-voiceless stop-final"),
    ("book",  "B UH K",     "stop-initial-voiced stop-final"),
    ("fan",   "F AE N",     "fricative-nonsibilant nasal-final"),
    ("van",   "V AE N",     "fricative-nonsibilant nasal-final"),
    ("thin",  "TH IH N",    "fricative-nonsibilant nasal-final"),
    ("then",  "DH EH N",    "fricative-nonsibilant nasal-final"),
    ("hat",   "HH AE T",    "fricative-nonsibilant stop-final"),
    ("sue",   "S UW",       "fricative-sibilant"),
    ("zoo",   "Z UW",       "fricative-sibilant"),
    ("shoe",  "SH UW",      "fricative-sibilant"),
    ("beige", "B EY ZH",    "stop-initial-voiced fricative-sibilant diphthong"),
    ("house", "HH AW S",    "fricative-nonsibilant fricative-sibilant diphthong"),
    ("chin",  "CH IH N",    "affricate nasal-final"),
    ("gin",   "JH IH N",    "affricate nasal-final"),
    ("map",   "M AE P",     "nasal-initial stop-final"),
    ("nap",   "N AE P",     "nasal-initial stop-final"),
    ("comb",  "K OW M",     "stop-initial-voiceless nasal-final diphthong"),
    ("sing",  "S IH NG",    "fricative-sibilant nasal-final"),
    ("leaf",  "L IY F",     "liquid fricative-nonsibilant"),
    ("reef",  "R IY F",     "liquid fricative-nonsibilant"),
    ("wet",   "W EH T",     "glide stop-final"),
    ("yet",   "Y EH T",     "glide stop-final"),
    ("stop",  "S T AA P",   "cluster fricative-sibilant stop-final"),
    ("play",  "P L EY",     "cluster liquid diphthong"),
    ("tree",  "T R IY",     "cluster liquid"),
    ("boy",   "B OY",       "stop-initial-voiced diphthong"),
    ("bird",  "B ER D",     "stop-initial-voiced stop-final r-coloured"),
    ("car",   "K AA R",     "stop-initial-voiceless r-coloured"),
    ("four",  "F AO R",     "fricative-nonsibilant r-coloured"),
]
# fmt: on

# A second list of 40, chosen the same way after the first had been used for many changes: the
# same classes in other words and vowels, to tell a change that helps speech from one that helps
# the first list's words.
# fmt: off
SECOND_WORDS = [
    ("bat",    "B AE T",     "stop-initial-voiced stop-final"),
    ("dog",    "D AO G",     "stop-initial-voiced stop-final"),
    ("kit",    "K IH T",     "stop-initial-voiceless stop-final"),
    ("gum",    "G AH M",     "stop-initial-voiced nasal-final"),
    ("pit",    "P IH T",     "stop-initial-voiceless stop-final"),
    ("tip",    "T IH P",     "stop-initial-voiceless stop-final"),
    ("dip",    "D IH P",     "stop-initial-voiced stop-final"),
    ("bit",    "B IH T",     "stop-initial-voiced stop-final"),
    ("sit",    "S IH T",     "fricative-sibilant stop-final"),
    ("zip",    "Z IH P",     "fricative-sibilant stop-final"),
    ("ship",   "SH IH P",    "fricative-sibilant stop-final"),
    ("fish",   "F IH SH",    "fricative-nonsibilant fricative-sibilant"),
    ("vine",   "V AY N",     "fricative-nonsibilant nasal-final diphthong"),
    ("thick",  "TH IH K",    "fricative-nonsibilant stop-final"),
    ("this",   "DH IH S",    "fricative-nonsibilant fricative-sibilant"),
    ("hot",    "HH AA T",    "fricative-nonsibilant stop-final"),
    ("jam",    "JH AE M",    "affricate nasal-final"),
    ("chop",   "CH AA P",    "affricate stop-final"),
    ("mop",    "M AA P",     "nasal-initial stop-final"),
    ("net",    "N EH T",     "nasal-initial stop-final"),
    ("king",   "K IH NG",    "stop-initial-voiceless nasal-final"),
    ("lip",    "L IH P",     "liquid stop-final"),
    ("rip",    "R IH P",     "liquid stop-final"),
    ("wig",    "W IH G",     "glide stop-final"),
    ("yes",    "Y EH S",     "glide fricative-sibilant"),
    ("bus",    "B AH S",     "stop-initial-voiced fricative-sibilant"),
    ("dough",  "D OW",       "stop-initial-voiced diphthong"),
    ("go",     "G OW",       "stop-initial-voiced diphthong"),
    ("key",    "K IY",       "stop-initial-voiceless"),
    ("toe",    "T OW",       "stop-initial-voiceless diphthong"),
    ("bell",   "B EH L",     "stop-initial-voiced liquid"),
    ("red",    "R EH D",     "liquid stop-final"),
    ("fat",    "F AE T",     "fricative-nonsibilant stop-final"),
    ("cheese", "CH IY Z",    "affricate fricative-sibilant"),
    ("moon",   "M UW N",     "nasal-initial nasal-final"),
    ("nose",   "N OW Z",     "nasal-initial diphthong fricative-sibilant"),
    ("pig",    "P IH G",     "stop-initial-voiceless stop-final"),
    ("two",    "T UW",       "stop-initial-voiceless"),
    ("ring",   "R IH NG",    "liquid nasal-final"),
    ("wall",   "W AO L",     "glide liquid"),
]
# fmt: on

# A third list of 38, chosen the same way after the second: the same classes again in other
# words, with /h/ and more final nasals and voiced finals.
# fmt: off
THIRD_WORDS = [
    ("dig",    "D IH G",     "stop-initial-voiced stop-final"),
    ("hum",    "HH AH M",    "fricative-nonsibilant nasal-final"),
    ("jet",    "JH EH T",    "affricate stop-final"),
    ("lock",   "L AA K",     "liquid stop-final"),
    ("men",    "M EH N",     "nasal-initial nasal-final"),
    ("nut",    "N AH T",     "nasal-initial stop-final"),
    ("pan",    "P AE N",     "stop-initial-voiceless nasal-final"),
    ("rock",   "R AA K",     "liquid stop-final"),
    ("sad",    "S AE D",     "fricative-sibilant stop-final"),
    ("tan",    "T AE N",     "stop-initial-voiceless nasal-final"),
    ("vet",    "V EH T",     "fricative-nonsibilant stop-final"),
    ("web",    "W EH B",     "glide stop-final"),
    ("gas",    "G AE S",     "stop-initial-voiced fricative-sibilant"),
    ("hip",    "HH IH P",    "fricative-nonsibilant stop-final"),
    ("kid",    "K IH D",     "stop-initial-voiceless stop-final"),
    ("lab",    "L AE B",     "liquid stop-final"),
    ("mud",    "M AH D",     "nasal-initial stop-final"),
    ("nod",    "N AA D",     "nasal-initial stop-final"),
    ("pot",    "P AA T",     "stop-initial-voiceless stop-final"),
    ("rub",    "R AH B",     "liquid stop-final"),
    ("sun",    "S AH N",     "fricative-sibilant nasal-final"),
    ("tub",    "T AH B",     "stop-initial-voiceless stop-final"),
    ("den",    "D EH N",     "stop-initial-voiced nasal-final"),
    ("fig",    "F IH G",     "fricative-nonsibilant stop-final"),
    ("gap",    "G AE P",     "stop-initial-voiced stop-final"),
    ("hen",    "HH EH N",    "fricative-nonsibilant nasal-final"),
    ("jog",    "JH AA G",    "affricate stop-final"),
    ("log",    "L AO G",     "liquid stop-final"),
    ("pen",    "P EH N",     "stop-initial-voiceless nasal-final"),
    ("seat",   "S IY T",     "fricative-sibilant stop-final"),
    ("food",   "F UW D",     "fricative-nonsibilant stop-final"),
    ("shop",   "SH AA P",    "fricative-sibilant stop-final"),
    ("cheap",  "CH IY P",    "affricate stop-final"),
    ("judge",  "JH AH JH",   "affricate"),
    ("thumb",  "TH AH M",    "fricative-nonsibilant nasal-final"),
    ("mouth",  "M AW TH",    "nasal-initial diphthong fricative-nonsibilant"),
    ("soap",   "S OW P",     "fricative-sibilant diphthong stop-final"),
    ("wheel",  "W IY L",     "glide liquid"),
]
# fmt: on

SCRIPT = """start1 0 1 1 1 1 1 0 1 1
startmn
metronome 60
Rest 0.5
say "{word}"
Rest 0.5
fine
"""

# Phone labels (IPA as espeak-ng writes it, or ARPAbet) -> phone; length and stress marks go.
ARPABET = {"P": "p", "B": "b", "T": "t", "D": "d", "K": "k", "G": "g", "F": "f", "V": "v",
           "TH": "θ", "DH": "ð", "S": "s", "Z": "z", "SH": "ʃ", "ZH": "ʒ", "HH": "h", "CH": "tʃ",
           "JH": "dʒ", "M": "m", "N": "n", "NG": "ŋ", "L": "l", "R": "ɹ", "W": "w", "Y": "j"}


def run(command: list) -> subprocess.CompletedProcess:
    """Runs a command and returns its result; raises RuntimeError with its output on failure."""
    done = subprocess.run(command, capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError(f"{command[0]} failed ({done.returncode}): {done.stderr.strip()}")
    return done


def phone_of(label: str) -> str:
    """The phone a label names: ARPAbet without stress digits, or IPA without length marks."""
    bare = re.sub(r"[0-2]$", "", label.strip())
    if bare.upper() == bare and bare in ARPABET:
        return ARPABET[bare]
    return re.sub("[ːˈˌʰ'ʲ,]", "", label.strip()).replace("ɡ", "g")


def espeak_take(voice: str, word: str, path: Path) -> list:
    """Speaks the word with libespeak-ng, writes the WAV and returns [(phone, start, end)] from
    the library's phoneme events."""
    lib = ctypes.CDLL("libespeak-ng.so.1")

    class Id(ctypes.Union):
        _fields_ = [("number", ctypes.c_int), ("name", ctypes.c_char_p),
                    ("string", ctypes.c_char * 8)]

    class Event(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("unique_identifier", ctypes.c_uint),
                    ("text_position", ctypes.c_int), ("length", ctypes.c_int),
                    ("audio_position", ctypes.c_int), ("sample", ctypes.c_int),
                    ("user_data", ctypes.c_void_p), ("id", Id)]

    callback_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(ctypes.c_short), ctypes.c_int,
                                     ctypes.POINTER(Event))
    samples, marks = [], []

    def collect(wav, count, events):
        if wav and count > 0:
            samples.extend(wav[:count])
        i = 0
        while events[i].type != 0:  # espeakEVENT_LIST_TERMINATED
            if events[i].type == 7:  # espeakEVENT_PHONEME
                marks.append((events[i].id.string.decode(), events[i].sample))
            i += 1
        return 0

    # AUDIO_OUTPUT_SYNCHRONOUS, phoneme events in IPA
    rate = lib.espeak_Initialize(2, 0, None, 0x3)
    if rate <= 0:
        raise RuntimeError("libespeak-ng could not start")
    keep = callback_type(collect)
    lib.espeak_SetSynthCallback(keep)
    if lib.espeak_SetVoiceByName(VOICES[voice]) != 0:
        raise RuntimeError(f"espeak-ng has no voice {VOICES[voice].decode()}")
    text = word.encode() + b"\0"
    lib.espeak_Synth(text, len(text), 0, 1, 0, 0, None, None)
    lib.espeak_Synchronize()
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(rate)
        out.writeframes(b"".join(int(s).to_bytes(2, "little", signed=True) for s in samples))
    return [(phone_of(label), start / rate, end / rate)
            for (label, start), (_, end) in zip(marks, marks[1:]) if label]


def textgrid_phones(path: Path) -> list:
    """[(phone, start, end)] of the non-empty intervals of the TextGrid's phone tier (the first
    tier whose name has "phone" in it)."""
    text = path.read_text()
    tiers = re.split(r'name = "', text)[1:]
    tier = next((t for t in tiers if "phone" in t.split('"')[0].lower()), None)
    if tier is None:
        raise RuntimeError(f"{path}: no phone tier")
    found = re.findall(r'xmin = ([\d.eE+-]+)\s*xmax = ([\d.eE+-]+)\s*text = "([^"]*)"', tier)
    return [(phone_of(t), float(a), float(b)) for a, b, t in found if t.strip()]


def speechscore_take(program: str, word: str, path: Path) -> list:
    """Renders `say "word"` between two rests with the speechscore program to path and returns
    its phones from the --labels TextGrid."""
    script = path.with_suffix(".ss")
    script.write_text(SCRIPT.format(word=word))
    labels = path.with_suffix(".TextGrid")
    run([program, "-o", str(path.with_suffix(".sco")), "--render", str(path), "--labels",
         str(labels), str(script)])
    return textgrid_phones(labels)


def take(synth: str, word: str, path: Path, program: str) -> list:
    """Writes the word spoken by one synthesizer to path; returns its phones with their times."""
    if synth == "speechscore":
        return speechscore_take(program, word, path)
    return espeak_take(synth, word, path)
